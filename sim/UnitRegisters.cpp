#include "UnitEngine.h"

void UnitEngine::defineRegisters()
{
    // Read: the value, then a "K". Write: "K" and a carriage return.
    defineCommand('R', 1, true, [this](const QByteArray &parameters, qint64 now) {
        const auto number = static_cast<quint8>(parameters.at(0));
        reply("R", QByteArray(1, static_cast<char>(m_registers.at(number))) + 'K', now);
    });
    defineCommand('W', 2, true, [this](const QByteArray &parameters, qint64 now) {
        m_registers.at(static_cast<quint8>(parameters.at(0)))
            = static_cast<quint8>(parameters.at(1));
        reply("W", QByteArrayLiteral("K\r"), now);
    });
}

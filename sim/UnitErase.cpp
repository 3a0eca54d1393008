#include "UnitEngine.h"

void UnitEngine::defineErase()
{
    // "C" erases the location, and with it the whole message covering it; the answer comes once
    // the erase time has passed.
    defineCommand('C', 2, true, [this](const QByteArray &parameters, qint64 now) {
        const auto location = locationParameter(parameters);
        if (!location) {
            reply("C", QByteArrayLiteral("N\r"), now);
            return;
        }
        eraseLocation(*location);
        reply("C", QByteArrayLiteral("K\r"), now + m_eraseMs);
    });
}

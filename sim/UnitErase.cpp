#include "UnitEngine.h"

// "C" with a location: empties the whole message that covers it and answers.
void UnitEngine::defineErase()
{
    defineCommand('C', 2, true, [this](const QByteArray &parameters, qint64 now) {
        eraseLocation(parameters.at(1) - '0');
        reply("C", QByteArrayLiteral("K\r"), now);
    });
}

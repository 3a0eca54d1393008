#include "commands/OverflowTexts.h"

#include "settings/Declarations.h"
#include "protocol/UploadSizes.h"

OverflowTexts overflowTexts(qint32 dataSize, qint32 sampleRate, int selected, qint32 capacity)
{
    OverflowTexts texts;
    const qint64 available = static_cast<qint64>(LocationCount - selected) * capacity;
    if (static_cast<qint64>(dataSize) + MessageOverhead > available) {
        texts.proceedShown = false;
    } else {
        double count = dataSize;
        texts.description = QStringLiteral("This wave file is large and will fill ")
            + QString::number(CountExtraLocations(count, capacity) + 1)
            + QStringLiteral(" memory locations");
    }

    qint32 estimate = 0;
    if (sampleRate > HighRateLimit) {
        estimate = dataSize / 4;
    } else if (sampleRate > LowRateLimit) {
        estimate = dataSize / 2;
    } else {
        texts.convertShown = false;
        return texts;
    }
    double count = estimate;
    const int extra = CountExtraLocations(count, capacity);
    texts.convert = extra > 0
        ? QStringLiteral("This file can be converted to fit into ") + QString::number(extra + 1)
            + QStringLiteral(" memory locations")
        : QStringLiteral("This file can be converted to fit into 1 memory location");
    return texts;
}

void chooseDownSample(modDeclarations &declarations)
{
    double count = declarations.DataSize / 2.0;
    const int extra = CountExtraLocations(count, declarations.LocationCapacity);
    ++declarations.ReduceSteps;
    if (!HalveSampleRate(declarations)) {
        declarations.OverflowChoice = QStringLiteral("Cancel");
        return;
    }
    declarations.OverflowChoice = extra > 0 ? QStringLiteral("Proceed") : QStringLiteral("Convert");
}

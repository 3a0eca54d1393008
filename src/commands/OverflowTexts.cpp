#include "commands/OverflowTexts.h"

#include "protocol/UploadPlan.h"
#include "settings/Declarations.h"

OverflowTexts overflowTexts(qint32 dataSize, qint32 sampleRate, int selected, qint32 capacity)
{
    OverflowTexts texts;
    const OverflowOffer offer = overflowOffer(dataSize, sampleRate, selected, capacity);
    texts.proceedShown = offer.proceedLocations.has_value();
    if (texts.proceedShown)
        texts.description = QStringLiteral("This wave file is large and will fill ")
            + QString::number(*offer.proceedLocations) + QStringLiteral(" memory locations");
    texts.convertShown = offer.downSampleLocations.has_value();
    if (!texts.convertShown)
        return texts;
    texts.convert = *offer.downSampleLocations > 1
        ? QStringLiteral("This file can be converted to fit into ")
            + QString::number(*offer.downSampleLocations) + QStringLiteral(" memory locations")
        : QStringLiteral("This file can be converted to fit into 1 memory location");
    return texts;
}

void chooseDownSample(modDeclarations &declarations)
{
    switch (downSample(declarations)) {
    case Placement::SeveralLocations:
        declarations.OverflowChoice = QStringLiteral("Proceed");
        return;
    case Placement::OneLocation:
        declarations.OverflowChoice = QStringLiteral("Convert");
        return;
    case Placement::Nothing:
        declarations.OverflowChoice = QStringLiteral("Cancel");
        return;
    }
}

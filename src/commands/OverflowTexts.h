#pragma once

#include <QString>

struct modDeclarations;

// What the overflow dialog shows for a message of dataSize bytes at sampleRate Hz that is to
// start at location `selected` (0 to 7).
struct OverflowTexts {
    bool proceedShown = true; // cmdProceed with lblDescription
    QString description;
    bool convertShown = true; // cmdConvert with lblConvert
    QString convert;
};

OverflowTexts overflowTexts(qint32 dataSize, qint32 sampleRate, int selected, qint32 capacity);

// The Down Sample button: one more halving, and "Proceed" when the halved message still needs
// several locations, "Convert" when it fits one. Answers "Cancel" when the halving overflows.
void chooseDownSample(modDeclarations &declarations);

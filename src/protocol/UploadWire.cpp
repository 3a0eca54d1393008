#include "protocol/UploadWire.h"

#include <QRandomGenerator>

#include <cmath>

quint8 SampleSkip(int reduceSteps, int bitsPerSample, int channelCount)
{
    const int ch = channelCount;
    int skip = 0;
    if (bitsPerSample == 8) {
        switch (reduceSteps) {
        case 0:
            skip = ch - 1;
            break;
        case 1:
            skip = ch * 2 - 1;
            break;
        case 2:
            skip = ch * 4 - 1;
            break;
        default:
            break;
        }
    } else if (bitsPerSample == 16) {
        switch (reduceSteps) {
        case 0:
            skip = (ch - 1) * 2;
            break;
        case 1:
            skip = ch * 4 - 2;
            break;
        case 2:
            skip = (ch * 4 - 1) * 2;
            break;
        default:
            break;
        }
    }
    return static_cast<quint8>(qBound(0, skip, 255));
}

SampleWord convertSample8(quint8 sample, QRandomGenerator &random)
{
    const double r = random.generateDouble(); // [0, 1)
    return SampleWord { sample, static_cast<quint8>(std::floor(r * 255 + 1)) };
}

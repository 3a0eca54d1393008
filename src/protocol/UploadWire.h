#pragma once

#include <QByteArray>

class QRandomGenerator;

// The bytes of an upload on the line: the sample words and the block sizes.

inline constexpr int FirstBlockBytes = 224;
inline constexpr int FullBlockBytes = 256;

// File bytes to pass over after each sample read, so that the next read is the first
// channel's sample 2^reduceSteps frames on. 0 for any combination outside the table.
quint8 SampleSkip(int reduceSteps, int bitsPerSample, int channelCount);

struct SampleWord {
    quint8 high = 0;
    quint8 low = 0;
};

// A 16-bit sample as it stands in the file (low byte first) to the unit's offset binary.
inline SampleWord convertSample16(quint8 low, quint8 high)
{
    return SampleWord { static_cast<quint8>(high ^ 0x80), low };
}
// An 8-bit sample is already unsigned; the low byte is noise from 1 to 255 (never 0).
SampleWord convertSample8(quint8 sample, QRandomGenerator &random);


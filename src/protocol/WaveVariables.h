#pragma once

#include "protocol/UnitConstants.h"

#include <QString>

#include <array>

// The wave file of an upload as its header describes it, and the sizes derived from it. The
// Update command and tavixctl fill them, the size rules halve them, the transfer reads them;
// every byte copy agrees with its value when the transfer starts.
struct WaveVariables {
    // Bytes per memory location that the size rules work against; every main window load sets it.
    qint32 LocationCapacity = LocationBytes;

    QString WavePath;
    // The fmt chunk's size plus every chunk walked between it and the data chunk; the first
    // sample byte lies FmtChunkLength + 28 bytes into the file (DataOffset).
    qint32 FmtChunkLength = 0;
    quint8 ChannelCount = 0;
    quint8 BitsPerSample = 0;
    qint32 SampleRate = 0;
    std::array<quint8, 4> SampleRateBytes{};  // SampleRateByte0 to 3, least significant first
    // Bytes the unit receives: two for every frame sent (only the first channel is sent).
    qint32 DataSize = 0;
    std::array<quint8, 4> DataSizeBytes{};  // DataSizeByte0 to 3, least significant first
    quint8 ExtraLocations = 0;
    // Halvings of the sample rate in this upload, 0 to 2: one frame in 2^ReduceSteps is sent.
    quint8 ReduceSteps = 0;
    // Where the first sample byte lies in the file, and how many sample bytes the data chunk
    // declares; what lies past either end is sent as silence.
    qint64 DataOffset = 0;
    qint64 DataChunkSize = 0;
};

#pragma once

#include <QString>

#include <array>

class QIODevice;

// What the header of a wave file says about its samples.
struct WaveHeader {
    // The fmt chunk's size field plus every chunk (header, body and pad byte) between the fmt
    // chunk and the data chunk; the first sample byte lies this many bytes plus 28 into the file.
    qint32 fmtChunkLength = 0;
    quint8 channelCount = 0;
    quint8 bitsPerSample = 0;
    qint32 sampleRate = 0;
    std::array<quint8, 4> sampleRateBytes {}; // as they stand in the file
    // The data chunk's size field, which a truncated file does not keep.
    qint32 dataChunkSize = 0;
    qint64 dataOffset = 0;
};

struct WaveHeaderReading {
    enum class Outcome {
        Accepted,
        Refused, // a check failed: `message` is the text to show
        Broken, // a value that does not fit its variable: the command's general failure path
    };
    Outcome outcome = Outcome::Broken;
    QString message;
    WaveHeader header;
};

// Reads and checks a wave header from the start of `file`, in the order the fields stand in
// it, so the first check that fails is the one the user hears about; a file that ends inside
// its header is refused as damaged or cut short, whichever field the end falls in. Chunks
// between the fmt and the data chunk are walked by their size fields, each padded to an even
// length.
WaveHeaderReading readWaveHeader(QIODevice &file);

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Builds RIFF/WAVE files the way common tools write them, for the sample files we ship, for
// tests, and for writing a simulated unit's stored audio back out.
struct WaveFile {
    struct Chunk {
        QByteArray id;    // four characters
        QByteArray body;  // padded to an even length when written
    };

    quint16 formatTag = 1;  // 1 plain PCM; 0xFFFE extensible
    quint16 channels = 1;
    quint32 sampleRate = 8000;
    quint16 bitsPerSample = 16;
    // With format tag 0xFFFE: the sub-format's first two bytes (1 for PCM, 3 for float).
    quint16 subFormat = 1;
    // Bytes added to the fmt chunk beyond what its format needs (an 18-byte fmt chunk has 2).
    QByteArray fmtExtra;
    // Chunks between the fmt and the data chunk (fact, LIST, ...).
    QList<Chunk> chunksBeforeData;
    // Chunks before the fmt chunk.
    QList<Chunk> chunksBeforeFmt;
    // The sample bytes as they stand in the file.
    QByteArray data;
    // A data size field other than the real size (a truncated file declares more than it holds).
    std::optional<quint32> declaredDataSize;

    // A 16-bit mono file holding what a unit stored: words of offset binary, high byte first.
    static WaveFile fromUnitAudio(const QByteArray &words, quint32 sampleRate);

    QByteArray bytes() const;
    bool write(const QString &path) const;
};

#pragma once

#include "protocol/SampleSource.h"
#include "protocol/UploadWire.h"

#include <QIODevice>

#include <memory>

class QRandomGenerator;

// Reads the first channel's sample of every frame that is sent, through a small window on the
// file, so memory stays the same whatever the file's length. Bytes past the end of the data
// chunk or of the file read as silence. The file is read through soundFileDevice: a wave file
// as it stands, any other sound file decoded to a mono 16-bit data chunk at offset 0.
class SampleReader : public SampleSource {
public:
    struct Format {
        qint64 dataOffset = 0; // first sample byte in the file
        qint64 dataChunkSize = 0; // as the data chunk declares it
        int bitsPerSample = 16;
        int sampleSkip = 0; // bytes passed over after each sample
    };

    SampleReader(const QString &path, const Format &format, QRandomGenerator &random);

    // False when the file cannot be opened.
    bool open() override;
    void close() override { m_file->close(); }
    // False once a read of the file failed (a file that is only short is not a failure).
    bool healthy() const override { return m_healthy; }

    // Appends the words of the next `words` frames, high byte first.
    void appendWords(QByteArray &out, int words) override;

private:
    quint8 byteAt(qint64 position);
    bool fill(qint64 position);

    std::unique_ptr<QIODevice> m_file;
    Format m_format;
    QRandomGenerator &m_random;
    qint64 m_end = 0; // data bytes that the file really holds, from the first sample byte
    qint64 m_position = 0; // from the first sample byte
    QByteArray m_window;
    qint64 m_windowStart = 0;
    bool m_healthy = true;
};

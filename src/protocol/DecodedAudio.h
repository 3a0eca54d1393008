#pragma once

#include "protocol/WaveHeader.h"

#include <QFile>
#include <QIODevice>
#include <QString>

#include <vector>

struct sf_private_tag; // libsndfile's SNDFILE

// A sound file of any kind libsndfile reads (FLAC, Ogg Vorbis, Opus, MP3, AIFF, ...), recognised
// by its content whatever its name, shown as the bytes of a mono 16-bit wave file's data chunk:
// the first channel, one little-endian signed word per frame, at the file's own sample rate.
//
// open() decodes the whole file once before anything is delivered: that pass counts the frames
// (the size announced to the unit must equal the frames sent, and an MP3 without a length
// header only gives a guess) and finds damage before anything is erased or sent. Reading then
// decodes again, a fixed number of frames at a time, so memory stays the same however long the
// file is. Reading forward, or seeking forward, costs one decode of what lies between; seeking
// back starts the decoding over from the beginning.
class DecodedAudio : public QIODevice {
    Q_OBJECT
public:
    enum class Problem {
        None,
        CannotOpen, // the file itself cannot be opened or read
        NotSound, // libsndfile recognises no sound file kind in it
        Damaged, // recognised, but it cannot be decoded to its end
    };
    Q_ENUM(Problem)

    explicit DecodedAudio(const QString &path, QObject *parent = nullptr);
    ~DecodedAudio() override;

    // Read-only only. False with problem() and errorString() set when the file cannot be
    // decoded to its end.
    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return false; }
    // Bytes of 16-bit samples: frames() * 2.
    qint64 size() const override { return m_frames * 2; }
    bool seek(qint64 position) override;

    Problem problem() const { return m_problem; }
    int sampleRate() const { return m_sampleRate; }
    // Channels in the file; only the first is delivered.
    int fileChannels() const { return m_fileChannels; }
    // Frames counted by decoding, not as the file's header claims them.
    qint64 frames() const { return m_frames; }

    // What the header of a mono 16-bit wave file holding these samples would say, its data
    // starting at offset 0 of this device. Refused, with errorString(), when the device is
    // not open; Broken when the data size does not fit a wave header's 32-bit field, as for a
    // wave file that large.
    WaveHeaderReading waveHeader() const;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    bool openSound();
    void closeSound();
    bool countFrames();
    bool decodeChunkAt(qint64 frame);
    bool fail(Problem problem, const QString &reason);

    QFile m_file;
    sf_private_tag *m_sound = nullptr;
    Problem m_problem = Problem::None;
    int m_sampleRate = 0;
    int m_fileChannels = 0;
    qint64 m_frames = 0;
    qint64 m_position = 0; // byte position in the delivered samples
    qint64 m_nextFrame = 0; // the frame the decoder gives next
    // The frames decoded last: the first channel, converted.
    std::vector<qint16> m_chunk;
    qint64 m_chunkStart = 0;
    qint64 m_chunkFrames = 0;
    std::vector<float> m_decoded; // interleaved, as libsndfile gives them
};

// A decoded sample (nominally -1.0 to 1.0) to 16 bits: times 32768, rounded to the nearest
// integer with halves to the even neighbour, held to -32768..32767; not a number gives 0.
// 32768 is the factor libsndfile divides 16-bit samples by, so a 16-bit FLAC or AIFF file comes
// back word for word; lossy decoders overshoot full scale, which must clip, not wrap around.
qint16 toSample16(float sample);

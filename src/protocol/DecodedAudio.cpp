#include "protocol/DecodedAudio.h"

#include <QtEndian>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// Floats decoded per call, all channels together: 64 kB, whatever the file's length.
constexpr qint64 DecodeSamples = 16384;

// libsndfile reads the file through these, so that a path is opened the way Qt opens it on
// every system, and so that the end of the file can be hidden from the MP3 decoder: for an MP3
// without a length header it guesses the length from the file's size and bit rate, and
// libsndfile never reads past the length it was given, so a guess too short would cut the
// sound off. With the seek to the end refused the length stays unknown (or exact, from the
// length header), and decoding runs to the true end. No other decoder asks for that seek;
// they take the length from sf_get_filelen.
sf_count_t fileLength(void *file)
{
    return static_cast<QFile *>(file)->size();
}

sf_count_t fileSeek(sf_count_t offset, int whence, void *user)
{
    QFile *file = static_cast<QFile *>(user);
    qint64 target = 0;
    if (whence == SEEK_SET)
        target = offset;
    else if (whence == SEEK_CUR)
        target = file->pos() + offset;
    else
        return -1;
    if (target < 0 || !file->seek(target))
        return -1;
    return file->pos();
}

sf_count_t fileRead(void *data, sf_count_t count, void *file)
{
    const qint64 read = static_cast<QFile *>(file)->read(static_cast<char *>(data), count);
    return read < 0 ? 0 : read;
}

sf_count_t fileWrite(const void *, sf_count_t, void *)
{
    return 0;
}

sf_count_t fileTell(void *file)
{
    return static_cast<QFile *>(file)->pos();
}

SF_VIRTUAL_IO fileAccess { fileLength, fileSeek, fileRead, fileWrite, fileTell };

// libsndfile's own words, without the "Error : " some of them start with.
QString libraryText(const char *text)
{
    QString reason = QString::fromUtf8(text).trimmed();
    const QString prefix = QStringLiteral("Error : ");
    if (reason.startsWith(prefix))
        reason.remove(0, prefix.size());
    return reason;
}

} // namespace

qint16 toSample16(float sample)
{
    if (std::isnan(sample))
        return 0;
    const double scaled = std::clamp(static_cast<double>(sample) * 32768.0, -32768.0, 32767.0);
    return static_cast<qint16>(std::nearbyint(scaled));
}

DecodedAudio::DecodedAudio(const QString &path, QObject *parent)
    : QIODevice(parent)
    , m_file(path)
{
}

DecodedAudio::~DecodedAudio()
{
    closeSound();
}

bool DecodedAudio::fail(Problem problem, const QString &reason)
{
    m_problem = problem;
    setErrorString(reason);
    return false;
}

bool DecodedAudio::openSound()
{
    closeSound();
    m_nextFrame = 0;
    m_chunkStart = 0;
    m_chunkFrames = 0;
    if (!m_file.seek(0))
        return fail(Problem::CannotOpen,
            QStringLiteral("The file cannot be read: ") + m_file.errorString());
    SF_INFO info {};
    m_sound = sf_open_virtual(&fileAccess, SFM_READ, &info, &m_file);
    if (!m_sound) {
        const int code = sf_error(nullptr);
        if (code == SF_ERR_UNRECOGNISED_FORMAT)
            return fail(Problem::NotSound,
                QStringLiteral("The file is not a sound file of a kind the program reads."));
        if (code == SF_ERR_UNSUPPORTED_ENCODING)
            return fail(Problem::NotSound,
                QStringLiteral("The file holds sound in an encoding the program does not read."));
        if (code == SF_ERR_SYSTEM)
            return fail(Problem::CannotOpen,
                QStringLiteral("The file cannot be read: ") + m_file.errorString());
        return fail(Problem::Damaged,
            QStringLiteral("The file cannot be decoded: ") + libraryText(sf_error_number(code)));
    }
    if (info.channels < 1 || info.samplerate < 1)
        return fail(
            Problem::Damaged, QStringLiteral("The file gives no channels or no sample rate."));
    m_sampleRate = info.samplerate;
    m_fileChannels = info.channels;
    const qint64 chunkFrames = std::max<qint64>(1, DecodeSamples / info.channels);
    m_decoded.resize(static_cast<size_t>(chunkFrames * info.channels));
    m_chunk.resize(static_cast<size_t>(chunkFrames));
    return true;
}

void DecodedAudio::closeSound()
{
    if (m_sound)
        sf_close(m_sound);
    m_sound = nullptr;
}

bool DecodedAudio::countFrames()
{
    SF_INFO info {};
    sf_command(m_sound, SFC_GET_CURRENT_SF_INFO, &info, sizeof info);
    const qint64 chunkFrames = static_cast<qint64>(m_chunk.size());
    qint64 counted = 0;
    for (;;) {
        const sf_count_t read = sf_readf_float(m_sound, m_decoded.data(), chunkFrames);
        if (read <= 0)
            break;
        counted += read;
    }
    if (sf_error(m_sound) != SF_ERR_NO_ERROR)
        return fail(Problem::Damaged,
            QStringLiteral("The file is damaged: ") + libraryText(sf_strerror(m_sound)));
    // SF_COUNT_MAX stands for a length libsndfile does not know. Only an MPEG stream may lack
    // one; an Ogg file whose last page cannot be found has lost its end, and its decoder then
    // stops at some earlier page without an error.
    const bool lengthKnown = info.frames != SF_COUNT_MAX;
    if (lengthKnown && counted < info.frames)
        return fail(Problem::Damaged,
            QStringLiteral(
                "The file is damaged: its sound ends before the length its header gives."));
    if (!lengthKnown && (info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_MPEG)
        return fail(Problem::Damaged, QStringLiteral("The file is damaged: its end is missing."));
    m_frames = counted;
    return true;
}

bool DecodedAudio::open(OpenMode mode)
{
    if (isOpen() || (mode & ReadWrite) != ReadOnly)
        return fail(
            Problem::CannotOpen, QStringLiteral("A sound file is opened once, for reading only."));
    m_problem = Problem::None;
    m_frames = 0;
    if (!m_file.open(QIODevice::ReadOnly))
        return fail(Problem::CannotOpen,
            QStringLiteral("The file cannot be opened: ") + m_file.errorString());
    // The second opening starts the decoder over: the MP3 decoder cannot seek back in a
    // stream of unknown length.
    if (!openSound() || !countFrames() || !openSound()) {
        closeSound();
        m_file.close();
        return false;
    }
    m_position = 0;
    // Unbuffered: the decoded chunk is the only buffer, and positions stay this class's own.
    return QIODevice::open(ReadOnly | Unbuffered);
}

void DecodedAudio::close()
{
    QIODevice::close();
    closeSound();
    m_file.close();
    m_position = 0;
}

bool DecodedAudio::seek(qint64 position)
{
    if (position < 0 || position > size() || !QIODevice::seek(position))
        return false;
    m_position = position;
    return true;
}

bool DecodedAudio::decodeChunkAt(qint64 frame)
{
    if (frame < m_nextFrame && !openSound())
        return false;
    const qint64 chunkFrames = static_cast<qint64>(m_chunk.size());
    do {
        const sf_count_t read = sf_readf_float(m_sound, m_decoded.data(), chunkFrames);
        if (read <= 0) {
            // The first pass decoded this far; the file changed since, or failed to be read.
            m_problem = Problem::Damaged;
            setErrorString(sf_error(m_sound) != SF_ERR_NO_ERROR
                    ? QStringLiteral("The file is damaged: ") + libraryText(sf_strerror(m_sound))
                    : QStringLiteral("The file ended early: it changed after it was opened."));
            return false;
        }
        for (sf_count_t i = 0; i < read; ++i)
            m_chunk[static_cast<size_t>(i)]
                = toSample16(m_decoded[static_cast<size_t>(i * m_fileChannels)]);
        m_chunkStart = m_nextFrame;
        m_chunkFrames = read;
        m_nextFrame += read;
    } while (frame >= m_nextFrame);
    return true;
}

qint64 DecodedAudio::readData(char *data, qint64 maxSize)
{
    qint64 done = 0;
    while (done < maxSize && m_position < size()) {
        const qint64 frame = m_position / 2;
        if ((frame < m_chunkStart || frame >= m_chunkStart + m_chunkFrames)
            && !decodeChunkAt(frame))
            return done > 0 ? done : -1;
        const qint64 end = m_position
            + std::min(maxSize - done, (m_chunkStart + m_chunkFrames) * 2 - m_position);
        while (m_position < end) {
            const auto word
                = static_cast<quint16>(m_chunk[static_cast<size_t>(m_position / 2 - m_chunkStart)]);
            if (m_position % 2 == 0 && m_position + 1 < end) {
                qToLittleEndian(word, data + done);
                done += 2;
                m_position += 2;
            } else {
                // A read that starts or ends inside a word.
                data[done++] = static_cast<char>(m_position % 2 == 0 ? word & 0xFF : word >> 8);
                ++m_position;
            }
        }
    }
    return done;
}

qint64 DecodedAudio::writeData(const char *, qint64)
{
    return -1;
}

WaveHeaderReading DecodedAudio::waveHeader() const
{
    WaveHeaderReading reading;
    if (!isOpen()) {
        reading.outcome = WaveHeaderReading::Outcome::Refused;
        reading.message = errorString();
        return reading;
    }
    if (size() > std::numeric_limits<qint32>::max())
        return reading; // Broken, as the wave reader finds a data chunk that large
    WaveHeader &header = reading.header;
    header.fmtChunkLength = 16; // a plain fmt chunk's; the samples start at offset 0 here
    header.channelCount = 1;
    header.bitsPerSample = 16;
    header.sampleRate = m_sampleRate;
    for (int i = 0; i < 4; ++i)
        header.sampleRateBytes[static_cast<size_t>(i)]
            = static_cast<quint8>(m_sampleRate >> (8 * i));
    header.dataChunkSize = static_cast<qint32>(size());
    header.dataOffset = 0;
    reading.outcome = WaveHeaderReading::Outcome::Accepted;
    return reading;
}

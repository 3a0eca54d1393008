#include "protocol/SampleReader.h"

#include "protocol/SoundFile.h"

namespace {
// Large enough that the file is read in a few hundred calls per MiB, small enough not to matter.
constexpr qint64 WindowBytes = 64 * 1024;
} // namespace

SampleReader::SampleReader(const QString &path, const Format &format, QRandomGenerator &random)
    : m_file(soundFileDevice(path))
    , m_format(format)
    , m_random(random)
{
}

bool SampleReader::open()
{
    if (!m_file->open(QIODevice::ReadOnly))
        return false;
    const qint64 inFile = qMax<qint64>(0, m_file->size() - m_format.dataOffset);
    m_end = qMin(inFile, qMax<qint64>(0, m_format.dataChunkSize));
    m_position = 0;
    m_window.clear();
    m_windowStart = 0;
    return true;
}

bool SampleReader::fill(qint64 position)
{
    m_windowStart = position;
    m_window.clear();
    if (!m_file->seek(m_format.dataOffset + position)) {
        m_healthy = false;
        return false;
    }
    m_window = m_file->read(qMin(WindowBytes, m_end - position));
    if (m_window.isEmpty()) {
        m_healthy = false;
        return false;
    }
    return true;
}

quint8 SampleReader::byteAt(qint64 position)
{
    if (position >= m_end) {
        // Silence: offset binary's middle for 8-bit samples, zero for 16-bit ones.
        return m_format.bitsPerSample == 8 ? 0x80 : 0x00;
    }
    if (position < m_windowStart || position >= m_windowStart + m_window.size()) {
        if (!fill(position))
            return m_format.bitsPerSample == 8 ? 0x80 : 0x00;
    }
    return static_cast<quint8>(m_window.at(static_cast<qsizetype>(position - m_windowStart)));
}

void SampleReader::appendWords(QByteArray &out, int words)
{
    const int sampleBytes = m_format.bitsPerSample == 8 ? 1 : 2;
    const qint64 step = sampleBytes + m_format.sampleSkip;
    for (int i = 0; i < words; ++i) {
        SampleWord word;
        if (sampleBytes == 1) {
            word = convertSample8(byteAt(m_position), m_random);
        } else {
            const quint8 low = byteAt(m_position);
            const quint8 high = byteAt(m_position + 1);
            word = convertSample16(low, high);
        }
        out += static_cast<char>(word.high);
        out += static_cast<char>(word.low);
        m_position += step;
    }
}

#include "protocol/WaveHeader.h"

#include <QIODevice>

#include <limits>

namespace {

// The sub-format of an extensible fmt chunk that marks plain integer samples.
const QByteArray PcmSubFormat = QByteArray::fromHex("0100000000001000800000aa00389b71");

constexpr quint16 PlainFormat = 1;
constexpr quint16 ExtensibleFormat = 0xFFFE;
// Extension size, valid bits, channel mask and the 16-byte sub-format.
constexpr qint64 ExtensionBytes = 24;

// Reads in sequence; past the end of the file every byte is zero, and ranShort() says so, so
// that a file cut short is told apart from one whose fields are wrong.
class HeaderStream {
public:
    explicit HeaderStream(QIODevice &file)
        : m_file(file)
    {
    }

    QByteArray bytes(qint64 count)
    {
        QByteArray read = m_file.read(count);
        if (read.size() < count) {
            m_short = true;
            read.append(static_cast<qsizetype>(count - read.size()), '\0');
        }
        m_position += count;
        return read;
    }
    quint32 number(int count)
    {
        const QByteArray read = bytes(count);
        quint32 value = 0;
        for (int i = count - 1; i >= 0; --i)
            value = value * 256 + static_cast<quint8>(read[i]);
        return value;
    }
    // Moves on without keeping what it passes; false when the file ends first.
    bool skip(qint64 count)
    {
        if (count <= 0)
            return !m_short;
        const qint64 skipped = m_file.skip(count);
        m_position += count;
        if (skipped < count)
            m_short = true;
        return !m_short;
    }
    // True once a read or skip ran past the end of the file.
    bool ranShort() const { return m_short; }
    bool atEnd() const { return m_file.atEnd(); }
    qint64 position() const { return m_position; }

private:
    QIODevice &m_file;
    qint64 m_position = 0;
    bool m_short = false;
};

constexpr const char *CutShort = "File is damaged or cut short!";

WaveHeaderReading refusedAs(const char *message)
{
    WaveHeaderReading reading;
    reading.outcome = WaveHeaderReading::Outcome::Refused;
    reading.message = QString::fromLatin1(message);
    return reading;
}

} // namespace

WaveHeaderReading readWaveHeader(QIODevice &file)
{
    HeaderStream in(file);
    WaveHeader header;
    // A file that ends inside its header fails whichever check meets the missing bytes; that
    // check's own text would blame a field the file never had.
    const auto refused
        = [&in](const char *message) { return refusedAs(in.ranShort() ? CutShort : message); };
    const auto broken
        = [&in] { return in.ranShort() ? refusedAs(CutShort) : WaveHeaderReading {}; };

    if (in.bytes(4) != "RIFF")
        return refused("Not a RIFF File");
    in.number(4);
    if (in.bytes(4) != "WAVE")
        return refused("Not a WAVE File");
    if (in.bytes(4) != "fmt ")
        return refused("Not an fmt file!");

    const quint32 fmtSize = in.number(4);
    if (fmtSize > static_cast<quint32>(std::numeric_limits<qint16>::max()))
        return broken();

    const quint16 formatTag = static_cast<quint16>(in.number(2));
    if (formatTag != PlainFormat && formatTag != ExtensibleFormat)
        return refused("Audio Format = Compressed!");

    // The whole field counts: a count of 257 must not pass for 1 by its low byte.
    const quint32 channels = in.number(2);
    if (channels < 1 || channels > 8)
        return refused("Audio File has bad channel amount1");
    header.channelCount = static_cast<quint8>(channels);

    const QByteArray rate = in.bytes(4);
    for (int i = 0; i < 4; ++i)
        header.sampleRateBytes[static_cast<size_t>(i)] = static_cast<quint8>(rate[i]);
    const quint32 sampleRate = static_cast<quint32>(header.sampleRateBytes[0])
        | static_cast<quint32>(header.sampleRateBytes[1]) << 8
        | static_cast<quint32>(header.sampleRateBytes[2]) << 16
        | static_cast<quint32>(header.sampleRateBytes[3]) << 24;
    if (sampleRate > static_cast<quint32>(std::numeric_limits<qint32>::max()))
        return broken();
    header.sampleRate = static_cast<qint32>(sampleRate);
    // The unit would store it and never play it.
    if (sampleRate == 0)
        return refused("Audio File has a sample rate of 0 Hz!");

    in.number(4); // byte rate
    in.number(2); // block align
    const quint32 bits = in.number(2);
    if (bits != 8 && bits != 16)
        return refused("Not a 16 or 8 bit sample!");
    header.bitsPerSample = static_cast<quint8>(bits);

    // The fields above are the 16 bytes every fmt chunk holds; a shorter one is not an fmt
    // chunk we can place the data chunk after.
    if (fmtSize < 16)
        return refused("Not an fmt file!");
    qint64 fmtRest = static_cast<qint64>(fmtSize) - 16;
    if (formatTag == ExtensibleFormat) {
        if (fmtRest < ExtensionBytes)
            return refused("Audio Format = Compressed!");
        const QByteArray extension = in.bytes(ExtensionBytes);
        if (extension.mid(8) != PcmSubFormat)
            return refused("Audio Format = Compressed!");
        fmtRest -= ExtensionBytes;
    }
    in.skip(fmtRest + (fmtSize % 2));

    qint64 walked = static_cast<qint64>(fmtSize) + (fmtSize % 2);
    for (;;) {
        // The file ends where a chunk could begin: whole, but without a data chunk.
        if (!in.ranShort() && in.atEnd())
            return refused("No audio data in this file!");
        const QByteArray id = in.bytes(4);
        const quint32 size = in.number(4);
        if (in.ranShort())
            return refusedAs(CutShort);
        if (id == "data") {
            if (size > static_cast<quint32>(std::numeric_limits<qint32>::max()))
                return broken();
            // Not one whole frame: nothing the unit could play, and the transfer would send
            // its shortest message of silence instead.
            const auto frameBytes = static_cast<quint32>(header.channelCount)
                * static_cast<quint32>(header.bitsPerSample / 8);
            if (size < frameBytes)
                return refused("No audio data in this file!");
            header.dataChunkSize = static_cast<qint32>(size);
            break;
        }
        const qint64 padded = static_cast<qint64>(size) + (size % 2);
        if (!in.skip(padded))
            return refusedAs(CutShort);
        walked += 8 + padded;
    }
    if (walked > std::numeric_limits<qint32>::max())
        return broken();
    header.fmtChunkLength = static_cast<qint32>(walked);
    header.dataOffset = in.position();

    WaveHeaderReading reading;
    reading.outcome = WaveHeaderReading::Outcome::Accepted;
    reading.header = header;
    return reading;
}

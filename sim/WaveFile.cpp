#include "WaveFile.h"

#include <QFile>
#include <QtEndian>

namespace {

void put16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void putChunk(QByteArray &out, const QByteArray &id, const QByteArray &body)
{
    out += id.left(4);
    put32(out, static_cast<quint32>(body.size()));
    out += body;
    if (body.size() % 2 != 0)
        out += '\0';
}

}  // namespace

WaveFile WaveFile::fromUnitAudio(const QByteArray &words, quint32 sampleRate)
{
    WaveFile wave;
    wave.sampleRate = sampleRate;
    wave.data.reserve(words.size());
    for (qsizetype i = 0; i + 1 < words.size(); i += 2) {
        wave.data += words.at(i + 1);
        wave.data += static_cast<char>(static_cast<quint8>(words.at(i)) ^ 0x80);
    }
    return wave;
}

QByteArray WaveFile::bytes() const
{
    QByteArray fmt;
    put16(fmt, formatTag);
    put16(fmt, channels);
    put32(fmt, sampleRate);
    const quint16 blockAlign = static_cast<quint16>(channels * ((bitsPerSample + 7) / 8));
    put32(fmt, sampleRate * blockAlign);
    put16(fmt, blockAlign);
    put16(fmt, bitsPerSample);
    if (formatTag == 0xFFFE) {
        put16(fmt, 22);              // size of the extension
        put16(fmt, bitsPerSample);   // valid bits
        put32(fmt, 0);               // channel mask
        put16(fmt, subFormat);       // the sub-format GUID: its first two bytes, then the rest
        fmt += QByteArray::fromHex("000000001000800000aa00389b71");
    }
    fmt += fmtExtra;

    QByteArray body = QByteArrayLiteral("WAVE");
    for (const Chunk &chunk : chunksBeforeFmt)
        putChunk(body, chunk.id, chunk.body);
    putChunk(body, QByteArrayLiteral("fmt "), fmt);
    for (const Chunk &chunk : chunksBeforeData)
        putChunk(body, chunk.id, chunk.body);
    body += QByteArrayLiteral("data");
    put32(body, declaredDataSize.value_or(static_cast<quint32>(data.size())));
    body += data;
    if (data.size() % 2 != 0 && !declaredDataSize)
        body += '\0';

    QByteArray out = QByteArrayLiteral("RIFF");
    put32(out, static_cast<quint32>(body.size()));
    return out + body;
}

bool WaveFile::write(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray all = bytes();
    return file.write(all) == all.size() && file.flush();
}

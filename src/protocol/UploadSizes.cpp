#include "protocol/UploadSizes.h"

#include "protocol/WaveVariables.h"

std::optional<QString> GetName(const QString &wavePath)
{
    const qsizetype extension = wavePath.indexOf(QStringLiteral(".wav"));
    if (extension < 0)
        return std::nullopt;
    QString name = wavePath.left(extension);
    // Both separators: a path may come from either kind of system.
    const qsizetype separator
        = qMax(name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char('/')));
    if (separator >= 0)
        name = name.mid(separator + 1);
    constexpr qsizetype NameLength = 16;
    if (name.size() > NameLength)
        return name.left(NameLength);
    return name.leftJustified(NameLength, QLatin1Char(' '));
}

int CountExtraLocations(double &count, qint32 capacity)
{
    count += MessageOverhead;
    if (count <= capacity || capacity <= 0)
        return 0;
    int extra = -1;
    while (count > 0) {
        count -= capacity;
        ++extra;
    }
    return extra;
}

qint64 deriveDataSize(qint64 dataChunkSize, int channelCount, int bitsPerSample)
{
    const qint64 frameBytes = static_cast<qint64>(channelCount) * (bitsPerSample / 8);
    if (frameBytes <= 0 || dataChunkSize <= 0)
        return 0;
    return dataChunkSize / frameBytes * 2;
}

std::array<quint8, 4> littleEndianBytes(qint32 value)
{
    const auto bits = static_cast<quint32>(value);
    return { static_cast<quint8>(bits), static_cast<quint8>(bits >> 8),
        static_cast<quint8>(bits >> 16), static_cast<quint8>(bits >> 24) };
}

void setDataSize(WaveVariables &wave, qint32 dataSize)
{
    wave.DataSize = dataSize;
    wave.DataSizeBytes = littleEndianBytes(dataSize);
}

bool HalveSampleRate(WaveVariables &wave)
{
    wave.SampleRate /= 2;
    const qint32 words = wave.DataSize / 2;
    setDataSize(wave, words / 2 * 2);
    double count = wave.DataSize;
    const int extra = CountExtraLocations(count, wave.LocationCapacity);
    if (extra > 255)
        return false;
    wave.ExtraLocations = static_cast<quint8>(extra);
    wave.SampleRateBytes = littleEndianBytes(wave.SampleRate);
    return true;
}

bool ReduceHeader(WaveVariables &wave)
{
    for (int k = 1; k <= wave.ReduceSteps; ++k)
        if (!HalveSampleRate(wave))
            return false;
    return true;
}

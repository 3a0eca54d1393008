#include "protocol/UploadSizes.h"

#include "protocol/WaveVariables.h"

#include <QList>

std::optional<QString> GetName(const QString &wavePath)
{
    // The file's own name only: a folder may carry ".wav" in its name too. Both separators: a
    // path may come from either kind of system.
    const qsizetype separator
        = qMax(wavePath.lastIndexOf(QLatin1Char('\\')), wavePath.lastIndexOf(QLatin1Char('/')));
    const QString fileName = wavePath.mid(separator + 1);
    const qsizetype extension
        = fileName.lastIndexOf(QLatin1String(".wav"), -1, Qt::CaseInsensitive);
    if (extension < 0)
        return std::nullopt;
    return unitName(fileName.left(extension));
}

namespace {

bool storedAsIs(char32_t character)
{
    return (character >= 0x20 && character < 0x7F) || (character >= 0xA0 && character <= 0xFF);
}

} // namespace

QString unitName(const QString &name)
{
    constexpr qsizetype NameLength = 16;
    const QChar replacement = QLatin1Char('_');
    QString stored;
    // Composed first, so that a letter written as base plus combining mark is the one Latin-1
    // letter it stands for.
    const QString composed = name.normalized(QString::NormalizationForm_C);
    for (const char32_t character : composed.toUcs4()) {
        if (character <= 0xFF) {
            stored += storedAsIs(character) ? QChar(static_cast<char16_t>(character)) : replacement;
            continue;
        }
        const QString parts
            = QString::fromUcs4(&character, 1).normalized(QString::NormalizationForm_KD);
        for (const char32_t part : parts.toUcs4()) {
            if (QChar::isMark(part))
                continue;
            stored += storedAsIs(part) ? QChar(static_cast<char16_t>(part)) : replacement;
        }
    }
    if (stored.size() > NameLength)
        return stored.left(NameLength);
    return stored.leftJustified(NameLength, QLatin1Char(' '));
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

#include "upload/UploadSizes.h"

#include "app/Declarations.h"

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

void setDataSize(modDeclarations &declarations, qint32 dataSize)
{
    declarations.DataSize = dataSize;
    declarations.DataSizeBytes = littleEndianBytes(dataSize);
}

bool HalveSampleRate(modDeclarations &declarations)
{
    declarations.SampleRate /= 2;
    const qint32 words = declarations.DataSize / 2;
    setDataSize(declarations, words / 2 * 2);
    double count = declarations.DataSize;
    const int extra = CountExtraLocations(count, declarations.LocationCapacity);
    if (extra > 255)
        return false;
    declarations.ExtraLocations = static_cast<quint8>(extra);
    declarations.SampleRateBytes = littleEndianBytes(declarations.SampleRate);
    return true;
}

bool ReduceHeader(modDeclarations &declarations)
{
    for (int k = 1; k <= declarations.ReduceSteps; ++k)
        if (!HalveSampleRate(declarations))
            return false;
    return true;
}

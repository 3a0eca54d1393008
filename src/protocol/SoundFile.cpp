#include "protocol/SoundFile.h"

#include "protocol/DecodedAudio.h"
#include "protocol/UploadSizes.h"

#include <QFile>

namespace {

// The file's own name, after the last folder separator of either kind of system.
QString ownName(const QString &path)
{
    const qsizetype separator
        = qMax(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(separator + 1);
}

} // namespace

bool isWaveFileName(const QString &path)
{
    return ownName(path).endsWith(QLatin1String(".wav"), Qt::CaseInsensitive);
}

QString soundFileName(const QString &path)
{
    if (isWaveFileName(path))
        return GetName(path).value_or(QString());
    const QString name = ownName(path);
    const qsizetype extension = name.lastIndexOf(QLatin1Char('.'));
    return unitName(extension > 0 ? name.left(extension) : name);
}

WaveHeaderReading readSoundFile(const QString &path)
{
    if (isWaveFileName(path)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {}; // Broken
        return readWaveHeader(file);
    }
    DecodedAudio audio(path);
    if (!audio.open(QIODevice::ReadOnly)) {
        WaveHeaderReading reading;
        reading.outcome = WaveHeaderReading::Outcome::Refused;
        reading.message = QStringLiteral("\"%1\" cannot be loaded.\n%2")
                              .arg(ownName(path), audio.errorString());
        return reading;
    }
    return audio.waveHeader();
}

std::unique_ptr<QIODevice> soundFileDevice(const QString &path)
{
    if (isWaveFileName(path))
        return std::make_unique<QFile>(path);
    return std::make_unique<DecodedAudio>(path);
}

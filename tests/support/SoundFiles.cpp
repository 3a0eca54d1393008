#include "SoundFiles.h"

#include <QFile>

#include <cmath>

std::vector<qint16> tones(qint64 frames, int rate, int channels, double level)
{
    std::vector<qint16> samples(static_cast<size_t>(frames * channels));
    for (qint64 i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double t = double(i) / rate;
            const double value = c == 0 ? level * std::sin(2 * M_PI * 440 * t)
                                        : 0.3 * std::sin(2 * M_PI * (1000 + 300 * c) * t + 1);
            samples[static_cast<size_t>(i * channels + c)] = qint16(std::lrint(value * 32767));
        }
    }
    return samples;
}

QString writeSound(
    const QString &path, int format, int rate, int channels, const std::vector<qint16> &samples)
{
    SF_INFO info {};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE *sound = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!sound)
        return QString::fromUtf8(sf_strerror(nullptr));
    const qint64 frames = qint64(samples.size()) / channels;
    sf_count_t written = 0;
    if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16) {
        written = sf_writef_short(sound, samples.data(), frames);
    } else {
        std::vector<float> floats(samples.size());
        for (size_t i = 0; i < samples.size(); ++i)
            floats[i] = float(samples[i]) / 32768;
        written = sf_writef_float(sound, floats.data(), frames);
    }
    sf_close(sound);
    return written == frames ? QString() : QStringLiteral("short write");
}

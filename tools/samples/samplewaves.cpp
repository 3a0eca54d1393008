// tavix-sample-waves <folder>: writes the sample wave files that ship beside the program. The
// sounds are computed here, so the files are the same on every build.

#include "WaveFile.h"

#include <QDir>
#include <QList>
#include <QString>
#include <QtEndian>

#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

namespace {

using Signal = std::vector<double>;  // samples from -1 to 1

struct Note {
    double hz;
    double seconds;
};

// A struck bell: a few inharmonic partials that die away at their own speed.
void addBell(Signal &out, quint32 rate, double startSeconds, double hz, double seconds, double gain)
{
    struct Partial {
        double ratio, level, decayPerSecond;
    };
    static constexpr Partial partials[] = {
        {1.0, 1.0, 2.2}, {2.0, 0.45, 3.5}, {2.76, 0.25, 5.0}, {5.4, 0.12, 8.0}};
    const auto start = static_cast<std::size_t>(startSeconds * rate);
    const auto length = static_cast<std::size_t>(seconds * rate);
    if (out.size() < start + length)
        out.resize(start + length, 0.0);
    for (std::size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / rate;
        // 5 ms attack, so the strike does not click.
        const double attack = std::min(1.0, t / 0.005);
        double value = 0.0;
        for (const Partial &p : partials)
            value += p.level * std::exp(-p.decayPerSecond * t)
                     * std::sin(2.0 * std::numbers::pi * hz * p.ratio * t);
        out[start + i] += gain * attack * value / 1.8;
    }
}

// Plain tones one after the other, each faded in and out over 10 ms.
Signal toneSequence(quint32 rate, const QList<Note> &notes, double gapSeconds)
{
    Signal out;
    for (const Note &note : notes) {
        const auto length = static_cast<std::size_t>(note.seconds * rate);
        const double fade = 0.010 * rate;
        for (std::size_t i = 0; i < length; ++i) {
            const double edge = std::min({1.0, i / fade, (length - i) / fade});
            out.push_back(0.7 * edge * std::sin(2.0 * std::numbers::pi * note.hz * i / rate));
        }
        out.resize(out.size() + static_cast<std::size_t>(gapSeconds * rate), 0.0);
    }
    return out;
}

Signal chime(quint32 rate)
{
    Signal out;
    addBell(out, rate, 0.0, 659.25, 1.2, 0.9);   // E5
    addBell(out, rate, 0.6, 523.25, 2.0, 0.9);   // C5
    return out;
}

Signal tones(quint32 rate)
{
    // C5 E5 G5 C6
    return toneSequence(rate, {{523.25, 0.22}, {659.25, 0.22}, {783.99, 0.22}, {1046.5, 0.45}}, 0.05);
}

// Long enough that its 16-bit mono audio needs a second memory location.
Signal twoLocations(quint32 rate)
{
    Signal out;
    const double notes[] = {523.25, 587.33, 659.25, 698.46, 783.99, 880.0, 987.77, 1046.5};
    double at = 0.0;
    for (int round = 0; at < 23.0; ++round)
        for (double hz : notes) {
            addBell(out, rate, at, hz * (round % 2 == 0 ? 1.0 : 0.5), 1.5, 0.6);
            at += 0.375;
        }
    out.resize(static_cast<std::size_t>(24.0 * rate), 0.0);
    return out;
}

QByteArray samples(const Signal &signal, quint16 bits)
{
    QByteArray data;
    data.reserve(static_cast<qsizetype>(signal.size()) * (bits / 8));
    for (double value : signal) {
        const double clipped = std::clamp(value, -1.0, 1.0);
        if (bits == 8) {
            // 8-bit wave samples are unsigned around 128.
            data.append(static_cast<char>(static_cast<quint8>(std::lround(128.0 + 127.0 * clipped))));
        } else {
            char bytes[2];
            qToLittleEndian(static_cast<qint16>(std::lround(32767.0 * clipped)), bytes);
            data.append(bytes, 2);
        }
    }
    return data;
}

struct Sample {
    const char *fileName;
    quint32 rate;
    quint16 bits;
    std::function<Signal(quint32)> make;
};

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    const Sample sampleFiles[] = {
        {"chime-8bit.wav", 11025, 8, chime},
        {"chime-16bit.wav", 11025, 16, chime},
        {"chime-44khz.wav", 44100, 16, chime},
        {"tones-8bit.wav", 11025, 8, tones},
        {"tones-16bit.wav", 11025, 16, tones},
        {"two-locations.wav", 22050, 16, twoLocations},
    };
    for (const Sample &sample : sampleFiles) {
        WaveFile wave;
        wave.channels = 1;
        wave.sampleRate = sample.rate;
        wave.bitsPerSample = sample.bits;
        wave.data = samples(sample.make(sample.rate), sample.bits);
        const QString path = folder.filePath(QString::fromLatin1(sample.fileName));
        if (!wave.write(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}

// Figures for the sound file decoder: the time to open a file (the pass that counts its frames)
// and to read it to the end, and the peak memory of doing so, for a one-hour MP3 (with and
// without its length header) and a five-minute FLAC against a one-second file. Then the whole
// Update command against the in-process simulated unit: the one-hour MP3, refused as too long,
// and the five-minute FLAC, which fits after two halvings, each beside a 16-bit mono wave file
// of the same samples, so the difference is what decoding costs. Prints figures; asserts nothing.
//
//     decode_benchmark [mp3 minutes] [flac minutes]

#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "WaveFile.h"
#include "commands/CommandContext.h"
#include "support/RecordingPrompter.h"
#include "support/RecordingSurface.h"
#include "commands/MainSurface.h"
#include "commands/OverflowPrompt.h"
#include "commands/OverflowTexts.h"
#include "commands/Prompter.h"
#include "commands/UpdateCommand.h"
#include "protocol/DecodedAudio.h"
#include "protocol/TavixUnit.h"
#include "settings/Declarations.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int Rate = 44100;
constexpr int Channels = 2;

// A stereo tone that glides up and down, written a few thousand frames at a time.
bool writeSound(const QString &path, int format, qint64 seconds)
{
    SF_INFO info {};
    info.samplerate = Rate;
    info.channels = Channels;
    info.format = format;
    SNDFILE *sound = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!sound) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), sf_strerror(nullptr));
        return false;
    }
    constexpr qint64 Chunk = 4096;
    std::vector<float> samples(Chunk * Channels);
    const qint64 frames = seconds * Rate;
    double phase = 0;
    for (qint64 start = 0; start < frames; start += Chunk) {
        const qint64 count = std::min(Chunk, frames - start);
        for (qint64 i = 0; i < count; ++i) {
            const double t = double(start + i) / Rate;
            phase += 2 * M_PI * (300 + 200 * std::sin(t / 5)) / Rate;
            samples[size_t(i * 2)] = float(0.5 * std::sin(phase));
            samples[size_t(i * 2 + 1)] = float(0.3 * std::sin(phase * 1.5));
        }
        sf_writef_float(sound, samples.data(), count);
    }
    sf_close(sound);
    return true;
}

// A copy of an MP3 without its first frame, the encoder's length header.
bool writeWithoutLengthHeader(const QString &from, const QString &to)
{
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray head = in.read(4);
    static const int kbps[] = { 0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320 };
    const auto b2 = quint8(head.at(2));
    if (quint8(head.at(0)) != 0xFF || (b2 >> 4) == 0 || (b2 >> 4) == 15 || ((b2 >> 2) & 3) != 0)
        return false; // not the MPEG-1, 44.1 kHz frame this tool writes
    in.seek(144000 * kbps[b2 >> 4] / Rate + ((b2 >> 1) & 1));
    while (!in.atEnd())
        out.write(in.read(1 << 20));
    return true;
}

long peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Answers the overflow dialog at once with Down Sample.
class DownSample : public OverflowPrompt {
public:
    void showOverflow(modDeclarations &declarations, int, std::function<void()> answered) override
    {
        chooseDownSample(declarations);
        answered();
    }
};

// Runs the Update command on `path` against the simulated unit in this process.
int childUpdate(const QString &path)
{
    VirtualClock clock;
    UnitEngine unit;
    SimComm comm(unit, clock);
    comm.PortNumber(1);
    comm.PortOpen(true);
    modDeclarations decl;
    RecordingSurface surface;
    RecordingPrompter prompter;
    prompter.answers << true;
    prompter.files << path;
    DownSample overflow;
    QByteArray strData;
    MainTimers timers;
    QRandomGenerator random(1);
    bool busy = false;
    TavixUnit session(comm);
    session.setReplySink(&strData);
    CommandContext context { decl, comm, session, surface, prompter, strData, timers, random, busy };
    QElapsedTimer timer;
    timer.start();
    UpdateCommand(context, QFileInfo(path).path(), &overflow).run();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const auto &stored = unit.messageAt(0);
    std::printf("%ld %.3f %lld %lld %lld\n%s\n%s\n", peakKb(), seconds,
        static_cast<long long>(comm.written().size()),
        static_cast<long long>(stored ? stored->sampleRate : 0),
        static_cast<long long>(stored ? stored->audio.size() : 0),
        qPrintable(prompter.texts().join(QStringLiteral(" | "))), qPrintable(surface.status()));
    return 0;
}

// The child's output lines; `trimAtOnce` has glibc hand freed heap memory back at once, so that
// the peak counts live memory only, not what the allocator keeps for later.
QList<QByteArray> updateInChild(const QString &path, bool trimAtOnce)
{
    QProcess child;
    if (trimAtOnce) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("MALLOC_TRIM_THRESHOLD_"), QStringLiteral("0"));
        child.setProcessEnvironment(environment);
    }
    child.start(
        QCoreApplication::applicationFilePath(), { QStringLiteral("--child-update"), path });
    child.waitForFinished(-1);
    return child.readAllStandardOutput().split('\n');
}

void reportUpdate(const char *label, const QString &path)
{
    const QList<QByteArray> lines = updateInChild(path, false);
    const QList<QByteArray> f = lines.value(0).split(' ');
    const long trimmedPeak = updateInChild(path, true).value(0).split(' ').value(0).toLong();
    if (f.size() < 5) {
        std::printf("%s: %s\n", label, lines.join(' ').constData());
        return;
    }
    std::printf("%s, %.1f MB: %.2f s, peak memory %ld kB (%ld kB with freed memory handed back at "
                "once); %lld bytes written to the unit; stored: %lld Hz, %lld bytes; boxes: [%s]; "
                "status: \"%s\"\n",
        label, double(QFileInfo(path).size()) / 1e6, f[1].toDouble(), f[0].toLong(), trimmedPeak,
        f[2].toLongLong(), f[3].toLongLong(), f[4].toLongLong(), lines.value(1).constData(),
        lines.value(2).constData());
}

// A 16-bit mono wave file of `frames` frames at Rate; a header alone when `declaredOnly`, as a
// file that large need not be written to be refused.
QString writeMonoWave(const QString &path, qint64 frames, bool declaredOnly)
{
    WaveFile wave;
    wave.sampleRate = Rate;
    if (declaredOnly) {
        wave.data = QByteArray(20, '\0');
        wave.declaredDataSize = quint32(frames * 2);
    } else {
        wave.data = QByteArray(frames * 2, '\x11');
    }
    return wave.write(path) ? path : QString();
}

// Decodes a file the parent made, so that making it does not count in this process's memory.
int childDecode(const QString &path)
{
    QElapsedTimer clock;
    clock.start();
    DecodedAudio audio(path);
    if (!audio.open(QIODevice::ReadOnly)) {
        std::printf("failed %s\n", qPrintable(audio.errorString()));
        return 1;
    }
    const double openSeconds = double(clock.nsecsElapsed()) / 1e9;
    clock.restart();
    // The transfer reads through a window of this size.
    std::vector<char> window(64 * 1024);
    qint64 total = 0;
    for (qint64 read; (read = audio.read(window.data(), qint64(window.size()))) > 0;)
        total += read;
    const double readSeconds = double(clock.nsecsElapsed()) / 1e9;
    std::printf("%ld %.3f %.3f %lld %lld\n", peakKb(), openSeconds, readSeconds,
        static_cast<long long>(audio.frames()), static_cast<long long>(total));
    return total == audio.size() ? 0 : 1;
}

// The figures of a child that decodes `path`: peak kB, open seconds, read seconds, frames,
// bytes read; or what went wrong.
QList<QByteArray> decodeInChild(const QString &path)
{
    QProcess child;
    child.start(
        QCoreApplication::applicationFilePath(), { QStringLiteral("--child-decode"), path });
    child.waitForFinished(-1);
    return child.readAllStandardOutput().trimmed().split(' ');
}

void report(const char *label, const QString &path, qint64 seconds, long baseline)
{
    const QList<QByteArray> f = decodeInChild(path);
    if (f.size() < 5) {
        std::printf("%s: %s\n", label, f.join(' ').constData());
        return;
    }
    const double openSeconds = f[1].toDouble();
    const double readSeconds = f[2].toDouble();
    std::printf("%s, %.1f MB: opening (the counting pass) %.2f s, reading to the end %.2f s, "
                "%lld frames (%lld written), peak memory %ld kB (%+ld kB over the one-second "
                "file)\n",
        label, double(QFileInfo(path).size()) / 1e6, openSeconds, readSeconds, f[3].toLongLong(),
        static_cast<long long>(seconds * Rate), f[0].toLong(), f[0].toLong() - baseline);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments.at(1) == QStringLiteral("--child-decode"))
        return childDecode(arguments.at(2));
    if (arguments.size() == 3 && arguments.at(1) == QStringLiteral("--child-update"))
        return childUpdate(arguments.at(2));
    const qint64 mp3Minutes = arguments.size() > 1 ? arguments.at(1).toLongLong() : 60;
    const qint64 flacMinutes = arguments.size() > 2 ? arguments.at(2).toLongLong() : 5;
    if (mp3Minutes < 1 || flacMinutes < 1) {
        std::fprintf(stderr, "usage: decode_benchmark [mp3 minutes] [flac minutes]\n");
        return 2;
    }

    QTemporaryDir folder;
    const QString tiny = folder.filePath(QStringLiteral("tiny.flac"));
    const QString flac = folder.filePath(QStringLiteral("long.flac"));
    const QString mp3 = folder.filePath(QStringLiteral("long.mp3"));
    const QString bare = folder.filePath(QStringLiteral("bare.mp3"));
    std::printf("Writing the files (%lld min MP3, %lld min FLAC, 44.1 kHz stereo) ...\n",
        static_cast<long long>(mp3Minutes), static_cast<long long>(flacMinutes));
    std::fflush(stdout);
    const int flacFormat = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    if (!writeSound(tiny, flacFormat, 1) || !writeSound(flac, flacFormat, flacMinutes * 60)
        || !writeSound(mp3, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, mp3Minutes * 60)
        || !writeWithoutLengthHeader(mp3, bare))
        return 1;

    const long baseline = decodeInChild(tiny).value(0).toLong();
    std::printf("1. One-second FLAC: peak memory %ld kB\n", baseline);
    report("2. FLAC", flac, flacMinutes * 60, baseline);
    report("3. MP3", mp3, mp3Minutes * 60, baseline);
    report("4. MP3 without its length header", bare, mp3Minutes * 60, baseline);

    std::printf("The Update command, in-process simulated unit (Down Sample when asked):\n");
    const QString mp3Wave = writeMonoWave(
        folder.filePath(QStringLiteral("long-mp3.wav")), mp3Minutes * 60 * Rate, true);
    const QString flacWave = writeMonoWave(
        folder.filePath(QStringLiteral("long-flac.wav")), flacMinutes * 60 * Rate, false);
    if (mp3Wave.isEmpty() || flacWave.isEmpty())
        return 1;
    reportUpdate("5. MP3", mp3);
    reportUpdate("6. Wave file of that size (header only)", mp3Wave);
    reportUpdate("7. FLAC", flac);
    reportUpdate("8. Wave file of the same samples", flacWave);
    return 0;
}

// Figures for the upload: time against the line's own time when the unit is paced at 460800
// baud, throughput when it answers as fast as it can, peak memory of a large against a small
// upload, and processor time while the overflow dialog waits. Prints figures; asserts nothing.

#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "WaveFile.h"
#include "commands/CommandContext.h"
#include "settings/Declarations.h"
#include "commands/MainSurface.h"
#include "commands/Prompter.h"
#include "link/SerialPortComm.h"
#include "protocol/TavixUnit.h"
#include "commands/LoadMessage.h"
#include "commands/OverflowPrompt.h"
#include "commands/UpdateCommand.h"
#include "protocol/UploadSizes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <ctime>

namespace {

// A window that shows nothing; the transfer only needs somewhere to put its texts.
class QuietSurface : public MainSurface {
public:
    void setStatus(const QString &text) override { m_status = text; }
    QString status() const override { return m_status; }
    void setMessageText(int index, const QString &text) override { m_names[size_t(index)] = text; }
    QString messageText(int index) const override { return m_names[size_t(index)]; }
    void setBarWidth(int, int) override { }
    int barWidth(int) const override { return 0; }
    void setBarColor(int, Rgb) override { }
    Rgb barColor(int) const override { return 0; }
    void addModeItems(const QStringList &) override { }
    void addDelayItems(const QStringList &) override { }
    void setModeText(const QString &) override { }
    QString modeText() const override { return {}; }
    void setDelayText(const QString &) override { }
    QString delayText() const override { return {}; }
    void setAbortEnabled(bool) override { }
    bool abortEnabled() const override { return false; }
    void setProgressVisible(bool) override { }
    void setProgressValue(int) override { }
    void SetBusyControls() override { }
    void SetIdleControls() override { }
    void selectLocation(int) override { }
    void focusDirectory() override { }
    bool autoReduceChecked() const override { return false; }
    void setUnitCommandsEnabled(bool) override { }
    bool letEventsRun() override
    {
        QCoreApplication::processEvents();
        return true;
    }

private:
    QString m_status;
    std::array<QString, 8> m_names;
};

class QuietPrompter : public Prompter {
public:
    void message(const QString &text, const QString &) override { messages << text; }
    bool askYesNo(const QString &, const QString &) override { return true; }
    QString openFileName(const QString &, const QString &) override { return file; }
    QStringList messages;
    QString file;
};

double processCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

QString writeWave(const QString &folder, qint64 audioBytes)
{
    WaveFile wave;
    wave.sampleRate = 8000;
    wave.data.resize(audioBytes);
    for (qint64 i = 0; i < audioBytes; ++i)
        wave.data[i] = static_cast<char>(i * 7);
    const QString path = QDir(folder).filePath(QStringLiteral("Bench.wav"));
    wave.write(path);
    return path;
}

struct Upload {
    double seconds = 0;
    qint64 lineBytes = 0; // both ways
    QString status;
};

// One LoadMessage of `audioBytes` into location 0 of tavix-unit-sim over a pseudo-terminal.
std::optional<Upload> uploadOverPty(qint64 audioBytes, int baud, const QString &givenWave = {})
{
    QTemporaryDir folder;
    const QString portsDir = folder.filePath(QStringLiteral("ports"));
    QProcess sim;
    QStringList arguments { QStringLiteral("--link"),
        QDir(portsDir).filePath(QStringLiteral("com1")) };
    if (baud > 0)
        arguments << QStringLiteral("--baud") << QString::number(baud);
    sim.start(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tavix-unit-sim")),
        arguments);
    if (!sim.waitForStarted() || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "tavix-unit-sim did not start\n");
        return std::nullopt;
    }

    SerialPortComm comm(portsDir);
    comm.PortNumber(1);
    comm.PortOpen(true);
    if (!comm.PortOpen())
        return std::nullopt;
    comm.LineSettings(QStringLiteral("460800N,8,1"));

    modDeclarations decl;
    QuietSurface surface;
    QuietPrompter prompter;
    QByteArray strData;
    MainTimers timers;
    QRandomGenerator random(1);
    bool busy = false;
    TavixUnit session(comm);
    session.setReplySink(&strData);
    CommandContext context { decl, comm, session, surface, prompter, strData, timers, random,
        busy };
    decl.WavePath = givenWave.isEmpty() ? writeWave(folder.path(), audioBytes) : givenWave;
    decl.DataOffset = 44;
    decl.DataChunkSize = audioBytes;
    decl.ChannelCount = 1;
    decl.BitsPerSample = 16;
    decl.SampleRate = 8000;
    decl.SampleRateBytes = littleEndianBytes(8000);
    setDataSize(decl, static_cast<qint32>(audioBytes));
    surface.setMessageText(0, QStringLiteral("Bench           "));

    QElapsedTimer clock;
    clock.start();
    LoadMessage(context, 0);
    Upload upload;
    upload.seconds = double(clock.nsecsElapsed()) / 1e9;
    upload.status = surface.status();
    const qint64 blocks = 2 + (audioBytes - 224 - 1) / 256;
    // Out: "L", location, return, header, one count byte per block, the audio; back: 2 per reply.
    upload.lineBytes = 4 + 31 + blocks + audioBytes + 2 * (2 + blocks);
    comm.PortOpen(false);
    sim.terminate();
    sim.waitForFinished(5000);
    return upload;
}

// Uploads a file the parent made, so that making it does not count in the child's memory.
int childUpload(qint64 audioBytes, const QString &wave)
{
    const auto upload = uploadOverPty(audioBytes, 0, wave);
    // VmHWM belongs to the address space, which exec replaces, so unlike getrusage's figure it
    // does not carry the parent's high-water mark over.
    long peakKb = 0;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                peakKb = line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    if (peakKb == 0) {
        rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        peakKb = usage.ru_maxrss;
    }
    std::printf("%ld %s\n", peakKb, upload ? upload->status.toLocal8Bit().constData() : "failed");
    return upload ? 0 : 1;
}

// Peak resident memory of a child process that uploads `audioBytes`, in kB.
// Both files are made before either child starts, so making them counts in neither.
long peakMemoryKb(qint64 audioBytes, const QString &wave)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
        { QStringLiteral("--child-upload"), QString::number(audioBytes), wave });
    child.waitForFinished(600000);
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() < 2)
        return -1;
    std::printf("  child upload of %lld bytes: %s\n", static_cast<long long>(audioBytes),
        fields.mid(1).join(' ').constData());
    return fields.first().toLong();
}

// An Update command that waits two seconds in the overflow dialog, then cancels.
double overflowWaitCpuSeconds(double &wallSeconds)
{
    struct LateCancel : OverflowPrompt {
        void showOverflow(modDeclarations &d, int, std::function<void()> answered) override
        {
            cpuAtShow = processCpuSeconds();
            clock.start();
            QTimer::singleShot(2000, [&d, answered] {
                d.OverflowChoice = QStringLiteral("Cancel");
                answered();
            });
        }
        double cpuAtShow = 0;
        QElapsedTimer clock;
    } prompt;

    QTemporaryDir folder;
    VirtualClock virtualClock;
    UnitEngine unit;
    SimComm comm(unit, virtualClock);
    comm.PortNumber(1);
    comm.PortOpen(true);
    modDeclarations decl;
    decl.SelectedLocation = 6;
    QuietSurface surface;
    QuietPrompter prompter;
    prompter.file = writeWave(folder.path(), 1200000);
    QByteArray strData;
    MainTimers timers;
    QRandomGenerator random(1);
    bool busy = false;
    TavixUnit session(comm);
    session.setReplySink(&strData);
    CommandContext context { decl, comm, session, surface, prompter, strData, timers, random,
        busy };
    UpdateCommand(context, folder.path(), &prompt).run();
    const double cpu = processCpuSeconds() - prompt.cpuAtShow;
    wallSeconds = double(prompt.clock.nsecsElapsed()) / 1e9;
    return cpu;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) {
        // Only the measuring child takes arguments: <bytes> <wave file>.
        if (arguments.size() == 4 && arguments.at(1) == QStringLiteral("--child-upload"))
            return childUpload(arguments.at(2).toLongLong(), arguments.at(3));
        std::fprintf(stderr, "usage: upload_benchmark (no arguments)\n");
        return 2;
    }

    constexpr qint64 MiB = 1048576;
    constexpr int Baud = 460800;

    if (const auto paced = uploadOverPty(MiB, Baud)) {
        const double lineSeconds = double(paced->lineBytes) * 10 / Baud;
        std::printf(
            "1. Paced at %d baud, 1 MiB of audio: %.3f s; the line needs %.3f s for its %lld bytes "
            "(%+.2f%%). Status: %s\n",
            Baud, paced->seconds, lineSeconds, static_cast<long long>(paced->lineBytes),
            (paced->seconds / lineSeconds - 1) * 100, paced->status.toLocal8Bit().constData());
    }
    if (const auto unpaced = uploadOverPty(4 * MiB, 0)) {
        std::printf("2. Unpaced, 4 MiB of audio: %.3f s, %.2f MB/s. Status: %s\n", unpaced->seconds,
            4.0 * MiB / unpaced->seconds / 1e6, unpaced->status.toLocal8Bit().constData());
    }
    QTemporaryDir smallFolder;
    QTemporaryDir largeFolder;
    const QString smallWave = writeWave(smallFolder.path(), 100000);
    const QString largeWave = writeWave(largeFolder.path(), 8 * MiB - 32);
    const long small = peakMemoryKb(100000, smallWave);
    const long large = peakMemoryKb(8 * MiB - 32, largeWave);
    std::printf("3. Peak memory: 100 kB upload %ld kB, 8 MiB upload %ld kB, difference %ld kB\n",
        small, large, large - small);
    double wall = 0;
    const double cpu = overflowWaitCpuSeconds(wall);
    std::printf("4. Overflow dialog waiting %.2f s: %.4f s of processor time (%.2f%%)\n", wall, cpu,
        cpu / wall * 100);
    return 0;
}

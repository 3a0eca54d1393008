// Figures for the upload, driven through the unit session over tavix-unit-sim on a
// pseudo-terminal, the way the program drives it:
//   1. a 1 MiB upload paced at 460800 baud, against the line's own time;
//   2. the throughput when the unit answers as fast as it can;
//   3. the peak memory of a large against a small upload;
//   4. the processor time while the Update command waits in the overflow dialog;
//   5. what the session costs per acknowledged block over a bare loop that only writes each
//      block and reads its acknowledgement, on the same paced unit: the median difference over
//      interleaved runs of each, in time taken and in this process's processor time;
//   6. the 1 MiB upload behind a USB adapter's latency timer of 16 ms and of 1 ms.
// Prints figures; asserts nothing.
//
//   upload_benchmark [--runs N]          every figure; N interleaved runs of each loop (15)
//   upload_benchmark --one session|bare  one paced 1 MiB upload by that loop alone, e.g. for
//                                        counting its system calls with strace -c

#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "WaveFile.h"
#include "commands/CommandContext.h"
#include "commands/OverflowPrompt.h"
#include "commands/UpdateCommand.h"
#include "link/SerialPortComm.h"
#include "protocol/SampleSource.h"
#include "protocol/TavixUnit.h"
#include "protocol/UploadSizes.h"
#include "protocol/UploadWire.h"
#include "settings/Declarations.h"
#include "support/RecordingPrompter.h"
#include "support/RecordingSurface.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr qint64 MiB = 1048576;
constexpr int Baud = 460800;
constexpr qint64 WaveHeaderBytes = 44; // WaveFile writes the plain 44-byte header
const QByteArray BenchName("Bench           ");
constexpr qint32 BenchRate = 8000;

double processCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

QString writeWave(const QString &folder, qint64 audioBytes)
{
    WaveFile wave;
    wave.sampleRate = BenchRate;
    wave.data.resize(audioBytes);
    for (qint64 i = 0; i < audioBytes; ++i)
        wave.data[i] = static_cast<char>(i * 7);
    const QString path = QDir(folder).filePath(QStringLiteral("Bench.wav"));
    wave.write(path);
    return path;
}

// The samples of a 16-bit mono wave file, read from the file block by block as the transfer
// asks for them.
class WaveWords : public SampleSource {
public:
    explicit WaveWords(const QString &path)
        : m_file(path)
    {
    }
    bool open() override
    {
        m_healthy = m_file.open(QIODevice::ReadOnly) && m_file.seek(WaveHeaderBytes);
        return m_healthy;
    }
    void appendWords(QByteArray &out, int words) override
    {
        m_bytes.resize(2 * words);
        const qint64 got = m_file.read(m_bytes.data(), m_bytes.size());
        if (got < 0)
            m_healthy = false;
        for (int i = 0; i < words; ++i) {
            // Past the end of the file: silence, the middle of the unit's offset binary.
            const SampleWord word = 2 * i + 1 < got
                ? convertSample16(quint8(m_bytes[2 * i]), quint8(m_bytes[2 * i + 1]))
                : SampleWord { 0x80, 0 };
            out += char(word.high);
            out += char(word.low);
        }
    }
    bool healthy() const override { return m_healthy; }
    void close() override { m_file.close(); }

private:
    QFile m_file;
    QByteArray m_bytes;
    bool m_healthy = true;
};

// tavix-unit-sim on a fresh pseudo-terminal, reached as port 1 through its link.
class Sim {
public:
    bool start(const QStringList &extra)
    {
        m_process.start(
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tavix-unit-sim")),
            QStringList { QStringLiteral("--link"), QDir(portsDir()).filePath(QStringLiteral("com1")) }
                + extra);
        if (!m_process.waitForStarted() || !m_process.waitForReadyRead(5000)) {
            std::fprintf(stderr, "tavix-unit-sim did not start\n");
            return false;
        }
        m_device = QString::fromLocal8Bit(m_process.readLine().trimmed());
        return true;
    }
    ~Sim()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    QString portsDir() const { return m_folder.filePath(QStringLiteral("ports")); }
    QString device() const { return m_device; }

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    QString m_device;
};

QStringList paced(int latencyMs = 0)
{
    QStringList arguments { QStringLiteral("--baud"), QString::number(Baud) };
    if (latencyMs > 0)
        arguments << QStringLiteral("--adapter-latency-ms") << QString::number(latencyMs);
    return arguments;
}

// The blocks an upload of `audioBytes` carries: the first of 224 data bytes, then 256 each,
// then the rest.
qint64 blockCount(qint64 audioBytes)
{
    const qint64 total = std::max<qint64>(audioBytes, ShortestDataSize);
    return 1 + (total - FirstBlockBytes + FullBlockBytes - 1) / FullBlockBytes;
}

// Both ways: "L", location and return, the header, a count byte per block and the audio out;
// two bytes back for "L", for the header and for every block.
qint64 lineBytes(qint64 audioBytes)
{
    const qint64 blocks = blockCount(audioBytes);
    return 4 + 31 + blocks + audioBytes + 2 * (2 + blocks);
}

double lineSeconds(qint64 audioBytes)
{
    return double(lineBytes(audioBytes)) * 10 / Baud;
}

struct Upload {
    double seconds = 0;
    double cpuSeconds = 0; // of this process only, not the unit's
    QString outcome;
    double eventSeconds = 0; // spent letting events run between blocks
};

QString outcomeText(const UploadOutcome &outcome)
{
    if (outcome.ok())
        return QStringLiteral("stored, %1 bytes").arg(outcome.bytesSent);
    return QStringLiteral("failed (code %1) after %2 bytes %3")
        .arg(int(outcome.code))
        .arg(outcome.bytesSent)
        .arg(outcome.detail);
}

// One upload of `audioBytes` from `wave` into location 1 through the session, letting events
// run once per block and asking for Stop and the progress, as the window does.
std::optional<Upload> sessionUpload(const QString &portsDir, const QString &wave, qint64 audioBytes)
{
    SerialPortComm comm(portsDir);
    comm.PortNumber(1);
    comm.PortOpen(true);
    if (!comm.PortOpen())
        return std::nullopt;
    comm.LineSettings(QStringLiteral("460800N,8,1"));
    TavixUnit unit(comm);
    WaveWords samples(wave);
    UploadJob job;
    job.location = 0;
    job.name = BenchName;
    job.rateBytes = littleEndianBytes(BenchRate);
    job.dataSize = static_cast<qint32>(audioBytes);
    job.samples = &samples;
    int percent = 0;
    bool stopPressed = false;
    QElapsedTimer events;
    qint64 eventNs = 0;
    UploadHooks hooks;
    hooks.beforeBlock = [&events, &eventNs] {
        events.start();
        QCoreApplication::processEvents();
        eventNs += events.nsecsElapsed();
        return true;
    };
    hooks.progress = [&percent](qint32 sent, qint32 total) { percent = int(qint64(sent) * 100 / total); };
    hooks.cancelled = [&stopPressed] { return stopPressed; };

    const double cpu = processCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    const UploadOutcome outcome = unit.upload(job, hooks);
    Upload upload { double(clock.nsecsElapsed()) / 1e9, processCpuSeconds() - cpu, outcomeText(outcome),
        double(eventNs) / 1e9 };
    comm.PortOpen(false);
    return upload;
}

// What a minimal program writes: the 31-byte header record, and each block as its count byte
// (0 standing for 256) followed by its data.
QByteArray headerRecord(const QByteArray &name, qint32 rate, qint32 size)
{
    QByteArray record = name;
    for (quint8 byte : littleEndianBytes(rate))
        record += static_cast<char>(byte);
    record += "stop";
    for (quint8 byte : littleEndianBytes(size))
        record += static_cast<char>(byte);
    return record + QByteArray(2, '\0') + '\r';
}

QByteArray framed(const QByteArray &data)
{
    return static_cast<char>(data.size() == FullBlockBytes ? 0 : data.size()) + data;
}

// The same bytes on the line as sessionUpload, from a loop that does nothing but write each
// block and read its two-byte acknowledgement: every block framed beforehand, a blocking read
// of exactly two bytes.
std::optional<Upload> bareUpload(const QString &device, const QString &wave, qint64 audioBytes)
{
    const qint32 total = static_cast<qint32>(std::max<qint64>(audioBytes, ShortestDataSize));
    WaveWords samples(wave);
    if (!samples.open())
        return std::nullopt;
    QList<QByteArray> writes { QByteArrayLiteral("L00\r"),
        headerRecord(BenchName, BenchRate, total) };
    for (qint32 left = total; left > 0;) {
        const int bytes = left == total ? FirstBlockBytes : std::min<qint32>(FullBlockBytes, left);
        QByteArray data;
        samples.appendWords(data, bytes / 2);
        writes << framed(data);
        left -= bytes;
    }
    samples.close();

    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    termios tio {};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, B460800);
    tio.c_cc[VMIN] = 2;
    tio.c_cc[VTIME] = 20; // tenths of a second after the first byte
    ::tcsetattr(fd, TCSANOW, &tio);

    const double cpu = processCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    char ack[2] = {};
    bool answered = true;
    for (const QByteArray &write : writes) {
        if (::write(fd, write.constData(), size_t(write.size())) != write.size()) {
            answered = false;
            break;
        }
        ssize_t got = 0;
        while (got < 2) {
            const ssize_t more = ::read(fd, ack + got, size_t(2 - got));
            if (more <= 0)
                break;
            got += more;
        }
        if (got < 2) {
            answered = false;
            break;
        }
    }
    Upload upload { double(clock.nsecsElapsed()) / 1e9, processCpuSeconds() - cpu,
        answered && ack[0] == 'K' ? QStringLiteral("stored") : QStringLiteral("failed") };
    ::close(fd);
    return upload;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Uploads a file the parent made, so that making it does not count in the child's memory.
int childUpload(qint64 audioBytes, const QString &wave)
{
    Sim sim;
    const auto upload = sim.start({}) ? sessionUpload(sim.portsDir(), wave, audioBytes) : std::nullopt;
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
    std::printf("%ld %s\n", peakKb, upload ? upload->outcome.toLocal8Bit().constData() : "failed");
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

// An Update command that waits two seconds in the overflow dialog, then cancels; the window is
// the commands' recording surface.
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
    RecordingSurface surface;
    RecordingPrompter prompter;
    prompter.files << writeWave(folder.path(), 1200000);
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

void printPaced(const char *label, const Upload &upload)
{
    const double line = lineSeconds(MiB);
    std::printf("%s %.3f s; the line needs %.3f s for its %lld bytes (%+.2f%%). %s\n", label,
        upload.seconds, line, static_cast<long long>(lineBytes(MiB)), (upload.seconds / line - 1) * 100,
        upload.outcome.toLocal8Bit().constData());
}

struct Comparison {
    double costUs = 0; // per acknowledged block, from the time each upload took
    double cpuCostUs = 0; // per acknowledged block, from this process's processor time
    double eventsUs = 0; // per acknowledged block, letting events run in the session
};

// Runs `runs` uploads of `audioBytes` by each loop on one paced unit, alternating which goes
// first; the medians of the differences between the two uploads of each run.
std::optional<Comparison> compareWithBareLoop(qint64 audioBytes, int runs)
{
    QTemporaryDir folder;
    const QString wave = writeWave(folder.path(), audioBytes);
    Sim sim;
    if (!sim.start(paced()))
        return std::nullopt;
    QList<double> differences;
    QList<double> cpuDifferences;
    QList<double> events;
    const double blocks = double(blockCount(audioBytes));
    for (int run = 0; run < runs; ++run) {
        std::optional<Upload> s;
        std::optional<Upload> b;
        if (run % 2 == 0) {
            b = bareUpload(sim.device(), wave, audioBytes);
            s = sessionUpload(sim.portsDir(), wave, audioBytes);
        } else {
            s = sessionUpload(sim.portsDir(), wave, audioBytes);
            b = bareUpload(sim.device(), wave, audioBytes);
        }
        if (!s || !b)
            return std::nullopt;
        differences << (s->seconds - b->seconds) / blocks * 1e6;
        cpuDifferences << (s->cpuSeconds - b->cpuSeconds) / blocks * 1e6;
        events << s->eventSeconds / blocks * 1e6;
        std::printf("   run %2d: session %.3f s, %.1f us processor time per block (%s); bare loop %.3f s, "
                    "%.1f us per block (%s): %+.1f us per block\n",
            run + 1, s->seconds, s->cpuSeconds / blocks * 1e6, s->outcome.toLocal8Bit().constData(),
            b->seconds, b->cpuSeconds / blocks * 1e6, b->outcome.toLocal8Bit().constData(),
            differences.last());
        std::fflush(stdout);
    }
    return Comparison { median(differences), median(cpuDifferences), median(events) };
}

int runOne(const QString &loop)
{
    QTemporaryDir folder;
    const QString wave = writeWave(folder.path(), MiB);
    Sim sim;
    if (!sim.start(paced()))
        return 1;
    rusage before {};
    getrusage(RUSAGE_SELF, &before);
    const auto upload = loop == u"bare" ? bareUpload(sim.device(), wave, MiB)
                                        : sessionUpload(sim.portsDir(), wave, MiB);
    if (!upload)
        return 1;
    rusage after {};
    getrusage(RUSAGE_SELF, &after);
    printPaced(loop == u"bare" ? "Bare loop, 1 MiB paced:" : "Session, 1 MiB paced:", *upload);
    const double blocks = double(blockCount(MiB));
    std::printf("Per block: %.1f us of processor time, %.2f context switches (%.2f involuntary)\n",
        upload->cpuSeconds / blocks * 1e6,
        double(after.ru_nvcsw + after.ru_nivcsw - before.ru_nvcsw - before.ru_nivcsw) / blocks,
        double(after.ru_nivcsw - before.ru_nivcsw) / blocks);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    int runs = 15;
    if (arguments.size() == 4 && arguments.at(1) == u"--child-upload")
        return childUpload(arguments.at(2).toLongLong(), arguments.at(3));
    if (arguments.size() == 3 && arguments.at(1) == u"--one"
        && (arguments.at(2) == u"session" || arguments.at(2) == u"bare"))
        return runOne(arguments.at(2));
    if (arguments.size() == 3 && arguments.at(1) == u"--runs")
        runs = arguments.at(2).toInt();
    else if (arguments.size() != 1)
        runs = 0;
    if (runs < 1) {
        std::fprintf(stderr, "usage: upload_benchmark [--runs N] | --one session|bare\n");
        return 2;
    }

    QTemporaryDir waves;
    const QString wave = writeWave(waves.path(), MiB);
    // The same upload behind no latency timer, and behind the usual one and a short one.
    const auto pacedUpload = [&wave](int latencyMs) -> std::optional<Upload> {
        Sim sim;
        return sim.start(paced(latencyMs)) ? sessionUpload(sim.portsDir(), wave, MiB) : std::nullopt;
    };
    if (const auto upload = pacedUpload(0))
        printPaced("1. Paced at 460800 baud, 1 MiB of audio:", *upload);
    std::fflush(stdout);

    {
        Sim sim;
        QTemporaryDir folder;
        const QString large = writeWave(folder.path(), 4 * MiB);
        if (sim.start({})) {
            if (const auto unpaced = sessionUpload(sim.portsDir(), large, 4 * MiB))
                std::printf("2. Unpaced, 4 MiB of audio: %.3f s, %.2f MB/s. %s\n", unpaced->seconds,
                    4.0 * MiB / unpaced->seconds / 1e6, unpaced->outcome.toLocal8Bit().constData());
        }
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
    std::fflush(stdout);

    constexpr qint64 ComparedBytes = 256 * 1024;
    std::printf("5. The session against a bare loop that only writes each block and reads its "
                "acknowledgement, %lld kB each, on one unit paced at 460800 baud:\n",
        static_cast<long long>(ComparedBytes / 1024));
    if (const auto comparison = compareWithBareLoop(ComparedBytes, runs)) {
        std::printf("   The session's cost per acknowledged block, median of %d interleaved runs: "
                    "%.1f us (processor time %.1f us); letting events run took %.1f us of it\n",
            runs, comparison->costUs, comparison->cpuCostUs, comparison->eventsUs);
    }
    std::fflush(stdout);

    for (int latencyMs : { 16, 1 }) {
        if (const auto upload = pacedUpload(latencyMs)) {
            const QByteArray label
                = QStringLiteral("6. Behind an adapter's latency timer of %1 ms, 1 MiB paced:")
                      .arg(latencyMs)
                      .toLocal8Bit();
            printPaced(label.constData(), *upload);
            std::fflush(stdout);
        }
    }
    return 0;
}

#include "PtyHost.h"

#include "UnitEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

constexpr qint64 NsPerMs = 1'000'000;
constexpr qint64 NsPerSecond = 1'000'000'000;
// An asynchronous line frames each byte with a start and a stop bit.
constexpr qint64 BitsPerByte = 10;
// Bytes taken from the program ahead of the line; beyond that the program's writes wait in
// the pseudo-terminal, as they would in a real port's transmit buffer.
constexpr size_t MaxIncoming = 4096;
constexpr size_t ChunkBytes = 4096;
// While a paced stream comes in, bytes reach the unit in slices of this much line time rather
// than one wake-up per byte; each keeps its own arrival time. A command's last byte usually ends
// a slice, so replies are not delayed by it.
constexpr qint64 SliceNs = 1'000'000;
// Bytes that follow each other on the line are handed over together once the last of them has
// arrived: the program's read sees them no sooner than a line would deliver them, and one
// wake-up on each side replaces one per byte. Short runs only, so a long stream still flows.
constexpr size_t MostBytesPerRun = 64;
// A paced host waits by spinning when what comes next is this close, and for this long after
// it has answered, when the program's next command is about to come. A real line starts
// carrying a byte the moment the program writes it; a host that slept instead would see it a
// scheduler's wake-up later and stretch every exchange by that much.
constexpr qint64 SpinNs = 300'000;

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(std::strerror(errno)));
}

qint64 monotonicNs()
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(since).count();
}

}  // namespace

PtyHost::PtyHost(UnitEngine &engine) : m_engine(engine), m_startNs(monotonicNs()) {}

PtyHost::~PtyHost()
{
    removeLink();
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

std::optional<QString> PtyHost::open()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return systemError("no pseudo-terminal available");
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return systemError("the pseudo-terminal cannot be unlocked");
    const char *name = ::ptsname(m_master);
    if (!name)
        return systemError("the pseudo-terminal has no device name");
    m_slavePath = QString::fromLocal8Bit(name);

    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return systemError("the pseudo-terminal device cannot be opened");
    // Raw before the first byte: the line discipline would otherwise echo bytes back to the
    // unit and turn carriage returns into line feeds.
    termios tio{};
    if (::tcgetattr(m_slave, &tio) != 0)
        return systemError("the pseudo-terminal cannot be set up");
    ::cfmakeraw(&tio);
    if (::tcsetattr(m_slave, TCSANOW, &tio) != 0)
        return systemError("the pseudo-terminal cannot be set up");

    const int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0
        || ::fcntl(m_master, F_SETFD, FD_CLOEXEC) != 0)
        return systemError("the pseudo-terminal cannot be set up");
    return std::nullopt;
}

std::optional<QString> PtyHost::createLink(const QString &path)
{
    const QFileInfo link(path);
    if (link.isSymLink()) {
        if (!QFile::remove(path))
            return QStringLiteral("the old link %1 cannot be replaced").arg(path);
    } else if (link.exists()) {
        return QStringLiteral("%1 exists and is not a link; it is left alone").arg(path);
    }
    if (!QDir().mkpath(link.absolutePath()))
        return QStringLiteral("the folder %1 cannot be made").arg(link.absolutePath());
    if (!QFile::link(m_slavePath, path))
        return QStringLiteral("the link %1 cannot be made").arg(path);
    m_linkPath = path;
    return std::nullopt;
}

void PtyHost::removeLink()
{
    if (m_linkPath.isEmpty())
        return;
    // Another host may have taken the name over since; its link stays.
    const QFileInfo link(m_linkPath);
    if (link.isSymLink() && link.symLinkTarget() == m_slavePath)
        QFile::remove(m_linkPath);
    m_linkPath.clear();
}

qint64 PtyHost::nowNs() const
{
    return monotonicNs() - m_startNs;
}

qint64 PtyHost::byteNs() const
{
    return (BitsPerByte * NsPerSecond + m_baud / 2) / m_baud;
}

qint64 PtyHost::nextOnLine(qint64 &lineFreeNs, qint64 earliestNs) const
{
    lineFreeNs = std::max(lineFreeNs, earliestNs) + byteNs();
    return lineFreeNs;
}

bool PtyHost::readMaster(qint64 nowNs)
{
    char buffer[ChunkBytes];
    const size_t room = std::min(ChunkBytes, MaxIncoming - std::min(MaxIncoming, m_incoming.size()));
    if (room == 0)
        return true;
    const ssize_t got = ::read(m_master, buffer, room);
    if (got < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    for (ssize_t i = 0; i < got; ++i) {
        const qint64 at = m_baud > 0 ? nextOnLine(m_inLineFreeNs, nowNs) : nowNs;
        m_incoming.push_back(Timed{buffer[i], at});
    }
    return true;
}

void PtyHost::deliverArrived(qint64 nowNs)
{
    while (!m_incoming.empty() && m_incoming.front().atNs <= nowNs) {
        const qint64 atMs = m_incoming.front().atNs / NsPerMs;
        QByteArray arrived;
        while (!m_incoming.empty() && m_incoming.front().atNs <= nowNs
               && m_incoming.front().atNs / NsPerMs == atMs) {
            arrived += m_incoming.front().byte;
            m_incoming.pop_front();
        }
        m_engine.receive(arrived, atMs);
    }
}

bool PtyHost::wantsInput(qint64 nowNs) const
{
    if (m_incoming.size() >= MaxIncoming)
        return false;
    // Reading far ahead of the line gains nothing and costs a wake-up per write of the program.
    return m_incoming.empty() || m_incoming.back().atNs - nowNs < SliceNs;
}

void PtyHost::collectReplies(qint64 nowNs)
{
    const QByteArray ready = m_engine.take(std::numeric_limits<qsizetype>::max(), nowNs / NsPerMs);
    for (char byte : ready) {
        const qint64 at = m_baud > 0 ? nextOnLine(m_outLineFreeNs, nowNs) : nowNs;
        m_outgoing.push_back(Timed{byte, handOverNs(at)});
    }
}

qint64 PtyHost::handOverNs(qint64 arrivedNs)
{
    if (m_latencyNs <= 0)
        return arrivedNs;
    // A byte that finds no timer running starts one; bytes that arrive before it fires wait
    // for it too.
    if (arrivedNs > m_timerFiresNs)
        m_timerFiresNs = arrivedNs + m_latencyNs;
    return m_timerFiresNs;
}

size_t PtyHost::runLength(size_t from) const
{
    const qint64 gapNs = m_baud > 0 ? byteNs() : 0;
    size_t length = from < m_outgoing.size() ? 1 : 0;
    while (from + length < m_outgoing.size() && length < MostBytesPerRun
           && m_outgoing[from + length].atNs - m_outgoing[from + length - 1].atNs <= gapNs)
        ++length;
    return length;
}

bool PtyHost::writeDue(qint64 nowNs)
{
    char buffer[ChunkBytes];
    size_t due = 0;
    // Whole runs only, each once its last byte has arrived on the line.
    for (size_t run = runLength(0);
         run > 0 && due + run <= ChunkBytes && m_outgoing[due + run - 1].atNs <= nowNs;
         run = runLength(due)) {
        for (size_t i = 0; i < run; ++i)
            buffer[due + i] = m_outgoing[due + i].byte;
        due += run;
    }
    if (due == 0)
        return true;
    const ssize_t written = ::write(m_master, buffer, due);
    if (written < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    m_spinUntilNs = nowNs + SpinNs;
    m_outgoing.erase(m_outgoing.begin(), m_outgoing.begin() + written);
    return true;
}

std::optional<qint64> PtyHost::nextDueNs(qint64 nowNs) const
{
    std::optional<qint64> next;
    const auto consider = [&next](qint64 atNs) { next = next ? std::min(*next, atNs) : atNs; };
    if (!m_incoming.empty())
        consider(std::min(m_incoming.back().atNs, m_incoming.front().atNs + SliceNs));
    if (const size_t run = runLength(0); run > 0 && m_outgoing[run - 1].atNs > nowNs)
        consider(m_outgoing[run - 1].atNs);
    if (const auto readyMs = m_engine.readyTime(0))
        consider(*readyMs * NsPerMs);
    if (!next)
        return std::nullopt;
    return std::max<qint64>(0, *next - nowNs);
}

std::optional<QString> PtyHost::run(const volatile std::sig_atomic_t &stop, const sigset_t &waitMask)
{
#ifdef __linux__
    // Pacing works in microseconds; the default timer slack would blur it.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    while (!stop) {
        const qint64 now = nowNs();
        deliverArrived(now);
        collectReplies(now);
        if (!writeDue(now))
            return systemError("writing to the pseudo-terminal failed");

        pollfd pfd{m_master, 0, 0};
        if (wantsInput(now))
            pfd.events |= POLLIN;
        // Bytes that are due but still here: the program is not reading and the buffer is full.
        if (const size_t run = runLength(0); run > 0 && m_outgoing[run - 1].atNs <= now)
            pfd.events |= POLLOUT;
        auto waitNs = nextDueNs(now);
        if (m_baud > 0 && waitNs) {
            // Sleep until shortly before, then spin: a sleeper wakes up late on a busy machine.
            *waitNs = *waitNs <= SpinNs ? 0 : *waitNs - SpinNs;
        }
        if (m_baud > 0 && now < m_spinUntilNs)
            waitNs = 0;
        timespec timeout{};
        if (waitNs) {
            timeout.tv_sec = static_cast<time_t>(*waitNs / NsPerSecond);
            timeout.tv_nsec = static_cast<long>(*waitNs % NsPerSecond);
        }
        const int ready = ::ppoll(&pfd, 1, waitNs ? &timeout : nullptr, &waitMask);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return systemError("waiting on the pseudo-terminal failed");
        }
        if (pfd.revents & (POLLERR | POLLNVAL))
            return QStringLiteral("the pseudo-terminal failed");
        if ((pfd.revents & POLLHUP) && !(pfd.revents & POLLIN))
            return QStringLiteral("the pseudo-terminal hung up");
        if ((pfd.revents & POLLIN) && !readMaster(nowNs()))
            return systemError("reading from the pseudo-terminal failed");
    }
    return std::nullopt;
}

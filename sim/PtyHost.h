#pragma once

#include <QByteArray>
#include <QString>

#include <csignal>
#include <deque>
#include <optional>

class UnitEngine;

// Hosts a UnitEngine on a pseudo-terminal in real time: the program under test opens the
// slave device as its serial port, and the host reads and writes the master side. Optionally
// it behaves like a line of a given baud rate in both directions, so nothing arrives sooner
// than a real unit's bytes would.
class PtyHost {
public:
    explicit PtyHost(UnitEngine &engine);
    ~PtyHost();
    PtyHost(const PtyHost &) = delete;
    PtyHost &operator=(const PtyHost &) = delete;

    // Opens the pair and puts it in raw mode. The error text when it failed.
    std::optional<QString> open();
    // The device the program opens, e.g. /dev/pts/3.
    QString slavePath() const { return m_slavePath; }

    // A symbolic link at `path` to the slave device, made now and removed when the host ends.
    // A stale link left by a host that was killed is replaced; anything else is refused.
    std::optional<QString> createLink(const QString &path);

    // 0: as fast as it can; otherwise 10 bits per byte at this rate, both ways.
    void setBaud(qint32 baud) { m_baud = baud; }
    // 0: replies reach the program as they come off the line. Otherwise they pass through an
    // adapter with a latency timer of this many milliseconds: the first byte of a reply starts
    // the timer, and what has arrived when it fires is handed over together.
    void setAdapterLatencyMs(qint64 ms) { m_latencyNs = ms * 1'000'000; }

    // Serves the unit until `stop` becomes non-zero. Signals are delivered only while waiting,
    // with `waitMask` in force, so one that sets `stop` cannot slip in unnoticed. Returns the
    // error text when the pseudo-terminal failed.
    std::optional<QString> run(const volatile std::sig_atomic_t &stop, const sigset_t &waitMask);

private:
    struct Timed {
        char byte;
        qint64 atNs;  // arrival (incoming) or completion on the line (outgoing)
    };

    qint64 nowNs() const;
    qint64 byteNs() const;
    // The line time of one more byte that starts no earlier than `earliestNs`.
    qint64 nextOnLine(qint64 &lineFreeNs, qint64 earliestNs) const;
    // Reads what the program wrote; false when the master failed.
    bool readMaster(qint64 nowNs);
    void deliverArrived(qint64 nowNs);
    bool wantsInput(qint64 nowNs) const;
    void collectReplies(qint64 nowNs);
    // When a reply byte that came off the line at `arrivedNs` reaches the program.
    qint64 handOverNs(qint64 arrivedNs);
    // How many bytes from `from` on, of what is to be sent, follow each other on the line.
    size_t runLength(size_t from) const;
    // Writes every reply byte whose time has come; false when the master failed.
    bool writeDue(qint64 nowNs);
    // Nanoseconds until something is due; nothing when only the program can wake us.
    std::optional<qint64> nextDueNs(qint64 nowNs) const;
    void removeLink();

    UnitEngine &m_engine;
    int m_master = -1;
    // Held open so the master never sees a hang-up while the program closes and reopens the port.
    int m_slave = -1;
    QString m_slavePath;
    QString m_linkPath;
    qint32 m_baud = 0;
    qint64 m_latencyNs = 0;
    // When the adapter's running latency timer fires; before any byte, long past.
    qint64 m_timerFiresNs = -1;
    qint64 m_startNs = 0;

    std::deque<Timed> m_incoming;
    std::deque<Timed> m_outgoing;
    qint64 m_inLineFreeNs = 0;
    qint64 m_outLineFreeNs = 0;
    qint64 m_spinUntilNs = 0;
};

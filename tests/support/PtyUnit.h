#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

#include <optional>

// The program tavix-unit-sim, from $TAVIX_BIN_DIR, running for one test: a simulated unit on
// a fresh pseudo-terminal. It is stopped by its process id when this object goes.
class PtyUnit {
public:
    enum class Outcome {
        Ready,
        NoPseudoTerminal,  // the system has none to give: the test cannot run here
        Failed,
    };

    // The switches that make the unit's link ports/com<port> in `portsDir`, and any more.
    static QStringList linkArguments(const QString &portsDir, int port = 1, const QStringList &more = {});

    PtyUnit() = default;
    ~PtyUnit();
    PtyUnit(const PtyUnit &) = delete;
    PtyUnit &operator=(const PtyUnit &) = delete;

    // Starts the program and waits for its first line, the device path.
    Outcome start(const QStringList &arguments = {});
    // Why start() did not give Ready.
    QString problem() const { return m_problem; }
    QString devicePath() const { return m_devicePath; }

    // Terminates the program and waits for it; its exit code, when it ended by itself.
    std::optional<int> stop();
    // Ends the program at once, the way a unit vanishes: no clean-up on its side.
    void kill();

    // What the program wrote to stderr so far.
    QString errors();

private:
    QProcess m_process;
    QString m_devicePath;
    QString m_problem;
};

// Starts `unit` inside a test function: skips the test when the system has no pseudo-terminal
// to give, fails it when the simulator does not come up.
#define START_PTY_UNIT(unit, arguments)                                                            \
    do {                                                                                           \
        switch ((unit).start(arguments)) {                                                         \
        case PtyUnit::Outcome::Ready:                                                              \
            break;                                                                                 \
        case PtyUnit::Outcome::NoPseudoTerminal:                                                   \
            QSKIP(qPrintable(QStringLiteral("no pseudo-terminal: ") + (unit).problem()));          \
        case PtyUnit::Outcome::Failed:                                                             \
            QFAIL(qPrintable((unit).problem()));                                                   \
        }                                                                                          \
    } while (false)

#include "PtyUnit.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

namespace {

// A started simulator answers within milliseconds; this only bounds a broken one.
constexpr int StartWaitMs = 5000;
constexpr int StopWaitMs = 3000;
// tavix-unit-sim's exit code when the system gives no pseudo-terminal.
constexpr int ExitNoPseudoTerminal = 3;

}  // namespace

QStringList PtyUnit::linkArguments(const QString &portsDir, int port, const QStringList &more)
{
    return QStringList{QStringLiteral("--link"), QDir(portsDir).filePath(QStringLiteral("com%1").arg(port))}
           + more;
}

PtyUnit::~PtyUnit()
{
    stop();
}

PtyUnit::Outcome PtyUnit::start(const QStringList &arguments)
{
    const QString binDir = qEnvironmentVariable("TAVIX_BIN_DIR");
    const QString program = QDir(binDir).filePath(QStringLiteral("tavix-unit-sim"));
    if (binDir.isEmpty() || !QFileInfo(program).isExecutable()) {
        m_problem = QStringLiteral("tavix-unit-sim not found (TAVIX_BIN_DIR=\"%1\")").arg(binDir);
        return Outcome::Failed;
    }
    m_process.setProgram(program);
    m_process.setArguments(arguments);
    m_process.start();
    if (!m_process.waitForStarted(StartWaitMs)) {
        m_problem = QStringLiteral("tavix-unit-sim did not start: %1").arg(m_process.errorString());
        return Outcome::Failed;
    }

    const QDeadlineTimer deadline(StartWaitMs);
    while (!m_process.canReadLine()) {
        if (m_process.state() == QProcess::NotRunning || deadline.hasExpired()
            || !m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            if (m_process.state() == QProcess::Running) {
                m_problem = QStringLiteral("tavix-unit-sim gave no device within %1 ms").arg(StartWaitMs);
                return Outcome::Failed;
            }
            m_process.waitForFinished(StopWaitMs);
            m_problem = QStringLiteral("tavix-unit-sim ended: %1").arg(errors().trimmed());
            return m_process.exitStatus() == QProcess::NormalExit
                           && m_process.exitCode() == ExitNoPseudoTerminal
                       ? Outcome::NoPseudoTerminal
                       : Outcome::Failed;
        }
    }
    m_devicePath = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    return Outcome::Ready;
}

std::optional<int> PtyUnit::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return std::nullopt;
    m_process.terminate();
    if (!m_process.waitForFinished(StopWaitMs)) {
        m_process.kill();
        m_process.waitForFinished(StopWaitMs);
        return std::nullopt;
    }
    if (m_process.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return m_process.exitCode();
}

void PtyUnit::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(StopWaitMs);
}

QString PtyUnit::errors()
{
    return QString::fromLocal8Bit(m_process.readAllStandardError());
}

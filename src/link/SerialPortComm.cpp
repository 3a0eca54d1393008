#include "link/SerialPortComm.h"

#include "link/LineSettings.h"
#include "link/PortMap.h"
#include "link/TerminalIo.h"

#include <QDeadlineTimer>
#include <QStringList>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {

// How long the system may take to accept gathered bytes before a read, at the least; a port
// with no flow control takes them at once, so running out means the port is stuck.
constexpr qint32 MinimumSendWaitMs = 1000;

}  // namespace

SerialPortComm::SerialPortComm(const QString &portsDir, SerialDriverFlags &driver)
    : m_portsDir(portsDir), m_lowLatency(driver)
{
    m_clock.start();
}

SerialPortComm::~SerialPortComm()
{
    PortOpen(false);
}

void SerialPortComm::PortNumber(qint16 number)
{
    m_portNumber = number;
}

qint16 SerialPortComm::PortNumber() const
{
    return m_portNumber;
}

void SerialPortComm::PortOpen(bool open)
{
    if (!open) {
        if (m_port.isOpen()) {
            m_lowLatency.release();
            m_port.close();
        }
        m_port.clearError();
        m_unsent.clear();
        m_gone = false;
        return;
    }
    if (m_port.isOpen()) {
        if (m_openNumber == m_portNumber)
            return;
        // Another port was named meanwhile: that one is meant, not the one still open.
        PortOpen(false);
    }

    const QString device = portDevice(m_portNumber, m_portsDir, systemPorts());
    if (device.isEmpty()) {
        raise(CommFault::OpenFailed, QStringLiteral("There is no serial port %1.").arg(m_portNumber));
        return;
    }
    m_port.setPortName(device);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        raise(CommFault::OpenFailed, QStringLiteral("Serial port %1 (%2) could not be opened: %3")
                                         .arg(m_portNumber)
                                         .arg(device, m_port.errorString()));
        m_port.clearError();
        return;
    }
    // Opening can leave a harmless error behind, e.g. modem control on a pseudo-terminal.
    m_port.clearError();
#ifdef Q_OS_UNIX
    m_lowLatency.engage(descriptor());
#endif
    m_gone = false;
    m_openNumber = m_portNumber;
}

QStringList SerialPortComm::systemPorts()
{
    // Asking the system for its ports takes about 10 ms; a search that opens 255 numbers one
    // after the other asks once instead of 255 times. A port plugged in meanwhile is seen a
    // few seconds later.
    constexpr qint64 freshForMs = 3000;
    if (!m_systemPortsAge.isValid() || m_systemPortsAge.hasExpired(freshForMs)) {
        m_systemPorts = systemSerialPorts();
        m_systemPortsAge.start();
    }
    return m_systemPorts;
}

bool SerialPortComm::PortOpen() const
{
    return m_port.isOpen();
}

void SerialPortComm::LineSettings(const QString &settings)
{
    const auto baud = parseLineSettings(settings);
    if (!baud) {
        raise(CommFault::BadSettings, QStringLiteral("Line settings not accepted: \"%1\"").arg(settings));
        return;
    }
    if (!usable())
        return;
    const bool applied = m_port.setBaudRate(*baud) && m_port.setDataBits(QSerialPort::Data8)
                         && m_port.setParity(QSerialPort::NoParity)
                         && m_port.setStopBits(QSerialPort::OneStop)
                         && m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (applied) {
        m_port.clearError();
        return;
    }
    if (m_port.error() == QSerialPort::ResourceError) {
        markGone();
        return;
    }
    raise(CommFault::BadSettings, QStringLiteral("The serial port does not accept %1 baud: %2")
                                      .arg(*baud)
                                      .arg(m_port.errorString()));
    m_port.clearError();
}

// Nothing depends on these two; the port needs neither.
void SerialPortComm::SetupFlag(bool) {}
void SerialPortComm::SetupValue(qint32) {}

void SerialPortComm::OutputText(const QByteArray &text)
{
    if (!usable() || text.isEmpty())
        return;
#ifdef Q_OS_UNIX
    // What the system takes now goes at once; the rest waits here, and the next write or read
    // hands it over first, so a caller writing piece by piece never waits per byte and the
    // bytes keep their order.
    if (m_unsent.isEmpty()) {
        const TerminalIo::Result result = TerminalIo::write(descriptor(), text.constData(), text.size());
        if (result.status != TerminalIo::Status::Ok) {
            ioFault(result.status, CommFault::WriteFailed);
            return;
        }
        if (result.bytes < text.size())
            m_unsent = text.mid(result.bytes);
        return;
    }
    m_unsent += text;
    sendUnsent();
#else
    // The bytes join the port's buffer, and flush() hands the system what it takes now without
    // waiting for the line, so a caller writing piece by piece never waits per byte.
    if (m_port.write(text) != text.size()) {
        portHealthy(CommFault::WriteFailed);
        return;
    }
    m_port.flush();
    portHealthy(CommFault::WriteFailed);
#endif
}

void SerialPortComm::ReadCount(qint32 count)
{
    m_readCount = count;
}

void SerialPortComm::ReadWait(qint32 milliseconds)
{
    m_readWait = milliseconds;
}

QByteArray SerialPortComm::InputText()
{
    if (!usable())
        return {};
    const qint32 count = qMax(0, m_readCount);
    const qint32 waitMs = qMax(0, m_readWait);
    if (!sendGathered(QDeadlineTimer(qMax(waitMs, MinimumSendWaitMs))))
        return {};
#ifdef Q_OS_UNIX
    if (count == 0) {
        // Some devices that went away only show it as a hang-up.
        if (hungUp())
            markGone();
        return {};
    }
    // Bytes the port took in itself while events ran came first.
    QByteArray reply = m_port.bytesAvailable() > 0 ? m_port.read(count) : QByteArray();
    const qsizetype buffered = reply.size();
    reply.resize(count);
    qsizetype got = buffered;
    const QDeadlineTimer deadline(waitMs);
    // Only as many bytes as asked for are taken from the system: the rest stays there for the
    // next read, so no byte waits anywhere else.
    while (got < count) {
        const TerminalIo::Status ready =
            TerminalIo::wait(descriptor(), false, static_cast<int>(deadline.remainingTime()));
        if (ready == TerminalIo::Status::TimedOut) {
            if (deadline.hasExpired())
                break;
            continue;
        }
        const TerminalIo::Result result = ready == TerminalIo::Status::Ok
            ? TerminalIo::read(descriptor(), reply.data() + got, count - got)
            : TerminalIo::Result { ready, 0 };
        if (result.status != TerminalIo::Status::Ok) {
            ioFault(result.status, CommFault::ReadFailed);
            return {};
        }
        got += result.bytes;
    }
    reply.truncate(got);
    return reply;
#else
    // Some devices that went away only show it as a hang-up, which waiting would not report.
    if (hungUp()) {
        markGone();
        return {};
    }
    if (count == 0)
        return {};

    const QDeadlineTimer deadline(waitMs);
    while (m_port.bytesAvailable() < count && !deadline.hasExpired()) {
        if (!m_port.waitForReadyRead(static_cast<int>(deadline.remainingTime()))
            && !portHealthy(CommFault::ReadFailed))
            return {};
    }
    // What reached the system just as the wait ran out still belongs to this read.
    if (m_port.bytesAvailable() < count && !m_port.waitForReadyRead(0)
        && !portHealthy(CommFault::ReadFailed))
        return {};
    return m_port.read(count);
#endif
}

qint64 SerialPortComm::clockMs() const
{
    return m_clock.elapsed();
}

bool SerialPortComm::usable()
{
    if (!m_port.isOpen()) {
        raise(CommFault::NotOpen, QStringLiteral("The serial port is not open."));
        return false;
    }
    // The port reads by itself while events run, and keeps what went wrong then.
    if (!m_gone && m_port.error() != QSerialPort::NoError)
        portHealthy(CommFault::ReadFailed);
    if (m_gone) {
        raise(CommFault::Gone, QStringLiteral("The serial device %1 is gone.").arg(m_port.portName()));
        return false;
    }
    return true;
}

bool SerialPortComm::portHealthy(CommFault fault)
{
    const QSerialPort::SerialPortError error = m_port.error();
    const QString text = m_port.errorString();
    m_port.clearError();
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
    // Modem-control lines do not exist on a pseudo-terminal; nothing here needs them.
    case QSerialPort::UnsupportedOperationError:
        return true;
    case QSerialPort::ResourceError:
#ifdef Q_OS_UNIX
        // The port also calls it so when its own read found nothing because ours had taken
        // the bytes first; only a hang-up means the device went.
        if (!hungUp())
            return true;
#endif
        markGone();
        return false;
    default:
        if (hungUp()) {
            markGone();
            return false;
        }
        raise(fault, QStringLiteral("Serial port %1: %2").arg(m_port.portName(), text));
        return false;
    }
}

bool SerialPortComm::hungUp() const
{
#ifdef Q_OS_UNIX
    // A terminal whose far end closed reads as empty rather than failing, so QSerialPort calls
    // it a read error with whatever errno was left over; the hang-up flag tells the truth.
    pollfd pfd{static_cast<int>(m_port.handle()), POLLIN, 0};
    return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return false;
#endif
}

void SerialPortComm::markGone()
{
    m_gone = true;
    m_port.clear();
    m_port.clearError();
    raise(CommFault::Gone, QStringLiteral("The serial device %1 is gone.").arg(m_port.portName()));
}

bool SerialPortComm::sendGathered(const QDeadlineTimer &deadline)
{
#ifdef Q_OS_UNIX
    while (!m_unsent.isEmpty()) {
        if (deadline.hasExpired()) {
            m_unsent.clear();
            m_port.clear(QSerialPort::Output);
            raise(CommFault::WriteFailed,
                  QStringLiteral("Serial port %1 does not take the data.").arg(m_port.portName()));
            return false;
        }
        const TerminalIo::Status ready =
            TerminalIo::wait(descriptor(), true, static_cast<int>(deadline.remainingTime()));
        if (ready == TerminalIo::Status::TimedOut)
            continue;
        if (ready != TerminalIo::Status::Ok) {
            ioFault(ready, CommFault::WriteFailed);
            return false;
        }
        if (!sendUnsent())
            return false;
    }
    return true;
#else
    while (m_port.bytesToWrite() > 0) {
        if (deadline.hasExpired()) {
            m_port.clear(QSerialPort::Output);
            raise(CommFault::WriteFailed,
                  QStringLiteral("Serial port %1 does not take the data.").arg(m_port.portName()));
            return false;
        }
        if (!m_port.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))
            && !portHealthy(CommFault::WriteFailed))
            return false;
    }
    return true;
#endif
}

#ifdef Q_OS_UNIX
int SerialPortComm::descriptor() const
{
    return static_cast<int>(m_port.handle());
}

bool SerialPortComm::sendUnsent()
{
    const TerminalIo::Result result = TerminalIo::write(descriptor(), m_unsent.constData(), m_unsent.size());
    if (result.status != TerminalIo::Status::Ok) {
        ioFault(result.status, CommFault::WriteFailed);
        return false;
    }
    m_unsent.remove(0, result.bytes);
    return true;
}

void SerialPortComm::ioFault(TerminalIo::Status status, CommFault fault)
{
    const int error = errno;
    m_unsent.clear();
    if (status == TerminalIo::Status::Gone) {
        markGone();
        return;
    }
    raise(fault, QStringLiteral("Serial port %1: %2").arg(m_port.portName(), qt_error_string(error)));
}
#endif

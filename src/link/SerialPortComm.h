#pragma once

#include "link/LowLatency.h"
#include "link/SaxComm.h"
#include "link/TerminalIo.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QStringList>

class QDeadlineTimer;

// The serial component on a real port (or a pseudo-terminal) through QSerialPort. Port numbers
// map to devices as portDevice() says. A port that is missing, closed or gone never ends the
// program: writes do nothing, reads return empty, and the fault is kept for the caller. While
// a port is open its driver is asked for low latency (see LowLatency), through `driver`.
class SerialPortComm : public SaxComm {
public:
    explicit SerialPortComm(const QString &portsDir, SerialDriverFlags &driver = SerialDriverFlags::system());
    ~SerialPortComm() override;

    void PortNumber(qint16 number) override;
    qint16 PortNumber() const override;
    void PortOpen(bool open) override;
    bool PortOpen() const override;
    void LineSettings(const QString &settings) override;
    void SetupFlag(bool flag) override;
    void SetupValue(qint32 value) override;
    void OutputText(const QByteArray &text) override;
    void ReadCount(qint32 count) override;
    void ReadWait(qint32 milliseconds) override;
    QByteArray InputText() override;
    qint64 clockMs() const override;

private:
    QStringList systemPorts();

    // False, with the fault raised, when the port cannot be written or read now.
    bool usable();
    // Looks at the port's last error and clears it; false when it was a real fault, which is
    // then raised as `fault` (or as Gone when the device went away).
    bool portHealthy(CommFault fault);
    // The device's far end is gone (a pseudo-terminal's other side closed, a cable pulled).
    bool hungUp() const;
    void markGone();
    // Hands every gathered byte to the system before `deadline`.
    bool sendGathered(const QDeadlineTimer &deadline);
#ifdef Q_OS_UNIX
    // Reads and writes go to the descriptor directly, see TerminalIo.
    int descriptor() const;
    // Hands the system what it takes now of the bytes still here; false after a fault.
    bool sendUnsent();
    // A failed write or read: the device gone, or `fault` raised with the system's text.
    void ioFault(TerminalIo::Status status, CommFault fault);
#endif

    QString m_portsDir;
    QStringList m_systemPorts;
    QElapsedTimer m_systemPortsAge;
    QElapsedTimer m_clock;
    QSerialPort m_port;
    LowLatency m_lowLatency;
    qint16 m_portNumber = 0;
    qint16 m_openNumber = 0;  // the number the open port was opened as
    qint32 m_readCount = 0;
    qint32 m_readWait = 0;
    // The device went away while open: the port stays open until closed, but is dead.
    bool m_gone = false;
    // Written bytes the system has not taken yet, oldest first.
    QByteArray m_unsent;
};

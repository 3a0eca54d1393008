#include "link/SerialPortComm.h"

SerialPortComm::SerialPortComm(const QString &portsDir) : m_portsDir(portsDir) {}
SerialPortComm::~SerialPortComm() = default;
void SerialPortComm::PortNumber(qint16 number) { m_portNumber = number; }
qint16 SerialPortComm::PortNumber() const { return m_portNumber; }
void SerialPortComm::PortOpen(bool) {}
bool SerialPortComm::PortOpen() const { return m_port.isOpen(); }
void SerialPortComm::LineSettings(const QString &) {}
void SerialPortComm::SetupFlag(bool) {}
void SerialPortComm::SetupValue(qint32) {}
void SerialPortComm::OutputText(const QByteArray &) {}
void SerialPortComm::ReadCount(qint32 count) { m_readCount = count; }
void SerialPortComm::ReadWait(qint32 milliseconds) { m_readWait = milliseconds; }
QByteArray SerialPortComm::InputText() { return {}; }

#pragma once

#include <QString>
#include <QStringList>

// Port numbers 1 to 255 as the settings file and the port windows know them, and the device
// behind each. On Windows port n is COMn. Elsewhere it is the target of the link <portsDir>/comn
// when that link exists (the simulated unit makes one; pseudo-terminals are never listed by the
// system), otherwise the n-th serial port the system reports, sorted by device path.

inline constexpr int FirstPortNumber = 1;
inline constexpr int LastPortNumber = 255;

// Where the link of port `number` lives: <portsDir>/comN.
QString portLinkPath(int number, const QString &portsDir);
// Port `number` is a link in the ports folder (never on Windows).
bool isPortLink(int number, const QString &portsDir);

// The serial ports the system reports, by device path, sorted.
QStringList systemSerialPorts();

// The device of port `number`, empty when there is none. A link whose target is gone still
// names that target: the number belongs to it, and opening it then fails the ordinary way
// rather than reaching some other port.
QString portDevice(int number, const QString &portsDir, const QStringList &systemPorts);

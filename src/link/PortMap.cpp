#include "link/PortMap.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <optional>

QStringList systemSerialPorts()
{
    QStringList devices;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports)
        devices << port.systemLocation();
    std::sort(devices.begin(), devices.end());
    return devices;
}

namespace {

bool inRange(int number)
{
    return number >= FirstPortNumber && number <= LastPortNumber;
}

#ifndef Q_OS_WIN
// The device named by <portsDir>/comN, if that entry is there.
std::optional<QString> linkedDevice(int number, const QString &portsDir)
{
    if (portsDir.isEmpty())
        return std::nullopt;
    const QFileInfo link(portLinkPath(number, portsDir));
    // exists() follows the link, so a dangling one is only seen as a symbolic link.
    if (link.isSymLink())
        return link.symLinkTarget();
    if (link.exists())
        return link.absoluteFilePath();
    return std::nullopt;
}
#endif

}  // namespace

QString portLinkPath(int number, const QString &portsDir)
{
    return QDir(portsDir).filePath(QStringLiteral("com%1").arg(number));
}

bool isPortLink(int number, const QString &portsDir)
{
#ifdef Q_OS_WIN
    Q_UNUSED(number);
    Q_UNUSED(portsDir);
    return false;
#else
    return inRange(number) && !portsDir.isEmpty() && QFileInfo(portLinkPath(number, portsDir)).isSymLink();
#endif
}

QString portDevice(int number, const QString &portsDir, const QStringList &systemPorts)
{
    if (!inRange(number))
        return {};
#ifdef Q_OS_WIN
    Q_UNUSED(portsDir);
    Q_UNUSED(systemPorts);
    return QStringLiteral("COM%1").arg(number);
#else
    if (const auto linked = linkedDevice(number, portsDir))
        return *linked;
    return number <= systemPorts.size() ? systemPorts.at(number - 1) : QString();
#endif
}

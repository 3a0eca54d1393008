#include "link/PortPins.h"

#include "link/PortMap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

std::optional<QString> pinPort(const QString &portsDir, int number, const QString &target)
{
#ifdef Q_OS_WIN
    return QStringLiteral("Port %1 is always COM%1 here.").arg(number);
#endif
    if (number < FirstPortNumber || number > LastPortNumber)
        return QStringLiteral("%1 is not a port number from 1 to 255.").arg(number);
    if (target.isEmpty())
        return QStringLiteral("Port %1 has no device to pin.").arg(number);
    const QString path = portLinkPath(number, portsDir);
    const QFileInfo link(path);
    if (link.isSymLink()) {
        if (!QFile::remove(path))
            return QStringLiteral("The link %1 cannot be replaced.").arg(path);
    } else if (link.exists()) {
        return QStringLiteral("%1 is not a link; it is left alone.").arg(path);
    }
    if (!QDir().mkpath(portsDir))
        return QStringLiteral("The folder %1 cannot be made.").arg(portsDir);
    if (!QFile::link(target, path))
        return QStringLiteral("The link %1 cannot be made.").arg(path);
    return std::nullopt;
}

std::optional<QString> unpinPort(const QString &portsDir, int number)
{
    const QString path = portLinkPath(number, portsDir);
    if (!QFileInfo(path).isSymLink())
        return std::nullopt;
    if (!QFile::remove(path))
        return QStringLiteral("The link %1 cannot be removed.").arg(path);
    return std::nullopt;
}

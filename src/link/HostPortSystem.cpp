#include "link/PortSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

#ifdef Q_OS_UNIX
#include <cerrno>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

class HostPortSystem : public PortSystem {
public:
    QList<SystemPort> ports() const override
    {
        // udev names every USB adapter here after its maker, product and serial number.
        QHash<QString, QString> stableByDevice;
#ifdef Q_OS_LINUX
        const QDir byId(QStringLiteral("/dev/serial/by-id"));
        const auto entries
            = byId.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries)
            stableByDevice.insert(entry.canonicalFilePath(), entry.absoluteFilePath());
#endif
        QList<SystemPort> ports;
        const auto infos = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &info : infos) {
            const QString device = info.systemLocation();
            ports.append(SystemPort { device, info.description(), info.manufacturer(),
                info.serialNumber(), stableByDevice.value(QFileInfo(device).canonicalFilePath()) });
        }
        return ports;
    }

    PortAccess access(const QString &device) const override
    {
#ifdef Q_OS_UNIX
        const QByteArray path = QFile::encodeName(device);
        struct stat status { };
        if (::stat(path.constData(), &status) != 0)
            return errno == EACCES ? PortAccess::NoPermission : PortAccess::Missing;
        if (::access(path.constData(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM))
            return PortAccess::NoPermission;
#else
        Q_UNUSED(device);
#endif
        return PortAccess::Ok;
    }

    QString owningGroup(const QString &device) const override
    {
#ifdef Q_OS_UNIX
        struct stat status { };
        if (::stat(QFile::encodeName(device).constData(), &status) != 0)
            return {};
        if (const group *owner = ::getgrgid(status.st_gid))
            return QString::fromLocal8Bit(owner->gr_name);
#else
        Q_UNUSED(device);
#endif
        return {};
    }
};

} // namespace

const PortSystem &PortSystem::host()
{
    static const HostPortSystem system;
    return system;
}

#include "link/PortInventory.h"

#include "link/PortMap.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace {

// The system's entry for a device: by its name, by its stable path (a pinned number) or by
// where a link to it leads.
const SystemPort *findPort(const QList<SystemPort> &ports, const QString &device)
{
    const QString canonical = QFileInfo(device).canonicalFilePath();
    for (const SystemPort &port : ports) {
        if (port.device == device || (!port.stablePath.isEmpty() && port.stablePath == device))
            return &port;
    }
    if (canonical.isEmpty())
        return nullptr;
    for (const SystemPort &port : ports) {
        if (QFileInfo(port.device).canonicalFilePath() == canonical)
            return &port;
    }
    return nullptr;
}

} // namespace

QString PortInventoryRow::adapterText() const
{
    QStringList parts;
    if (!description.isEmpty())
        parts << description;
    if (!manufacturer.isEmpty())
        parts << manufacturer;
    if (!serialNumber.isEmpty())
        parts << QStringLiteral("serial %1").arg(serialNumber);
    return parts.join(QStringLiteral(", "));
}

QString PortInventoryRow::accessSummary() const
{
    switch (access) {
    case PortAccess::Ok:
        return QStringLiteral("ok");
    case PortAccess::NoPermission:
        return owningGroup.isEmpty() ? QStringLiteral("no permission")
                                     : QStringLiteral("no permission (group %1)").arg(owningGroup);
    case PortAccess::Missing:
        return QStringLiteral("not connected");
    }
    return {};
}

QString PortInventoryRow::accessText() const
{
    switch (access) {
    case PortAccess::Ok:
        return {};
    case PortAccess::NoPermission:
        if (owningGroup.isEmpty())
            return QStringLiteral(
                "No permission to open %1. Add yourself to the group that owns it "
                "(dialout on Debian and Ubuntu, uucp on others), then log out and "
                "in again.")
                .arg(device);
        return QStringLiteral(
            "No permission to open %1: it belongs to the group %2. Add yourself "
            "to that group with \"sudo usermod -aG %2 $USER\", then log out and in "
            "again.")
            .arg(device, owningGroup);
    case PortAccess::Missing:
        return QStringLiteral("Nothing is connected at %1.").arg(device);
    }
    return {};
}

QList<PortInventoryRow> portInventory(const QString &portsDir, const PortSystem &system)
{
    const QList<SystemPort> ports = system.ports();
    QStringList devices;
    for (const SystemPort &port : ports)
        devices << port.device;
    std::sort(devices.begin(), devices.end());

    QList<PortInventoryRow> rows;
    rows.reserve(LastPortNumber);
    for (int number = FirstPortNumber; number <= LastPortNumber; ++number) {
        PortInventoryRow row;
        row.number = number;
        row.device = portDevice(number, portsDir, devices);
        row.pinned = isPortLink(number, portsDir);
        if (row.hasDevice()) {
            if (const SystemPort *port = findPort(ports, row.device)) {
                row.description = port->description;
                row.manufacturer = port->manufacturer;
                row.serialNumber = port->serialNumber;
                row.stablePath = port->stablePath;
            }
            row.access = system.access(row.device);
            if (row.access == PortAccess::NoPermission)
                row.owningGroup = system.owningGroup(row.device);
        }
        rows.append(row);
    }
    return rows;
}

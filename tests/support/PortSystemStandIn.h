#pragma once

#include "link/PortSystem.h"

#include <QStringList>

// The system's serial ports as a test says they are: the list it reports, and the devices this
// user may not open (tests may run as root, for whom every device opens).
class PortSystemStandIn : public PortSystem {
public:
    QList<SystemPort> ports() const override { return list; }
    PortAccess access(const QString &device) const override
    {
        if (noPermission.contains(device))
            return PortAccess::NoPermission;
        return missing.contains(device) ? PortAccess::Missing : PortAccess::Ok;
    }
    QString owningGroup(const QString &) const override { return group; }

    QList<SystemPort> list;
    QStringList noPermission;
    QStringList missing;
    QString group = QStringLiteral("dialout");
};

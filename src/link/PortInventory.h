#pragma once

#include "link/PortSystem.h"

#include <QList>
#include <QString>

// One port number with what the system says of the device behind it: what the port selection
// window and `tavixctl ports` show.
struct PortInventoryRow {
    int number = 0;
    QString device; // what the number opens; empty when it stands for nothing here
    QString description;
    QString manufacturer;
    QString serialNumber;
    QString stablePath; // see SystemPort
    PortAccess access = PortAccess::Ok;
    QString owningGroup; // with NoPermission, where it can be told
    // The number is a link in the ports folder: it stays with its device whatever the order.
    bool pinned = false;

    bool operator==(const PortInventoryRow &) const = default;

    bool hasDevice() const { return !device.isEmpty(); }
    // The name that stays with the adapter: its stable path, else its device.
    QString identity() const { return stablePath.isEmpty() ? device : stablePath; }
    // "UX2 USB Serial, Lintel, serial A10KXYZ9": what the system says of it; empty for nothing.
    QString adapterText() const;
    // "ok", "no permission (group dialout)", "not connected".
    QString accessSummary() const;
    // Why this user cannot open it and what to do; empty when nothing stands in the way.
    QString accessText() const;
};

// Every number from 1 to 255, in order, mapped as portDevice() says; the system is asked once.
QList<PortInventoryRow> portInventory(
    const QString &portsDir, const PortSystem &system = PortSystem::host());

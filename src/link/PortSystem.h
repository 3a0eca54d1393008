#pragma once

#include <QList>
#include <QString>

// One serial port as the system reports it.
struct SystemPort {
    QString device; // /dev/ttyUSB0, COM3
    QString description; // "UX2 USB Serial"; empty where the system says nothing
    QString manufacturer;
    QString serialNumber;
    // The adapter's name under /dev/serial/by-id/, which follows the adapter whatever order it
    // was plugged in; empty when it has none (built-in ports, other systems).
    QString stablePath;

    bool operator==(const SystemPort &) const = default;
};

enum class PortAccess {
    Ok,
    NoPermission, // the device is there, but this user may not open it
    Missing, // nothing at the device's path: a pinned adapter that is unplugged
};

// What the program asks the system about its serial ports. The program asks the system itself
// (host()); tests answer in its place, so they do not depend on the machine's ports or on
// running as root.
class PortSystem {
public:
    virtual ~PortSystem() = default;
    // The ports there are now, in any order.
    virtual QList<SystemPort> ports() const = 0;
    virtual PortAccess access(const QString &device) const = 0;
    // The group that owns the device file; empty where it cannot be told.
    virtual QString owningGroup(const QString &device) const = 0;

    static const PortSystem &host();
};

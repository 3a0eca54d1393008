#include "PortListing.h"

QStringList portListing(const QList<PortAssignment> &ports)
{
    QStringList lines;
    for (const PortAssignment &port : ports)
        if (!port.device.isEmpty())
            lines << QStringLiteral("%1\t%2").arg(port.number).arg(port.device);
    return lines;
}

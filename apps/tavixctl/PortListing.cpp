#include "PortListing.h"

QStringList portListing(const QList<PortInventoryRow> &ports)
{
    QStringList lines;
    for (const PortInventoryRow &port : ports) {
        if (!port.hasDevice())
            continue;
        const QString adapter = port.adapterText();
        lines << QStringList { QString::number(port.number), port.device,
                     adapter.isEmpty() ? QStringLiteral("-") : adapter, port.accessSummary(),
                     port.pinned ? QStringLiteral("pinned") : QStringLiteral("-") }
                     .join(QLatin1Char('\t'));
    }
    return lines;
}

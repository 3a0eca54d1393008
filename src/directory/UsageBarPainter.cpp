#include "directory/UsageBarPainter.h"

#include "app/MainSurface.h"
#include "directory/UsageBars.h"

void paintUsageBars(MainSurface &surface, int start, qint64 bytes, qint32 capacity)
{
    const QList<BarPaint> bars = usageBars(start, bytes, capacity);
    if (bars.isEmpty())
        return;
    const Rgb colour = surface.barColor(start);
    for (const BarPaint &bar : bars) {
        surface.setBarColor(bar.location, colour);
        surface.setBarWidth(bar.location, bar.width);
    }
}

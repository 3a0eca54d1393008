#include "commands/PaintUsageBars.h"

#include "commands/MainSurface.h"
#include "protocol/UsageBars.h"

void paintUsageBars(MainSurface &surface, int start, qint64 bytes, qint32 capacity,
    const std::function<void(int location)> &beforeEach)
{
    const QList<BarPaint> bars = usageBars(start, bytes, capacity);
    if (bars.isEmpty())
        return;
    const Rgb colour = surface.barColor(start);
    for (const BarPaint &bar : bars) {
        if (beforeEach)
            beforeEach(bar.location);
        surface.setBarColor(bar.location, colour);
        surface.setBarWidth(bar.location, bar.width);
    }
}

#include "protocol/UsageBars.h"

#include <cmath>

QList<BarPaint> usageBars(int start, qint64 bytes, qint32 capacity)
{
    QList<BarPaint> bars;
    if (capacity <= 0)
        return bars;
    qint64 remaining = bytes;
    int location = start;
    while (remaining >= 1 && location >= 0 && location <= 7) {
        bars.append(BarPaint{location, FullBarWidth});
        ++location;
        remaining -= capacity;
    }
    if (remaining < 0 && !bars.isEmpty()) {
        const double used = static_cast<double>(remaining + capacity);
        // nearbyint rounds halves to the even neighbour in the default rounding mode.
        const int width = static_cast<int>(std::nearbyint(used * FullBarWidth / capacity));
        bars.last().width = qMax(width, SmallestBarWidth);
    }
    return bars;
}

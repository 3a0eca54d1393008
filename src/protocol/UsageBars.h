#pragma once

#include <QList>

// Usage bars are measured in twips: the outline is 795 wide, a full bar 800.
inline constexpr int FullBarWidth = 800;
inline constexpr int SmallestBarWidth = 40;

struct BarPaint {
    int location;  // 0 to 7
    int width;     // twips
};

// The bars that `bytes` bytes starting at location `start` fill: every location they cover,
// in order, full width, except a last location that is only partly used, whose width is its
// share of 800 (rounded, halves to even, at least 40). Nothing is painted past location 8, and
// nothing at all for a start of 8 or more.
QList<BarPaint> usageBars(int start, qint64 bytes, qint32 capacity);

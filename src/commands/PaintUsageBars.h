#pragma once

#include <QtGlobal>

#include <functional>

class MainSurface;

// Paints the bars that `bytes` bytes starting at location `start` fill (the rule of usageBars),
// every covered bar in the colour that the start location's bar has now. `beforeEach` runs for
// each covered location before its bar is painted (the directory read lets events run there and
// names the location).
void paintUsageBars(MainSurface &surface, int start, qint64 bytes, qint32 capacity,
    const std::function<void(int location)> &beforeEach = {});

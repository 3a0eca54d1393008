#pragma once

#include <QtGlobal>

class MainSurface;

// Paints the bars that `bytes` bytes from location `start` fill, all in the start bar's colour.
void paintUsageBars(MainSurface &surface, int start, qint64 bytes, qint32 capacity);

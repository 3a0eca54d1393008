#pragma once

#include <QtGlobal>

// What every Tavix unit is: the program, the command line and the simulated unit share these.

inline constexpr int LocationCount = 8;
// Bytes of one memory location.
inline constexpr qint32 LocationBytes = 1048576;
// Bytes that a stored message occupies beyond its audio data.
inline constexpr qint32 MessageOverhead = 32;

#pragma once

#include <QtGlobal>

// What every Tavix unit is: the program, the command line and the simulated unit share these.

inline constexpr int LocationCount = 8;
// Bytes of one memory location.
inline constexpr qint32 LocationBytes = 1048576;
// Bytes that a stored message occupies beyond its audio data.
inline constexpr qint32 MessageOverhead = 32;

// The playback mode register, and the trigger delay registers: one per location, 9 to 16.
inline constexpr quint8 ModeRegister = 1;
inline constexpr quint8 FirstDelayRegister = 9;

// A unit that keeps sending directory records never ends the read on its own; a unit has eight
// locations, so this many records can only come from a broken one.
inline constexpr int MostRecords = 64;

#pragma once

#include "commands/MainSurface.h"

#include <array>

// The home fill colour of each usage bar. A message that fills several locations paints them
// all in its first location's colour; the directory read and an erase give each bar its own back.
inline constexpr std::array<Rgb, 8> palette = {
    0xFF0000,  // red
    0xFF8000,  // orange
    0xFFFF00,  // yellow
    0x00FF00,  // green
    0x00C0C0,  // teal
    0x0000FF,  // blue
    0x8080FF,  // light blue
    0xFF00FF,  // magenta
};

#pragma once

#include <QPixmap>

// The maker's logo, drawn by code: a rounded square with a stylised speaker sending out sound
// waves. `side` is the edge length in pixels.
QPixmap tavixLogo(int side);

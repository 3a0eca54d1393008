#pragma once

#include <QRect>
#include <QtMath>

// The window's layout is given in twips, 15 to a pixel at the usual 96 dots per inch.
inline constexpr int TwipsPerPixel = 15;

inline int twipsToPixels(int twips)
{
    return qRound(static_cast<double>(twips) / TwipsPerPixel);
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

#pragma once

#include <QFont>

// The layouts are given in twips for a small, narrow system font; a condensed face at 11 pixels
// fits the captions into the controls' sizes.
inline QFont compactWindowFont(QFont font)
{
    font.setPixelSize(11);
    font.setStretch(QFont::SemiCondensed);
    return font;
}

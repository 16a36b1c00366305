#pragma once

#include <QFont>

namespace velkor {

// The one font of the whole interface, windows and skin images alike.
//
// Liberation Sans (Debian package fonts-liberation2) at 10 pixels: the system's copy
// when the font configuration knows it, else loaded from the package's file, so that
// every machine, the headless test platform included, lays out and draws the same
// glyphs. 10 px is the largest size
// at which every label of the dialog templates fits its box (11 px overflows the
// widest ones). Chinese text falls back to WenQuanYi Micro Hei (fonts-wqy-microhei).
//
// A missing font file ends the program with a message naming the package, since the
// layout of every window depends on these metrics.

inline constexpr int UiFontPixelSize = 10;

// Makes uiFont() the application's default font. Call once after the application
// object exists and before any window is created.
void installApplicationFont();

// The interface font at UiFontPixelSize; loads the font files on first use.
QFont uiFont();

}  // namespace velkor

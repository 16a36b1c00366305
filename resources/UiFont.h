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
// widest ones). Chinese text falls back to WenQuanYi Micro Hei (fonts-wqy-microhei)
// when it is there, and to what the font configuration finds otherwise.
//
// A missing Liberation Sans ends the program with a message naming the package, since
// the layout of every window depends on its metrics; a missing Chinese font is only
// warned about.

inline constexpr int UiFontPixelSize = 10;

struct FontFile {
  const char* family;
  const char* path;
  const char* package;  // the Debian package that holds it
  bool required;
};

// Makes the family known to the application: true when the system knows it already or
// the file loads.
bool loadFontFile(const FontFile& file);

// Makes uiFont() the application's default font. Call once after the application
// object exists and before any window is created.
void installApplicationFont();

// The interface font at UiFontPixelSize; loads the font files on first use.
QFont uiFont();

}  // namespace velkor

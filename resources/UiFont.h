#pragma once

#include <QFont>
#include <span>

namespace velkor {

// The one font of the whole interface, windows and skin images alike.
//
// Liberation Sans (Debian package fonts-liberation2) at 10 pixels, Regular and Bold,
// carried inside the program: the build reads the package's files into Qt resources
// and every start registers them from there, on every system, so that Linux, Windows
// and wine lay out and draw the same glyphs, never a substitute or another version of
// the family. 10 px is the largest size at which every label of the dialog templates
// fits its box (11 px overflows the widest ones).
//
// Chinese text (the About texts) falls back to the system's own CJK font: on Linux
// WenQuanYi Micro Hei (fonts-wqy-microhei) when it is there, else what the font
// configuration finds; on Windows what Windows' font fallback finds. A missing
// Chinese font is only warned about.

inline constexpr int UiFontPixelSize = 10;

struct FontFile {
  const char* family;
  const char* path;
  const char* package;  // the Debian package that holds it
};

// Makes the family known to the application: true when the system knows it already or
// the file loads.
bool loadFontFile(const FontFile& file);

// The system's font files for Chinese text, each loaded where the system does not know
// its family; none where the system's own fallback finds one.
std::span<const FontFile> chineseFontFiles();

// Makes uiFont() the application's default font. Call once after the application
// object exists and before any window is created.
void installApplicationFont();

// The interface font at UiFontPixelSize; registers the fonts on first use.
QFont uiFont();

}  // namespace velkor

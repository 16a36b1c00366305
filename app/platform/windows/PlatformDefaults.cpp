#include "PlatformDefaults.h"

#include <QByteArray>
#include <QtGlobal>

namespace velkor {

// FreeType draws the interface font on Windows as it does on Linux, glyph for glyph
// (scripts/test-windows-look.sh compares them); Windows' own rasteriser, Qt's default
// there, draws the same outlines with heavier stems and other edges.
int& withPlatformDefaults(int& argc) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qputenv("QT_QPA_PLATFORM", "windows:fontengine=freetype"))
    qWarning("Cannot choose FreeType for the interface font; Windows draws it.");
  return argc;
}

}  // namespace velkor

#include "UiFont.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QResource>
#include <QStringList>

namespace velkor {

namespace {

constexpr const char* latinFamily = "Liberation Sans";

// Bold as well: the skin images set headings in it. Stored uncompressed (see
// CMakeLists.txt), so that registering a face reads it where the program is mapped,
// without a copy.
constexpr const char* embeddedFaces[] = {
    ":/fonts/LiberationSans-Regular.ttf",
    ":/fonts/LiberationSans-Bold.ttf",
};

void registerEmbeddedFace(const char* name) {
  const QResource face(QString::fromLatin1(name));
  if (!face.isValid() || face.compressionAlgorithm() != QResource::NoCompression)
    qFatal("The interface font %s is not in the program as built.", name);
  const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(face.data()), face.size());
  if (QFontDatabase::addApplicationFontFromData(data) < 0) qFatal("The interface font %s cannot be registered.", name);
}

void registerFonts() {
  static const bool registered = [] {
    for (const char* face : embeddedFaces) registerEmbeddedFace(face);
    for (const FontFile& file : chineseFontFiles()) {
      if (loadFontFile(file)) continue;
      qWarning("The font %s is missing (Debian package %s); Chinese text uses whatever font the system has for it.",
               file.path, file.package);
    }
    return true;
  }();
  Q_UNUSED(registered);
}

}  // namespace

// The Debian packages make their fonts known to the system's font configuration,
// whose cache already holds what each file covers; registering a file again would
// read every glyph of it (the Chinese font alone would be most of the start-up time).
// So a system font file is loaded by hand only where the system does not know its
// family. The interface font is another matter: it is registered from the program on
// every start (two faces of 2,600 glyphs each; a few milliseconds), since a family of
// that name on the system may be another version with other glyphs.
bool loadFontFile(const FontFile& file) {
  return QFontDatabase::hasFamily(QString::fromLatin1(file.family)) ||
         QFontDatabase::addApplicationFont(QString::fromUtf8(file.path)) >= 0;
}

void installApplicationFont() { QGuiApplication::setFont(uiFont()); }

QFont uiFont() {
  registerFonts();
  QStringList families{QString::fromLatin1(latinFamily)};
  for (const FontFile& file : chineseFontFiles()) families << QString::fromLatin1(file.family);
  QFont font;
  font.setFamilies(families);
  font.setPixelSize(UiFontPixelSize);
  // Unhinted outlines and grey anti-aliasing look the same on every platform and
  // screen; hinting and sub-pixel rendering would make widths and pixels vary.
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::NoSubpixelAntialias);
  return font;
}

}  // namespace velkor

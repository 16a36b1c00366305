#include "UiFont.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

namespace velkor {

namespace {

constexpr const char* latinFamily = "Liberation Sans";
constexpr const char* cjkFamily = "WenQuanYi Micro Hei";

struct FontFile {
  const char* family;
  const char* path;
  const char* package;
};

// Bold is loaded as well: the skin images set headings in it.
constexpr FontFile fontFiles[] = {
    {latinFamily, "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf", "fonts-liberation2"},
    {latinFamily, "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf", "fonts-liberation2"},
    {cjkFamily, "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", "fonts-wqy-microhei"},
};

// The Debian packages make their fonts known to the system's font configuration,
// whose cache already holds what each file covers; registering a file again would
// read every glyph of it (the Chinese font alone is most of the start-up time). So a
// file is loaded by hand only where the system does not know its family.
void loadFontFiles() {
  static const bool loaded = [] {
    for (const FontFile& file : fontFiles) {
      if (QFontDatabase::hasFamily(QString::fromLatin1(file.family))) continue;
      if (QFontDatabase::addApplicationFont(QString::fromUtf8(file.path)) < 0)
        qFatal("Cannot load the interface font %s; install the Debian package %s.", file.path, file.package);
    }
    return true;
  }();
  Q_UNUSED(loaded);
}

}  // namespace

void installApplicationFont() { QGuiApplication::setFont(uiFont()); }

QFont uiFont() {
  loadFontFiles();
  QFont font;
  font.setFamilies({QString::fromLatin1(latinFamily), QString::fromLatin1(cjkFamily)});
  font.setPixelSize(UiFontPixelSize);
  // Unhinted outlines and grey anti-aliasing look the same on every platform and
  // screen; hinting and sub-pixel rendering would make widths and pixels vary.
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::NoSubpixelAntialias);
  return font;
}

}  // namespace velkor

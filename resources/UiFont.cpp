#include "UiFont.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

namespace velkor {

namespace {

constexpr const char* latinFamily = "Liberation Sans";
constexpr const char* cjkFamily = "WenQuanYi Micro Hei";

// Bold is loaded as well: the skin images set headings in it. The layout of every
// window depends on the Latin font's metrics, so it is required; the Chinese font only
// serves the About texts, which any font the system's font configuration finds for
// them can show.
constexpr FontFile fontFiles[] = {
    {latinFamily, "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf", "fonts-liberation2", true},
    {latinFamily, "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf", "fonts-liberation2", true},
    {cjkFamily, "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", "fonts-wqy-microhei", false},
};

void loadFontFiles() {
  static const bool loaded = [] {
    for (const FontFile& file : fontFiles) {
      if (loadFontFile(file)) continue;
      if (file.required)
        qFatal("Cannot load the interface font %s; install the Debian package %s.", file.path, file.package);
      qWarning("The font %s is missing (Debian package %s); Chinese text uses whatever font the system has for it.",
               file.path, file.package);
    }
    return true;
  }();
  Q_UNUSED(loaded);
}

}  // namespace

// The Debian packages make their fonts known to the system's font configuration,
// whose cache already holds what each file covers; registering a file again would
// read every glyph of it (the Chinese font alone is most of the start-up time). So a
// file is loaded by hand only where the system does not know its family.
bool loadFontFile(const FontFile& file) {
  return QFontDatabase::hasFamily(QString::fromLatin1(file.family)) ||
         QFontDatabase::addApplicationFont(QString::fromUtf8(file.path)) >= 0;
}

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

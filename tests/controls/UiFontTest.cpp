#include <gtest/gtest.h>

#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QRawFont>
#include <QTextLayout>

#include "DialogUnits.h"
#include "UiFont.h"

namespace velkor {
namespace {

TEST(UiFont, IsLiberationSansInPixels) {
  const QFont font = uiFont();
  const QFontInfo info(font);
  EXPECT_EQ(info.family(), "Liberation Sans");
  EXPECT_EQ(info.pixelSize(), UiFontPixelSize);
  EXPECT_EQ(QFontInfo(QFont()).family(), "Liberation Sans");  // the application default
}

// The face drawn is the one the program carries, in both weights, whatever the system
// holds under the same name (another version, or another font under that name:
// impostor-liberation.conf).
TEST(UiFont, DrawsTheFacesTheProgramCarries) {
  const struct {
    const char* resource;
    bool bold;
  } faces[] = {{":/fonts/LiberationSans-Regular.ttf", false}, {":/fonts/LiberationSans-Bold.ttf", true}};
  for (const auto& face : faces) {
    SCOPED_TRACE(face.resource);
    QFile file(face.resource);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QRawFont carried(file.readAll(), UiFontPixelSize);
    QFont font = uiFont();
    font.setBold(face.bold);
    const QRawFont drawn = QRawFont::fromFont(font);
    ASSERT_TRUE(carried.isValid() && drawn.isValid());
    EXPECT_TRUE(drawn.fontTable("glyf") == carried.fontTable("glyf")) << drawn.familyName().toStdString();
  }
}

TEST(UiFont, WidestTemplateLabelsFitTheirBoxes) {
  struct Label {
    const char* text;
    int width, height;  // dialog units
  };
  // The labels that come closest to the edges of their boxes.
  constexpr Label labels[] = {
      {"HDMI Audio Embedding Status", 98, 8},
      {"Audio De-Embedding Status", 91, 8},
      {"AES/EBU & Analog Audio from", 93, 9},
      {"No Singal Background Color", 88, 8},
      {"HDMI Output Status", 65, 8},
      {"CVBS Output Status", 64, 8},
      {"Firmware Version", 56, 8},
      {"SDI Channel 9-16", 57, 8},
      {"Horizonal Margin", 54, 8},
      {"HDMI Color Space", 58, 8},
      {"Custom Name", 44, 8},
      {"Status Display", 45, 8},
      {"Analog Audio", 43, 8},
      {"Setting", 24, 8},
  };
  const QFontMetrics metrics(uiFont());
  for (const Label& label : labels) {
    EXPECT_LE(metrics.horizontalAdvance(label.text), dialog_units::toPixelsX(label.width)) << label.text;
    EXPECT_LE(metrics.height(), dialog_units::toPixelsY(label.height)) << label.text;
  }
}

// Where the system's font files are named, Chinese text takes theirs; elsewhere any
// font the system's fallback finds, as long as it has the characters.
TEST(UiFont, ChineseTextFallsBackToACjkFont) {
#ifdef _WIN32
  // Qt's offscreen platform knows no fonts of Windows' own; the suite runs again on the
  // windows platform for this (tests/controls/CMakeLists.txt).
  if (QGuiApplication::platformName() == "offscreen") GTEST_SKIP() << "no system fonts on the offscreen platform";
#endif
  const QString text = QString::fromUtf8("关于确定版，");
  QTextLayout layout(text, uiFont());
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  QStringList families;
  for (const QGlyphRun& run : layout.glyphRuns()) {
    families << run.rawFont().familyName();
    for (const quint32 glyph : run.glyphIndexes()) EXPECT_NE(glyph, 0u) << "a character without a glyph";
  }
  EXPECT_FALSE(families.contains("Liberation Sans")) << families.join(", ").toStdString();
  for (const FontFile& file : chineseFontFiles())
    EXPECT_TRUE(families.contains(file.family)) << families.join(", ").toStdString();
}

TEST(UiFont, AFontFileThatIsMissingIsReportedNotFatal) {
  uiFont();  // the interface fonts known
  EXPECT_FALSE(loadFontFile({"Velkor No Such Family", "/nonexistent/velkor-no-such-font.ttf", "none"}));
  EXPECT_TRUE(loadFontFile({"Liberation Sans", "/nonexistent/velkor-no-such-font.ttf", "none"}))
      << "a family the application knows needs no file";
}

}  // namespace
}  // namespace velkor

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
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

TEST(UiFont, ChineseTextFallsBackToACjkFont) {
  QTextLayout layout(QString::fromUtf8("关于 Corvane"), uiFont());
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  QStringList families;
  for (const QGlyphRun& run : layout.glyphRuns()) families << run.rawFont().familyName();
  EXPECT_TRUE(families.contains("WenQuanYi Micro Hei")) << families.join(", ").toStdString();
}

TEST(UiFont, AFontFileThatIsMissingIsReportedNotFatal) {
  uiFont();  // the interface fonts known, from the system or from their files
  EXPECT_FALSE(loadFontFile({"Velkor No Such Family", "/nonexistent/velkor-no-such-font.ttf", "none", false}));
  EXPECT_TRUE(loadFontFile({"Liberation Sans", "/nonexistent/velkor-no-such-font.ttf", "none", true}))
      << "a family the application knows needs no file";
}

}  // namespace
}  // namespace velkor

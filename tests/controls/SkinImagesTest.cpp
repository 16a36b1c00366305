#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>

#include "SkinImages.h"
#include "SkinPalette.h"

namespace velkor {
namespace {

struct Catalogued {
  int number;
  QSize size;
};

constexpr Catalogued catalogue[] = {
    {129, {800, 611}}, {131, {40, 25}},  {133, {40, 25}},   {134, {190, 75}}, {136, {197, 50}},  {137, {197, 50}},
    {138, {197, 50}},  {141, {197, 50}}, {142, {197, 50}},  {143, {197, 50}}, {144, {100, 65}},  {145, {100, 65}},
    {146, {100, 65}},  {147, {100, 65}}, {148, {100, 65}},  {149, {100, 65}}, {150, {100, 65}},  {151, {100, 65}},
    {152, {100, 65}},  {153, {100, 65}}, {160, {590, 500}}, {162, {195, 45}}, {163, {590, 500}}, {164, {513, 15}},
};

bool holdsPureBlack(const QImage& image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == 0) return true;
  return false;
}

TEST(SkinImages, EveryPictureHasItsCataloguedSizeAndNoPureBlack) {
  for (const Catalogued& entry : catalogue) {
    const QImage image = skinImage(entry.number);
    ASSERT_FALSE(image.isNull()) << entry.number;
    EXPECT_EQ(image.size(), entry.size) << entry.number;
    EXPECT_FALSE(holdsPureBlack(image)) << entry.number;
  }
}

TEST(SkinImages, UnknownNumbersGiveNoImage) {
  for (const int number : {0, 128, 130, 139, 161, 165}) EXPECT_TRUE(skinImage(number).isNull()) << number;
}

TEST(SkinImages, PagePictureIsTheBaseColourAlone) {
  const QImage page = skinImage(skin::PageBackground);
  QImage flat(page.size(), page.format());
  flat.fill(palette::Base);
  EXPECT_EQ(page, flat);
}

TEST(SkinImages, SeparatorBrightensFromTheEndsToWhiteInTheMiddleOfRowSeven) {
  const QImage line = skinImage(skin::TabSeparator);
  for (int y = 0; y < line.height(); ++y) {
    if (y == 7) continue;
    for (int x = 0; x < line.width(); ++x) ASSERT_EQ(line.pixelColor(x, y), palette::Base) << x << "," << y;
  }
  EXPECT_EQ(line.pixelColor(256, 7), palette::White);
  EXPECT_LE(line.pixelColor(0, 7).lightness() - palette::Base.lightness(), 2);
  EXPECT_LE(line.pixelColor(512, 7).lightness() - palette::Base.lightness(), 2);
  for (int x = 0; x < 256; ++x) {
    ASSERT_LE(line.pixelColor(x, 7).lightness(), line.pixelColor(x + 1, 7).lightness()) << x;
    ASSERT_LE(line.pixelColor(512 - x, 7).lightness(), line.pixelColor(511 - x, 7).lightness()) << x;
  }
}

TEST(SkinImages, ArtworkDrawsOnlyInPaletteColours) {
  const QRegularExpression colour("#[0-9A-Fa-f]{6}\\b");
  int files = 0;
  for (QDirIterator it(":/skin", {"*.svg"}); it.hasNext(); ++files) {
    QFile file(it.next());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QString svg = QString::fromUtf8(file.readAll());
    for (const QRegularExpressionMatch& match : colour.globalMatch(svg)) {
      const QColor used(match.captured());
      EXPECT_TRUE(std::ranges::find(palette::artworkColours, used) != palette::artworkColours.end())
          << file.fileName().toStdString() << ": " << match.captured().toStdString();
    }
    EXPECT_FALSE(svg.contains("rgb(")) << file.fileName().toStdString();
  }
  EXPECT_GT(files, 0);
}

// On a screen of ratio 2 every picture is drawn anew from its sources, not doubled:
// somewhere a 2 x 2 block of the sharp picture differs within itself. At ratios between
// whole numbers it has the size the ratio gives and is no blur of the 1 x picture.
TEST(SkinImages, PicturesAreDrawnAtTheScreensRatio) {
  for (const Catalogued& entry : catalogue) {
    SCOPED_TRACE(entry.number);
    const QImage sharp = skinImage(entry.number, 2.0);
    ASSERT_EQ(sharp.size(), entry.size * 2);
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
    EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(entry.size));
    EXPECT_FALSE(holdsPureBlack(sharp));
    bool blockDiffers = false;
    for (int y = 0; y + 1 < sharp.height() && !blockDiffers; y += 2)
      for (int x = 0; x + 1 < sharp.width() && !blockDiffers; x += 2) {
        const QRgb corner = sharp.pixel(x, y);
        blockDiffers = sharp.pixel(x + 1, y) != corner || sharp.pixel(x, y + 1) != corner ||
                       sharp.pixel(x + 1, y + 1) != corner;
      }
    // Flat pictures whose every edge falls on whole pixels double exactly.
    const bool flat = entry.number == skin::PageBackground || entry.number == skin::MinimiseButton ||
                      entry.number == skin::DeviceBlank;
    if (!flat) {
      EXPECT_TRUE(blockDiffers) << "a doubling of the 1 x picture";
    }
    EXPECT_EQ(skinImage(entry.number, 1.5).size(), QSize(qRound(entry.size.width() * 1.5), qRound(entry.size.height() * 1.5)));
  }
  EXPECT_EQ(skinImage(skin::MainBackground, 1.0), skinImage(skin::MainBackground)) << "1 x is the catalogued picture";
}

TEST(SkinImages, ApplicationIconIsDrawn) {
  const QImage icon = applicationIcon().pixmap(256, 256).toImage();
  ASSERT_EQ(icon.size(), QSize(256, 256));
  EXPECT_EQ(icon.pixelColor(128, 170), palette::Accent);  // the foot of the V
  EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0);            // outside the rounded tile
}

}  // namespace
}  // namespace velkor

#include <gtest/gtest.h>

#include <QColor>

#include "LookComparison.h"

namespace velkor::look {
namespace {

constexpr TextBox kText[] = {{"words", {10, 10, 40, 20}}};  // 800 pixels
constexpr TextTolerance kTolerance{.pixelThreshold = 24, .differingShare = 0.01, .meanDifference = 1.0};

QImage picture() {
  QImage image(100, 50, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(2 * x, 4 * y, 128));
  return image;
}

// Changes `pixels` pixels of the text box's first rows by `by` in the red channel.
void touchText(QImage& image, int pixels, int by) {
  const QRect box = kText[0].box;
  for (int i = 0; i < pixels; ++i) {
    const QPoint at(box.x() + i % box.width(), box.y() + i / box.width());
    const QColor was = image.pixelColor(at);
    image.setPixelColor(at, QColor(std::min(255, was.red() + by), was.green(), was.blue()));
  }
}

TEST(LookComparison, SkinExactTextWithinTolerance) {
  struct Case {
    const char* what;
    void (*change)(QImage&);
    bool passes;
    bool skinPasses;
  };
  const Case cases[] = {
      {"the same picture", [](QImage&) {}, true, true},
      {"one skin pixel off by one", [](QImage& image) { image.setPixel(90, 40, image.pixel(90, 40) + 1); }, false,
       false},
      {"a few text edges rounded otherwise", [](QImage& image) { touchText(image, 8, 60); }, true, true},
      {"text drawn in another face", [](QImage& image) { touchText(image, 120, 60); }, false, true},
      {"all text a shade lighter, under the pixel threshold", [](QImage& image) { touchText(image, 800, 20); }, false,
       true},
  };
  const QImage reference = picture();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QImage candidate = reference;
    c.change(candidate);
    const LookReport report = compareLooks(reference, candidate, kText, kTolerance);
    EXPECT_EQ(report.passed(), c.passes);
    EXPECT_EQ(report.skin.passed, c.skinPasses);
  }
}

TEST(LookComparison, SaysWhereTheSkinDiffers) {
  const QImage reference = picture();
  QImage candidate = reference;
  candidate.setPixel(90, 40, qRgb(0, 0, 0));
  candidate.setPixel(95, 45, qRgb(0, 0, 0));
  const LookReport report = compareLooks(reference, candidate, kText, kTolerance);
  EXPECT_EQ(report.skin.differing, 2);
  EXPECT_EQ(report.skin.box, QRect(90, 40, 6, 6));
  EXPECT_EQ(report.skin.pixels, 100 * 50 - 40 * 20);
}

TEST(LookComparison, PicturesOfAnotherSizeFail) {
  const LookReport report = compareLooks(picture(), picture().copy(0, 0, 99, 50), kText, kTolerance);
  EXPECT_FALSE(report.sameSize);
  EXPECT_FALSE(report.passed());
}

}  // namespace
}  // namespace velkor::look

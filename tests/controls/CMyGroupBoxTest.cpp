#include <gtest/gtest.h>

#include <QFontMetrics>

#include "CMyGroupBox.h"
#include "DialogTemplate.h"
#include "PatternParent.h"
#include "SkinPalette.h"

namespace velkor {
namespace {

class GroupBox : public ::testing::Test {
 protected:
  QImage shot(const QString& caption) {
    box.setTitle(caption);
    parent.show();
    // The group box paints only frame and caption; the parent shows through the rest.
    return parent.grab(box.geometry()).toImage().convertToFormat(QImage::Format_RGB32);
  }

  QRgb parentAt(QPoint inBox) const { return PatternParent::colourAt(box.geometry().topLeft() + inBox); }

  static int gapWidth(const QString& caption) {
    return QFontMetrics(CMyGroupBox::gapMeasureFont()).horizontalAdvance(caption) - 35;
  }

  PatternParent parent{QSize(400, 200)};
  CMyGroupBox box{&parent};
  const QRgb frame = palette::GroupFrame.rgb();
  static constexpr int Row = 8;  // the frame's top edge
};

TEST_F(GroupBox, FrameLeavesItsMarginsAndInteriorToTheParent) {
  box.setGeometry(30, 20, 200, 100);
  const QImage image = shot("");
  // Rectangle (2, 8) to (192, 92), the right and bottom edges excluded.
  EXPECT_EQ(image.pixel(1, 50), parentAt({1, 50}));
  EXPECT_EQ(image.pixel(2, 50), frame);
  EXPECT_EQ(image.pixel(3, 50), parentAt({3, 50}));
  EXPECT_EQ(image.pixel(191, 50), frame);
  EXPECT_EQ(image.pixel(192, 50), parentAt({192, 50}));
  EXPECT_EQ(image.pixel(100, 7), parentAt({100, 7}));
  EXPECT_EQ(image.pixel(100, 8), frame);
  EXPECT_EQ(image.pixel(100, 91), frame);
  EXPECT_EQ(image.pixel(100, 92), parentAt({100, 92}));
  EXPECT_EQ(image.pixel(100, 50), parentAt({100, 50}));
  // Rounded: the corner pixel itself stays clear, and the top edge is whole.
  EXPECT_EQ(image.pixel(2, 8), parentAt({2, 8}));
  for (int x = 10; x < 180; ++x) ASSERT_EQ(image.pixel(x, Row), frame) << x;
}

TEST_F(GroupBox, CaptionCutsTheTopEdgeForItsWidthLessThirtyFive) {
  box.setGeometry(20, 20, 380, 130);
  const QString caption = "HDMI Audio Embedding";
  const int gap = gapWidth(caption);
  ASSERT_GT(gap, QFontMetrics(box.font()).horizontalAdvance(caption));
  const QImage image = shot(caption);
  EXPECT_EQ(image.pixel(10 + gap - 1, Row), parentAt({10 + gap - 1, Row}));
  EXPECT_EQ(image.pixel(10 + gap, Row), frame);
  EXPECT_EQ(image.pixel(9, Row), frame);

  int inkedPixels = 0;  // the caption, drawn over the restored background
  for (int y = 0; y < 12; ++y)
    for (int x = 10; x < 10 + gap; ++x) inkedPixels += image.pixel(x, y) != parentAt({x, y});
  EXPECT_GT(inkedPixels, 100);
}

TEST_F(GroupBox, GapWidthFollowsTheMeasuredCaptionAndVanishesBelowThirtyFive) {
  // Blank captions draw no ink, so the top edge shows exactly where the gap is.
  box.setGeometry(20, 20, 380, 130);
  for (const int blanks : {1, 5, 10, 30}) {
    const QString caption(blanks, ' ');
    const int gap = std::max(gapWidth(caption), 0);
    const QImage image = shot(caption);
    for (int x = 10; x < 200; ++x) {
      const QRgb expected = x < 10 + gap ? parentAt({x, Row}) : frame;
      ASSERT_EQ(image.pixel(x, Row), expected) << blanks << " blanks, x " << x;
    }
  }
}

TEST(GroupBoxAttach, TakesThePlaceOfTheTemplatesGroupBox) {
  static constexpr ControlSpec controls[] = {
      {.kind = ControlKind::GroupBox,
       .id = 1068,
       .caption = "Audio De-Embedding",
       .x = 25,
       .y = 15,
       .width = 255,
       .height = 61},
  };
  QWidget page;
  buildFromTemplate(&page, controls);
  CMyGroupBox box;
  ASSERT_TRUE(box.attachToControl(&page, 1068));
  EXPECT_EQ(page.findChildren<QWidget*>("1068"), QList<QWidget*>{&box});
  EXPECT_EQ(box.title(), "Audio De-Embedding");
  EXPECT_EQ(box.geometry(), QRect(38, 24, 383, 99));
  EXPECT_FALSE(box.isHidden());
}

}  // namespace
}  // namespace velkor

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <memory>

#include "CButtonST.h"
#include "DialogTemplate.h"
#include "PatternParent.h"
#include "SkinImages.h"
#include "SkinPalette.h"

namespace velkor {
namespace {

// An image whose every column has its own colour, to tell which image column lands
// on which button column.
QImage columnCoded(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  for (int x = 0; x < size.width(); ++x)
    for (int y = 0; y < size.height(); ++y) image.setPixel(x, y, qRgb(20 + x, 200, 40));
  return image;
}

class ImageButton : public ::testing::Test {
 protected:
  // An image button set up as the owners do, at `geometry` on a patterned parent.
  CButtonST& imageButton(QRect geometry, const QString& caption, const QImage& image) {
    button.setParent(&parent);
    button.setText(caption);
    button.useImageHandle(image);
    button.setGeometry(geometry);
    button.enableParentBackground();
    button.setFlatLook(true);
    button.setHoverEdge(false);
    parent.show();
    return button;
  }

  QRgb parentAt(QPoint inButton) const { return PatternParent::colourAt(button.geometry().topLeft() + inButton); }

  PatternParent parent{QSize(320, 200)};
  CButtonST button;
};

TEST_F(ImageButton, CaptionedImageSitsThreePixelsInAndLosesItsLastThreeColumns) {
  imageButton({40, 30, 100, 65}, "A1", columnCoded({100, 65}));
  const QImage shot = grabbed(button);
  for (const int y : {0, 5, 60, 64}) {  // rows the caption does not reach
    for (int x = 0; x < 3; ++x) EXPECT_EQ(shot.pixel(x, y), parentAt({x, y})) << x << "," << y;
    for (int x = 3; x < 100; ++x) EXPECT_EQ(shot.pixel(x, y), qRgb(20 + x - 3, 200, 40)) << x << "," << y;
  }
}

TEST_F(ImageButton, ImageWithoutCaptionIsCentred) {
  imageButton({10, 10, 120, 70}, "", columnCoded({100, 65}));
  const QImage shot = grabbed(button);
  EXPECT_EQ(shot.pixel(9, 30), parentAt({9, 30}));
  EXPECT_EQ(shot.pixel(10, 30), qRgb(20, 200, 40));
  EXPECT_EQ(shot.pixel(109, 30), qRgb(20 + 99, 200, 40));
  EXPECT_EQ(shot.pixel(110, 30), parentAt({110, 30}));
  EXPECT_EQ(shot.pixel(50, 1), parentAt({50, 1}));  // (70 - 65) / 2 = 2 rows above
  EXPECT_EQ(shot.pixel(50, 2), qRgb(60, 200, 40));
  EXPECT_EQ(shot.pixel(50, 66), qRgb(60, 200, 40));
  EXPECT_EQ(shot.pixel(50, 67), parentAt({50, 67}));
}

TEST_F(ImageButton, PressingShiftsTheImageOnePixelRightAndDown) {
  imageButton({10, 10, 100, 65}, "", columnCoded({100, 65}));
  const QImage up = grabbed(button);
  button.setDown(true);
  const QImage down = grabbed(button);
  EXPECT_EQ(up.pixel(0, 0), qRgb(20, 200, 40));
  EXPECT_EQ(down.pixel(0, 0), parentAt({0, 0}));
  EXPECT_EQ(down.pixel(0, 30), parentAt({0, 30}));  // the uncovered column
  EXPECT_EQ(down.pixel(30, 0), parentAt({30, 0}));  // and row
  for (int x = 1; x < 100; ++x) EXPECT_EQ(down.pixel(x, 1), up.pixel(x - 1, 0)) << x;
}

TEST_F(ImageButton, PureBlackShowsTheParentAndNearBlackIsDrawn) {
  QImage image = columnCoded({100, 65});
  image.setPixel(50, 20, qRgb(0, 0, 0));
  image.setPixel(51, 20, qRgb(1, 1, 1));
  imageButton({10, 10, 100, 65}, "", image);
  const QImage shot = grabbed(button);
  EXPECT_EQ(shot.pixel(50, 20), parentAt({50, 20}));
  EXPECT_EQ(shot.pixel(51, 20), qRgb(1, 1, 1));
}

TEST_F(ImageButton, BlankDeviceFaceLeavesItsMarginsToTheParent) {
  imageButton({0, 40, 197, 50}, "", skinImage(skin::DeviceBlank));
  const QImage shot = grabbed(button);
  const QRect face(1, 2, 195, 45);  // 1 left and right, 2 top, 3 bottom
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 197; ++x) {
      const QRgb expected = face.contains(x, y) ? palette::Sidebar.rgb() : parentAt({x, y});
      ASSERT_EQ(shot.pixel(x, y), expected) << x << "," << y;
    }
  }
}

TEST_F(ImageButton, ACaptionWithNoRoomBesideAFullWidthImagePaintsNothing) {
  // A tab: a 100-pixel image fills the button, and its placeholder caption would be
  // centred on an area beyond the right edge, its first letters showing there.
  const QColor ink(250, 20, 20);
  imageButton({60, 32, 100, 65}, "A1", skinImage(skin::TabStatus));
  button.setStateColour(CButtonST::IdleCaption, ink);
  const QImage withCaption = grabbed(button);
  button.setText("");
  // Without a caption the image is centred, not inset: compare past the inset.
  imageButton({60, 32, 100, 65}, "", skinImage(skin::TabStatus));
  const QImage without = grabbed(button);
  EXPECT_EQ(withCaption.copy(90, 0, 10, 65), without.copy(90, 0, 10, 65)) << "no sliver of the caption";
}

// Focus shows when the keyboard moved it there, and a click does not light it up.
TEST_F(ImageButton, KeyboardFocusShowsInTheSkinsColoursAndAClickShowsNone) {
  CButtonST& first = imageButton({10, 10, 120, 70}, "", skinImage(skin::DeviceBlank));
  CButtonST second(&parent);
  second.setGeometry(140, 10, 120, 70);
  second.useImage(skin::DeviceBlank);
  second.show();
  parent.activateWindow();
  QApplication::setActiveWindow(&parent);

  QTest::mouseClick(&second, Qt::LeftButton);
  const QImage idle = grabbed(first);
  QTest::mouseClick(&first, Qt::LeftButton);
  ASSERT_TRUE(first.hasFocus());
  EXPECT_EQ(grabbed(first), idle) << "a click shows no focus";

  QTest::keyClick(&first, Qt::Key_Tab);
  QTest::keyClick(&second, Qt::Key_Backtab);
  ASSERT_TRUE(first.hasFocus());
  const QImage focused = grabbed(first);
  EXPECT_NE(focused, idle);
  int accentInTopRow = 0;
  for (int x = 0; x < focused.width(); ++x) accentInTopRow += focused.pixelColor(x, 1) == palette::Accent;
  EXPECT_GT(accentInTopRow, 20) << "dotted in the skin's accent";
}

TEST_F(ImageButton, BackgroundIsCopiedOnceAndKept) {
  imageButton({10, 10, 120, 70}, "", columnCoded({100, 65}));
  grabbed(button);
  // The parent now paints differently; the button keeps its first copy through a
  // new image and through hiding and showing.
  parent.setBlue(170);
  button.useImageHandle(columnCoded({90, 60}));
  button.hide();
  button.show();
  const QImage later = grabbed(button);
  EXPECT_EQ(later.pixel(0, 0), parentAt({0, 0}));
  EXPECT_EQ(later.pixel(119, 69), parentAt({119, 69}));
  EXPECT_EQ(grabbed(parent).pixel(0, 0), PatternParent::colourAt({0, 0}, 170));
}

TEST(TextButton, DarkFaceWithRaisedEdgeOnHoverAndSunkenEdgeAndShiftedCaptionWhenPressed) {
  QWidget parent;
  parent.resize(200, 100);
  CButtonST button(&parent);
  button.setText("Apply");
  button.setGeometry(20, 20, 113, 23);
  button.useDarkColours();
  parent.show();

  const QRgb light = button.palette().color(QPalette::Light).rgb();
  const QRgb shadow = button.palette().color(QPalette::Dark).rgb();
  const QRgb face = palette::TextButtonFace.rgb();
  const QImage idle = grabbed(button);
  EXPECT_EQ(idle.pixel(0, 0), face);
  EXPECT_EQ(idle.pixel(112, 22), face);

  QMouseEvent move(QEvent::MouseMove, QPointF(50, 10), button.mapToGlobal(QPointF(50, 10)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&button, &move);
  const QImage hovered = grabbed(button);
  EXPECT_EQ(hovered.pixel(0, 0), light);
  EXPECT_EQ(hovered.pixel(0, 10), light);
  EXPECT_EQ(hovered.pixel(112, 10), shadow);
  EXPECT_EQ(hovered.pixel(50, 22), shadow);
  EXPECT_EQ(hovered.pixel(50, 10), face);

  button.setDown(true);
  const QImage pressed = grabbed(button);
  EXPECT_EQ(pressed.pixel(0, 0), shadow);
  EXPECT_EQ(pressed.pixel(112, 10), light);
  EXPECT_EQ(pressed.pixel(50, 22), light);
  for (int y = 2; y < 21; ++y)
    for (int x = 2; x < 111; ++x) ASSERT_EQ(pressed.pixel(x + 1, y + 1), hovered.pixel(x, y)) << x << "," << y;

  QEvent leave(QEvent::Leave);
  button.setDown(false);
  QApplication::sendEvent(&button, &leave);
  EXPECT_EQ(grabbed(button), idle);
}

TEST(ImageButtonHover, ChangesNothingVisible) {
  PatternParent parent(QSize(200, 100));
  CButtonST button(&parent);
  button.useImage(skin::CloseButton);
  button.setGeometry(20, 20, 40, 25);
  button.enableParentBackground();
  button.setFlatLook(true);
  button.setHoverEdge(false);
  parent.show();
  const QImage before = grabbed(button);
  QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), button.mapToGlobal(QPointF(10, 10)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&button, &move);
  EXPECT_EQ(grabbed(button), before);
}

TEST(ButtonClicks, DoubleClickGivesTwoClicksAndAClickTakesTheFocus) {
  QWidget parent;
  QPushButton other(&parent);
  CButtonST button(&parent);
  button.setGeometry(10, 10, 80, 20);
  parent.show();
  other.setFocus();
  int clicks = 0;
  QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });

  const QPoint at(5, 5);
  QTest::mousePress(&button, Qt::LeftButton, {}, at);
  QTest::mouseRelease(&button, Qt::LeftButton, {}, at);
  QTest::mouseDClick(&button, Qt::LeftButton, {}, at);
  QTest::mouseRelease(&button, Qt::LeftButton, {}, at);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(parent.focusWidget(), &button);
}

TEST(ButtonAttach, TakesThePlaceOfTheTemplatesPushButton) {
  static constexpr ControlSpec controls[] = {
      {.kind = ControlKind::PushButton,
       .id = 1003,
       .caption = "Scan",
       .x = 10,
       .y = 8,
       .width = 40,
       .height = 16,
       .visible = false},
  };
  QWidget window;
  buildFromTemplate(&window, controls);
  QWidget* placeholder = window.findChild<QWidget*>("1003");
  const QRect geometry = placeholder->geometry();

  auto button = std::make_unique<CButtonST>();
  ASSERT_TRUE(button->attachToControl(&window, 1003));
  EXPECT_EQ(window.findChildren<QWidget*>("1003"), QList<QWidget*>{button.get()});
  EXPECT_EQ(button->parentWidget(), &window);
  EXPECT_EQ(button->text(), "Scan");
  EXPECT_EQ(button->geometry(), geometry);
  EXPECT_TRUE(button->isHidden());

  CButtonST stray;
  EXPECT_FALSE(stray.attachToControl(&window, 1004));
  EXPECT_EQ(stray.parentWidget(), nullptr);
}

}  // namespace
}  // namespace velkor

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "DialogTemplate.h"
#include "DialogUnits.h"
#include "SkinImages.h"

namespace velkor {
namespace {

TEST(DialogUnits, RoundToTheNearestPixelHalvesAwayFromZero) {
  struct Case {
    int units, x, y;
  };
  // x = units * 6 / 4, y = units * 13 / 8
  constexpr Case cases[] = {
      {0, 0, 0},   {1, 2, 2},    {2, 3, 3},      {3, 5, 5},    {4, 6, 7},
      {8, 12, 13}, {12, 18, 20}, {99, 149, 161}, {-1, -2, -2}, {-4, -6, -7},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dialog_units::toPixelsX(c.units), c.x) << c.units;
    EXPECT_EQ(dialog_units::toPixelsY(c.units), c.y) << c.units;
  }
  EXPECT_EQ(dialog_units::toPixels(153, 14, 98, 12), QRect(230, 23, 147, 20));
}

TEST(DialogTemplate, BuildsEveryControlWithItsIdPlaceCaptionAndVisibility) {
  static constexpr ControlSpec controls[] = {
      {.kind = ControlKind::StaticText,
       .caption = "Output Format",
       .x = 94,
       .y = 16,
       .width = 48,
       .height = 8,
       .alignment = Qt::AlignRight},
      {.kind = ControlKind::DropDownList, .id = 1024, .x = 153, .y = 14, .width = 98, .height = 100},
      {.kind = ControlKind::EditField, .id = 1034, .x = 149, .y = 32, .width = 86, .height = 12, .readOnly = true},
      {.kind = ControlKind::Picture, .id = 1066, .x = 35, .y = 65, .image = skin::TabSeparator},
      {.kind = ControlKind::Slider, .id = 1052, .x = 10, .y = 90, .width = 100, .height = 15, .visible = false},
      {.kind = ControlKind::PushButton, .id = 1116, .caption = "Save", .x = 244, .y = 12, .width = 30, .height = 13},
  };
  QWidget window;
  buildFromTemplate(&window, controls);

  const auto* label = window.findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "Output Format");
  EXPECT_EQ(label->geometry(), QRect(141, 26, 72, 13));
  EXPECT_TRUE(label->alignment() & Qt::AlignRight);

  const auto* list = window.findChild<QComboBox*>("1024");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->pos(), QPoint(230, 23));
  EXPECT_EQ(list->width(), 147);
  EXPECT_LT(list->height(), 163);  // the closed box, not the open list

  const auto* field = window.findChild<QLineEdit*>("1034");
  ASSERT_NE(field, nullptr);
  EXPECT_TRUE(field->isReadOnly());

  const auto* picture = window.findChild<QLabel*>("1066");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->geometry(), QRect(53, 106, 513, 15));

  const auto* slider = window.findChild<QSlider*>("1052");
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(slider->orientation(), Qt::Horizontal);
  EXPECT_TRUE(slider->isHidden());

  const auto* button = window.findChild<QPushButton*>("1116");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "Save");
  EXPECT_FALSE(button->isHidden());

  // Creation order is stacking order.
  const QObjectList children = window.children();
  EXPECT_EQ(children.indexOf(list) + 1, children.indexOf(field));
}

}  // namespace
}  // namespace velkor

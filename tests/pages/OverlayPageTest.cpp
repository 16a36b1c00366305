// The overlay margin sliders of both models: the field that follows the slider, and
// the one commit per left-button release on it.

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSlider>
#include <QWheelEvent>
#include <algorithm>
#include <cstring>

#include "ModalCloser.h"
#include "PagesFixture.h"

namespace velkor::test {
namespace {

struct SliderCase {
  const char* name;
  int tab;
  int slider;
  int field;
  Slot slot;
  int command;
  bool storedAfterSending;
};

constexpr SliderCase kSliders[] = {
    {"A vertical", kOverlayTabA, 1054, 1050, {kModelA, offsetof(StatusBlockA, verticalMargin)}, 'X', false},
    {"A horizontal", kOverlayTabA, 1055, 1051, {kModelA, offsetof(StatusBlockA, horizontalMargin)}, 'Y', false},
    {"B vertical", kOverlayTabB, 1090, 1092, {kModelB, offsetof(StatusBlockB, verticalMargin)}, 0x85, true},
    {"B horizontal", kOverlayTabB, 1091, 1093, {kModelB, offsetof(StatusBlockB, horizontalMargin)}, 0x86, true},
};

class MarginSliders : public PagesFixture {
 protected:
  void open(const SliderCase& c, int margin, std::uint8_t mode = kAutoApply) {
    openPage(c.slot.device, c.tab, [&](DeviceRecord& r) {
      applyMode(r, c.slot.device) = mode;
      pending(r, c.slot) = current(r, c.slot) = static_cast<std::uint8_t>(margin);
    });
    slider = pageControl<QSlider>(c.slider);
    field = pageControl<QLineEdit>(c.field);
  }
  // Lets the window draw what changed.
  static void draw() { QCoreApplication::processEvents(); }
  int commits() {
    const std::string text = log.text();
    int count = 0;
    for (auto at = text.find("send data is"); at != std::string::npos; at = text.find("send data is", at + 1)) ++count;
    return count;
  }

  QSlider* slider = nullptr;
  QLineEdit* field = nullptr;
};

TEST_F(MarginSliders, FieldShowsTheStoredNumberUntilTheSliderIsDrawn) {
  const struct {
    int margin;
    const char* before;
    const char* drawn;
  } cases[] = {{5, "5%", "05%"}, {0, "0%", "00%"}, {100, "100%", "100%"}, {150, "150%", "100%"}};
  for (const SliderCase& c : kSliders) {
    for (const auto& m : cases) {
      SCOPED_TRACE(testing::Message() << c.name << ", margin " << m.margin);
      open(c, m.margin);
      EXPECT_EQ(field->text(), m.before);
      EXPECT_EQ(slider->value(), std::min(m.margin, 100));
      draw();
      EXPECT_EQ(field->text(), m.drawn);
      EXPECT_TRUE(log.contains("data is " + std::to_string(std::min(m.margin, 100)) + " \n"));
      // Drawing stores and sends nothing, not even the margin cut to 100.
      EXPECT_EQ(pending(c.slot), m.margin);
      EXPECT_EQ(current(c.slot), m.margin);
      EXPECT_EQ(sent(), std::vector<Request>{});
    }
  }
}

TEST_F(MarginSliders, ADragFollowsLiveAndCommitsOnceOnRelease) {
  for (const SliderCase& c : kSliders) {
    SCOPED_TRACE(c.name);
    open(c, 20);
    draw();
    QTest::mousePress(slider, Qt::LeftButton, {}, thumbAt(slider, 20));
    for (int v = 21; v <= 35; ++v) {
      QTest::mouseMove(slider, thumbAt(slider, v));
      draw();
      ASSERT_EQ(slider->value(), v);
      EXPECT_EQ(field->text(), QString::asprintf("%02d%%", v));
    }
    EXPECT_EQ(sent(), std::vector<Request>{});
    EXPECT_EQ(current(c.slot), 20);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, thumbAt(slider, 35));
    EXPECT_EQ(sent(), (std::vector<Request>{{c.command, 35}}));
    EXPECT_EQ(pending(c.slot), 35);
    EXPECT_EQ(current(c.slot), 35);
    EXPECT_EQ(commits(), 1);
    EXPECT_TRUE(log.contains("send data is 35 \n"));
  }
}

TEST_F(MarginSliders, EveryLeftClickCommitsWhereTheSliderEnds) {
  for (const SliderCase& c : kSliders) {
    SCOPED_TRACE(c.name);
    open(c, 20);
    // On the thumb: nothing moves, the unchanged value goes out again.
    QTest::mouseClick(slider, Qt::LeftButton, {}, thumbAt(slider, 20));
    EXPECT_EQ(sent(), (std::vector<Request>{{c.command, 20}}));
    // In the channel: the slider steps, and commits where it stopped.
    converter().forgetReceived();
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() - 2, slider->height() / 2));
    const int stepped = slider->value();
    EXPECT_GT(stepped, 20);
    EXPECT_EQ(sent(), (std::vector<Request>{{c.command, stepped}}));
    EXPECT_EQ(current(c.slot), stepped);
  }
}

// Without a mouse a margin is still set: each key move commits once, when the key is
// let go (a held key's repeats included), each turn of the wheel at once, so the slider
// never rests on a value that was not sent. Other buttons commit nothing.
TEST_F(MarginSliders, KeysAndTheWheelCommitEachMoveOnceOtherButtonsNothing) {
  for (const SliderCase& c : kSliders) {
    SCOPED_TRACE(c.name);
    open(c, 20);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(sent(), (std::vector<Request>{{c.command, 21}}));
    EXPECT_EQ(current(c.slot), 21);
    EXPECT_EQ(pending(c.slot), 21);

    // A held key: repeated presses, one release.
    converter().forgetReceived();
    for (int i = 0; i < 3; ++i) QTest::keyPress(slider, Qt::Key_Right, {}, -1);
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(slider, &repeat);
    EXPECT_EQ(sent(), std::vector<Request>{}) << "nothing before the key is let go";
    QTest::keyRelease(slider, Qt::Key_Right);
    EXPECT_EQ(sent(), (std::vector<Request>{{c.command, 24}}));

    converter().forgetReceived();
    QTest::keyClick(slider, Qt::Key_PageUp);
    const int paged = slider->value();
    EXPECT_GT(paged, 24);
    EXPECT_EQ(sent(), (std::vector<Request>{{c.command, paged}}));

    converter().forgetReceived();
    const QPoint thumb = thumbAt(slider, slider->value());
    QWheelEvent wheel(thumb, slider->mapToGlobal(thumb), {}, {0, QWheelEvent::DefaultDeltasPerStep}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider, &wheel);
    const int wheeled = slider->value();
    EXPECT_GT(wheeled, paged);
    EXPECT_EQ(sent(), (std::vector<Request>{{c.command, wheeled}}));
    EXPECT_EQ(current(c.slot), wheeled);

    // Keys that do not move it, and other buttons, commit nothing.
    converter().forgetReceived();
    const int before = commits();
    QTest::keyClick(slider, Qt::Key_Shift);
    QTest::keyClick(slider, Qt::Key_End);
    QTest::keyClick(slider, Qt::Key_End);  // at the end already
    converter().forgetReceived();
    QTest::mouseClick(slider, Qt::RightButton, {}, thumbAt(slider, slider->value()));
    QTest::mouseClick(slider, Qt::MiddleButton, {}, thumbAt(slider, slider->value()));
    EXPECT_EQ(sent(), std::vector<Request>{});
    EXPECT_EQ(commits(), before + 1) << "End moved it once";
    draw();
    EXPECT_EQ(field->text(), QString::asprintf("%02d%%", slider->value()));
    EXPECT_EQ(current(c.slot), 100);
  }
}

// Escape and Tab reach the page and the focus chain as before.
TEST_F(MarginSliders, KeysTheSliderDoesNotTakeGoOnAsBefore) {
  const SliderCase& c = kSliders[0];
  open(c, 20);
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Escape);
  EXPECT_TRUE(window->panel()->currentPage()->isVisible());
  QTest::keyClick(slider, Qt::Key_Tab);
  EXPECT_FALSE(slider->hasFocus());
  EXPECT_EQ(sent(), std::vector<Request>{});
}

TEST_F(MarginSliders, ManualApplyHoldsTheReleasedValueAndSendsNothing) {
  for (const SliderCase& c : kSliders) {
    SCOPED_TRACE(c.name);
    open(c, 20, kManualApply);
    QTest::mousePress(slider, Qt::LeftButton, {}, thumbAt(slider, 20));
    QTest::mouseMove(slider, thumbAt(slider, 60));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, thumbAt(slider, 60));
    EXPECT_EQ(pending(c.slot), 60);
    EXPECT_EQ(current(c.slot), 60);
    EXPECT_EQ(sent(), std::vector<Request>{});
  }
}

// A converter that answers but keeps its margin at 0 reports 0 back; only a store
// after the exchange keeps the slider's value in the current slot.
TEST_F(MarginSliders, StoreAndSendInTheirModelsOrder) {
  ModalCloser closer;
  for (const SliderCase& c : kSliders) {
    SCOPED_TRACE(c.name);
    open(c, 20);
    converter().state.controlsPc = false;
    QTest::mouseClick(slider, Qt::LeftButton, {}, thumbAt(slider, 20));
    converter().state.controlsPc = true;
    EXPECT_EQ(sent(), (std::vector<Request>{{c.command, 20}}));
    EXPECT_EQ(pending(c.slot), 20);
    EXPECT_EQ(current(c.slot), c.storedAfterSending ? 20 : 0);
  }
  EXPECT_EQ(closer.closed(), 0);
}

TEST_F(MarginSliders, TheVerticalMarginOfModelAGoesOutWithoutTheValueLine) {
  open(kSliders[0], 20);
  QTest::mouseClick(slider, Qt::LeftButton, {}, thumbAt(slider, 20));
  EXPECT_FALSE(log.contains("get index"));
  open(kSliders[1], 20);
  QTest::mouseClick(slider, Qt::LeftButton, {}, thumbAt(slider, 20));
  EXPECT_TRUE(log.contains("get index = 20 \n"));
}

class OverlayHiddenControls : public PagesFixture {};

// The item flags are never held for Manual Apply: the boxes show the current slots.
TEST_F(OverlayHiddenControls, ItemBoxesShowTheCurrentFlagsInEitherMode) {
  for (std::uint8_t mode : {kAutoApply, kManualApply}) {
    SCOPED_TRACE(int(mode));
    openPage(kModelA, kOverlayTabA, [&](DeviceRecord& r) {
      r.applyModeA = mode;
      for (std::size_t i = 0; i < wire::kOverlayItemCount; ++i) {
        r.statusA.overlayItems[i] = i % 2;
        r.pendingA.overlayItems[i] = 1 - i % 2;
      }
    });
    for (int i = 0; i < 6; ++i) {
      auto* box = pageControl<QCheckBox>(1042 + i);
      EXPECT_EQ(box->isChecked(), i % 2 == 1) << i;
      EXPECT_FALSE(box->isVisible());
    }
    for (int id : {1048, 1049}) EXPECT_EQ(pageControl<QLineEdit>(id)->text(), "50%");
    for (int id : {1052, 1053}) EXPECT_EQ(pageControl<QSlider>(id)->value(), 50);
  }
}

// Hidden, so out of the operator's reach, but a click still works as a visible box's
// would: the current flag only, sent at once in Auto Apply.
TEST_F(OverlayHiddenControls, AnItemBoxClickStoresTheCurrentFlagAndSendsItInAutoApply) {
  for (std::uint8_t mode : {kAutoApply, kManualApply}) {
    for (int i = 0; i < 6; ++i) {
      SCOPED_TRACE(testing::Message() << "mode " << int(mode) << ", item " << i);
      openPage(kModelA, kOverlayTabA, [&](DeviceRecord& r) {
        r.applyModeA = mode;
        std::fill(std::begin(r.statusA.overlayItems), std::end(r.statusA.overlayItems), 0);
        std::fill(std::begin(r.pendingA.overlayItems), std::end(r.pendingA.overlayItems), 0);
      });
      pageControl<QCheckBox>(1042 + i)->click();
      EXPECT_EQ(record().statusA.overlayItems[i], 1);
      EXPECT_EQ(record().pendingA.overlayItems[i], 0);
      const std::vector<Request> expected =
          mode == kAutoApply ? std::vector<Request>{{0x5C + i, 1}} : std::vector<Request>{};
      EXPECT_EQ(sent(), expected);
    }
  }
}

TEST_F(OverlayHiddenControls, ATransparencySliderShowsWhereItWasLetGoAndNothingElse) {
  const struct { int slider, field; } pairs[] = {{1052, 1048}, {1053, 1049}};
  for (const auto& pair : pairs) {
    for (int position : {0, 7, 100}) {
      SCOPED_TRACE(testing::Message() << pair.slider << " at " << position);
      openPage(kModelA, kOverlayTabA);
      const StatusBlockA before = record().statusA;
      auto* slider = pageControl<QSlider>(pair.slider);
      slider->setValue(position);
      QTest::mouseRelease(slider, Qt::RightButton);
      EXPECT_EQ(pageControl<QLineEdit>(pair.field)->text(), "50%");
      QTest::mouseRelease(slider, Qt::LeftButton);
      EXPECT_EQ(pageControl<QLineEdit>(pair.field)->text(), QString::asprintf("%02d%%", position));
      EXPECT_TRUE(log.contains("data is " + std::to_string(position) + " \n")) << log.text();
      EXPECT_EQ(std::memcmp(&before, &record().statusA, sizeof before), 0);
      EXPECT_TRUE(sent().empty());
    }
  }
}

}  // namespace
}  // namespace velkor::test

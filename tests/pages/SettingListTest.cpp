// Every list bound to a setting, on all five pages: what it shows in either apply
// mode, what a pick stores and sends, and in which order.

#include <QApplication>
#include <QComboBox>
#include <QWheelEvent>

#include "ModalCloser.h"
#include "PagesFixture.h"

namespace velkor::test {
namespace {

struct ListCase {
  const char* name;
  int tab;
  int list;
  Slot slot;
  int command;
  int items;
  bool storedAfterSending;  // the page's store follows the exchange
  bool visible = true;
};

constexpr ListCase kLists[] = {
    {"A output format", kOutputTabA, 1024, {kModelA, offsetof(StatusBlockA, outputFormat)}, 'Q', 16, false},
    {"A colour space", kOutputTabA, 1027, {kModelA, offsetof(StatusBlockA, hdmiColorSpace)}, 'T', 4, false},
    {"A AV type", kOutputTabA, 1029, {kModelA, offsetof(StatusBlockA, avOutputType)}, 'U', 2, false},
    {"A de-embedding", kAudioTabA, 1031, {kModelA, offsetof(StatusBlockA, deembedPair)}, 'R', 8, false},
    {"A overlays", kOverlayTabA, 1033, {kModelA, offsetof(StatusBlockA, overlaysEnable)}, 'V', 3, false},
    {"B output format", kOutputTabB, 1085, {kModelB, offsetof(StatusBlockB, outputFormat)}, 0x81, 16, true},
    {"B output source", kOutputTabB, 1086, {kModelB, offsetof(StatusBlockB, outputSource)}, 0x82, 2, true},
    {"B audio source", kOutputTabB, 1087, {kModelB, offsetof(StatusBlockB, audioSource)}, 0x83, 3, true},
    {"B overlays", kOverlayTabB, 1089, {kModelB, offsetof(StatusBlockB, overlaysEnable)}, 0x84, 3, false},
    {"B image flip", kOverlayTabB, 1033, {kModelB, offsetof(StatusBlockB, mirrorImage)}, 0x88, 4, false},
    {"B freeze", kOverlayTabB, 1115, {kModelB, offsetof(StatusBlockB, screenFreeze)}, 0x89, 2, false, false},
};

class SettingLists : public PagesFixture {
 protected:
  QComboBox* open(const ListCase& c, std::uint8_t mode, int pendingValue, int currentValue) {
    openPage(c.slot.device, c.tab, [&](DeviceRecord& r) {
      applyMode(r, c.slot.device) = mode;
      pending(r, c.slot) = static_cast<std::uint8_t>(pendingValue);
      current(r, c.slot) = static_cast<std::uint8_t>(currentValue);
    });
    return pageControl<QComboBox>(c.list);
  }

  // The hidden freeze list cannot be opened; its pick is the list's own signal.
  static void choose(const ListCase& c, QComboBox* list, int row) {
    if (c.visible) {
      pick(list, row);
    } else {
      list->setCurrentIndex(row);
      emit list->activated(row);
    }
  }
};

TEST_F(SettingLists, ShowTheHeldSlotInManualApplyAndTheCurrentSlotInAutoApply) {
  struct Shown {
    std::uint8_t mode;
    int pending;  // -1: one past the last item, a value without an item
    int current;
    int selected;
  };
  const Shown shown[] = {
      {kAutoApply, -1, 1, 1},  {kManualApply, 1, -1, 1},  {7, 0, 1, 0},  // any mode but 0 is Manual Apply
      {kAutoApply, 0, -1, -1}, {kManualApply, -1, 0, -1},
  };
  for (const ListCase& c : kLists) {
    for (const Shown& s : shown) {
      SCOPED_TRACE(testing::Message() << c.name << ", mode " << int(s.mode) << ", pending " << s.pending);
      const auto value = [&](int v) { return v < 0 ? c.items : v; };
      QComboBox* list = open(c, s.mode, value(s.pending), value(s.current));
      ASSERT_NE(list, nullptr);
      EXPECT_EQ(list->count(), c.items);
      EXPECT_EQ(list->currentIndex(), s.selected);
      EXPECT_EQ(list->isVisible(), c.visible);
      // Showing a value, or having none to show, neither corrects nor sends anything.
      EXPECT_EQ(pending(c.slot), value(s.pending));
      EXPECT_EQ(current(c.slot), value(s.current));
      EXPECT_EQ(sent(), std::vector<Request>{});
    }
  }
}

TEST_F(SettingLists, APickIsHeldInBothSlotsAndSentOnlyInAutoApply) {
  for (const ListCase& c : kLists) {
    for (std::uint8_t mode : {kAutoApply, kManualApply}) {
      SCOPED_TRACE(testing::Message() << c.name << ", mode " << int(mode));
      // Start from a value without an item: the first pick is what counts.
      QComboBox* list = open(c, mode, c.items, c.items);
      const int last = c.items - 1;
      choose(c, list, last);
      EXPECT_EQ(list->currentIndex(), last);
      EXPECT_EQ(pending(c.slot), last);
      EXPECT_EQ(current(c.slot), last);
      const std::vector<Request> expected =
          mode == kAutoApply ? std::vector<Request>{{c.command, last}} : std::vector<Request>{};
      EXPECT_EQ(sent(), expected);
    }
  }
}

// A converter that answers but keeps its own settings reports them back in its
// reply; whether the operator's choice survives in the current slot tells whether
// the page stored it before or after the exchange.
TEST_F(SettingLists, StoreAndSendInTheirModelsOrder) {
  ModalCloser closer;  // in case a status page meets the refusing converter
  for (const ListCase& c : kLists) {
    SCOPED_TRACE(c.name);
    QComboBox* list = open(c, kAutoApply, 0, 0);
    converter().state.controlsPc = false;
    const int last = c.items - 1;
    choose(c, list, last);
    converter().state.controlsPc = true;
    EXPECT_EQ(sent(), (std::vector<Request>{{c.command, last}}));
    EXPECT_EQ(pending(c.slot), last);
    EXPECT_EQ(current(c.slot), c.storedAfterSending ? last : 0);
  }
  EXPECT_EQ(closer.closed(), 0);
}

// Enter on a closed list does nothing; in an open one it picks the highlighted item and
// closes the list, as on every desktop, and the page stays.
TEST_F(SettingLists, EnterPicksOnlyInAnOpenList) {
  for (const ListCase& c : kLists) {
    if (!c.visible) continue;
    SCOPED_TRACE(c.name);
    QComboBox* list = open(c, kAutoApply, 0, 0);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    QTest::keyClick(list, Qt::Key_Enter);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(sent(), std::vector<Request>{});

    std::vector<Request> picks;
    for (const Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
      const int from = list->currentIndex();
      if (from + 1 >= c.items) break;
      picks.push_back({c.command, from + 1});
      list->showPopup();
      ASSERT_TRUE(list->view()->isVisible());
      QTest::keyClick(list->view(), Qt::Key_Down);
      QTest::keyClick(list->view(), enter);
      EXPECT_FALSE(list->view()->isVisible()) << "the list closed";
      EXPECT_EQ(list->currentIndex(), from + 1);
      EXPECT_EQ(current(c.slot), from + 1);
      EXPECT_EQ(pending(c.slot), from + 1);
    }
    EXPECT_EQ(sent(), picks);
    EXPECT_TRUE(window->panel()->currentPage()->isVisible());
  }
}

// The wheel turns a list only once the operator has picked it: passing over a page
// with the wheel must not change what a converter puts out.
TEST_F(SettingLists, TheWheelTurnsOnlyAListThatHasTheFocus) {
  for (const ListCase& c : kLists) {
    if (!c.visible) continue;
    SCOPED_TRACE(c.name);
    QComboBox* list = open(c, kAutoApply, 0, 0);
    const auto turn = [list] {
      const QPointF middle = QRectF(list->rect()).center();
      QWheelEvent wheel(middle, list->mapToGlobal(middle), {}, {0, -QWheelEvent::DefaultDeltasPerStep}, Qt::NoButton,
                        Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(list, &wheel);
    };
    turn();
    EXPECT_FALSE(list->hasFocus());
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(current(c.slot), 0);
    EXPECT_EQ(sent(), std::vector<Request>{});

    list->setFocus();
    turn();
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_EQ(current(c.slot), 1);
  }
}

}  // namespace
}  // namespace velkor::test

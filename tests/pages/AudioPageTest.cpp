// The TQ4410 audio page's embedding buttons and the hidden list that mirrors them.

#include <QComboBox>
#include <QRadioButton>

#include "PagesFixture.h"

namespace velkor::test {
namespace {

constexpr Slot kEmbedding{kModelA, offsetof(StatusBlockA, embedSource)};
constexpr int kFirstButton = 1062;
constexpr int kButtons = 4;

class AudioPage : public PagesFixture {
 protected:
  void open(std::uint8_t mode, int pendingSource, int currentSource) {
    openPage(kModelA, kAudioTabA, [&](DeviceRecord& r) {
      r.applyModeA = mode;
      pending(r, kEmbedding) = static_cast<std::uint8_t>(pendingSource);
      current(r, kEmbedding) = static_cast<std::uint8_t>(currentSource);
    });
  }
  QRadioButton* button(int source) { return pageControl<QRadioButton>(kFirstButton + source); }
  // The source whose button is checked, or -1 when none is.
  int checkedSource() {
    int checked = -1;
    for (int source = 0; source < kButtons; ++source)
      if (button(source)->isChecked()) {
        EXPECT_EQ(checked, -1) << "two buttons checked";
        checked = source;
      }
    return checked;
  }
};

TEST_F(AudioPage, ChecksTheButtonOfTheShownSourceOrNone) {
  const struct {
    std::uint8_t mode;
    int pending;
    int current;
    int checked;
    int hiddenListSelection;  // the current source in Auto Apply, nothing in Manual Apply
  } cases[] = {
      {kAutoApply, 0, 2, 2, 2},   {kManualApply, 1, 2, 1, -1},    {kAutoApply, 0, 3, 3, -1},
      {kAutoApply, 0, 4, -1, -1}, {kManualApply, 200, 0, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << int(c.mode) << ", pending " << c.pending << ", current "
                                    << c.current);
    open(c.mode, c.pending, c.current);
    EXPECT_EQ(checkedSource(), c.checked);
    EXPECT_EQ(pageControl<QComboBox>(1032)->currentIndex(), c.hiddenListSelection);
    EXPECT_EQ(pending(kEmbedding), c.pending);
    EXPECT_EQ(current(kEmbedding), c.current);
    EXPECT_EQ(sent(), std::vector<Request>{});
  }
}

TEST_F(AudioPage, AClickHoldsItsSourceInBothSlotsAndSendsItInAutoApply) {
  const struct {
    std::uint8_t mode;
    int before;  // 4: no button checked
    int clicked;
  } cases[] = {
      {kAutoApply, 0, 3},   {kAutoApply, 4, 1},   {kAutoApply, 2, 2},  // the checked button again
      {kManualApply, 0, 3}, {kManualApply, 4, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << int(c.mode) << ", " << c.before << " to " << c.clicked);
    open(c.mode, c.before, c.before);
    QTest::mouseClick(button(c.clicked), Qt::LeftButton);
    EXPECT_EQ(checkedSource(), c.clicked);
    EXPECT_EQ(pending(kEmbedding), c.clicked);
    EXPECT_EQ(current(kEmbedding), c.clicked);
    const std::vector<Request> expected =
        c.mode == kAutoApply ? std::vector<Request>{{'S', c.clicked}} : std::vector<Request>{};
    EXPECT_EQ(sent(), expected);
  }
}

}  // namespace
}  // namespace velkor::test

// The TQ6630 output page's audio list, which follows the SDI output source.

#include <QComboBox>

#include "PagesFixture.h"

namespace velkor::test {
namespace {

class AudioFollowsSource : public PagesFixture {};

// Position 0 names the audio that comes with the video on the SDI output; changing the
// source renames it and leaves the audio source, stored and shown, where it was.
TEST_F(AudioFollowsSource, SourceChangeRenamesTheFirstAudioItemAndKeepsThePosition) {
  const Slot source{kModelB, offsetof(StatusBlockB, outputSource)};
  const Slot audio{kModelB, offsetof(StatusBlockB, audioSource)};
  struct Case {
    std::uint8_t mode;
    int audio;
    int selected;
  };
  const Case cases[] = {{kAutoApply, 0, 0}, {kAutoApply, 2, 2}, {kManualApply, 2, 2}, {kAutoApply, 9, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << int(c.mode) << ", audio " << c.audio);
    openPage(kModelB, kOutputTabB, [&](DeviceRecord& r) {
      r.applyModeB = c.mode;
      pending(r, source) = current(r, source) = 0;
      pending(r, audio) = current(r, audio) = static_cast<std::uint8_t>(c.audio);
      // The converter holds the same, so its replies leave the audio source alone.
      converter().state.settings[audio.offset - StatusBlockB::kSettableFirst] = static_cast<std::uint8_t>(c.audio);
    });
    auto* sourceList = pageControl<QComboBox>(1086);
    auto* audioList = pageControl<QComboBox>(1087);

    const struct {
      int source;
      const char* first;
    } steps[] = {{1, "Follow AV"}, {0, "Follow HDMI"}};
    std::vector<Request> expected;
    for (const auto& step : steps) {
      pick(sourceList, step.source);
      if (c.mode == kAutoApply) expected.push_back({0x82, step.source});
      EXPECT_EQ(audioList->count(), 3);
      EXPECT_EQ(audioList->itemText(0), step.first);
      EXPECT_EQ(audioList->currentIndex(), c.selected);
      EXPECT_EQ(pending(audio), c.audio);
      EXPECT_EQ(current(audio), c.audio);
    }
    EXPECT_EQ(sent(), expected);
  }
}

TEST_F(AudioFollowsSource, ASourceWithoutAnItemCountsAsAv) {
  openPage(kModelB, kOutputTabB, [](DeviceRecord& r) { r.statusB.outputSource = 2; });
  EXPECT_EQ(pageControl<QComboBox>(1086)->currentIndex(), -1);
  EXPECT_EQ(pageControl<QComboBox>(1087)->itemText(0), "Follow AV");
}

}  // namespace
}  // namespace velkor::test

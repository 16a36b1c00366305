// The words of every list of the setting pages, hidden lists included.

#include <QComboBox>
#include <QStringList>

#include "PagesFixture.h"

namespace velkor::test {
namespace {

class ListWords : public PagesFixture {
 protected:
  static QString words(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items.join('|');
  }
};

TEST_F(ListWords, EveryListHoldsItsWordsInValueOrder) {
  const QString formats =
      "Follow Input|1080p60|1080p50|1080p30|1080p25|1080p24|1080i60|1080i50|"
      "720p60|720p50|720p30|720p25|720p24|";
  const QString colours = "Black|Bule|Green|Cyan|Red|Magenta|Yellow|White";
  const QString channels =
      "SDI Channel 1-2|SDI Channel 3-4|SDI Channel 5-6|SDI Channel 7-8|SDI Channel 9-10|"
      "SDI Channel 11-12|SDI Channel 13-14|SDI Channel 15-16";
  const QString hdmiChannels = "HDMI Channel 1-2|HDMI Channel 3-4|HDMI Channel 5-6|HDMI Channel 7-8";
  const struct {
    int device;
    int tab;
    int list;
    QString items;
    bool visible;
  } cases[] = {
      {kModelA, kOutputTabA, 1024, formats + "576i50|480i60|576i50_Cut", true},
      {kModelA, kOutputTabA, 1027, "RGB 4:4:4|YUV 4:2:2|YUV 4:4:4|DVI RGB 4:4:4", true},
      {kModelA, kOutputTabA, 1029, "NTSC|PAL", true},
      {kModelA, kOutputTabA, 1033, colours, false},
      {kModelB, kOutputTabB, 1085, formats + "625i50|525i60|625i50_Cut", true},
      {kModelB, kOutputTabB, 1086, "HDMI|AV", true},
      {kModelB, kOutputTabB, 1087, "Follow HDMI|AES/EBU Audio Input|Analog Audio Input", true},
      {kModelB, kOutputTabB, 1088, colours, false},
      {kModelA, kAudioTabA, 1031, channels, true},
      {kModelA, kAudioTabA, 1032, "Follow SDI|AES/EBU Audio|Analog Audio", false},
      {kModelA, kAudioTabA, 1033, channels, false},
      {kModelA, kAudioTabA, 1040, hdmiChannels, false},
      {kModelA, kAudioTabA, 1041, hdmiChannels, false},
      {kModelA, kOverlayTabA, 1033, "ON|OFF|Delay 5 seconds", true},
      {kModelA, kOverlayTabA, 1034, colours, false},
      {kModelA, kOverlayTabA, 1035, colours, false},
      {kModelB, kOverlayTabB, 1089, "ON|OFF|Delay 5 seconds", true},
      {kModelB, kOverlayTabB, 1033, "Normal|Horizonal Only|Vertical Only|Horizonal & Vertical", true},
      {kModelB, kOverlayTabB, 1115, "OFF|ON", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "tab " << c.tab << ", list " << c.list);
    openPage(c.device, c.tab);
    const auto* list = pageControl<QComboBox>(c.list);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(words(list), c.items);
    EXPECT_EQ(list->isVisible(), c.visible);
  }
}

}  // namespace
}  // namespace velkor::test

// The words for every status code of both models, fallbacks included.

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "StatusTexts.h"

namespace velkor::status_text {
namespace {

struct DecodeTable {
  const char* name;
  std::function<const char*(std::uint8_t)> decode;
  std::map<int, const char*> listed;
  const char* fallback;
};

const std::map<int, const char*> kHdmiInputB{
    {47, "480i60"},      {48, "480p60"},  {49, "576i50"},  {50, "576p50"},  {51, "720p24"},  {52, "720p25"},
    {53, "720p30"},      {54, "720p50"},  {55, "720p60"},  {56, "1080i50"}, {57, "1080i60"}, {58, "1080i50"},
    {59, "1080i50euro"}, {60, "1080p24"}, {61, "1080p25"}, {62, "1080p30"}, {63, "1080p50"}, {64, "1080p60"},
};
const std::map<int, const char*> kAvInputB{
    {0, "PAL"},   {1, "NTSC"},  {2, "SECAM"},  {3, "NTSC443"},
    {4, "PAL-M"}, {5, "PAL-N"}, {6, "PAL-60"}, {255, "No Singal"},
};

// Every code 0..255 of every table: a listed code shows its text, any other the
// table's fallback. Trailing blanks are part of the texts.
TEST(StatusTexts, EveryCodeShowsItsTextOrTheFallback) {
  const DecodeTable tables[] = {
      {"TQ4410 SDI input",
       sdiInputFormatA,
       {{5, "720p24"},
        {7, "1080p24"},
        {9, "720p25"},
        {11, "1080p25"},
        {13, "720p30"},
        {15, "1080p30"},
        {16, "625i50"},
        {19, "1080i50"},
        {20, "525i60"},
        {23, "1080i60"},
        {25, "720p50"},
        {27, "1080p50"},
        {29, "720p60"},
        {30, "1035i60"},
        {31, "1080p60"},
        {39, "1080psf24"},
        {51, "1080psf25"},
        {55, "1080psf30"}},
       "No Signal"},
      {"TQ4410 HDMI output",
       outputFormatA,
       {{0, "Follow Input"},
        {1, "1080p60"},
        {2, "1080p50"},
        {3, "1080p30"},
        {4, "1080p25"},
        {5, "1080p24"},
        {6, "1080i60"},
        {7, "1080i50"},
        {8, "720p60"},
        {9, "720p50"},
        {10, "720p30"},
        {11, "720p25"},
        {12, "720p24"},
        {13, "576i50"},
        {14, "480i60"},
        {15, "576i50_Cut"}},
       "No Signal"},
      {"TQ4410 de-embedding",
       deembedPairA,
       {{0, "SDI Channel 1-2 "},
        {1, "SDI Channel 3-4 "},
        {2, "SDI Channel 5-6 "},
        {3, "SDI Channel 7-8 "},
        {4, "SDI Channel 9-10 "},
        {5, "SDI Channel 11-12 "},
        {6, "SDI Channel 13-14 "},
        {7, "SDI Channel 15-16 "}},
       " "},
      {"TQ4410 embedding",
       embedSourceA,
       {{0, "SDI Channel 1-8 "}, {1, "SDI Channel 9-16 "}, {2, "AES/EBU Audio "}, {3, "Analog Audio "}},
       " "},
      {"TQ4410 colour space",
       hdmiColorSpaceA,
       {{0, "RGB 4:4:4 "}, {1, "YUV 4:2:2 "}, {2, "YUV 4:4:4 "}, {3, "DVI RGB 4:4:4 "}},
       " "},
      {"TQ4410 AV output", avOutputTypeA, {{0, "NTSC"}, {1, "PAL"}}, " "},
      {"TQ6630 input from HDMI", [](std::uint8_t c) { return inputFormatB(c, 0); }, kHdmiInputB, "No Signal"},
      {"TQ6630 input from AV", [](std::uint8_t c) { return inputFormatB(c, 1); }, kAvInputB, "No Signal"},
      {"TQ6630 input from source 2", [](std::uint8_t c) { return inputFormatB(c, 2); }, kAvInputB, "No Signal"},
      {"TQ6630 output",
       outputFormatB,
       {{0, "Follow Input "},
        {1, "1080p60"},
        {2, "1080p50"},
        {3, "1080p30"},
        {4, "1080p25"},
        {5, "1080p24 "},
        {6, "1080i60 "},
        {7, "1080i50"},
        {8, "720p60 "},
        {9, "720p50"},
        {10, "720p30 "},
        {11, "720p25"},
        {12, "720p24"},
        {13, "625i50 "},
        {14, "525i60 "},
        {15, "625i50_Cut"}},
       "No Signal"},
      {"TQ6630 SDI output source", outputSourceB, {{0, "HDMI"}, {1, "AV"}}, ""},
      {"TQ6630 audio from HDMI",
       [](std::uint8_t c) { return audioSourceB(c, 0); },
       {{0, "Follow HDMI"}, {1, "AES/EBU Audio Input"}, {2, "Analog Audio Input"}},
       ""},
      {"TQ6630 audio from AV",
       [](std::uint8_t c) { return audioSourceB(c, 1); },
       {{0, "Follow AV"}, {1, "AES/EBU Audio Input"}, {2, "Analog Audio Input"}},
       ""},
      {"TQ6630 audio from source 255",
       [](std::uint8_t c) { return audioSourceB(c, 255); },
       {{0, "Follow AV"}, {1, "AES/EBU Audio Input"}, {2, "Analog Audio Input"}},
       ""},
  };
  for (const DecodeTable& table : tables) {
    for (int code = 0; code <= 255; ++code) {
      const auto listed = table.listed.find(code);
      const char* expected = listed != table.listed.end() ? listed->second : table.fallback;
      EXPECT_STREQ(table.decode(static_cast<std::uint8_t>(code)), expected) << table.name << ", code " << code;
    }
  }
}

TEST(StatusTexts, FirmwareVersionShowsTensAndUnitsOfEachByte) {
  struct Case {
    std::uint8_t high, low;
    const char* text;
  };
  const Case cases[] = {
      {12, 34, "Ver 1.2.3.4"}, {123, 0, "Ver 12.3.0.0"}, {0, 0, "Ver 0.0.0.0"}, {255, 9, "Ver 25.5.0.9"}};
  for (const Case& c : cases) EXPECT_EQ(firmwareVersion(c.high, c.low), c.text);
}

}  // namespace
}  // namespace velkor::status_text

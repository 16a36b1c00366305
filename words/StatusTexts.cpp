#include "StatusTexts.h"

#include <cstdio>
#include <span>

namespace velkor::status_text {
namespace {

struct CodeText {
  std::uint8_t code;
  const char* text;
};

// Converters report codes beyond every table; those show the table's fallback.
const char* lookUp(std::span<const CodeText> table, std::uint8_t code, const char* fallback) {
  for (const CodeText& entry : table)
    if (entry.code == code) return entry.text;
  return fallback;
}

constexpr const char* kBlank = " ";
constexpr const char* kEmpty = "";

constexpr CodeText kSdiInputA[] = {
    {5, "720p24"},  {7, "1080p24"},  {9, "720p25"},   {11, "1080p25"},   {13, "720p30"},    {15, "1080p30"},
    {16, "625i50"}, {19, "1080i50"}, {20, "525i60"},  {23, "1080i60"},   {25, "720p50"},    {27, "1080p50"},
    {29, "720p60"}, {30, "1035i60"}, {31, "1080p60"}, {39, "1080psf24"}, {51, "1080psf25"}, {55, "1080psf30"},
};

constexpr CodeText kOutputFormatA[] = {
    {0, "Follow Input"}, {1, "1080p60"}, {2, "1080p50"}, {3, "1080p30"},     {4, "1080p25"}, {5, "1080p24"},
    {6, "1080i60"},      {7, "1080i50"}, {8, "720p60"},  {9, "720p50"},      {10, "720p30"}, {11, "720p25"},
    {12, "720p24"},      {13, "576i50"}, {14, "480i60"}, {15, "576i50_Cut"},
};

constexpr CodeText kDeembedPairA[] = {
    {0, "SDI Channel 1-2 "},  {1, "SDI Channel 3-4 "},   {2, "SDI Channel 5-6 "},   {3, "SDI Channel 7-8 "},
    {4, "SDI Channel 9-10 "}, {5, "SDI Channel 11-12 "}, {6, "SDI Channel 13-14 "}, {7, "SDI Channel 15-16 "},
};

constexpr CodeText kEmbedSourceA[] = {
    {0, "SDI Channel 1-8 "},
    {1, "SDI Channel 9-16 "},
    {2, "AES/EBU Audio "},
    {3, "Analog Audio "},
};

constexpr CodeText kHdmiColorSpaceA[] = {
    {0, "RGB 4:4:4 "},
    {1, "YUV 4:2:2 "},
    {2, "YUV 4:4:4 "},
    {3, "DVI RGB 4:4:4 "},
};

constexpr CodeText kAvOutputTypeA[] = {{0, "NTSC"}, {1, "PAL"}};

constexpr CodeText kHdmiInputFormatB[] = {
    {47, "480i60"},      {48, "480p60"},  {49, "576i50"},  {50, "576p50"},  {51, "720p24"},  {52, "720p25"},
    {53, "720p30"},      {54, "720p50"},  {55, "720p60"},  {56, "1080i50"}, {57, "1080i60"}, {58, "1080i50"},
    {59, "1080i50euro"}, {60, "1080p24"}, {61, "1080p25"}, {62, "1080p30"}, {63, "1080p50"}, {64, "1080p60"},
};

// 255 has a text of its own, spelt so; every other unknown code shows "No Signal".
constexpr CodeText kAvInputFormatB[] = {
    {0, "PAL"},   {1, "NTSC"},  {2, "SECAM"},  {3, "NTSC443"},
    {4, "PAL-M"}, {5, "PAL-N"}, {6, "PAL-60"}, {255, "No Singal"},
};

constexpr CodeText kOutputFormatB[] = {
    {0, "Follow Input "}, {1, "1080p60"},  {2, "1080p50"},  {3, "1080p30"},     {4, "1080p25"},  {5, "1080p24 "},
    {6, "1080i60 "},      {7, "1080i50"},  {8, "720p60 "},  {9, "720p50"},      {10, "720p30 "}, {11, "720p25"},
    {12, "720p24"},       {13, "625i50 "}, {14, "525i60 "}, {15, "625i50_Cut"},
};

constexpr std::uint8_t kSourceHdmi = 0;

constexpr CodeText kOutputSourceB[] = {{kSourceHdmi, "HDMI"}, {1, "AV"}};

constexpr std::uint8_t kAudioFollowsInput = 0;

constexpr CodeText kAudioSourceB[] = {{1, "AES/EBU Audio Input"}, {2, "Analog Audio Input"}};

}  // namespace

std::string firmwareVersion(std::uint8_t high, std::uint8_t low) {
  char text[32];
  std::snprintf(text, sizeof text, "Ver %d.%d.%d.%d", high / 10, high % 10, low / 10, low % 10);
  return text;
}

const char* sdiInputFormatA(std::uint8_t code) { return lookUp(kSdiInputA, code, kNoSignal); }
const char* outputFormatA(std::uint8_t code) { return lookUp(kOutputFormatA, code, kNoSignal); }
const char* deembedPairA(std::uint8_t code) { return lookUp(kDeembedPairA, code, kBlank); }
const char* embedSourceA(std::uint8_t code) { return lookUp(kEmbedSourceA, code, kBlank); }
const char* hdmiColorSpaceA(std::uint8_t code) { return lookUp(kHdmiColorSpaceA, code, kBlank); }
const char* avOutputTypeA(std::uint8_t code) { return lookUp(kAvOutputTypeA, code, kBlank); }

const char* inputFormatB(std::uint8_t code, std::uint8_t outputSource) {
  return outputSource == kSourceHdmi ? lookUp(kHdmiInputFormatB, code, kNoSignal)
                                     : lookUp(kAvInputFormatB, code, kNoSignal);
}

const char* outputFormatB(std::uint8_t code) { return lookUp(kOutputFormatB, code, kNoSignal); }
const char* outputSourceB(std::uint8_t code) { return lookUp(kOutputSourceB, code, kEmpty); }

const char* audioSourceB(std::uint8_t code, std::uint8_t outputSource) {
  if (code == kAudioFollowsInput) return outputSource == kSourceHdmi ? "Follow HDMI" : "Follow AV";
  return lookUp(kAudioSourceB, code, kEmpty);
}

std::vector<std::string> statusTextsA(const StatusBlockA& block) {
  return {
      firmwareVersion(block.firmwareHigh, block.firmwareLow),
      sdiInputFormatA(block.inputFormat),
      outputFormatA(block.outputFormat),
      deembedPairA(block.deembedPair),
      embedSourceA(block.embedSource),
      hdmiColorSpaceA(block.hdmiColorSpace),
      avOutputTypeA(block.avOutputType),
  };
}

std::vector<std::string> statusTextsB(const StatusBlockB& block) {
  return {
      firmwareVersion(block.firmwareHigh, block.firmwareLow),
      inputFormatB(block.inputFormat, block.outputSource),
      outputFormatB(block.outputFormat),
      outputSourceB(block.outputSource),
      audioSourceB(block.audioSource, block.outputSource),
  };
}

}  // namespace velkor::status_text

#include <algorithm>
#include <cctype>
#include <cstring>

#include "AcceptedDevices.h"
#include "ModelTable.h"
#include "SettingLists.h"
#include "StatusBlocks.h"
#include "StatusTexts.h"
#include "WireFormat.h"

namespace velkor::node::control {
namespace {

constexpr ListType kOutputFormatA{"TQ4410OutputFormat", "HDMI and analogue output format", lists::kOutputFormatsA};
constexpr ListType kHdmiColorSpace{"TQ4410HdmiColorSpace", "HDMI output colour space", lists::kHdmiColorSpaces};
constexpr ListType kAvOutputType{"TQ4410AvOutputType", "Analogue output standard", lists::kAvOutputTypes};
constexpr ListType kDeembedPair{"TQ4410DeembedPair", "SDI channel pair de-embedded to the analogue and AES outputs",
                                lists::kDeembedPairs};
constexpr ListType kEmbedSource{"TQ4410EmbedSource", "Audio embedded in the HDMI output", lists::kEmbedSources};
constexpr ListType kOverlaysEnable{"VelkorOverlaysEnable", "Overlays on the output", lists::kOverlaysEnable};

constexpr ListType kOutputFormatB{"TQ6630OutputFormat", "SDI output format", lists::kOutputFormatsB};
constexpr ListType kOutputSource{"TQ6630OutputSource", "Input that feeds the SDI output", lists::kSdiOutputSources};
// The panel names the first source after the input that feeds the SDI output ("Follow
// HDMI" or "Follow AV"); a controller sees one item for both.
constexpr std::array<const char*, 3> kAudioSourceWords{"Follow HDMI / Follow AV", lists::sdiAudioSources(0)[1],
                                                      lists::sdiAudioSources(0)[2]};
constexpr ListType kAudioSource{"TQ6630AudioSource", "Audio embedded in the SDI output", kAudioSourceWords};
constexpr ListType kImageFlip{"TQ6630ImageFlip", "Image flip", lists::kImageFlips};
constexpr ListType kScreenFreeze{"TQ6630ScreenFreeze", "Screen freeze", lists::kScreenFreeze};

constexpr SettingRow kOutputA[] = {
    {"outputFormat", "Output format", &kOutputFormatA, wire::kCmdOutputFormatA, offsetof(StatusBlockA, outputFormat)},
    {"hdmiColorSpace", "HDMI colour space", &kHdmiColorSpace, wire::kCmdHdmiColorSpaceA,
     offsetof(StatusBlockA, hdmiColorSpace)},
    {"avOutputType", "Analogue output type", &kAvOutputType, wire::kCmdAvOutputTypeA,
     offsetof(StatusBlockA, avOutputType)},
};
constexpr SettingRow kAudioA[] = {
    {"deembedPair", "De-embedded SDI channel pair", &kDeembedPair, wire::kCmdDeembedPairA,
     offsetof(StatusBlockA, deembedPair)},
    {"embedSource", "HDMI embedding source", &kEmbedSource, wire::kCmdEmbedSourceA, offsetof(StatusBlockA, embedSource)},
};
constexpr SettingRow kOverlayA[] = {
    {"overlaysEnable", "Overlays", &kOverlaysEnable, wire::kCmdOverlaysEnableA, offsetof(StatusBlockA, overlaysEnable)},
    {"verticalMargin", "Vertical margin in percent", nullptr, wire::kCmdVerticalMarginA,
     offsetof(StatusBlockA, verticalMargin)},
    {"horizontalMargin", "Horizontal margin in percent", nullptr, wire::kCmdHorizontalMarginA,
     offsetof(StatusBlockA, horizontalMargin)},
};

constexpr SettingRow kOutputB[] = {
    {"outputFormat", "Output format", &kOutputFormatB, wire::kCmdOutputFormatB, offsetof(StatusBlockB, outputFormat)},
    {"outputSource", "SDI output source", &kOutputSource, wire::kCmdOutputSourceB, offsetof(StatusBlockB, outputSource)},
    {"audioSource", "SDI audio source", &kAudioSource, wire::kCmdAudioSourceB, offsetof(StatusBlockB, audioSource)},
};
constexpr SettingRow kOverlayB[] = {
    {"overlaysEnable", "Overlays", &kOverlaysEnable, wire::kCmdOverlaysEnableB, offsetof(StatusBlockB, overlaysEnable)},
    {"verticalMargin", "Vertical margin in percent", nullptr, wire::kCmdVerticalMarginB,
     offsetof(StatusBlockB, verticalMargin)},
    {"horizontalMargin", "Horizontal margin in percent", nullptr, wire::kCmdHorizontalMarginB,
     offsetof(StatusBlockB, horizontalMargin)},
    {"imageFlip", "Image flip", &kImageFlip, wire::kCmdMirrorImageB, offsetof(StatusBlockB, mirrorImage)},
    {"screenFreeze", "Screen freeze", &kScreenFreeze, wire::kCmdScreenFreezeB, offsetof(StatusBlockB, screenFreeze)},
};

constexpr PageClass kPagesA[] = {
    {"output", "TQ4410Output", "TQ4410 output page", {1, 2, 0, 1}, kOutputA},
    {"audio", "TQ4410Audio", "TQ4410 audio page", {1, 2, 0, 2}, kAudioA},
    {"overlay", "TQ4410Overlay", "TQ4410 overlay page", {1, 2, 0, 3}, kOverlayA},
};
constexpr PageClass kPagesB[] = {
    {"output", "TQ6630Output", "TQ6630 output page", {1, 2, 0, 4}, kOutputB},
    {"overlay", "TQ6630Overlay", "TQ6630 overlay page", {1, 2, 0, 5}, kOverlayB},
};

template <typename Block>
const Block* blockOf(std::span<const std::uint8_t> bytes) {
  return bytes.size() == sizeof(Block) ? reinterpret_cast<const Block*>(bytes.data()) : nullptr;
}

constexpr const char* kUnknownInput = "No Signal";

const std::array<ConverterTable, 2> kTables{{
    {kVersionModelA, "TQ4410", sizeof(StatusBlockA), offsetof(StatusBlockA, firmwareHigh), kPagesA,
     [](std::span<const std::uint8_t> bytes) {
       const auto* block = blockOf<StatusBlockA>(bytes);
       return block ? status_text::sdiInputFormatA(block->inputFormat) : kUnknownInput;
     }},
    {kVersionModelB, "TQ6630", sizeof(StatusBlockB), offsetof(StatusBlockB, firmwareHigh), kPagesB,
     [](std::span<const std::uint8_t> bytes) {
       const auto* block = blockOf<StatusBlockB>(bytes);
       return block ? status_text::inputFormatB(block->inputFormat, block->outputSource) : kUnknownInput;
     }},
}};

}  // namespace

std::span<const ConverterTable> converterTables() { return kTables; }

const ConverterTable* converterTable(std::uint16_t versionNumber) {
  for (const ConverterTable& table : kTables)
    if (table.versionNumber == versionNumber) return &table;
  return nullptr;
}

bool inputPresent(const char* inputWord) {
  // The status pages' words for no input; the TQ6630's analogue input spells it so.
  return std::strcmp(inputWord, "No Signal") != 0 && std::strcmp(inputWord, "No Singal") != 0;
}

std::string itemName(const char* word) {
  std::string name;
  bool gap = false;
  for (const char* c = word; *c != '\0'; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) {
      if (gap && !name.empty()) name += '_';
      name += *c;
      gap = false;
    } else {
      gap = true;
    }
  }
  return name;
}

}  // namespace velkor::node::control

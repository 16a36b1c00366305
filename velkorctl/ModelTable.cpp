#include "ModelTable.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>

#include "AcceptedDevices.h"
#include "CommandSet.h"
#include "SettingLists.h"
#include "StatusTexts.h"

namespace velkor::ctl {
namespace {

// Kept whole here: the list words for the first audio source follow the SDI output
// source, and a span needs the words to stay put.
constexpr auto kAudioSourcesHdmi = lists::sdiAudioSources(0);
constexpr auto kAudioSourcesAv = lists::sdiAudioSources(1);

constexpr SettingKey kKeysA[] = {
    {"output-format", offsetof(StatusBlockA, outputFormat), lists::kOutputFormatsA},
    {"hdmi-color-space", offsetof(StatusBlockA, hdmiColorSpace), lists::kHdmiColorSpaces},
    {"av-output-type", offsetof(StatusBlockA, avOutputType), lists::kAvOutputTypes},
    {"deembed-pair", offsetof(StatusBlockA, deembedPair), lists::kDeembedPairs},
    {"embed-source", offsetof(StatusBlockA, embedSource), lists::kEmbedSources},
    {"overlays", offsetof(StatusBlockA, overlaysEnable), lists::kOverlaysEnable},
    {"vertical-margin", offsetof(StatusBlockA, verticalMargin), {}, lists::kMarginMaximum},
    {"horizontal-margin", offsetof(StatusBlockA, horizontalMargin), {}, lists::kMarginMaximum},
};

constexpr SettingKey kKeysB[] = {
    {"output-format", offsetof(StatusBlockB, outputFormat), lists::kOutputFormatsB},
    {"output-source", offsetof(StatusBlockB, outputSource), lists::kSdiOutputSources},
    {"audio-source", offsetof(StatusBlockB, audioSource), kAudioSourcesHdmi, 0, kAudioSourcesAv,
     offsetof(StatusBlockB, outputSource)},
    {"overlays", offsetof(StatusBlockB, overlaysEnable), lists::kOverlaysEnable},
    {"vertical-margin", offsetof(StatusBlockB, verticalMargin), {}, lists::kMarginMaximum},
    {"horizontal-margin", offsetof(StatusBlockB, horizontalMargin), {}, lists::kMarginMaximum},
    {"image-flip", offsetof(StatusBlockB, mirrorImage), lists::kImageFlips},
    {"screen-freeze", offsetof(StatusBlockB, screenFreeze), lists::kScreenFreeze},
};

// Every byte an apply frame carries has a key, so that a settings file can be sent
// whole.
static_assert(std::size(kKeysA) == wire::kApplyPayloadLength);
static_assert(std::size(kKeysB) == wire::kApplyPayloadLength);

// Where a status item shows a setting, it has the setting's key; the input's format is
// "input-format" on both models.
constexpr StatusItem kStatusItemsA[] = {
    {"input-format", offsetof(StatusBlockA, inputFormat)},
    {"output-format", offsetof(StatusBlockA, outputFormat)},
    {"deembed-pair", offsetof(StatusBlockA, deembedPair)},
    {"embed-source", offsetof(StatusBlockA, embedSource)},
    {"hdmi-color-space", offsetof(StatusBlockA, hdmiColorSpace)},
    {"av-output-type", offsetof(StatusBlockA, avOutputType)},
};
constexpr StatusItem kStatusItemsB[] = {
    {"input-format", offsetof(StatusBlockB, inputFormat)},
    {"output-format", offsetof(StatusBlockB, outputFormat)},
    {"output-source", offsetof(StatusBlockB, outputSource)},
    {"audio-source", offsetof(StatusBlockB, audioSource)},
};

static_assert(offsetof(StatusBlockA, firmwareLow) == offsetof(StatusBlockA, firmwareHigh) + 1);
static_assert(offsetof(StatusBlockB, firmwareLow) == offsetof(StatusBlockB, firmwareHigh) + 1);

const std::array<ModelInfo, 2> kModels{{
    {
        .word = "TQ4410",
        .option = "tq4410",
        .versionNumber = kVersionModelA,
        .statusReplyCode = wire::kReplyCodeStatusA,
        .keys = kKeysA,
        .firmwareOffset = offsetof(StatusBlockA, firmwareHigh),
        .statusItems = kStatusItemsA,
        .statusTexts = [](const DeviceRecord& r) { return status_text::statusTextsA(r.statusA); },
        .statusBlock = [](DeviceRecord& r) { return blockBytes(r.statusA); },
        .customName = &DeviceRecord::customNameA,
        .applyMode = &DeviceRecord::applyModeA,
        .queryStatus = queryStatusA,
        .applySettings = applySettingsA,
        .sendName = sendNameA,
        .sendCommand = sendCommandA,
        .storeCustomCommand = wire::kCmdStoreCustomA,
        .fileItems = kSettingsTQ4410.items,
        .saveSettings = saveSettingsA,
        .readSettings = readSettingsA,
        .readSettingsContent = readSettingsContentA,
        .settingsText = settingsTextA,
    },
    {
        .word = "TQ6630",
        .option = "tq6630",
        .versionNumber = kVersionModelB,
        .statusReplyCode = wire::kReplyCodeStatusB,
        .keys = kKeysB,
        .firmwareOffset = offsetof(StatusBlockB, firmwareHigh),
        .statusItems = kStatusItemsB,
        .statusTexts = [](const DeviceRecord& r) { return status_text::statusTextsB(r.statusB); },
        .statusBlock = [](DeviceRecord& r) { return blockBytes(r.statusB); },
        .customName = &DeviceRecord::customNameB,
        .applyMode = &DeviceRecord::applyModeB,
        .queryStatus = queryStatusB,
        .applySettings = applySettingsB,
        .sendName = sendNameB,
        .sendCommand = sendCommandB,
        .storeCustomCommand = wire::kCmdStoreCustomB,
        .fileItems = kSettingsTQ6630.items,
        .saveSettings = saveSettingsB,
        .readSettings = readSettingsB,
        .readSettingsContent = readSettingsContentB,
        .settingsText = settingsTextB,
    },
}};

}  // namespace

const SettingKey* ModelInfo::key(std::string_view name) const {
  for (const SettingKey& k : keys)
    if (name == k.name) return &k;
  return nullptr;
}

const SettingsItem* ModelInfo::fileItem(const SettingKey& key) const {
  for (const SettingsItem& item : fileItems)
    if (item.offset == key.offset) return &item;
  return nullptr;
}

std::span<const ModelInfo> models() { return kModels; }

const ModelInfo* modelOf(std::uint16_t versionNumber) {
  for (const ModelInfo& m : kModels)
    if (m.versionNumber == versionNumber) return &m;
  return nullptr;
}

const ModelInfo* modelNamed(std::string_view option) {
  const auto sameLetters = [](std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) == y; });
  };
  for (const ModelInfo& m : kModels)
    if (sameLetters(option, m.option)) return &m;
  return nullptr;
}

}  // namespace velkor::ctl

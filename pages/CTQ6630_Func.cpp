#include "CTQ6630_Func.h"

#include <cstddef>

#include "CommandSet.h"
#include "SettingsTables.h"
#include "UserSettings.h"

namespace velkor {

namespace {

constexpr int kGroupMode = 1070;
constexpr int kSettingList = 1094;
constexpr int kApply = 1095;
constexpr int kGroupFile = 1071;
constexpr int kSaveSettings = 1096;
constexpr int kSaveCustom1 = 1097;
constexpr int kLoadSettings = 1098;
constexpr int kSaveCustom2 = 1099;
constexpr int kLoadDefaults = 1100;
constexpr int kFirmwareUpdate = 1101;
constexpr int kApplyToAll = 1054;

using enum ControlKind;

// Template 169. "Firmware Update" and "Apply to All TQ4410" are in the template but
// hidden, and nothing ever shows them; the latter is not even skinned.
constexpr ControlSpec kTemplate[] = {
    {GroupBox, kGroupMode, "Auto or Manual Configuration", 25, 6, 301, 82},
    {StaticText, NoControlId, "Setting", 65, 46, 24, 8, true, Qt::AlignRight},
    {DropDownList, kSettingList, "", 101, 41, 89, 73},
    {PushButton, kApply, "Apply", 221, 41, 75, 14},
    {GroupBox, kGroupFile, "Save or Load Settings", 25, 100, 301, 92},
    {PushButton, kSaveSettings, "Save Settings", 65, 113, 105, 16},
    {PushButton, kSaveCustom1, "Save to Custom1", 191, 113, 105, 16},
    {PushButton, kLoadSettings, "Load Settings", 65, 137, 105, 16},
    {PushButton, kSaveCustom2, "Save to Custom2", 191, 137, 105, 16},
    {PushButton, kLoadDefaults, "Load Defaults", 65, 161, 105, 16},
    {PushButton, kFirmwareUpdate, "Firmware Update", 191, 161, 105, 16, false},
    {PushButton, kApplyToAll, "Apply to All TQ4410", 185, 65, 75, 14, false},
};

// The buttons say what they do in their captions.
constexpr ControlName kNames[] = {{kSettingList, "Setting"}};

constexpr int kInertButtons[] = {kFirmwareUpdate};
constexpr int kGroupBoxes[] = {kGroupMode, kGroupFile};

std::span<std::uint8_t> chosenBlockBytes(DeviceRecord& record) {
  return {blockBytes(chosenBlock(record, kSettingsTQ6630)), sizeof(StatusBlockB)};
}

// Load Defaults clears the eight settings, bytes 3 (outputFormat) to 10; firmware and
// input format stay.
const FunctionPage::Model kModel{
    .endLine = "PostNcDestroy 6630 func \n",
    .controls = kTemplate,
    .names = kNames,
    .settingList = kSettingList,
    .applyButton = kApply,
    .saveSettingsButton = kSaveSettings,
    .saveCustom1Button = kSaveCustom1,
    .loadSettingsButton = kLoadSettings,
    .saveCustom2Button = kSaveCustom2,
    .loadDefaultsButton = kLoadDefaults,
    .inertButtons = kInertButtons,
    .groupBoxes = kGroupBoxes,
    .applyMode = &DeviceRecord::applyModeB,
    .applySettings = applySettingsB,
    .sendCommand = sendCommandB,
    .storeCustomCommand = wire::kCmdStoreCustomB,
    .settingsFile = kSettingsFileTQ6630,
    .saveSettings = saveSettingsB,
    .loadSettings = loadSettingsB,
    .chosenBlock = chosenBlockBytes,
    .defaultsFirst = offsetof(StatusBlockB, outputFormat),
    .defaultsEnd = sizeof(StatusBlockB),
};

}  // namespace

CTQ6630_Func::CTQ6630_Func() : FunctionPage(kModel) {}

}  // namespace velkor

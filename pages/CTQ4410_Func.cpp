#include "CTQ4410_Func.h"

#include <cstddef>

#include "CommandSet.h"
#include "SettingsTables.h"
#include "UserSettings.h"

namespace velkor {

namespace {

constexpr int kGroupMode = 1070;
constexpr int kSettingList = 1053;
constexpr int kApply = 1023;
constexpr int kGroupFile = 1071;
constexpr int kSaveSettings = 1055;
constexpr int kSaveCustom1 = 1056;
constexpr int kLoadSettings = 1057;
constexpr int kSaveCustom2 = 1058;
constexpr int kLoadDefaults = 1059;
constexpr int kStatusDisplayList = 1033;
constexpr int kApplyToAll = 1054;
constexpr int kFirmwareUpdate = 1060;

using enum ControlKind;

// Template 158. The "Status Display" label and list, "Apply to All TQ4410" and
// "Firmware Update" are in the template but hidden, and nothing ever shows them.
constexpr ControlSpec kTemplate[] = {
    {GroupBox, kGroupMode, "Auto or Manual Configuration", 21, 12, 301, 82},
    {StaticText, NoControlId, "Setting", 60, 52, 24, 8, true, Qt::AlignRight},
    {DropDownList, kSettingList, "", 97, 48, 89, 73},
    {PushButton, kApply, "Apply", 217, 46, 75, 14},
    {GroupBox, kGroupFile, "Save or Load Settings", 21, 103, 301, 92},
    {PushButton, kSaveSettings, "Save Settings", 60, 118, 105, 16},
    {PushButton, kSaveCustom1, "Save to Custom1", 186, 118, 105, 16},
    {PushButton, kLoadSettings, "Load Settings", 60, 142, 105, 16},
    {PushButton, kSaveCustom2, "Save to Custom2", 186, 142, 105, 16},
    {PushButton, kLoadDefaults, "Load Defaults", 60, 166, 105, 16},
    {StaticText, NoControlId, "Status Display", 62, 29, 45, 8, false, Qt::AlignRight},
    {DropDownList, kStatusDisplayList, "", 119, 25, 89, 94, false},
    {PushButton, kApplyToAll, "Apply to All TQ4410", 237, 70, 75, 14, false},
    {PushButton, kFirmwareUpdate, "Firmware Update", 186, 166, 105, 16, false},
};

// The buttons say what they do in their captions.
constexpr ControlName kNames[] = {{kSettingList, "Setting"}};

constexpr int kInertButtons[] = {kApplyToAll, kFirmwareUpdate};
constexpr int kGroupBoxes[] = {kGroupMode, kGroupFile};

std::span<std::uint8_t> chosenBlockBytes(DeviceRecord& record) {
  return {blockBytes(chosenBlock(record, kSettingsTQ4410)), sizeof(StatusBlockA)};
}

// Load Defaults clears every setting, the six overlay item flags included: block bytes
// 7 (outputFormat) to 20; firmware, input format and the spare bytes stay.
const FunctionPage::Model kModel{
    .endLine = "PostNcDestroy 4410 func \n",
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
    .applyMode = &DeviceRecord::applyModeA,
    .applySettings = applySettingsA,
    .sendCommand = sendCommandA,
    .storeCustomCommand = wire::kCmdStoreCustomA,
    .settingsFile = kSettingsFileTQ4410,
    .saveSettings = saveSettingsA,
    .loadSettings = loadSettingsA,
    .chosenBlock = chosenBlockBytes,
    .defaultsFirst = offsetof(StatusBlockA, outputFormat),
    .defaultsEnd = offsetof(StatusBlockA, spare21),
};

}  // namespace

CTQ4410_Func::CTQ4410_Func() : FunctionPage(kModel) {}

}  // namespace velkor

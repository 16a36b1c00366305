#pragma once
// What velkorctl knows of each model: its words, its settings under their command-line
// keys, the status items of its status page, and the requests and settings-file
// functions that serve it. The two models differ only in these rows.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "DeviceRecord.h"
#include "SettingKeys.h"
#include "SettingsTables.h"
#include "UserSettings.h"

namespace velkor::ctl {

// An item of the status page: the name scripts and the text know it by, and the byte of
// the model's status block it shows. Items that mean the same on both models have the
// same name.
struct StatusItem {
  const char* name;
  std::size_t offset;
};

struct ModelInfo {
  const char* word;    // "TQ4410"
  const char* option;  // "tq4410", as --model takes it
  std::uint16_t versionNumber;
  std::uint8_t statusReplyCode;

  std::span<const SettingKey> keys;
  // The two firmware bytes of the status block, high then low.
  std::size_t firmwareOffset;
  // The status page's items after the firmware version, in the order statusTexts gives
  // their words (after the firmware's own).
  std::span<const StatusItem> statusItems;
  std::vector<std::string> (*statusTexts)(const DeviceRecord&);

  std::uint8_t* (*statusBlock)(DeviceRecord&);
  std::u16string DeviceRecord::*customName;
  std::uint8_t DeviceRecord::*applyMode;
  void (*queryStatus)(DeviceRecord&);
  void (*applySettings)(DeviceRecord&);
  void (*sendName)(DeviceRecord&);
  void (*sendCommand)(DeviceRecord&, std::uint8_t command, std::uint8_t value);
  std::uint8_t storeCustomCommand;

  std::span<const SettingsItem> fileItems;
  SettingsResult (*saveSettings)(const DeviceRecord&, const std::filesystem::path&);
  SettingsRead (*readSettings)(DeviceRecord&, const std::filesystem::path&);
  SettingsRead (*readSettingsContent)(DeviceRecord&, const FileRead&, const std::filesystem::path&);
  std::string (*settingsText)(const DeviceRecord&);

  const SettingKey* key(std::string_view name) const;
  // The settings file's row for a key.
  const SettingsItem* fileItem(const SettingKey& key) const;
};

std::span<const ModelInfo> models();
// Null for a version number of neither model.
const ModelInfo* modelOf(std::uint16_t versionNumber);
// Either case: "TQ4410" or "tq4410".
const ModelInfo* modelNamed(std::string_view option);

}  // namespace velkor::ctl

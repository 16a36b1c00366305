#pragma once
// Saving the settings of a model, with its apply mode, to the model's settings file,
// and loading them back into the record and onto the converter in use.

#include <filesystem>
#include <string>
#include <vector>

#include "DeviceRecord.h"
#include "FileRead.h"
#include "SettingsResult.h"
#include "SettingsTables.h"

namespace velkor {

// The original program names its files ".\userSettings_tq4410.ini" and
// ".\userSettings_tq6630.ini": relative to the current working directory, not to the
// executable. A bare relative name means the same here. Every converter of a model
// shares its model's file.
inline constexpr const char* kSettingsFileTQ4410 = "userSettings_tq4410.ini";
inline constexpr const char* kSettingsFileTQ6630 = "userSettings_tq6630.ini";

// Writes the block the apply mode chooses (held settings in Manual Apply, the status
// block in Auto Apply) and the mode itself. Every line of an existing file that the
// model does not name is kept as it is, and so are its encoding, permissions, owner and
// links (see SafeSave.h). The file holds the new text or, on failure, the old one.
SettingsResult saveSettingsA(const DeviceRecord& record, const std::filesystem::path& file = kSettingsFileTQ4410);
SettingsResult saveSettingsB(const DeviceRecord& record, const std::filesystem::path& file = kSettingsFileTQ6630);

// Reads the file into the block the apply mode chooses at the call, then the file's
// mode, then applies the block the new mode chooses to the converter in use. A key or
// section missing from the file reads as 0. When the file is missing or unreadable, or
// holds none of the model's settings, or is the other model's file, the record is left
// alone and nothing is sent.
SettingsResult loadSettingsA(DeviceRecord& record, const std::filesystem::path& file = kSettingsFileTQ4410);
SettingsResult loadSettingsB(DeviceRecord& record, const std::filesystem::path& file = kSettingsFileTQ6630);

// What a load reads, without sending anything: the file's items into the block the
// apply mode chooses at the call, then the file's mode. `missing` holds the model's
// items that the file lacks or leaves empty, which read as 0: a file of the other
// model lacks several.
struct SettingsRead {
  SettingsResult result;
  std::vector<const SettingsItem*> missing;
  // Each item's value as the file writes it, in the model's item order.
  std::vector<std::string> texts;
};
SettingsRead readSettingsA(DeviceRecord& record, const std::filesystem::path& file);
SettingsRead readSettingsB(DeviceRecord& record, const std::filesystem::path& file);
// The same from what was read already (standard input, say), `name` standing for the
// file in messages.
SettingsRead readSettingsContentA(DeviceRecord& record, const FileRead& content, const std::filesystem::path& name);
SettingsRead readSettingsContentB(DeviceRecord& record, const FileRead& content, const std::filesystem::path& name);

// The text a save writes into a new file, for standard output.
std::string settingsTextA(const DeviceRecord& record);
std::string settingsTextB(const DeviceRecord& record);

}  // namespace velkor

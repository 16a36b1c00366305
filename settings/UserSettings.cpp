#include "UserSettings.h"

#include <string>

#include "ProfileDocument.h"
#include "ProfileValue.h"
#include "SettingsTables.h"
#include "WholeFile.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;

std::string decimal(std::uint8_t value) { return std::to_string(value); }

template <typename Block>
std::error_code fillDocument(ProfileDocument& document, const DeviceRecord& record, const ModelSettings<Block>& model) {
  const std::uint8_t* block = blockBytes(chosenBlock(record, model));
  for (const SettingsItem& item : model.items)
    if (std::error_code error = document.set(item.section, item.key, decimal(block[item.offset]))) return error;
  return document.set(kModeSection, kModeKey, decimal(record.*model.applyMode));
}

template <typename Block>
SettingsResult save(const DeviceRecord& record, const ModelSettings<Block>& model, const fs::path& file) {
  const auto cannotWrite = [&](std::error_code error) {
    return SettingsResult::failure(SettingsOutcome::CannotWrite, file, error);
  };
  // What is there already is rewritten with it; a file that exists but cannot be read
  // would lose its other sections, so it is not replaced.
  const WholeFileRead existing = readWholeFile(file);
  if (existing.error && existing.error != std::errc::no_such_file_or_directory) return cannotWrite(existing.error);

  ProfileDocument document;
  std::string text;
  if (std::error_code error = document.parse(existing.bytes)) return cannotWrite(error);
  if (std::error_code error = fillDocument(document, record, model)) return cannotWrite(error);
  if (std::error_code error = document.text(text)) return cannotWrite(error);
  if (std::error_code error = replaceWholeFile(file, text)) return cannotWrite(error);
  return {};
}

template <typename Block>
SettingsRead readInto(DeviceRecord& record, const ModelSettings<Block>& model, const fs::path& file) {
  const WholeFileRead content = readWholeFile(file);
  if (content.error == std::errc::no_such_file_or_directory || content.error == std::errc::not_a_directory)
    return {SettingsResult::failure(SettingsOutcome::FileNotFound, file, content.error), {}, {}};
  if (content.error) return {SettingsResult::failure(SettingsOutcome::CannotRead, file, content.error), {}, {}};

  ProfileDocument document;
  if (std::error_code error = document.parse(content.bytes))
    return {SettingsResult::failure(SettingsOutcome::CannotRead, file, error), {}, {}};

  // The block is chosen before the file's mode takes over.
  SettingsRead read;
  std::uint8_t* block = blockBytes(chosenBlock(record, model));
  for (const SettingsItem& item : model.items) {
    const std::string value = document.value(item.section, item.key);
    if (value.empty()) read.missing.push_back(&item);
    block[item.offset] = profileByte(value);
    read.texts.push_back(value);
  }
  record.*model.applyMode = profileByte(document.value(kModeSection, kModeKey));
  return read;
}

template <typename Block>
SettingsResult load(DeviceRecord& record, const ModelSettings<Block>& model, const fs::path& file) {
  const SettingsRead loaded = readInto(record, model, file);
  // The apply sends the block of the file's mode, which need not be the one just filled.
  if (loaded.result.ok()) model.apply(record);
  return loaded.result;
}

}  // namespace

SettingsResult saveSettingsA(const DeviceRecord& record, const fs::path& file) {
  return save(record, kSettingsTQ4410, file);
}
SettingsResult saveSettingsB(const DeviceRecord& record, const fs::path& file) {
  return save(record, kSettingsTQ6630, file);
}
SettingsResult loadSettingsA(DeviceRecord& record, const fs::path& file) { return load(record, kSettingsTQ4410, file); }
SettingsResult loadSettingsB(DeviceRecord& record, const fs::path& file) { return load(record, kSettingsTQ6630, file); }
SettingsRead readSettingsA(DeviceRecord& record, const fs::path& file) {
  return readInto(record, kSettingsTQ4410, file);
}
SettingsRead readSettingsB(DeviceRecord& record, const fs::path& file) {
  return readInto(record, kSettingsTQ6630, file);
}

}  // namespace velkor

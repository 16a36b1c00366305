#include "UserSettings.h"

#include <algorithm>
#include <string>

#include "FileRead.h"
#include "ProfileDocument.h"
#include "ProfileValue.h"
#include "SafeSave.h"
#include "SettingsTables.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;

std::string decimal(std::uint8_t value) { return std::to_string(value); }

template <typename Block>
void fillDocument(ProfileDocument& document, const DeviceRecord& record, const ModelSettings<Block>& model) {
  const std::uint8_t* block = blockBytes(chosenBlock(record, model));
  for (const SettingsItem& item : model.items) document.set(item.section, item.key, decimal(block[item.offset]));
  document.set(kModeSection, kModeKey, decimal(record.*model.applyMode));
}

bool holdsAll(const ProfileDocument& document, std::span<const SettingsItem> items) {
  return std::all_of(items.begin(), items.end(), [&](const SettingsItem& item) {
    return !document.value(item.section, item.key).empty();
  });
}

// The other model's whole file, not a partial file of this one.
template <typename Block>
bool isOtherModelsFile(const ProfileDocument& document, const ModelSettings<Block>& model) {
  return holdsAll(document, model.otherItems) && !holdsAll(document, model.items);
}

template <typename Block>
SettingsResult save(const DeviceRecord& record, const ModelSettings<Block>& model, const fs::path& file) {
  const auto cannotWrite = [&](std::string reason) {
    return SettingsResult::failure(SettingsOutcome::CannotWrite, file, std::move(reason));
  };
  const SaveTarget target = inspectSaveTarget(file);
  if (!target.problem.empty()) return cannotWrite(target.problem);
  // What is there already is rewritten with it; a file that is no text of a settings
  // file would be damaged, so it is not written.
  ProfileDocument document;
  if (std::string problem = document.parse(target.bytes); !problem.empty())
    return cannotWrite(problem + ", so it is not replaced");
  // Its values would be overwritten where the models share a key.
  if (isOtherModelsFile(document, model))
    return cannotWrite(std::string("it is a ") + model.otherWord + " settings file, so it is not replaced");
  fillDocument(document, record, model);
  // Never a file that loading would refuse.
  const std::string bytes = document.bytes();
  if (bytes.size() > kSettingsFileLimit)
    return cannotWrite("with the settings it would grow past " + std::to_string(kSettingsFileLimit) +
                       " bytes, which no settings file is");
  if (std::string problem = writeSaveTarget(target, bytes); !problem.empty()) return cannotWrite(problem);
  return {};
}

template <typename Block>
SettingsRead readFrom(DeviceRecord& record, const ModelSettings<Block>& model, const FileRead& content,
                      const fs::path& file) {
  const auto refused = [&](SettingsOutcome outcome, std::string reason) {
    return SettingsRead{SettingsResult::failure(outcome, file, std::move(reason)), {}, {}};
  };
  if (content.status == FileRead::Status::Missing) return refused(SettingsOutcome::FileNotFound, content.problem);
  if (content.status == FileRead::Status::Refused) return refused(SettingsOutcome::CannotRead, content.problem);

  ProfileDocument document;
  if (std::string problem = document.parse(content.bytes); !problem.empty())
    return refused(SettingsOutcome::CannotRead, problem);

  // An empty file, garbage or the other model's file would otherwise load as zeros and
  // reset the converter.
  std::vector<const SettingsItem*> missing;
  for (const SettingsItem& item : model.items)
    if (document.value(item.section, item.key).empty()) missing.push_back(&item);
  const std::string notOurs = std::string(model.word) + " settings file: ";
  if (missing.size() == model.items.size())
    return refused(SettingsOutcome::NotSettingsFile, notOurs + "it holds none of its settings");
  if (isOtherModelsFile(document, model))
    return refused(SettingsOutcome::NotSettingsFile, notOurs + "it is a " + model.otherWord + " settings file");

  // The block is chosen before the file's mode takes over.
  SettingsRead read;
  read.missing = std::move(missing);
  std::uint8_t* block = blockBytes(chosenBlock(record, model));
  for (const SettingsItem& item : model.items) {
    const std::string value = document.value(item.section, item.key);
    block[item.offset] = profileByte(value);
    read.texts.push_back(value);
  }
  record.*model.applyMode = profileByte(document.value(kModeSection, kModeKey));
  return read;
}

template <typename Block>
SettingsResult load(DeviceRecord& record, const ModelSettings<Block>& model, const fs::path& file) {
  const SettingsRead loaded = readFrom(record, model, readSettingsFile(file), file);
  // The apply sends the block of the file's mode, which need not be the one just filled.
  if (loaded.result.ok()) model.apply(record);
  return loaded.result;
}

template <typename Block>
std::string newText(const DeviceRecord& record, const ModelSettings<Block>& model) {
  ProfileDocument document;
  fillDocument(document, record, model);
  return document.bytes();
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
  return readFrom(record, kSettingsTQ4410, readSettingsFile(file), file);
}
SettingsRead readSettingsB(DeviceRecord& record, const fs::path& file) {
  return readFrom(record, kSettingsTQ6630, readSettingsFile(file), file);
}
SettingsRead readSettingsContentA(DeviceRecord& record, const FileRead& content, const fs::path& name) {
  return readFrom(record, kSettingsTQ4410, content, name);
}
SettingsRead readSettingsContentB(DeviceRecord& record, const FileRead& content, const fs::path& name) {
  return readFrom(record, kSettingsTQ6630, content, name);
}
std::string settingsTextA(const DeviceRecord& record) { return newText(record, kSettingsTQ4410); }
std::string settingsTextB(const DeviceRecord& record) { return newText(record, kSettingsTQ6630); }

}  // namespace velkor

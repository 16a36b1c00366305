// The commands that hand settings over: set, and the settings files' save and load.

#include <map>

#include "Assignments.h"
#include "Commands.h"

namespace velkor::ctl {
namespace {

std::string joined(const std::string& list, const std::string& item) {
  return list.empty() ? item : list + ", " + item;
}

// A status query for what the converter holds, one apply frame with the changes over
// it, and a status query to see what it took.
bool sendSettings(Output& output, Converter& converter, std::span<const Change> changes, Json fields,
                  const std::string& note) {
  if (!converter.query()) return converterFailed(output, converter, noAnswer(), fields);
  converter.apply(changes);  // its reply does not matter: the query after it does
  if (!converter.query())
    return converterFailed(output, converter, noAnswer() + " after the settings were sent", fields);

  const std::uint8_t* block = converter.statusBlock();
  Json settings = Json::object();
  Json refused = Json::object();
  std::string taken;
  std::string notTaken;
  for (const Change& change : changes) {
    const SettingKey& key = *change.key;
    const std::uint8_t holds = block[key.offset];
    settings[key.name] = settingJson(key, holds, block);
    const std::string requested = std::string(key.name) + "=" + shownValue(key, change.value, block);
    if (holds == change.value) {
      taken = joined(taken, requested);
      continue;
    }
    refused[key.name] = {{"requested", settingJson(key, change.value, block)},
                         {"holds", settingJson(key, holds, block)}};
    notTaken = joined(notTaken, requested + " (holds " + shownValue(key, holds, block) + ")");
  }
  fields["settings"] = settings;
  if (!refused.empty()) {
    fields["refused"] = refused;
    return converterFailed(output, converter, "did not take " + notTaken + "; is its DIP switch at \"Controls-PC\"?",
                           fields);
  }
  converterDone(output, converter, fields, note + taken);
  return true;
}

// Where a settings file keeps an item: "\"Output Format\" in [Page_Scale/Output]".
std::string itemPlace(const SettingsItem& item) {
  return "\"" + std::string(item.key) + "\" in [" + item.section + "]";
}

// A settings file as the changes that send all of it, each value checked as `set`
// checks it: the panel's own reading would take "300" as 44 and "abc" as 0. The
// file's apply mode is the panel's and stays with it.
Changes changesFromFile(const ModelInfo& model, const std::filesystem::path& file) {
  Changes changes;
  DeviceRecord scratch;
  const SettingsRead read = model.readSettings(scratch, file);
  if (!read.result.ok()) {
    changes.error = read.result.message();
    return changes;
  }
  if (!read.missing.empty()) {
    const SettingsItem& item = *read.missing.front();
    changes.error = file.string() + " is no " + model.word + " settings file: it has no " + itemPlace(item);
    return changes;
  }
  for (const SettingKey& key : model.keys) {
    const SettingsItem& item = *model.fileItem(key);
    const std::string& text = read.texts.at(static_cast<std::size_t>(&item - model.fileItems.data()));
    const std::optional<std::uint8_t> value = parseValue(key, text);
    if (!value) {
      changes.error = file.string() + ": [" + item.section + "] " + item.key + "=" + text + " is no value of " +
                      key.name + "; allowed: " + allowedValues(key);
      return changes;
    }
    changes.items.push_back({&key, *value});
  }
  return changes;
}

// What a save may overwrite: nothing, an empty file, or a settings file of the model,
// whose apply mode is the panel's and stays. Anything else is somebody's work.
struct ExistingFile {
  std::string problem;
  std::uint8_t applyMode = kAutoApply;
};

ExistingFile inspectExisting(const ModelInfo& model, const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error) || std::filesystem::file_size(file, error) == 0) return {};
  DeviceRecord scratch;
  const SettingsRead read = model.readSettings(scratch, file);
  if (!read.result.ok()) return {};  // the save says why it cannot write there either
  if (!read.missing.empty()) {
    const SettingsItem& item = *read.missing.front();
    return {file.string() + " is no " + model.word + " settings file (it has no " + itemPlace(item) +
                "); it is left as it is",
            kAutoApply};
  }
  return {{}, scratch.*model.applyMode};
}

// Every model among the chosen converters, each once.
std::vector<const ModelInfo*> modelsOf(const Chosen& chosen) {
  std::vector<const ModelInfo*> found;
  for (int n : chosen.numbers) {
    const ModelInfo* model = modelOf(chosen.record->deviceTable.entry(n)->versionNumber);
    if (std::find(found.begin(), found.end(), model) == found.end()) found.push_back(model);
  }
  return found;
}

// Checks everything for every model concerned before anything is sent, then sends to
// each converter what its model's check gave.
template <typename Check>
int sendToChosen(Session& session, Check check, const Json& fields, const std::string& note) {
  const Chosen chosen = chooseConverters(session.transport, session.output, session.target);
  if (chosen.exitCode != kExitDone) return chosen.exitCode;
  std::map<const ModelInfo*, std::vector<Change>> perModel;
  for (const ModelInfo* model : modelsOf(chosen)) {
    Changes changes = check(*model);
    if (!changes.error.empty()) {
      session.output.error(changes.error);
      return kExitUsage;
    }
    perModel[model] = std::move(changes.items);
  }
  return actOnEach(session.transport, session.output, chosen, [&](Converter& converter) {
    return sendSettings(session.output, converter, perModel.at(&converter.model()), fields, note);
  });
}

}  // namespace

int setSettings(Session& session, const std::vector<std::string>& arguments) {
  const Assignments assignments = parseAssignments(arguments);
  if (!assignments.error.empty()) {
    session.output.error(assignments.error);
    return kExitUsage;
  }
  return sendToChosen(
      session, [&](const ModelInfo& model) { return changesFor(model, assignments.items); }, Json::object(), "");
}

int loadSettingsFile(Session& session, const std::filesystem::path& file) {
  return sendToChosen(
      session, [&](const ModelInfo& model) { return changesFromFile(model, file); }, {{"file", file.string()}},
      "from " + file.string() + ": ");
}

int saveSettingsFile(Session& session, const std::filesystem::path& file) {
  if (session.target.all) {
    session.output.error("save writes the settings of one converter: choose it with -d");
    return kExitUsage;
  }
  const Chosen chosen = chooseConverters(session.transport, session.output, session.target);
  if (chosen.exitCode != kExitDone) return chosen.exitCode;
  int fileError = kExitDone;
  const int exitCode = actOnEach(session.transport, session.output, chosen, [&](Converter& converter) {
    const Json fields{{"file", file.string()}};
    const ModelInfo& model = converter.model();
    const ExistingFile existing = inspectExisting(model, file);
    if (!existing.problem.empty()) {
      fileError = kExitUsage;
      return converterFailed(session.output, converter, existing.problem, fields);
    }
    if (!converter.query()) return converterFailed(session.output, converter, noAnswer(), fields);
    const SettingsResult saved = converter.saveSettings(file, existing.applyMode);
    if (!saved.ok()) {
      fileError = kExitUsage;
      return converterFailed(session.output, converter, saved.message(), fields);
    }
    converterDone(session.output, converter, fields, "saved to " + file.string());
    return true;
  });
  return fileError != kExitDone ? fileError : exitCode;
}

}  // namespace velkor::ctl

// The commands that hand settings over: set, and the settings files' save and load.

#include <charconv>
#include <map>

#include "Assignments.h"
#include "Commands.h"
#include "Exchange.h"
#include "FileRead.h"
#include "ProfileValue.h"

namespace velkor::ctl {
namespace {

// The file name that stands for standard input or output.
constexpr const char* kStandardStream = "-";

std::string joined(const std::string& list, const std::string& item) {
  return list.empty() ? item : list + ", " + item;
}

// A status query for what the converter holds, one apply frame with the changes over
// it, and a status query to see what it took.
bool sendSettings(Output& output, Converter& converter, std::span<const Change> changes, Json fields,
                  const std::string& note) {
  if (!converter.query()) return converterFailed(output, converter, noAnswer(), fields);
  // What the converter holds afterwards decides; whether it answered the settings tells
  // a refusal from settings that never reached it.
  const bool answered = converter.apply(changes);
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
    const std::string why = answered ? "; is its DIP switch at \"Controls-PC\"?"
                                     : "; it did not answer the settings within " +
                                           std::to_string(kReadLimit.count()) + " ms";
    return converterFailed(output, converter, "did not take " + notTaken + why, fields);
  }
  converterDone(output, converter, fields, note + taken);
  return true;
}

// Where a settings file keeps an item: "\"Output Format\" in [Page_Scale/Output]".
std::string itemPlace(const SettingsItem& item) {
  return "\"" + std::string(item.key) + "\" in [" + item.section + "]";
}

// A value as the panel reads it, taken only where that reading is the number the file
// writes: the panel reads the word "720p50" as 208 and "300" as 44.
std::optional<std::uint8_t> panelValue(const SettingKey& key, std::string_view text) {
  std::string_view digits = text;
  const bool negative = digits.starts_with('-');
  if (negative || digits.starts_with('+')) digits.remove_prefix(1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  unsigned long long number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || (negative && number != 0) || number > key.maximum() || profileByte(text) != number)
    return std::nullopt;
  return static_cast<std::uint8_t>(number);
}

// A settings file as the changes that send all of it, each value read as the panel
// reads it and checked against what the key allows. The file's apply mode is the
// panel's and stays with it. `content` is what standard input gave, if the file is "-".
Changes changesFromFile(const ModelInfo& model, const std::filesystem::path& file, const FileRead* content) {
  Changes changes;
  DeviceRecord scratch;
  const SettingsRead read =
      content != nullptr ? model.readSettingsContent(scratch, *content, file) : model.readSettings(scratch, file);
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
    const std::optional<std::uint8_t> value = panelValue(key, text);
    if (!value) {
      changes.error = file.string() + ": [" + item.section + "] " + item.key + "=" + text + " is no value of " +
                      key.name + "; a settings file holds a number 0.." + std::to_string(key.maximum());
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
  if (read.result.outcome == SettingsOutcome::NotSettingsFile) return {read.result.message() + " It is left as it is.", kAutoApply};
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
  // Standard input is read once, whatever the models of the converters chosen.
  const bool fromInput = file == kStandardStream;
  const FileRead input = fromInput ? readSettingsStream(session.in) : FileRead{};
  const std::filesystem::path name = fromInput ? std::filesystem::path("standard input") : file;
  return sendToChosen(
      session, [&](const ModelInfo& model) { return changesFromFile(model, name, fromInput ? &input : nullptr); },
      {{"file", name.string()}}, "from " + name.string() + ": ");
}

int saveSettingsFile(Session& session, const std::filesystem::path& file) {
  if (session.target.all) {
    session.output.error("save writes the settings of one converter: choose it with -d");
    return kExitUsage;
  }
  const Chosen chosen = chooseConverters(session.transport, session.output, session.target);
  if (chosen.exitCode != kExitDone) return chosen.exitCode;
  // Standard output carries the file, so the result goes to standard error.
  const bool toOutput = file == kStandardStream;
  Output results = toOutput ? session.output.resultsOnErr() : session.output;
  const std::string name = toOutput ? "standard output" : file.string();
  int fileError = kExitDone;
  const int exitCode = actOnEach(session.transport, results, chosen, [&](Converter& converter) {
    const Json fields{{"file", name}};
    const ModelInfo& model = converter.model();
    const ExistingFile existing = toOutput ? ExistingFile{} : inspectExisting(model, file);
    if (!existing.problem.empty()) {
      fileError = kExitUsage;
      return converterFailed(results, converter, existing.problem, fields);
    }
    if (!converter.query()) return converterFailed(results, converter, noAnswer(), fields);
    if (toOutput) {
      if (!session.output.file(converter.settingsText())) {
        fileError = kExitUsage;
        return converterFailed(results, converter, "standard output could not be written", fields);
      }
    } else if (const SettingsResult saved = converter.saveSettings(file, existing.applyMode); !saved.ok()) {
      fileError = kExitUsage;
      return converterFailed(results, converter, saved.message(), fields);
    }
    converterDone(results, converter, fields, "saved to " + name);
    return true;
  });
  return fileError != kExitDone ? fileError : exitCode;
}

}  // namespace velkor::ctl

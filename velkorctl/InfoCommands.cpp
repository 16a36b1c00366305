// The commands that change nothing on a converter: list, status, udev-rule, and
// virtual-reset, which concerns only the virtual converters.

#include <algorithm>
#include <cstdio>

#include "Commands.h"
#include "Converter.h"
#include "GroupCheck.h"
#include "Text.h"
#include "UdevRule.h"

namespace velkor::ctl {
namespace {

std::string hex4(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", value);
  return text;
}

// The status pages pad some words with a blank and show a lone blank for a code they
// cannot name; a script wants neither.
std::string trimmed(const std::string& text) {
  const auto end = text.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

// Values line up in one column, under every heading.
constexpr std::size_t kValueColumn = 26;

std::string row(std::size_t indent, const std::string& name, const std::string& value) {
  std::string line(indent, ' ');
  line += name;
  line.resize(std::max(line.size() + 1, kValueColumn), ' ');
  return line + (value.empty() ? "-" : value) + "\n";
}

// The firmware bytes as the converter reports them, the version digits the status page
// shows (each byte's tens and units) and its text.
Json firmwareJson(const std::uint8_t* firmware, const std::string& word) {
  const std::uint8_t high = firmware[0];
  const std::uint8_t low = firmware[1];
  return {{"code", {high, low}}, {"version", {high / 10, high % 10, low / 10, low % 10}}, {"word", word}};
}

bool reportStatus(Output& output, Converter& converter) {
  if (!converter.query()) return converterFailed(output, converter, noAnswer());
  const ModelInfo& model = converter.model();
  const std::vector<std::string> texts = converter.statusTexts();
  const std::uint8_t* block = converter.statusBlock();

  Json object = identity(converter);
  object["ok"] = true;
  object["firmware"] = firmwareJson(block + model.firmwareOffset, texts.front());
  std::string text = label(converter) + "\n" + row(2, "name", toUtf8(converter.name())) +
                     row(2, "path", converter.path()) + row(2, "firmware", texts.front()) + "  status\n";
  Json status = Json::object();
  for (std::size_t i = 0; i < model.statusItems.size() && i + 1 < texts.size(); ++i) {
    const StatusItem& item = model.statusItems[i];
    const std::string word = trimmed(texts[i + 1]);
    status[item.name] = codeAndWord(block[item.offset], word);
    text += row(4, item.name, word);
  }
  text += "  settings\n";
  Json settings = Json::object();
  for (const SettingKey& key : model.keys) {
    const std::uint8_t value = block[key.offset];
    settings[key.name] = settingJson(key, value, block);
    text += row(4, key.name, shownValue(key, value, block));
  }
  object["status"] = std::move(status);
  object["settings"] = std::move(settings);
  text.pop_back();
  output.result(object, text);
  return true;
}

}  // namespace

// Every converter, or those -d or --model name: a script filtering the list gets the
// same converters a command would act on. A converter this user may not open is listed,
// marked, and named with the fix; one that -d names must be opened to be found by its
// custom name, so there, as for any command, it is refused.
int listConverters(Session& session) {
  std::unique_ptr<DeviceRecord> record;
  std::vector<int> numbers;
  int exitCode = kExitDone;
  const ModelInfo* model = session.target.model;
  if (session.target.device.empty()) {
    Scan scan = scanConverters(session.transport, session.output);
    for (int n = 1; n <= scan.found; ++n)
      if (model == nullptr || modelOf(scan.record->deviceTable.entry(n)->versionNumber) == model)
        numbers.push_back(n);
    exitCode = scan.exitCode;
    if (exitCode == kExitDone && numbers.empty()) {
      session.output.error("no " + std::string(model->word) + " found");
      exitCode = kExitNoSuchConverter;
    }
    record = std::move(scan.record);
  } else {
    TargetOptions every = session.target;
    every.all = true;
    Chosen chosen = chooseConverters(session.transport, session.output, every);
    numbers = chosen.numbers;
    exitCode = chosen.exitCode;
    record = std::move(chosen.record);
  }
  for (int n : numbers) {
    const DeviceEntry& entry = *record->deviceTable.entry(n);
    const std::string word = modelOf(entry.versionNumber)->word;
    const std::string identity = shownIdentity(entry);
    const Json object{{"schema", kJsonSchema},
                      {"converter", n},
                      {"model", word},
                      {"vendor-id", hex4(entry.vendorId)},
                      {"product-id", hex4(entry.productId)},
                      {"path", entry.path},
                      {"identity", identity},
                      {"permission", !entry.accessDenied}};
    session.output.result(object, std::to_string(n) + " " + word + " " + hex4(entry.vendorId) + ":" +
                                      hex4(entry.productId) + " " + entry.path + " " + identity +
                                      (entry.accessDenied ? " (permission denied)" : ""));
  }
  for (int n : numbers)
    if (record->deviceTable.entry(n)->accessDenied) session.output.error(permissionDenied(*record, n));
  return exitCode;
}

int showStatus(Session& session) {
  const Chosen chosen = chooseConverters(session.transport, session.output, session.target);
  if (chosen.exitCode != kExitDone) return chosen.exitCode;
  return actOnEach(session.transport, session.output, chosen,
                   [&](Converter& converter) { return reportStatus(session.output, converter); });
}

int printUdevRule(Output& output, const std::string& group) {
  if (!group.empty()) {
    if (const std::string advice = missingGroupAdvice(group); !advice.empty()) output.error(advice);
  }
  const std::string rule = udevRule(group);
  output.result({{"schema", kJsonSchema}, {"file", VELKOR_UDEV_RULE_FILE}, {"rule", rule}},
                rule.substr(0, rule.size() - 1));
  return kExitDone;
}

int resetVirtualConverters(Output& output, const std::function<std::string()>& reset) {
  if (const std::string problem = reset ? reset() : std::string(); !problem.empty()) {
    output.error(problem);
    return kExitUsage;  // as for a settings file that cannot be written
  }
  output.result({{"schema", kJsonSchema}, {"ok", true}}, "the virtual converters start from the demo's state again");
  return kExitDone;
}

}  // namespace velkor::ctl

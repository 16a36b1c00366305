// The commands that only read and print: list, status, udev-rule.

#include <grp.h>

#include <algorithm>
#include <cstdio>

#include "Commands.h"
#include "Converter.h"
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

bool reportStatus(Output& output, Converter& converter) {
  if (!converter.query()) return converterFailed(output, converter, noAnswer());
  const ModelInfo& model = converter.model();
  const std::vector<std::string> texts = converter.statusTexts();
  const std::uint8_t* block = converter.statusBlock();

  Json object = identity(converter);
  object["ok"] = true;
  object[model.statusItems.front()] = texts.front();
  std::string text = label(converter) + "\n" + row(2, "name", toUtf8(converter.name())) +
                     row(2, "path", converter.path()) + row(2, model.statusItems.front(), texts.front()) + "  status\n";
  Json status = Json::object();
  for (std::size_t i = 1; i < texts.size() && i < model.statusItems.size(); ++i) {
    const std::string word = trimmed(texts[i]);
    status[model.statusItems[i]] = word.empty() ? Json() : Json(word);
    text += row(4, model.statusItems[i], word);
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

int listConverters(Session& session) {
  const Scan scan = scanConverters(session.transport, session.output);
  for (int n = 1; n <= scan.found; ++n) {
    const DeviceEntry& entry = *scan.record->deviceTable.entry(n);
    const std::string model = modelOf(entry.versionNumber)->word;
    const std::string identity = shownIdentity(entry);
    const Json object{{"converter", n},
                      {"model", model},
                      {"vendor-id", hex4(entry.vendorId)},
                      {"product-id", hex4(entry.productId)},
                      {"path", entry.path},
                      {"identity", identity},
                      {"permission", !entry.accessDenied}};
    session.output.result(object, std::to_string(n) + " " + model + " " + hex4(entry.vendorId) + ":" +
                                      hex4(entry.productId) + " " + entry.path + " " + identity +
                                      (entry.accessDenied ? " (permission denied)" : ""));
  }
  for (int n = 1; n <= scan.found; ++n)
    if (scan.record->deviceTable.entry(n)->accessDenied) session.output.error(permissionDenied(*scan.record, n));
  return scan.exitCode;
}

int showStatus(Session& session) {
  const Chosen chosen = chooseConverters(session.transport, session.output, session.target);
  if (chosen.exitCode != kExitDone) return chosen.exitCode;
  return actOnEach(session.transport, session.output, chosen,
                   [&](Converter& converter) { return reportStatus(session.output, converter); });
}

int printUdevRule(Output& output, const std::string& group) {
  if (!group.empty() && ::getgrnam(group.c_str()) == nullptr)
    output.error("this machine has no group \"" + group + "\": create it (sudo groupadd " + group +
                 ") and add its users (sudo usermod -aG " + group + " USER)");
  const std::string rule = udevRule(group);
  output.result({{"file", VELKOR_UDEV_RULE_FILE}, {"rule", rule}}, rule.substr(0, rule.size() - 1));
  return kExitDone;
}

}  // namespace velkor::ctl

#include "KeptValueFile.h"

#include <optional>

#include "JsonInteger.h"

namespace velkor::node::control {
namespace {

using nlohmann::json;

// What marks the file as ours, and the layout it has; a later node that changes the
// layout counts the version up, and this one refuses what it cannot read.
constexpr const char* kKind = "velkor-node kept values";
constexpr int kVersion = 1;
constexpr int kIndent = 2;  // read by people too

std::string positionOf(const json::parse_error& error) { return "byte " + std::to_string(error.byte); }

// The entry's key, or why the entry is none.
std::optional<KeptKey> keyOf(const json& entry) {
  if (!entry.is_object() || !entry.contains("rolePath") || !entry.contains("propertyId") || !entry.contains("value"))
    return std::nullopt;
  const json& path = entry["rolePath"];
  const json& id = entry["propertyId"];
  if (!path.is_array() || path.empty() || !id.is_object() || !id.contains("level") || !id.contains("index"))
    return std::nullopt;
  const std::optional<int> level = exactInteger<int>(id["level"]);
  const std::optional<int> index = exactInteger<int>(id["index"]);
  if (!level || !index) return std::nullopt;
  KeptKey key{{}, {*level, *index}};
  for (const json& role : path) {
    if (!role.is_string()) return std::nullopt;
    key.rolePath.push_back(role.get<std::string>());
  }
  return key;
}

}  // namespace

std::string describe(const KeptKey& key) {
  std::string text;
  for (const std::string& role : key.rolePath) text += (text.empty() ? "" : ".") + role;
  return text + " property " + std::to_string(key.property.level) + "p" + std::to_string(key.property.index);
}

KeptFileRead parseKeptFile(std::string_view text, const std::string& deviceId) {
  json document;
  try {
    document = json::parse(text);
  } catch (const json::parse_error& error) {
    return {{}, "not JSON (it goes wrong at " + positionOf(error) + ")"};
  }
  if (!document.is_object() || document.value("kind", json()) != kKind)
    return {{}, std::string("not a file of velkor-node's kept values (no \"kind\": \"") + kKind + "\")"};
  const json version = document.value("version", json());
  if (!version.is_number_integer()) return {{}, "no version number"};
  if (exactInteger<int>(version) != kVersion)
    return {{},
            "version " + version.dump() + ", which this velkor-node does not read (it reads " +
                std::to_string(kVersion) + ")"};
  const json device = document.value("device", json());
  if (device != deviceId)
    return {
        {},
        "kept for another converter (device " + (device.is_string() ? device.get<std::string>() : device.dump()) + ")"};
  const json values = document.value("values", json());
  if (!values.is_array()) return {{}, "no list of values"};
  KeptFileRead read;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::optional<KeptKey> key = keyOf(values[i]);
    if (!key) return {{}, "value " + std::to_string(i + 1) + " is not {rolePath, propertyId, value}"};
    if (!read.values.emplace(*key, values[i]["value"]).second)
      return {{}, "value " + std::to_string(i + 1) + " repeats " + describe(*key)};
  }
  return read;
}

KeptFileText keptFileText(const ConverterInfo& converter, const KeptValues& values, std::size_t limit) {
  json entries = json::array();
  for (const auto& [key, value] : values)
    entries.push_back({{"rolePath", key.rolePath}, {"propertyId", key.property.toJson()}, {"value", value}});
  const json document = {{"kind", kKind},
                         {"version", kVersion},
                         {"device", converter.deviceId},
                         {"converter", converter.modelWord + " at " + converter.identity},
                         {"values", std::move(entries)}};
  KeptFileText made{document.dump(kIndent) + "\n", {}};
  if (made.text.size() > limit)
    made.problem = "the converter's kept values would take " + std::to_string(made.text.size()) +
                   " bytes, more than the " + std::to_string(limit) + " its file may hold";
  return made;
}

}  // namespace velkor::node::control

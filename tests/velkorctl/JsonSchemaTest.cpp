// The layout of --json results that scripts rely on, as velkorctl(1) and README document
// it: a schema version on every line, one set of keys for both models where the meaning
// is the same, every value as its code and its word.

#include <filesystem>
#include <set>

#include "CtlFixture.h"
#include "virtual/DemoConverters.h"

namespace velkor::test {
namespace {

using Json = nlohmann::json;
using Keys = std::set<std::string>;
using JsonSchema = CtlFixture;

Keys keysOf(const Json& object) {
  Keys keys;
  for (const auto& [key, value] : object.items()) keys.insert(key);
  return keys;
}

// {"code": a byte, "word": a text or null}, nothing else.
void expectCodeAndWord(const Json& value, const std::string& where) {
  SCOPED_TRACE(where + " = " + value.dump());
  ASSERT_TRUE(value.is_object());
  EXPECT_EQ(keysOf(value), (Keys{"code", "word"}));
  EXPECT_TRUE(value["code"].is_number_unsigned() && value["code"].get<unsigned>() <= 0xFF);
  EXPECT_TRUE(value["word"].is_string() || value["word"].is_null());
}

TEST_F(JsonSchema, EveryLineNamesTheSchemaAndEveryConverterResultItsConverter) {
  addDemoConverters(transport);
  const std::filesystem::path file = std::filesystem::path(::testing::TempDir()) / "json-schema.ini";
  std::filesystem::remove(file);
  const std::vector<std::vector<std::string>> commands = {
      {"list"},
      {"--all", "status"},
      {"-d", "1", "set", "overlays=OFF"},
      {"-d", "3", "name", "Stage Right"},
      {"-d", "2", "store-custom", "1"},
      {"-d", "2", "save", file.string()},
      {"-d", "1", "load", file.string()},
  };
  for (std::vector<std::string> arguments : commands) {
    SCOPED_TRACE(testing::PrintToString(arguments));
    arguments.insert(arguments.begin(), "--json");
    const CtlRun result = run(arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto lines = result.json();
    ASSERT_FALSE(lines.empty());
    for (const Json& line : lines) {
      EXPECT_EQ(line["schema"], 1);
      EXPECT_TRUE(line["converter"].is_number_unsigned());
      EXPECT_TRUE(line["model"] == "TQ4410" || line["model"] == "TQ6630") << line;
      EXPECT_TRUE(line["path"].is_string());
      if (arguments[1] != "list") {
        EXPECT_EQ(line["ok"], true);
      }
    }
  }
  for (const char* command : {"udev-rule", "virtual-reset"}) {
    const auto lines = run({"--json", command}).json();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["schema"], 1) << command;
  }

  transport.converters().front()->setFault(ConverterFault::NoReply);
  const auto failed = run({"--json", "-d", "1", "status"}).json();
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_EQ(keysOf(failed[0]), (Keys{"schema", "converter", "model", "path", "ok", "error"}));
  EXPECT_EQ(failed[0]["ok"], false);
}

TEST_F(JsonSchema, StatusHasOneLayoutForBothModelsAndEveryValueAsCodeAndWord) {
  addDemoConverters(transport);
  const auto lines = run({"--json", "--all", "status"}).json();
  ASSERT_EQ(lines.size(), 3u);
  const Json& a = lines[0];
  const Json& b = lines[2];
  ASSERT_EQ(a["model"], "TQ4410");
  ASSERT_EQ(b["model"], "TQ6630");

  const Keys top{"schema", "converter", "model", "path", "name", "ok", "firmware", "status", "settings"};
  for (const Json& line : lines) {
    EXPECT_EQ(keysOf(line), top);
    const Json& firmware = line["firmware"];
    EXPECT_EQ(keysOf(firmware), (Keys{"code", "version", "word"}));
    ASSERT_EQ(firmware["code"].size(), 2u);
    ASSERT_EQ(firmware["version"].size(), 4u);
    // The version digits are each code's tens and units, as the word shows them.
    const unsigned high = firmware["code"][0];
    const unsigned low = firmware["code"][1];
    EXPECT_EQ(firmware["version"], Json({high / 10, high % 10, low / 10, low % 10}));
    EXPECT_EQ(firmware["word"], "Ver " + std::to_string(high / 10) + "." + std::to_string(high % 10) + "." +
                                    std::to_string(low / 10) + "." + std::to_string(low % 10));
    for (const char* part : {"status", "settings"})
      for (const auto& [key, value] : line[part].items()) expectCodeAndWord(value, std::string(part) + "." + key);
  }

  // The same meaning has the same key; where a status item shows a setting it has the
  // setting's key.
  EXPECT_EQ(keysOf(a["status"]), (Keys{"input-format", "output-format", "deembed-pair", "embed-source",
                                       "hdmi-color-space", "av-output-type"}));
  EXPECT_EQ(keysOf(b["status"]), (Keys{"input-format", "output-format", "output-source", "audio-source"}));
  EXPECT_EQ(keysOf(a["settings"]), (Keys{"output-format", "hdmi-color-space", "av-output-type", "deembed-pair",
                                         "embed-source", "overlays", "vertical-margin", "horizontal-margin"}));
  EXPECT_EQ(keysOf(b["settings"]), (Keys{"output-format", "output-source", "audio-source", "overlays",
                                         "vertical-margin", "horizontal-margin", "image-flip", "screen-freeze"}));
  for (const Json& line : lines)
    for (const auto& [key, value] : line["status"].items())
      if (line["settings"].contains(key)) {
        EXPECT_EQ(value["code"], line["settings"][key]["code"]) << key;
      }
}

TEST_F(JsonSchema, EverySettingsWordIsOneSetTakesBack) {
  addDemoConverters(transport);
  for (const Json& line : run({"--json", "--all", "status"}).json()) {
    const std::string number = std::to_string(line["converter"].get<int>());
    for (const auto& [key, value] : line["settings"].items()) {
      SCOPED_TRACE(number + " " + key + "=" + value.dump());
      ASSERT_TRUE(value["word"].is_string());
      const auto set = run({"--json", "-d", number, "set", key + "=" + value["word"].get<std::string>()}).json();
      ASSERT_EQ(set.size(), 1u);
      EXPECT_EQ(set[0]["ok"], true);
      EXPECT_EQ(set[0]["settings"][key], value);
    }
  }
}

}  // namespace
}  // namespace velkor::test

// name and store-custom: what a converter keeps of its own.

#include "CtlFixture.h"
#include "WireFormat.h"

namespace velkor::test {
namespace {

using Json = nlohmann::json;
using NameAndCustomSlot = CtlFixture;

TEST_F(NameAndCustomSlot, ANameIsWrittenAndReadBack) {
  VirtualConverter& a = addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "Old");
  VirtualConverter& b = addConverter(ConverterModel::TQ6630, "/dev/hidraw1", "Old");
  const CtlRun plain = run({"name", "-d", "1", "Caf\xC3\xA9 Cam"});
  EXPECT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_EQ(plain.out, "1 TQ4410 Caf\xC3\xA9 Cam: named \"Caf\xC3\xA9 Cam\"\n");
  EXPECT_EQ(a.state.name, "Caf\xE9 Cam") << "Latin-1 on the wire";
  EXPECT_EQ(a.receivedFrames().size(), 2u) << "the name, then a status query";

  b.state.controlsPc = false;
  const auto lines = run({"--json", "name", "-d", "2", "Stage"}).json();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], Json::parse(R"({"schema": 1, "converter": 2, "model": "TQ6630", "path": "/dev/hidraw1", "name": "Old",
      "ok": false, "error": "did not take the name \"Stage\"; is its DIP switch at \"Controls-PC\"?"})"));
}

TEST_F(NameAndCustomSlot, ANameTheConvertersCannotKeepIsRefusedBeforeAnythingIsSent) {
  addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "Old");
  const struct {
    const char* name;
    const char* error;
  } cases[] = {
      {"Seventeen letters", "at most 16 characters"},
      {"\xE2\x82\xAC"
       "1",
       "only Latin-1 characters"},  // the euro sign
      {"Cam#2", "cannot hold '#'"},
      {"Cam\n2", "cannot hold control characters"},
      {"Cam\t2", "cannot hold control characters"},
      {"Cam\x7F", "cannot hold control characters"},
  };
  for (const auto& c : cases) {
    const CtlRun result = run({"name", c.name});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find(c.error), std::string::npos) << result.err;
  }
  EXPECT_EQ(framesSent(), 0u);
}

TEST_F(NameAndCustomSlot, TheSettingsGoToTheSlotAsked) {
  VirtualConverter& a = addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "A", {1, 2, 3, 0, 1, 2, 30, 40});
  VirtualConverter& b = addConverter(ConverterModel::TQ6630, "/dev/hidraw1", "B", {4, 1, 2, 0, 50, 60, 1, 0});
  EXPECT_EQ(run({"store-custom", "-d", "1", "2"}).out, "1 TQ4410 A: stored its settings in custom slot 2\n");
  ASSERT_EQ(a.receivedFrames().size(), 1u);
  EXPECT_EQ(a.receivedFrames()[0][wire::kCommandOffset], wire::kCmdStoreCustomA);
  EXPECT_EQ(a.state.customSlots[1].settings, a.state.settings);

  const auto lines = run({"--json", "-d", "B", "store-custom", "1"}).json();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]["ok"], true);
  EXPECT_EQ(lines[0]["custom-slot"], 1);
  EXPECT_EQ(b.receivedFrames().back()[wire::kCommandOffset], wire::kCmdStoreCustomB);
  EXPECT_EQ(b.state.customSlots[0].settings, b.state.settings);

  b.setFault(ConverterFault::NoReply);
  const CtlRun silent = run({"store-custom", "-d", "2", "1"});
  EXPECT_EQ(silent.exitCode, 1);
  EXPECT_EQ(silent.out, "2 TQ6630: error: did not answer within 500 ms\n");
}

}  // namespace
}  // namespace velkor::test

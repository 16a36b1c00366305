// list, status and udev-rule, and how every command finds the converters it acts on.

#include <cstdio>
#include <regex>
#include <set>

#include "CtlFixture.h"
#include "UdevRule.h"
#include "virtual/DemoConverters.h"

namespace velkor::test {
namespace {

using Json = nlohmann::json;
using ListAndStatus = CtlFixture;

TEST_F(ListAndStatus, ListNamesEveryConverterByNumberModelIdsPathAndIdentity) {
  addDemoConverters(transport);
  const CtlRun plain = run({"list"});
  EXPECT_EQ(plain.exitCode, 0);
  EXPECT_EQ(plain.out,
            "1 TQ4410 2ee4:001a virtual:/tq4410-studio-a 1-1.1:1.0/A4410137\n"
            "2 TQ4410 0483:5750 virtual:/tq4410-ob-truck 1-1.2:1.0\n"
            "3 TQ6630 2ee4:001b virtual:/tq6630-stage 1-1.3:1.0/B6630021\n");
  EXPECT_EQ(plain.err, "");

  const auto lines = run({"--json", "list"}).json();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], Json::parse(R"({"schema": 1, "converter": 3, "model": "TQ6630", "vendor-id": "2ee4",
                                      "product-id": "001b", "path": "virtual:/tq6630-stage",
                                      "identity": "1-1.3:1.0/B6630021", "permission": true})"));
  EXPECT_EQ(framesSent(), 0u) << "listing asks no converter anything";
}

TEST_F(ListAndStatus, ListShowsTheConvertersThatDeviceAndModelName) {
  addDemoConverters(transport);
  const struct {
    std::vector<std::string> filter;
    int exitCode;
    std::vector<int> listed;
    std::string error;
  } cases[] = {
      {{"-d", "2"}, 0, {2}, ""},
      {{"-d", "virtual:/tq6630-stage"}, 0, {3}, ""},
      {{"-d", "Studio A"}, 0, {1}, ""},
      {{"--model", "tq4410"}, 0, {1, 2}, ""},
      {{"--model", "tq6630", "--all"}, 0, {3}, ""},
      {{"-d", "1", "--model", "tq6630"}, 3, {}, "converter 1 is a TQ4410, not a TQ6630"},
      {{"-d", "7"}, 3, {}, "no converter 7"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments = c.filter;
    arguments.insert(arguments.begin(), {"--json", "list"});
    SCOPED_TRACE(testing::PrintToString(arguments));
    const CtlRun result = run(arguments);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    std::vector<int> listed;
    for (const Json& line : result.json()) listed.push_back(line["converter"]);
    EXPECT_EQ(listed, c.listed);
    EXPECT_NE(result.err.find(c.error), std::string::npos) << result.err;
  }
}

TEST_F(ListAndStatus, NoConverterAndNoPermissionAreToldApart) {
  const CtlRun none = run({"list"});
  EXPECT_EQ(none.exitCode, 3);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err, "velkorctl: no converter found\n");

  VirtualConverterSetup locked;
  locked.model = ConverterModel::TQ6630;
  locked.path = "/dev/hidraw7";
  locked.ids = kAcceptedPairs[2];
  locked.permissionDenied = true;
  transport.addConverter(locked);
  VirtualConverterSetup keyboard = locked;  // not a converter: nobody's business here
  keyboard.path = "/dev/hidraw8";
  keyboard.ids = {0x046D, 0xC31C};
  transport.addConverter(keyboard);
  const CtlRun denied = run({"status"});
  EXPECT_EQ(denied.exitCode, 4);
  // The fix is the system's own: the udev rule on Linux, the program holding the
  // converter on Windows.
#ifdef _WIN32
  EXPECT_NE(denied.err.find("velkorctl: permission denied on /dev/hidraw7 (converter 1, TQ6630 2ee4:001b): close "
                            "the program that holds the converter without sharing it"),
            std::string::npos)
      << denied.err;
  EXPECT_NE(denied.err.find("replug the converter"), std::string::npos);
#else
  EXPECT_NE(denied.err.find("velkorctl: permission denied on /dev/hidraw7 (converter 1, TQ6630 2ee4:001b): install "
                            "the udev rule"),
            std::string::npos)
      << denied.err;
  EXPECT_NE(denied.err.find("velkorctl udev-rule | sudo tee /etc/udev/rules.d/70-velkor-converters.rules"),
            std::string::npos);
  EXPECT_NE(denied.err.find("--group GROUP"), std::string::npos);
#endif
  EXPECT_EQ(denied.err.find("hidraw8"), std::string::npos);

  // A converter this user may open is used; the other is still named.
  addConverter(ConverterModel::TQ4410, "/dev/hidraw9", "Open").replug("/dev/hidraw9", "2-1:1.0");
  const CtlRun one = run({"status"});
  EXPECT_EQ(one.exitCode, 0);
  EXPECT_NE(one.out.find("2 TQ4410 Open\n"), std::string::npos);
  EXPECT_NE(one.err.find("permission denied on /dev/hidraw7"), std::string::npos);

  // Listed, marked and named with the fix; asked for, exit 4 and nothing sent to it.
  const CtlRun listed = run({"list"});
  EXPECT_EQ(listed.exitCode, 0);
  EXPECT_EQ(listed.out,
            "1 TQ6630 2ee4:001b /dev/hidraw7 /dev/hidraw7 (permission denied)\n"
            "2 TQ4410 2ee4:001a /dev/hidraw9 2-1:1.0\n");
  EXPECT_NE(listed.err.find("permission denied on /dev/hidraw7"), std::string::npos);
  const struct {
    std::vector<std::string> arguments;
    int exitCode;
    std::string error;
  } cases[] = {
      {{"-d", "1"}, 4, "permission denied on /dev/hidraw7 (converter 1, TQ6630 2ee4:001b)"},
      {{"-d", "/dev/hidraw7"}, 4, "permission denied on /dev/hidraw7"},
      {{"--model", "tq6630", "--all"}, 4, "permission denied on /dev/hidraw7"},
      {{"-d", "Nobody"}, 4, "(converter 1 could not be asked)"},
      {{"-d", "open"}, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    std::vector<std::string> arguments = c.arguments;
    arguments.insert(arguments.begin(), "status");
    const CtlRun result = run(arguments);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    EXPECT_NE(result.err.find(c.error), std::string::npos) << result.err;
  }
  EXPECT_EQ(transport.converter("/dev/hidraw7")->receivedFrames().size(), 0u);
}

TEST_F(ListAndStatus, StatusShowsThePanelsWords) {
  // TQ4410: output 15, de-embedding 7, embedding 3, colour space 3, AV 1, overlays 2.
  VirtualConverter& a = addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "Cam \xE9", {15, 7, 3, 3, 1, 2, 0, 100});
  a.state.firmwareHigh = 12;
  a.state.firmwareLow = 34;
  a.state.inputFormat = 30;
  // TQ6630 fed from AV: the input is named from the AV table and the first audio
  // source follows AV; output format 16 is beyond every list.
  VirtualConverter& b = addConverter(ConverterModel::TQ6630, "/dev/hidraw1", "", {16, 1, 0, 1, 5, 6, 3, 1});
  b.state.inputFormat = 255;

  const CtlRun plain = run({"status", "-d", "1"});
  EXPECT_EQ(plain.exitCode, 0);
  EXPECT_EQ(plain.out,
            "1 TQ4410 Cam \xC3\xA9\n"
            "  name                    Cam \xC3\xA9\n"
            "  path                    /dev/hidraw0\n"
            "  firmware                Ver 1.2.3.4\n"
            "  status\n"
            "    input-format          1035i60\n"
            "    output-format         576i50_Cut\n"
            "    deembed-pair          SDI Channel 15-16\n"
            "    embed-source          Analog Audio\n"
            "    hdmi-color-space      DVI RGB 4:4:4\n"
            "    av-output-type        PAL\n"
            "  settings\n"
            "    output-format         576i50_Cut\n"
            "    hdmi-color-space      DVI RGB 4:4:4\n"
            "    av-output-type        PAL\n"
            "    deembed-pair          SDI Channel 15-16\n"
            "    embed-source          Analog Audio\n"
            "    overlays              Delay 5 seconds\n"
            "    vertical-margin       0\n"
            "    horizontal-margin     100\n");

  const auto lines = run({"--json", "status", "-d", "2"}).json();
  ASSERT_EQ(lines.size(), 1u);
  // Codes beside the panel's words, spelt as the panel spells them; a code without a
  // word has null.
  EXPECT_EQ(lines[0], Json::parse(R"({
      "schema": 1, "converter": 2, "model": "TQ6630", "path": "/dev/hidraw1", "name": "", "ok": true,
      "firmware": {"code": [1, 0], "version": [0, 1, 0, 0], "word": "Ver 0.1.0.0"},
      "status": {"input-format": {"code": 255, "word": "No Singal"},
                 "output-format": {"code": 16, "word": "No Signal"},
                 "output-source": {"code": 1, "word": "AV"},
                 "audio-source": {"code": 0, "word": "Follow AV"}},
      "settings": {"output-format": {"code": 16, "word": null},
                   "output-source": {"code": 1, "word": "AV"},
                   "audio-source": {"code": 0, "word": "Follow AV"},
                   "overlays": {"code": 1, "word": "OFF"},
                   "vertical-margin": {"code": 5, "word": "5"},
                   "horizontal-margin": {"code": 6, "word": "6"},
                   "image-flip": {"code": 3, "word": "Horizonal & Vertical"},
                   "screen-freeze": {"code": 1, "word": "ON"}}})"));
}

TEST_F(ListAndStatus, AConverterThatDoesNotAnswerIsReportedWithinItsLimit) {
  addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "Quiet").setFault(ConverterFault::NoReply);
  const auto start = clock.now();
  const CtlRun plain = run({"status"});
  EXPECT_EQ(plain.exitCode, 1);
  EXPECT_EQ(plain.out, "1 TQ4410: error: did not answer within 500 ms\n");
  EXPECT_EQ(clock.now() - start, std::chrono::milliseconds(500));

  const auto lines = run({"--json", "status"}).json();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], Json::parse(R"({"schema": 1, "converter": 1, "model": "TQ4410", "path": "/dev/hidraw0", "ok": false,
                                      "error": "did not answer within 500 ms"})"));
}

TEST_F(ListAndStatus, ConvertersAreChosenByNumberPathIdentitySerialNameOrModel) {
  addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "Left");
  VirtualConverterSetup twin;
  twin.path = "/dev/hidraw1";
  twin.usbPort = "1-1.4:1.0";
  twin.serialNumber = "Vk-0042";
  twin.name = "Twin";
  twin.ids = kAcceptedPairs[1];
  transport.addConverter(twin);
  addConverter(ConverterModel::TQ6630, "/dev/hidraw2", "Twin");
  addConverter(ConverterModel::TQ6630, "/dev/hidraw3", "12").setFault(ConverterFault::NoReply);
  const struct {
    std::vector<std::string> arguments;
    int exitCode;
    std::vector<int> chosen;
    std::string error;
  } cases[] = {
      {{"-d", "2"}, 0, {2}, ""},
      {{"-d", "/dev/hidraw2"}, 0, {3}, ""},
      {{"-d", "Left"}, 0, {1}, ""},
      {{"-d", "lEFT"}, 0, {1}, ""},
      {{"-d", "1-1.4:1.0/VK-0042"}, 0, {2}, ""},
      {{"-d", "vk-0042"}, 0, {2}, ""},
      {{"-d", "1-1.4:1.0"}, 3, {}, "no converter has the number, identity, serial number, path or name"},
      {{"-d", "Twin", "--model", "TQ6630"}, 0, {3}, ""},
      {{"--model", "tq4410", "--all"}, 0, {1, 2}, ""},
      {{"-d", "Twin"}, 2, {}, "converters 2, 3 are all named \"Twin\": choose one by its number or path"},
      {{}, 2, {}, "4 converters found (1, 2, 3, 4): choose one with -d"},
      {{"--model", "tq4410"}, 2, {}, "2 converters found (1, 2)"},
      {{"-d", "5"}, 3, {}, "no converter 5: velkorctl list shows 4"},
      {{"-d", "0"}, 3, {}, "no converter 0"},
      {{"-d", "Right"},
       3,
       {},
       "no converter has the number, identity, serial number, path or name \"Right\" (converter 4 did not answer)"},
      {{"-d", "1", "--model", "tq6630"}, 3, {}, "converter 1 is a TQ4410, not a TQ6630"},
      {{"--all"}, 1, {1, 2, 3, 4}, ""},  // converter 4 does not answer
      {{"--all", "--model", "tq6630"}, 1, {3, 4}, ""},
      {{"-d", "1", "--model", "tq4410", "--all"}, 2, {}, "--device excludes --all"},
      {{"--model", "tq9999", "-d", "1"}, 2, {}, "--model: tq9999 not in"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments = c.arguments;
    arguments.insert(arguments.begin(), {"--json", "status"});
    SCOPED_TRACE(testing::PrintToString(arguments));
    const CtlRun result = run(arguments);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    std::vector<int> chosen;
    for (const Json& line : result.json()) chosen.push_back(line["converter"]);
    EXPECT_EQ(chosen, c.chosen);
    EXPECT_NE(result.err.find(c.error), std::string::npos) << result.err;
  }
}

TEST_F(ListAndStatus, UdevRuleIsTheProgramsOwn) {
  const CtlRun plain = run({"udev-rule"});
  EXPECT_EQ(plain.exitCode, 0);
  EXPECT_EQ(plain.out, udevRule());
  const auto lines = run({"--json", "udev-rule"}).json();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]["file"], "70-velkor-converters.rules");
  EXPECT_EQ(lines[0]["rule"], udevRule());
}

// The rule grants each accepted pair with each model's release number and nothing else:
// other products share the pair 0483:5750. With a group its members get the converters
// too, never anybody else.
TEST_F(ListAndStatus, UdevRuleGrantsOurConvertersAloneToTheSeatAndAGroup) {
  std::set<std::string> expected;
  for (const UsbIdPair& pair : kAcceptedPairs)
    for (std::uint16_t version : kModelVersions) {
      char key[64];
      std::snprintf(key, sizeof key, "%04x %04x %04x", pair.vendorId, pair.productId, version);
      expected.insert(key);
    }
  const std::regex line(
      R"re(KERNEL=="hidraw\*", ATTRS\{idVendor\}=="([0-9a-f]{4})", ATTRS\{idProduct\}=="([0-9a-f]{4})", )re"
      R"re(ATTRS\{bcdDevice\}=="([0-9a-f]{4})", TAG\+="uaccess"(.*))re");
  for (const char* group : {"", "plugdev"}) {
    SCOPED_TRACE(group);
    std::vector<std::string> arguments{"udev-rule"};
    if (*group != 0) arguments.insert(arguments.end(), {"--group", group});
    const CtlRun result = run(arguments);
    EXPECT_EQ(result.exitCode, 0);
    std::istringstream rule(result.out);
    std::set<std::string> granted;
    for (std::string text; std::getline(rule, text);) {
      if (text.starts_with("#")) continue;
      std::smatch match;
      ASSERT_TRUE(std::regex_match(text, match, line)) << text;
      granted.insert(match[1].str() + " " + match[2].str() + " " + match[3].str());
      EXPECT_EQ(match[4].str(), *group != 0 ? ", MODE=\"0660\", GROUP=\"plugdev\"" : "");
    }
    EXPECT_EQ(granted, expected);
  }

  const char* const refused[] = {
      "a\", MODE=\"0666", "two words", "-x", "x\n", "", "0wheel", "g23456789012345678901234567890123"};
  for (const char* group : refused) {
    SCOPED_TRACE(group);
    const CtlRun result = run({"udev-rule", "--group", group});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
  }
  const CtlRun unknown = run({"udev-rule", "--group", "velkor-nosuchgroup"});
  EXPECT_EQ(unknown.exitCode, 0);
#ifdef _WIN32
  // The rule is for a Linux machine, whose groups Windows knows nothing of.
  EXPECT_EQ(unknown.err, "");
#else
  EXPECT_NE(unknown.err.find("this machine has no group \"velkor-nosuchgroup\": create it"), std::string::npos)
      << unknown.err;
#endif
  EXPECT_EQ(run({"udev-rule", "--group", "root"}).err, "");
}

TEST_F(ListAndStatus, HelpAndUsageErrors) {
  const struct {
    std::vector<std::string> arguments;
    int exitCode;
    const char* shown;
  } cases[] = {
      {{"--help"}, 0, "store-custom"},
      {{"set", "--help"}, 0, "TQ6630: output-format, output-source, audio-source"},
      {{"load", "--help"}, 0, "FILE"},
      {{"--version"}, 0, "velkorctl " VELKOR_VERSION "\n"},
      {{"reboot"}, 2, "velkorctl: unknown command \"reboot\"; the commands are list, status, set, name,"},
      {{"-d", "1", "--model=tq4410", "--json", "frobnicate"}, 2, "velkorctl: unknown command \"frobnicate\""},
      {{"--json"}, 2, "velkorctl: A subcommand is required"},
      {{"status", "now"}, 2, "velkorctl: The following argument was not expected: now"},
      {{"--colour", "status"}, 2, "velkorctl: The following argument was not expected: --colour"},
      {{"set"}, 2, "KEY=VALUE is required"},
      {{"store-custom", "3"}, 2, "not in range"},
      {{"-d", "", "status"}, 2, "names no converter"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const CtlRun result = run(c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_NE((result.out + result.err).find(c.shown), std::string::npos) << result.out << result.err;
  }
  EXPECT_EQ(framesSent(), 0u);
}

}  // namespace
}  // namespace velkor::test

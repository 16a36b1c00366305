// set: every key and value checked first, then per converter a status query, one apply
// frame with the changes over what it holds, and a status query to verify.

#include "CtlFixture.h"
#include "ExchangeTurn.h"
#include "WireFormat.h"

namespace velkor::test {
namespace {

using Json = nlohmann::json;
using Settings = VirtualConverter::Settings;
using Bytes = std::vector<std::uint8_t>;
using Set = CtlFixture;

// Each frame as its command and, for an apply frame, the eight bytes it carries.
std::vector<std::pair<int, Settings>> requests(const VirtualConverter& converter) {
  std::vector<std::pair<int, Settings>> seen;
  for (const Bytes& frame : converter.receivedFrames()) {
    const bool extended = frame[wire::kCommandOffset] == wire::kExtendedCommand;
    const int command = extended ? frame[wire::kExtendedSubCommandOffset] : frame[wire::kCommandOffset];
    Settings payload{};
    if (command == wire::kCmdApplySettingsA)
      std::copy_n(frame.begin() + wire::kBodyOffset + 1, payload.size(), payload.begin());
    if (command == wire::kSubCmdApplySettingsB)
      std::copy_n(frame.begin() + wire::kExtendedPayloadOffset, payload.size(), payload.begin());
    seen.emplace_back(command, payload);
  }
  return seen;
}

TEST_F(Set, WordsAndNumbersGoOutInOneApplyFrameOverWhatTheConverterHolds) {
  VirtualConverter& a = addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "Studio", {12, 0, 0, 0, 1, 1, 10, 10});
  VirtualConverter& b = addConverter(ConverterModel::TQ6630, "/dev/hidraw1", "Stage", {7, 0, 0, 1, 15, 15, 0, 0});

  const CtlRun plain = run({"set", "-d", "1", "output-format=1080P50", "embed-source= aes/ebu  audio",
                            "overlays=delay5SECONDS", "vertical-margin=33"});
  EXPECT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_EQ(plain.out,
            "1 TQ4410 Studio: output-format=1080p50, embed-source=AES/EBU Audio, overlays=Delay 5 seconds, "
            "vertical-margin=33\n");
  const Settings expectedA{2, 0, 2, 0, 1, 2, 33, 10};
  EXPECT_EQ(requests(a),
            (std::vector<std::pair<int, Settings>>{
                {wire::kCmdQueryStatusA, {}}, {wire::kCmdApplySettingsA, expectedA}, {wire::kCmdQueryStatusA, {}}}));
  EXPECT_EQ(a.state.settings, expectedA);

  const CtlRun json = run({"--json", "set", "-d", "2", "output-source=1", "audio-source=Follow AV", "image-flip=2"});
  EXPECT_EQ(json.exitCode, 0) << json.err;
  EXPECT_EQ(json.json(), std::vector<Json>{Json::parse(R"({
      "schema": 1, "converter": 2, "model": "TQ6630", "path": "/dev/hidraw1", "name": "Stage", "ok": true,
      "settings": {"output-source": {"code": 1, "word": "AV"}, "audio-source": {"code": 0, "word": "Follow AV"},
                   "image-flip": {"code": 2, "word": "Vertical Only"}}})")});
  const Settings expectedB{7, 1, 0, 1, 15, 15, 2, 0};
  EXPECT_EQ(requests(b),
            (std::vector<std::pair<int, Settings>>{
                {wire::kCmdQueryStatusB, {}}, {wire::kSubCmdApplySettingsB, expectedB}, {wire::kCmdQueryStatusB, {}}}));
  EXPECT_EQ(b.state.settings, expectedB);
}

TEST_F(Set, ABadKeyOrValueIsNamedAndNothingIsSent) {
  addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "One");
  addConverter(ConverterModel::TQ4410, "/dev/hidraw1", "Two");
  addConverter(ConverterModel::TQ6630, "/dev/hidraw2", "Three");
  const std::string a = "--model=tq4410";
  const struct {
    std::vector<std::string> target;
    std::string assignment;
    std::string error;
  } cases[] = {
      {{a, "--all"},
       "output-format=1080p51",
       "bad value \"1080p51\" for output-format on the TQ4410; allowed: \"Follow Input\", \"1080p60\", \"1080p50\", "
       "\"1080p30\", \"1080p25\", \"1080p24\", \"1080i60\", \"1080i50\", \"720p60\", \"720p50\", \"720p30\", "
       "\"720p25\", \"720p24\", \"576i50\", \"480i60\", \"576i50_Cut\" (or 0..15)"},
      {{a, "--all"}, "output-format=16", "bad value \"16\" for output-format on the TQ4410"},
      {{a, "--all"},
       "vertical-margin=101",
       "bad value \"101\" for vertical-margin on the TQ4410; allowed: a number 0..100"},
      {{a, "--all"}, "av-output-type=-1", "bad value \"-1\" for av-output-type"},
      {{a, "--all"}, "image-flip=Normal", "image-flip is not a setting of the TQ4410; its settings are output-format,"},
      {{a, "--all"}, "brightness=3", "unknown setting \"brightness\"; the settings are TQ4410: output-format,"},
      {{a, "--all"}, "output-format", "\"output-format\" is not KEY=VALUE"},
      {{"-d", "3"}, "output-format=576i50", "bad value \"576i50\" for output-format on the TQ6630"},
      {{"-d", "3"},
       "audio-source=Follow SDI",
       "allowed: \"Follow HDMI\" or \"Follow AV\", \"AES/EBU Audio Input\", \"Analog Audio Input\" (or 0..2)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.assignment);
    std::vector<std::string> arguments = c.target;
    arguments.insert(arguments.end(), {"set", "overlays=ON", c.assignment});
    const CtlRun result = run(arguments);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(c.error), std::string::npos) << result.err;
  }
  const CtlRun twice = run({"-d", "1", "set", "overlays=ON", "overlays=OFF"});
  EXPECT_EQ(twice.exitCode, 2);
  EXPECT_EQ(twice.err, "velkorctl: overlays is given twice\n");
  // A value no model takes is refused before the converters are asked their names.
  const CtlRun byName = run({"-d", "Three", "set", "output-format=4K"});
  EXPECT_EQ(byName.exitCode, 2);
  EXPECT_NE(byName.err.find("bad value \"4K\" for output-format"), std::string::npos) << byName.err;
  EXPECT_EQ(framesSent(), 0u);
}

TEST_F(Set, LabelsAreTakenAsShownAndSpeltRightAndPrintedAsShown) {
  VirtualConverter& b = addConverter(ConverterModel::TQ6630, "/dev/hidraw0", "Stage");
  const struct {
    const char* value;
    std::uint8_t code;
  } cases[] = {
      {"Horizonal Only", 1},         {"Horizontal Only", 1}, {"horizontalonly", 1},
      {" HORIZONTAL & vertical", 3}, {"Horizonal&Vertical", 3}, {"Vertical Only", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    b.state.settings[6] = 0;
    const CtlRun result = run({"set", std::string("image-flip=") + c.value});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(b.state.settings[6], c.code);
  }
  const CtlRun shown = run({"set", "image-flip=Horizontal Only"});
  EXPECT_EQ(shown.out, "1 TQ6630 Stage: image-flip=Horizonal Only\n");
  const CtlRun wrong = run({"set", "image-flip=Horizontally"});
  EXPECT_EQ(wrong.exitCode, 2);
  EXPECT_NE(wrong.err.find("allowed: \"Normal\", \"Horizonal Only\" (or \"Horizontal Only\"), \"Vertical Only\", "
                           "\"Horizonal & Vertical\" (or \"Horizontal & Vertical\") (or 0..3)"),
            std::string::npos)
      << wrong.err;
}

TEST_F(Set, AValueTheConverterDidNotTakeIsReported) {
  VirtualConverter& locked =
      addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "Locked", {12, 0, 0, 0, 0, 1, 10, 10});
  locked.state.controlsPc = false;  // answers, changes nothing
  const CtlRun plain = run({"set", "output-format=1080p50", "overlays=OFF"});
  EXPECT_EQ(plain.exitCode, 1);
  EXPECT_EQ(plain.out,
            "1 TQ4410 Locked: error: did not take output-format=1080p50 (holds 720p24); is its DIP switch at "
            "\"Controls-PC\"?\n");

  const auto lines = run({"--json", "set", "output-format=2"}).json();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]["ok"], false);
  EXPECT_EQ(lines[0]["refused"], Json::parse(R"({"output-format": {"requested": {"code": 2, "word": "1080p50"},
                                                                     "holds": {"code": 12, "word": "720p24"}}})"));
  EXPECT_EQ(lines[0]["settings"], Json::parse(R"({"output-format": {"code": 12, "word": "720p24"}})"));
}

// The panel or the network node in the middle of a transaction on the converter.
TEST_F(Set, AConverterAnotherProgramKeepsIsBusyAndGetsNothing) {
  VirtualConverter& c = addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "Cam");
  transport.setHolderName("velkor-node (process 99)");
  const std::unique_ptr<HidDevice> other = transport.open("/dev/hidraw0");
  ASSERT_TRUE(other->takeTurn(std::chrono::milliseconds(0)).taken);

  const auto start = clock.now();
  const CtlRun busy = run({"set", "output-format=720p50"});
  EXPECT_EQ(busy.exitCode, 5);
  EXPECT_EQ(busy.out, "1 TQ4410: error: busy: velkor-node (process 99) has had it for over 2 s; try again\n");
  EXPECT_EQ(clock.now() - start, kTurnLimit) << "it waits its limit once";
  EXPECT_TRUE(c.receivedFrames().empty());
  const CtlRun byName = run({"-d", "Cam", "status"});
  EXPECT_EQ(byName.exitCode, 5);
  EXPECT_NE(byName.err.find("(converter 1 kept busy by another program)"), std::string::npos) << byName.err;

  other->endTurn();
  const CtlRun free = run({"set", "output-format=720p50"});
  EXPECT_EQ(free.exitCode, 0) << free.out;
  EXPECT_EQ(c.state.settings[0], 9);
}

TEST_F(Set, AllOfAModelGoOnPastOneThatDoesNotAnswer) {
  VirtualConverter& first = addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "First");
  VirtualConverter& silent = addConverter(ConverterModel::TQ4410, "/dev/hidraw1", "Silent");
  silent.setFault(ConverterFault::NoReply);
  VirtualConverter& other = addConverter(ConverterModel::TQ6630, "/dev/hidraw2", "Other");
  VirtualConverter& last = addConverter(ConverterModel::TQ4410, "/dev/hidraw3", "Last");

  const auto start = clock.now();
  const CtlRun result = run({"--model", "tq4410", "--all", "set", "output-format=720p50"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out,
            "1 TQ4410 First: output-format=720p50\n"
            "2 TQ4410: error: did not answer within 500 ms\n"
            "4 TQ4410 Last: output-format=720p50\n");
  EXPECT_EQ(clock.now() - start, std::chrono::milliseconds(500)) << "the silent one is asked once";
  EXPECT_EQ(first.state.settings[0], 9);
  EXPECT_EQ(last.state.settings[0], 9);
  EXPECT_EQ(silent.receivedFrames().size(), 1u);
  EXPECT_EQ(silent.state.settings[0], 0);
  EXPECT_TRUE(other.receivedFrames().empty());
}

}  // namespace
}  // namespace velkor::test

// save and load: the settings files of the panel, so that a file moves freely between
// the tool and the application.

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CtlFixture.h"
#include "Discovery.h"
#include "ScratchFolder.h"
#include "UserSettings.h"

namespace velkor::test {
namespace {

namespace fs = std::filesystem;
using Settings = VirtualConverter::Settings;

class SettingsFile : public CtlFixture {
 protected:
  void SetUp() override { directory = makeScratchFolder("velkorctl-"); }
  void TearDown() override { fs::remove_all(directory); }

  // The application's record with converter `number` of the scan in use, as the main
  // window leaves it after a device selection.
  void selectInApplication(DeviceRecord& record, int number) {
    ASSERT_GT(enumerateDevices(transport, record.deviceTable), 0);
    ASSERT_EQ(openDevice(transport, *record.deviceTable.entry(number)), 0);
    record.selectedDevice = number;
  }

  static std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path directory;
};

struct ModelCase {
  ConverterModel model;
  const char* file;  // as the application names it
  SettingsResult (*appSave)(const DeviceRecord&, const fs::path&);
  SettingsResult (*appLoad)(DeviceRecord&, const fs::path&);
  Settings settings;
};

TEST_F(SettingsFile, WhatTheToolSavesTheApplicationLoadsAndTheReverse) {
  const ModelCase cases[] = {
      {ConverterModel::TQ4410, kSettingsFileTQ4410, saveSettingsA, loadSettingsA, {3, 1, 2, 0, 1, 2, 45, 55}},
      {ConverterModel::TQ6630, kSettingsFileTQ6630, saveSettingsB, loadSettingsB, {9, 1, 2, 1, 20, 80, 3, 1}},
  };
  for (const ModelCase& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string tag = c.model == ConverterModel::TQ4410 ? "a" : "b";
    VirtualConverter& source = addConverter(c.model, "/dev/source-" + tag, "Source", c.settings);
    VirtualConverter& target = addConverter(c.model, "/dev/target-" + tag, "Target " + tag);
    const int sourceNumber = static_cast<int>(transport.converters().size()) - 1;
    const fs::path file = directory / c.file;

    // Tool to application.
    const CtlRun saved = run({"save", "-d", "/dev/source-" + tag, file.string()});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_EQ(saved.out, std::to_string(sourceNumber) + " " + (tag == "a" ? "TQ4410" : "TQ6630") +
                             " Source: saved to " + file.string() + "\n");
    EXPECT_NE(readText(file).find("[Page_Func]\nConfiguration=0\n"), std::string::npos);
    {
      auto record = std::make_unique<DeviceRecord>();
      selectInApplication(*record, sourceNumber + 1);
      ASSERT_TRUE(c.appLoad(*record, file).ok());
      EXPECT_EQ(target.state.settings, c.settings);
    }

    // Application to tool: saved in Manual Apply, so the file holds the held settings,
    // which the tool sends whatever mode the file names.
    target.state.settings = {};
    source.state.settings = {};
    {
      auto record = std::make_unique<DeviceRecord>();
      record->applyModeA = record->applyModeB = kManualApply;
      std::uint8_t* held = c.model == ConverterModel::TQ4410
                               ? blockBytes(record->pendingA) + StatusBlockA::kSettableFirst
                               : blockBytes(record->pendingB) + StatusBlockB::kSettableFirst;
      std::copy(c.settings.begin(), c.settings.end(), held);
      ASSERT_TRUE(c.appSave(*record, file).ok());
    }
    const CtlRun loaded = run({"load", "-d", "Target " + tag, file.string()});
    EXPECT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_NE(loaded.out.find("Target " + tag + ": from " + file.string() + ": output-format="), std::string::npos)
        << loaded.out;
    EXPECT_EQ(target.state.settings, c.settings);
    EXPECT_EQ(source.state.settings, Settings{}) << "only the converter chosen";
  }
}

TEST_F(SettingsFile, AFileThatIsNotTheModelsIsRefusedBeforeAnythingIsSent) {
  addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "A");
  VirtualConverter& b = addConverter(ConverterModel::TQ6630, "/dev/hidraw1", "B");
  const fs::path fileB = directory / "b.ini";
  ASSERT_EQ(run({"save", "-d", "2", fileB.string()}).exitCode, 0);
  b.forgetReceived();
  // A TQ6630 file with one bad value; the panel's reading would take each of them as
  // some byte.
  const auto fileWith = [&](const std::string& name, const std::string& format, const std::string& margin) {
    const fs::path file = directory / name;
    std::ofstream(file) << "[Page_Scale/Output]\nOutput Format=" << format
                        << "\nOutput Source From=0\nAudio Source From=0\n"
                           "[Page_Overlays]\nOverlays Enable=0\nVirtical Margin="
                        << margin << "\nHoriznoal Margin=0\nMirror Image=0\nScreen Freeze=0\n";
    return file;
  };
  const std::string formatError = "is no value of output-format; a settings file holds a number 0..15";
  const struct {
    std::string device;
    fs::path file;
    std::string error;
  } cases[] = {
      {"1", fileB, "b.ini is no TQ4410 settings file: it is a TQ6630 settings file."},
      {"2", fileWith("wide.ini", "44", "0"), "wide.ini: [Page_Scale/Output] Output Format=44 " + formatError},
      {"2", fileWith("wraps.ini", "268", "0"), "Output Format=268 " + formatError},
      {"2", fileWith("negative.ini", "-1", "0"), "Output Format=-1 " + formatError},
      {"2", fileWith("word.ini", "abc", "0"), "Output Format=abc " + formatError},
      {"2", fileWith("fraction.ini", "3.7", "0"), "Output Format=3.7 " + formatError},
      {"2", fileWith("trailing.ini", "12abc", "0"), "Output Format=12abc " + formatError},
      // The panel reads a word as the number it starts with, or 0: "720p50" as 208.
      {"2", fileWith("word-of-the-list.ini", "720p50", "0"), "Output Format=720p50 " + formatError},
      {"2", fileWith("other-word.ini", "Follow Input", "0"), "Output Format=Follow Input " + formatError},
      // Cut to seven characters, as the panel's reading is, "00000003" reads as 0.
      {"2", fileWith("long.ini", "00000003", "0"), "Output Format=00000003 " + formatError},
      {"2", fileWith("margin.ini", "1", "356"), "[Page_Overlays] Virtical Margin=356 is no value of vertical-margin"},
      {"2", directory / "absent.ini", "absent.ini does not exist"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const CtlRun result = run({"load", "-d", c.device, c.file.string()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(c.error), std::string::npos) << result.err;
  }
  EXPECT_EQ(framesSent(), 0u);
}

// A save may replace nothing but a settings file of the converter's model (or an empty
// file); the apply mode in such a file is the panel's and stays.
TEST_F(SettingsFile, SaveOverwritesOnlyTheModelsOwnFile) {
  addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "A");
  addConverter(ConverterModel::TQ6630, "/dev/hidraw1", "B");
  const fs::path ofB = directory / "b.ini";
  ASSERT_EQ(run({"save", "-d", "2", ofB.string()}).exitCode, 0);
  const fs::path manualA = directory / "a.ini";
  ASSERT_EQ(run({"save", "-d", "1", manualA.string()}).exitCode, 0);
  std::string manualText = readText(manualA);
  manualText.replace(manualText.find("Configuration=0"), 15, "Configuration=1");
  std::ofstream(manualA) << manualText;
  const fs::path notes = directory / "notes.txt";
  std::ofstream(notes) << "call the truck at six\n";
  const fs::path empty = directory / "empty.ini";
  std::ofstream{empty};

  const struct {
    fs::path file;
    int exitCode;
    const char* error;  // null: saved
  } cases[] = {
      {ofB, 2, "b.ini is no TQ4410 settings file: it is a TQ6630 settings file. It is left as it is."},
      {notes, 2, "notes.txt is no TQ4410 settings file: it holds none of its settings."},
      {empty, 0, nullptr},
      {manualA, 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string before = readText(c.file);
    const CtlRun result = run({"save", "-d", "1", c.file.string()});
    EXPECT_EQ(result.exitCode, c.exitCode);
    if (c.error != nullptr) {
      EXPECT_NE(result.out.find(c.error), std::string::npos) << result.out;  // the converter's result line
      EXPECT_EQ(readText(c.file), before);
    } else {
      EXPECT_NE(readText(c.file).find("Output Format="), std::string::npos);
    }
  }
  EXPECT_NE(readText(manualA).find("Configuration=1"), std::string::npos) << "the panel's apply mode stays";
}

TEST_F(SettingsFile, SaveWritesOneConvertersFileOrSaysWhyNot) {
  addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "A");
  addConverter(ConverterModel::TQ4410, "/dev/hidraw1", "B");
  const CtlRun all = run({"--model", "tq4410", "--all", "save", (directory / "x.ini").string()});
  EXPECT_EQ(all.exitCode, 2);
  EXPECT_NE(all.err.find("save writes the settings of one converter"), std::string::npos);

  const CtlRun nowhere = run({"--json", "-d", "1", "save", (directory / "no" / "x.ini").string()});
  EXPECT_EQ(nowhere.exitCode, 2);
  const auto lines = nowhere.json();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]["ok"], false);
  EXPECT_NE(lines[0]["error"].get<std::string>().find("could not be saved"), std::string::npos) << lines[0];
  EXPECT_FALSE(fs::exists(directory / "no"));
}

// "-" is standard output for save, with the result line on standard error so that the
// file can be piped, and standard input for load.
TEST_F(SettingsFile, ADashIsStandardOutputOrInput) {
  addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "A", {3, 1, 2, 0, 1, 2, 45, 55});
  VirtualConverter& target = addConverter(ConverterModel::TQ4410, "/dev/hidraw1", "B");
  const fs::path file = directory / "a.ini";
  ASSERT_EQ(run({"save", "-d", "1", file.string()}).exitCode, 0);

  const CtlRun saved = run({"save", "-d", "1", "-"});
  EXPECT_EQ(saved.exitCode, 0);
  EXPECT_EQ(saved.out, readText(file)) << "the file and nothing else";
  EXPECT_EQ(saved.err, "1 TQ4410 A: saved to standard output\n");

  const CtlRun loaded = run({"load", "-d", "2", "-"}, saved.out);
  EXPECT_EQ(loaded.exitCode, 0) << loaded.err;
  EXPECT_EQ(target.state.settings, (Settings{3, 1, 2, 0, 1, 2, 45, 55}));
  EXPECT_NE(loaded.out.find("B: from standard input: "), std::string::npos) << loaded.out;

  target.forgetReceived();
  const struct {
    std::string input;
    std::string error;
  } refused[] = {
      {"", "The file standard input is no TQ4410 settings file: it holds none of its settings."},
      {saved.out.substr(0, 40) + std::string(1, '\0') + saved.out.substr(40),
       "The settings file standard input cannot be read: it holds a NUL character"},
      {std::string(60000, 'x'), "none of its settings"},
  };
  for (const auto& r : refused) {
    const CtlRun result = run({"load", "-d", "2", "-"}, r.input);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find(r.error), std::string::npos) << result.err;
  }
  EXPECT_TRUE(target.receivedFrames().empty());
}

}  // namespace
}  // namespace velkor::test

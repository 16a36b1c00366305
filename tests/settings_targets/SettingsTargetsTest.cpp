// Every kind of target a settings file name can lead to, through the four ways in and
// out: the panel's Save Settings and Load Settings, and velkorctl's save and load. Each
// case says what the target holds afterwards, byte for byte, what reached the
// converter, and what the operator read. Permissions only mean something to a user
// other than root: run_as_another_user.sh starts this program so.

#include <cstring>
#include <iostream>
#include <optional>
#include <vector>

#include "Discovery.h"
#include "Log.h"
#include "SettingsTargets.h"

namespace velkor::test {
namespace {

const Target kCommonTargets[] = {
    {"regular file",
     [](const Scratch& s) {
       writeBytes(s.file(), modelAFile(kOld, false));
       return s.file();
     },
     [] { return modelAFile(kNew, false); }, nullptr, nullptr, nullptr},
    {"directory",
     [](const Scratch& s) {
       fs::create_directory(s.file());
       return s.file();
     },
     nullptr, "it is a directory, and only a file is written", nullptr, "it is a directory, not a file",
     [](const Scratch&, const fs::path& file) { EXPECT_TRUE(fs::is_directory(file)); }},
    {"missing file", [](const Scratch& s) { return s.file(); }, newFile, nullptr, nullptr, "does not exist"},
    {"empty file",
     [](const Scratch& s) {
       writeBytes(s.file(), "");
       return s.file();
     },
     newFile, nullptr, nullptr, "is no TQ4410 settings file: it holds none of its settings."},
    {"garbage",
     [](const Scratch& s) {
       writeBytes(s.file(), kGarbage);
       return s.file();
     },
     // Kept whole, the settings after it.
     [] { return kGarbage + "\n\n\n" + newFile(); }, nullptr,
     "is no TQ4410 settings file: it holds none of its settings.", "it holds none of its settings"},
    {"the other model's file",
     [](const Scratch& s) {
       writeBytes(s.file(), modelBFile());
       return s.file();
     },
     nullptr, "it is a TQ6630 settings file", nullptr, "is no TQ4410 settings file: it is a TQ6630 settings file."},
    {"UTF-16 with byte-order mark",
     [](const Scratch& s) {
       writeBytes(s.file(), utf16(modelAFile(kOld, true)));
       return s.file();
     },
     [] { return utf16(modelAFile(kNew, true)); }, nullptr, nullptr, nullptr},
    {"NUL inside",
     [](const Scratch& s) {
       std::string text = modelAFile(kOld, false);
       text.insert(text.find("[Page_Audio]"), std::string(1, '\0'));
       writeBytes(s.file(), text);
       return s.file();
     },
     nullptr, "it holds a NUL character, which no settings file does", nullptr,
     "it holds a NUL character, which no settings file does"},
    {"over the size bound",
     [](const Scratch& s) {
       writeBytes(s.file(), modelAFile(kOld, false));
       fs::resize_file(s.file(), kSettingsFileLimit + 1);
       return s.file();
     },
     nullptr, "it is larger than 1 MiB", nullptr, "it is larger than 1 MiB"},
    {"Windows file: CRLF, comments, a line without '='",
     [](const Scratch& s) {
       writeBytes(s.file(), modelAFile(kOld, true));
       return s.file();
     },
     [] { return modelAFile(kNew, true); }, nullptr, nullptr, nullptr},
};

// Every kind of target this system has.
std::vector<Target> allTargets() {
  std::vector<Target> all(std::begin(kCommonTargets), std::end(kCommonTargets));
  const std::span<const Target> own = systemTargets();
  all.insert(all.end(), own.begin(), own.end());
  return all;
}

// What a name leads to, to compare before and after: the bytes of a file, or nothing.
std::optional<std::string> content(const fs::path& file) {
  std::error_code error;
  if (!fs::is_regular_file(file, error)) return std::nullopt;
  return readBytes(file);
}

class SettingsTargets : public CtlFixture {
 protected:
  void SetUp() override {
    setLogStream(nullptr);
    converter = &addConverter(ConverterModel::TQ4410, "/dev/hidraw0", "Rack");
  }

  // The application's record with the converter in use, its settings as the converter
  // holds them, as after opening the status page.
  std::unique_ptr<DeviceRecord> panelRecord() {
    auto record = std::make_unique<DeviceRecord>();
    EXPECT_GT(enumerateDevices(transport, record->deviceTable), 0);
    EXPECT_EQ(openDevice(transport, *record->deviceTable.entry(1)), 0);
    record->selectedDevice = 1;
    std::copy(converter->state.settings.begin(), converter->state.settings.end(),
              blockBytes(record->statusA) + StatusBlockA::kSettableFirst);
    return record;
  }

  VirtualConverter* converter = nullptr;
};

TEST_F(SettingsTargets, SaveKeepsWhatTheUserHoldsOrSaysWhyNot) {
  for (const bool panel : {true, false}) {
    for (const Target& t : allTargets()) {
      SCOPED_TRACE(std::string(panel ? "Save Settings: " : "velkorctl save: ") + t.name);
      Scratch scratch;
      const fs::path file = t.make(scratch);
      if (file.empty()) {
        std::cout << "not made here (the system cannot): " << t.name << "\n";
        continue;
      }
      const std::optional<std::string> before = content(file);
      converter->state.settings = kNew;

      std::string told;
      bool saved = false;
      if (panel) {
        const SettingsResult result = saveSettingsA(*panelRecord(), file);
        saved = result.ok();
        told = result.message();
      } else {
        const CtlRun result = run({"save", "-d", "1", file.string()});
        saved = result.exitCode == 0;
        told = result.out + result.err;
        EXPECT_EQ(result.exitCode, saved ? 0 : 2);
      }
      const char* refusal = panel ? t.saveRefusal : (t.ctlSaveRefusal ? t.ctlSaveRefusal : t.saveRefusal);
      if (refusal == nullptr && t.panelSaved) {
        EXPECT_TRUE(saved) << told;
        EXPECT_EQ(content(file), t.panelSaved());
      } else {
        EXPECT_FALSE(saved);
        EXPECT_NE(told.find(refusal), std::string::npos) << told;
        EXPECT_NE(told.find(file.string()), std::string::npos) << "names the file: " << told;
        EXPECT_EQ(content(file), before);
      }
      if (t.check) t.check(scratch, file);
    }
  }
}

TEST_F(SettingsTargets, LoadSendsAWholeSettingsFileOrNothingAndSaysWhy) {
  for (const bool panel : {true, false}) {
    for (const Target& t : allTargets()) {
      SCOPED_TRACE(std::string(panel ? "Load Settings: " : "velkorctl load: ") + t.name);
      Scratch scratch;
      const fs::path file = t.make(scratch);
      if (file.empty()) {
        std::cout << "not made here (the system cannot): " << t.name << "\n";
        continue;
      }
      const std::optional<std::string> before = content(file);
      converter->state.settings = kNew;
      converter->forgetReceived();

      std::string told;
      bool loaded = false;
      if (panel) {
        const auto record = panelRecord();
        const StatusBlockA statusBefore = record->statusA;
        const SettingsResult result = loadSettingsA(*record, file);
        loaded = result.ok();
        told = result.message();
        if (!loaded) {
          EXPECT_EQ(std::memcmp(&record->statusA, &statusBefore, sizeof statusBefore), 0) << "the record is untouched";
          EXPECT_EQ(record->applyModeA, kAutoApply);
        }
      } else {
        const CtlRun result = run({"load", "-d", "1", file.string()});
        loaded = result.exitCode == 0;
        told = result.out + result.err;
        EXPECT_EQ(result.exitCode, loaded ? 0 : 2);
      }
      if (t.loadRefusal == nullptr) {
        EXPECT_TRUE(loaded) << told;
        EXPECT_EQ(converter->state.settings, kOld) << "the file's settings were sent";
      } else {
        EXPECT_FALSE(loaded);
        EXPECT_NE(told.find(t.loadRefusal), std::string::npos) << told;
        EXPECT_NE(told.find(file.string()), std::string::npos) << "names the file: " << told;
        EXPECT_TRUE(converter->receivedFrames().empty()) << "nothing sent";
        EXPECT_EQ(converter->state.settings, kNew);
      }
      EXPECT_EQ(content(file), before) << "loading changes no file";
      if (t.check) t.check(scratch, file);
    }
  }
}

}  // namespace
}  // namespace velkor::test

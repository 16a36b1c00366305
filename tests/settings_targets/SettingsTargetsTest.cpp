// Every kind of target a settings file name can lead to, through the four ways in and
// out: the panel's Save Settings and Load Settings, and velkorctl's save and load. Each
// case says what the target holds afterwards, byte for byte, what reached the
// converter, and what the operator read. Permissions only mean something to a user
// other than root: run_as_another_user.sh starts this program so.

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "CtlFixture.h"
#include "Discovery.h"
#include "Log.h"
#include "UserSettings.h"

namespace velkor::test {
namespace {

namespace fs = std::filesystem;
using Settings = VirtualConverter::Settings;

// In the order of the apply frame: output format, de-embedding, embedding, HDMI type,
// CVBS type, overlays, vertical and horizontal margin.
constexpr Settings kOld{3, 1, 2, 0, 1, 2, 45, 55};
constexpr Settings kNew{9, 0, 1, 1, 0, 1, 20, 80};

// A TQ4410 settings file holding `run`; the Windows one as that platform's reader and
// a person's editor leave it: CRLF, blanks around '=', comments, a line without '='.
std::string modelAFile(const Settings& run, bool windows) {
  const std::string eol = windows ? "\r\n" : "\n";
  const auto line = [&](const char* key, int value) {
    return std::string(key) + (windows ? " = " : "=") + std::to_string(value) + eol;
  };
  std::string text = windows ? "; the rack in studio 2" + eol : "";
  text += "[Page_Scale/Output]" + eol + line("Output Format", run[0]) + line("HDMI Output Type", run[3]) +
          line("CVBS Output Type", run[4]);
  if (windows) text += "check the monitor before changing this" + eol + eol;
  text += "[Page_Audio]" + eol + line("Audio De-Embedding", run[1]) + line("Audio Embedding", run[2]);
  text += "[Page_Overlays]" + eol;
  for (const char* flag : {"Input Format", "Output Format", "AES/EBU Embedding", "AES/EBU De-Embedding",
                           "Analog Embedding", "Analog De-Embedding"})
    text += line(flag, 0);
  text += line("Overlays Enable", run[5]) + line("Virtical Margin", run[6]) + line("Horiznoal Margin", run[7]);
  text += "[Page_Func]" + eol + line("Configuration", 0);
  if (windows) text += "; end of file" + eol;
  return text;
}

std::string modelBFile() {
  return "[Page_Scale/Output]\nOutput Format=1\nOutput Source From=1\nAudio Source From=1\n[Page_Overlays]\n"
         "Overlays Enable=1\nVirtical Margin=10\nHoriznoal Margin=10\nMirror Image=1\nScreen Freeze=0\n"
         "[Page_Func]\nConfiguration=0\n";
}

// Windows' "Unicode" text: UTF-16, little-endian, with its byte-order mark.
std::string utf16(const std::string& latin1) {
  std::string out = "\xFF\xFE";
  for (const char c : latin1) out += std::string{c, '\0'};
  return out;
}

// No line end and no NUL in it: only what a reader makes of bytes.
const std::string kGarbage = "\x89PNG\x1a\xff\xd8\xc3\x28 \x01\x02\x7f=";

std::string readBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary);
  out << bytes;
  ASSERT_TRUE(out.flush()) << file;
}

// A scratch folder with the target's own folder and another one, made writable again
// before it goes.
struct Scratch {
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "velkor-targets-XXXXXX").string();
    EXPECT_NE(::mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
    base = pattern;
    fs::create_directory(folder());
    fs::create_directory(elsewhere());
  }
  ~Scratch() {
    std::error_code error;
    fs::permissions(folder(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(base, error);
  }
  fs::path folder() const { return base / "work"; }
  fs::path elsewhere() const { return base / "elsewhere"; }
  fs::path file() const { return folder() / "userSettings_tq4410.ini"; }

  fs::path base;
};

// A character device: made here when the user may (root), else the one
// run_as_another_user.sh made before it gave up root, else /dev/null itself.
fs::path characterDevice(const Scratch& scratch) {
  const fs::path made = scratch.file();
  if (::mknod(made.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) return made;
  if (const char* given = std::getenv("VELKOR_TEST_DEVICE")) return given;
  return "/dev/null";
}

enum class Saved { New, Kept };  // the new text, or the file as it was

struct Target {
  const char* name;
  std::function<fs::path(const Scratch&)> make;  // the name to give the program
  // After a panel save: what the target holds, or null when the save is refused with
  // `saveRefusal` and the target is as it was.
  std::function<std::string()> panelSaved;
  const char* saveRefusal;
  // velkorctl's save where it differs from the panel's (it replaces only a settings file
  // of the model or an empty one).
  const char* ctlSaveRefusal;
  const char* loadRefusal;  // null: the file's settings are sent
  std::function<void(const Scratch&, const fs::path&)> check = {};  // what else must hold afterwards
};

std::string newFile() {
  DeviceRecord record;
  std::copy(kNew.begin(), kNew.end(), blockBytes(record.statusA) + StatusBlockA::kSettableFirst);
  return settingsTextA(record);
}

const Target kTargets[] = {
    {"regular file",
     [](const Scratch& s) {
       writeBytes(s.file(), modelAFile(kOld, false));
       return s.file();
     },
     [] { return modelAFile(kNew, false); }, nullptr, nullptr, nullptr},
    {"read-only file",
     [](const Scratch& s) {
       writeBytes(s.file(), modelAFile(kOld, false));
       fs::permissions(s.file(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
       return s.file();
     },
     nullptr, "the file is read-only", nullptr, nullptr,
     [](const Scratch&, const fs::path& file) {
       EXPECT_EQ(fs::status(file).permissions(),
                 fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
     }},
    {"symbolic link to a file in another folder",
     [](const Scratch& s) {
       writeBytes(s.elsewhere() / "real.ini", modelAFile(kOld, false));
       fs::create_symlink("../elsewhere/real.ini", s.file());
       return s.file();
     },
     [] { return modelAFile(kNew, false); }, nullptr, nullptr, nullptr,
     [](const Scratch& s, const fs::path& file) {
       EXPECT_TRUE(fs::is_symlink(file)) << "the link stays a link";
       EXPECT_EQ(fs::read_symlink(file), "../elsewhere/real.ini");
       EXPECT_EQ(std::distance(fs::directory_iterator(s.elsewhere()), fs::directory_iterator()), 1);
     }},
    {"hard link",
     [](const Scratch& s) {
       writeBytes(s.elsewhere() / "other-name.ini", modelAFile(kOld, false));
       fs::create_hard_link(s.elsewhere() / "other-name.ini", s.file());
       return s.file();
     },
     [] { return modelAFile(kNew, false); }, nullptr, nullptr, nullptr,
     [](const Scratch& s, const fs::path& file) {
       EXPECT_TRUE(fs::equivalent(file, s.elsewhere() / "other-name.ini")) << "one file under two names";
       EXPECT_EQ(fs::hard_link_count(file), 2u);
       EXPECT_EQ(readBytes(s.elsewhere() / "other-name.ini"), readBytes(file));
     }},
    {"writable file in a folder not writable",
     [](const Scratch& s) {
       writeBytes(s.file(), modelAFile(kOld, false));
       fs::permissions(s.folder(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                       fs::perm_options::remove);
       return s.file();
     },
     [] { return modelAFile(kNew, false); }, nullptr, nullptr, nullptr,
     [](const Scratch& s, const fs::path&) {
       EXPECT_EQ(std::distance(fs::directory_iterator(s.folder()), fs::directory_iterator()), 1)
           << "nothing left beside it";
     }},
    {"directory",
     [](const Scratch& s) {
       fs::create_directory(s.file());
       return s.file();
     },
     nullptr, "it is a directory, and only a file is written", nullptr, "it is a directory, not a file",
     [](const Scratch&, const fs::path& file) { EXPECT_TRUE(fs::is_directory(file)); }},
    {"FIFO",
     [](const Scratch& s) {
       EXPECT_EQ(::mkfifo(s.file().c_str(), 0666), 0) << std::strerror(errno);
       return s.file();
     },
     nullptr, "it is a pipe, and only a file is written", nullptr, "it is a pipe, not a file",
     [](const Scratch&, const fs::path& file) { EXPECT_TRUE(fs::is_fifo(file)); }},
    {"character device", characterDevice, nullptr, "it is a device, and only a file is written", nullptr,
     "it is a device, not a file",
     [](const Scratch&, const fs::path& file) { EXPECT_TRUE(fs::is_character_file(file)); }},
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
    for (const Target& t : kTargets) {
      SCOPED_TRACE(std::string(panel ? "Save Settings: " : "velkorctl save: ") + t.name);
      Scratch scratch;
      const fs::path file = t.make(scratch);
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
    for (const Target& t : kTargets) {
      SCOPED_TRACE(std::string(panel ? "Load Settings: " : "velkorctl load: ") + t.name);
      Scratch scratch;
      const fs::path file = t.make(scratch);
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

#pragma once
// The settings files' targets: what each kind of target is made of, what a save leaves
// in it and what the program says. The kinds every system has are in
// SettingsTargetsTest.cpp; each system adds its own (systemTargets()).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <sstream>
#include <string>

#include "CtlFixture.h"
#include "ScratchFolder.h"
#include "UserSettings.h"

namespace velkor::test {

namespace fs = std::filesystem;
using Settings = VirtualConverter::Settings;

// In the order of the apply frame: output format, de-embedding, embedding, HDMI type,
// CVBS type, overlays, vertical and horizontal margin.
constexpr Settings kOld{3, 1, 2, 0, 1, 2, 45, 55};
constexpr Settings kNew{9, 0, 1, 1, 0, 1, 20, 80};

// A TQ4410 settings file holding `run`; the Windows one as that platform's reader and
// a person's editor leave it: CRLF, blanks around '=', comments, a line without '='.
inline std::string modelAFile(const Settings& run, bool windows) {
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

inline std::string modelBFile() {
  return "[Page_Scale/Output]\nOutput Format=1\nOutput Source From=1\nAudio Source From=1\n[Page_Overlays]\n"
         "Overlays Enable=1\nVirtical Margin=10\nHoriznoal Margin=10\nMirror Image=1\nScreen Freeze=0\n"
         "[Page_Func]\nConfiguration=0\n";
}

// Windows' "Unicode" text: UTF-16, little-endian, with its byte-order mark.
inline std::string utf16(const std::string& latin1) {
  std::string out = "\xFF\xFE";
  for (const char c : latin1) out += std::string{c, '\0'};
  return out;
}

// No line end and no NUL in it: only what a reader makes of bytes.
inline const std::string kGarbage = "\x89PNG\x1a\xff\xd8\xc3\x28 \x01\x02\x7f=";

inline std::string readBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void writeBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary);
  out << bytes;
  ASSERT_TRUE(out.flush()) << file;
}

// A scratch folder with the target's own folder and another one, made writable again
// before it goes.
struct Scratch {
  Scratch() : base(makeScratchFolder("velkor-targets-")) {
    fs::create_directory(folder());
    fs::create_directory(elsewhere());
  }
  // Everything writable again first: a read-only file cannot be removed on Windows.
  ~Scratch() {
    std::error_code error;
    fs::permissions(folder(), fs::perms::owner_all, fs::perm_options::add, error);
    for (const auto& entry : fs::recursive_directory_iterator(base, error))
      if (!entry.is_symlink(error)) fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, error);
    fs::remove_all(base, error);
  }
  fs::path folder() const { return base / "work"; }
  fs::path elsewhere() const { return base / "elsewhere"; }
  fs::path file() const { return folder() / "userSettings_tq4410.ini"; }

  fs::path base;
};

enum class Saved { New, Kept };  // the new text, or the file as it was

struct Target {
  const char* name;
  // The name to give the program; empty where this system (or wine) cannot make the
  // target, which is then left out and said so.
  std::function<fs::path(const Scratch&)> make;
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

inline std::string newFile() {
  DeviceRecord record;
  std::copy(kNew.begin(), kNew.end(), blockBytes(record.statusA) + StatusBlockA::kSettableFirst);
  return settingsTextA(record);
}

// The kinds of target only this system has.
std::span<const Target> systemTargets();

}  // namespace velkor::test

#pragma once
// How a save or load of a settings file ended, in a form a message box or a
// command-line tool can show.

#include <filesystem>
#include <string>
#include <system_error>

namespace velkor {

enum class SettingsOutcome {
  Ok,
  FileNotFound,  // load only: nothing was changed and nothing was sent
  CannotRead,    // load only: the file exists but could not be read; nothing changed
  CannotWrite,   // save only: the file on disk is as it was before
};

struct SettingsResult {
  SettingsOutcome outcome = SettingsOutcome::Ok;
  std::filesystem::path file;
  std::string reason;  // the system's words for the failure; empty when Ok

  static SettingsResult failure(SettingsOutcome outcome, std::filesystem::path file, std::error_code error);

  bool ok() const { return outcome == SettingsOutcome::Ok; }
  // One sentence naming the file and the reason; empty when Ok.
  std::string message() const;
};

}  // namespace velkor

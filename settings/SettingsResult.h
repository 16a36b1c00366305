#pragma once
// How a save or load of a settings file ended, in a form a message box or a
// command-line tool can show.

#include <filesystem>
#include <string>

namespace velkor {

enum class SettingsOutcome {
  Ok,
  FileNotFound,     // load only: nothing was changed and nothing was sent
  CannotRead,       // load only: the file exists but could not be read; nothing changed
  NotSettingsFile,  // load only: the file holds no settings of the model; nothing changed
  CannotWrite,      // save only: the file on disk is as it was before
};

struct SettingsResult {
  SettingsOutcome outcome = SettingsOutcome::Ok;
  std::filesystem::path file;
  // Why, in words that name the file ("it is a directory") or the folder ("the folder
  // /srv is not writable") that is the cause; empty when Ok.
  std::string reason;

  static SettingsResult failure(SettingsOutcome outcome, std::filesystem::path file, std::string reason);

  bool ok() const { return outcome == SettingsOutcome::Ok; }
  // One sentence naming the file and the reason; empty when Ok.
  std::string message() const;
};

}  // namespace velkor

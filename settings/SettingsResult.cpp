#include "SettingsResult.h"

namespace velkor {

SettingsResult SettingsResult::failure(SettingsOutcome outcome, std::filesystem::path file, std::string reason) {
  return SettingsResult{outcome, std::move(file), std::move(reason)};
}

std::string SettingsResult::message() const {
  const std::string name = file.string();
  switch (outcome) {
    case SettingsOutcome::Ok:
      return {};
    case SettingsOutcome::FileNotFound:
      return "The settings file " + name + " does not exist.";
    case SettingsOutcome::CannotRead:
      return "The settings file " + name + " cannot be read: " + reason + ".";
    case SettingsOutcome::NotSettingsFile:
      return "The file " + name + " is no " + reason + ".";
    case SettingsOutcome::CannotWrite:
      return "The settings could not be saved to " + name + ": " + reason + ".";
  }
  return {};
}

}  // namespace velkor

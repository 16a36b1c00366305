#include "FileRead.h"

namespace velkor {
namespace {

// Words a failed read the way settings files are told about.
FileRead settingsRead(BoundedRead read) {
  switch (read.outcome) {
    case BoundedRead::Outcome::Read:
      return {FileRead::Status::Read, std::move(read.bytes), {}};
    case BoundedRead::Outcome::Missing:
      return {FileRead::Status::Missing, {}, std::move(read.problem)};
    case BoundedRead::Outcome::NotRegular:
      return {FileRead::Status::Refused, {}, "it is " + read.problem + ", not a file"};
    case BoundedRead::Outcome::TooLarge:
      return {FileRead::Status::Refused, {}, limitProblem()};
    case BoundedRead::Outcome::Link:
    case BoundedRead::Outcome::OpenFailed:
    case BoundedRead::Outcome::ReadFailed:
      break;
  }
  return {FileRead::Status::Refused, {}, std::move(read.problem)};
}

}  // namespace

std::string limitProblem() {
  return "it is larger than " + std::to_string(kSettingsFileLimit / (1024 * 1024)) + " MiB, which no settings file is";
}

FileRead readSettingsFile(const std::filesystem::path& file) {
  return settingsRead(readRegularFile(file, kSettingsFileLimit, Links::Follow));
}

FileRead readSettingsStream(int fd) { return settingsRead(readDescriptor(fd, kSettingsFileLimit)); }

}  // namespace velkor

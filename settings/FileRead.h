#pragma once
// Reading a settings file whole, bounded: a settings file is a few hundred bytes, so
// anything much larger, endless (a device) or never ending (a pipe) is refused rather
// than read.

#include <cstddef>
#include <filesystem>
#include <string>

namespace velkor {

inline constexpr std::size_t kSettingsFileLimit = 1024 * 1024;

struct FileRead {
  enum class Status { Read, Missing, Refused };
  Status status = Status::Read;
  std::string bytes;
  std::string problem;  // why not read, in words: "it is a directory", "Permission denied"
};

// Only a regular file is read; opening never waits, so a pipe cannot stall it.
FileRead readSettingsFile(const std::filesystem::path& file);
// What an open descriptor (standard input) gives until its end, up to the limit.
FileRead readSettingsStream(int fd);

// "a directory", "a pipe", ... for a file type that is no regular file.
std::string fileKind(unsigned mode);
std::string limitProblem();

}  // namespace velkor

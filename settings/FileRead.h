#pragma once
// Reading a file whole, bounded: a settings file is a few hundred bytes, so anything
// much larger, endless (a device) or never ending (a pipe) is refused rather than read.

#include <cstddef>
#include <filesystem>
#include <string>

namespace velkor {

inline constexpr std::size_t kSettingsFileLimit = 1024 * 1024;

// What reading a regular file whole within a limit came to, for the caller to word.
struct BoundedRead {
  enum class Outcome { Read, OpenFailed, NotRegular, TooLarge, ReadFailed };
  Outcome outcome = Outcome::Read;
  int error = 0;      // errno, when opening or reading failed
  unsigned mode = 0;  // the file's type, when it is no regular file
  std::string bytes;
};

enum class Links { Follow, Refuse };

// Only a regular file is read; opening never waits, so a pipe cannot stall it.
BoundedRead readRegularFile(const std::filesystem::path& file, std::size_t limit, Links links);

struct FileRead {
  enum class Status { Read, Missing, Refused };
  Status status = Status::Read;
  std::string bytes;
  std::string problem;  // why not read, in words: "it is a directory", "Permission denied"
};

FileRead readSettingsFile(const std::filesystem::path& file);
// What an open descriptor (standard input) gives until its end, up to the limit.
FileRead readSettingsStream(int fd);

// "a directory", "a pipe", ... for a file type that is no regular file.
std::string fileKind(unsigned mode);
std::string limitProblem();

}  // namespace velkor

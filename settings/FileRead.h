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
  enum class Outcome { Read, Missing, Link, OpenFailed, NotRegular, TooLarge, ReadFailed };
  Outcome outcome = Outcome::Read;
  // The system's words when opening or reading failed; what the file is ("a directory")
  // when it is no regular file.
  std::string problem;
  std::string bytes;
};

// Follow: the file a link leads to is read. Refuse: a link is not read (Outcome::Link).
enum class Links { Follow, Refuse };

// Only a regular file is read; opening never waits, so a pipe cannot stall it. One
// implementation per system (settings/platform/).
BoundedRead readRegularFile(const std::filesystem::path& file, std::size_t limit, Links links);
// What an open descriptor (standard input) gives until its end, up to the limit.
BoundedRead readDescriptor(int fd, std::size_t limit);

struct FileRead {
  enum class Status { Read, Missing, Refused };
  Status status = Status::Read;
  std::string bytes;
  std::string problem;  // why not read, in words: "it is a directory", "Permission denied"
};

FileRead readSettingsFile(const std::filesystem::path& file);
// What an open descriptor (standard input) gives until its end, up to the limit.
FileRead readSettingsStream(int fd);

std::string limitProblem();

}  // namespace velkor

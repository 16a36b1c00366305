#pragma once
// Reading a file in one go, and replacing one so that a reader (or a crash) sees either
// the old text or the new one, never a mix and never a half-written file.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace velkor {

struct WholeFileRead {
  std::string bytes;
  std::error_code error;  // no_such_file_or_directory when there is no such file
};

WholeFileRead readWholeFile(const std::filesystem::path& file);

// Writes the bytes to a new file beside the target, flushes them to the disk and
// renames the new file over the target. On failure the target is untouched and the
// new file is removed. An existing target's permission bits carry over.
std::error_code replaceWholeFile(const std::filesystem::path& file, std::string_view bytes);

}  // namespace velkor

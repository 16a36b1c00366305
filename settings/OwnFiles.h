#pragma once
// The small files a program keeps for itself (velkorctl's virtual converters' state):
// in a folder of this user's own, replaced whole so that a reader finds the old text or
// the new one, never anything else, and held by one run at a time. One implementation
// per system (settings/platform/).

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace velkor {

// Each outcome: the system's words for what went wrong, or empty.

// Makes the folder, for this user alone, when missing; anything there that is not a
// folder is refused ("... is not a folder").
std::string makeOwnFolder(const std::filesystem::path& folder);

// What the name itself is, a link not followed.
enum class EntryKind { Missing, RegularFile, Other, Unknown };
struct Entry {
  EntryKind kind = EntryKind::Missing;
  std::string problem;  // why it could not be looked at (Unknown)
};
Entry entryAt(const std::filesystem::path& file);

// A new file in the same folder, written whole and moved over `file` at once.
std::string replaceWholeFile(const std::filesystem::path& file, std::string_view bytes);

// Removes the file; one that is not there is no failure.
std::string removeFile(const std::filesystem::path& file);

// A folder held by one run at a time: the second waits until the first lets go or
// ends, however it ends.
class FolderLock {
 public:
  explicit FolderLock(const std::filesystem::path& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Empty when the folder is held; else why not.
  const std::string& problem() const { return problem_; }

 private:
  std::intptr_t held_ = -1;  // the system's handle of what is locked
  std::string problem_;
};

}  // namespace velkor

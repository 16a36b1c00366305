#pragma once
// What the --virtual converters were told, kept between runs of velkorctl, so that a
// `set` followed by a `status` behaves as with hardware. One small file of the user's
// own: read bounded and only when it is a regular file, replaced whole (a new file and
// a rename), never written through a link.

#include <filesystem>
#include <optional>
#include <string>

#include "OwnFiles.h"
#include "virtual/VirtualTransport.h"

namespace velkor::ctl {

// $XDG_RUNTIME_DIR/velkorctl/virtual-converters.json; without a runtime folder the same
// under $XDG_CACHE_HOME or ~/.cache. Nothing when none of them is known.
std::optional<std::filesystem::path> virtualStatePath();

// Each outcome: what went wrong, or empty.
//
// Gives each converter of the transport that the file names (by path) what the file
// holds for it. No file is no problem: the converters keep the demo's state.
std::string restoreVirtualState(const std::filesystem::path& file, VirtualTransport& transport);
// Writes what every converter of the transport holds, creating the folder (for this user
// alone) when it is missing.
std::string keepVirtualState(const std::filesystem::path& file, const VirtualTransport& transport);
// Removes the file, so that the next run starts from the demo's state.
std::string forgetVirtualState(const std::filesystem::path& file);

// The file's folder held for one run at a time, from reading the state to writing it
// back, so that two runs at once do not lose each other's changes: the second waits.
class VirtualStateLock {
 public:
  explicit VirtualStateLock(const std::filesystem::path& file);
  VirtualStateLock(const VirtualStateLock&) = delete;
  VirtualStateLock& operator=(const VirtualStateLock&) = delete;

  // What went wrong, or empty when the folder is held.
  const std::string& problem() const { return problem_; }

 private:
  std::optional<FolderLock> folder_;
  std::string problem_;
};

}  // namespace velkor::ctl

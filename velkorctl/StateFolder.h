#pragma once
// Where this user's programs keep state between runs, as the system names it.

#include <filesystem>
#include <optional>

namespace velkor::ctl {

// Linux: $XDG_RUNTIME_DIR; without it $XDG_CACHE_HOME or ~/.cache. Windows:
// %LOCALAPPDATA%. Nothing when none is known; a relative folder is ignored.
std::optional<std::filesystem::path> userStateFolder();

}  // namespace velkor::ctl

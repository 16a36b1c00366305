#include "StateFolder.h"

#include <cstdlib>

namespace velkor::ctl {

// The local (not roaming) application data: the virtual converters stand for the
// converters of this machine.
std::optional<std::filesystem::path> userStateFolder() {
  const wchar_t* value = ::_wgetenv(L"LOCALAPPDATA");
  if (value == nullptr) return std::nullopt;
  std::filesystem::path folder(value);
  if (!folder.is_absolute()) return std::nullopt;
  return folder;
}

}  // namespace velkor::ctl

#include "StateFolder.h"

#include <cstdlib>

namespace velkor::ctl {
namespace {

std::optional<std::filesystem::path> absoluteFolder(const char* variable) {
  const char* value = std::getenv(variable);
  if (value == nullptr || value[0] != '/') return std::nullopt;  // relative ones are to be ignored
  return std::filesystem::path(value);
}

}  // namespace

std::optional<std::filesystem::path> userStateFolder() {
  if (const auto runtime = absoluteFolder("XDG_RUNTIME_DIR")) return runtime;
  if (const auto cache = absoluteFolder("XDG_CACHE_HOME")) return cache;
  if (const auto home = absoluteFolder("HOME")) return *home / ".cache";
  return std::nullopt;
}

}  // namespace velkor::ctl

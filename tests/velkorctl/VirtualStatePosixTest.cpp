// What only a POSIX system has in a state file's place (links, pipes), and where the
// file lives there.

#include <sys/stat.h>

#include <cstdlib>
#include <optional>

#include "VirtualStateFixture.h"

namespace velkor::test {
namespace {

using ctl::forgetVirtualState;
using ctl::keepVirtualState;
using ctl::restoreVirtualState;

TEST_F(VirtualState, OnlyARegularFileIsReadReplacedOrRemoved) {
  // A state file good in itself, in another folder.
  const fs::path elsewhere = folder.parent_path() / "elsewhere.json";
  ASSERT_EQ(keepVirtualState(file, first), "");
  fs::rename(file, elsewhere);
  const struct {
    const char* what;
    void (*make)(const fs::path& file, const fs::path& target);
    fs::file_type type;
    const char* told;
  } cases[] = {
      {"a symbolic link", [](const fs::path& f, const fs::path& t) { fs::create_symlink(t, f); },
       fs::file_type::symlink, "is a symbolic link"},
      {"a pipe", [](const fs::path& f, const fs::path&) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); },
       fs::file_type::fifo, "is not a regular file"},
      {"a folder", [](const fs::path& f, const fs::path&) { fs::create_directory(f); }, fs::file_type::directory,
       "is not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.make(file, elsewhere);
    const std::string target = bytes(elsewhere);
    // A pipe without a writer would hold an ordinary open for ever: this returns.
    EXPECT_NE(restoreVirtualState(file, second).find(c.told), std::string::npos);
    expectDemoState();
    EXPECT_NE(keepVirtualState(file, first).find("not a regular file"), std::string::npos);
    EXPECT_NE(forgetVirtualState(file).find("not a regular file"), std::string::npos);
    EXPECT_EQ(fs::symlink_status(file).type(), c.type);
    EXPECT_EQ(bytes(elsewhere), target) << "a link's target is not written";
    fs::remove(file);
  }
}

TEST_F(VirtualState, TheFileLivesInTheRuntimeFolderElseTheCacheFolder) {
  const auto saved = [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  };
  const auto runtime = saved("XDG_RUNTIME_DIR");
  const auto cache = saved("XDG_CACHE_HOME");
  const auto home = saved("HOME");
  const struct {
    const char* runtime;
    const char* cache;
    const char* home;
    std::optional<fs::path> path;
  } cases[] = {
      {"/run/user/1000", "/c", "/h", fs::path("/run/user/1000/velkorctl/virtual-converters.json")},
      {nullptr, "/c", "/h", fs::path("/c/velkorctl/virtual-converters.json")},
      {"relative", "also/relative", "/h", fs::path("/h/.cache/velkorctl/virtual-converters.json")},
      {nullptr, nullptr, nullptr, std::nullopt},
  };
  const auto put = [](const char* name, const char* value) {
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  };
  for (const auto& c : cases) {
    put("XDG_RUNTIME_DIR", c.runtime);
    put("XDG_CACHE_HOME", c.cache);
    put("HOME", c.home);
    EXPECT_EQ(ctl::virtualStatePath(), c.path);
  }
  put("XDG_RUNTIME_DIR", runtime ? runtime->c_str() : nullptr);
  put("XDG_CACHE_HOME", cache ? cache->c_str() : nullptr);
  put("HOME", home ? home->c_str() : nullptr);
}

}  // namespace
}  // namespace velkor::test

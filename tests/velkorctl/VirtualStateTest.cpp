// What the --virtual converters were told, kept between runs in a file of the user's:
// read back whole or not at all, written by a new file and a rename, and nothing that
// is not a regular file is read or replaced.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <fstream>
#include <optional>

#include "VirtualState.h"
#include "virtual/Clock.h"
#include "virtual/DemoConverters.h"
#include "virtual/VirtualTransport.h"

namespace velkor::test {
namespace {

namespace fs = std::filesystem;
using ctl::forgetVirtualState;
using ctl::keepVirtualState;
using ctl::restoreVirtualState;

class VirtualState : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::path(::testing::TempDir()) / ("velkorctl-state-" + std::to_string(::getpid())) / "velkorctl";
    fs::remove_all(folder.parent_path());
    fs::create_directories(folder.parent_path());
    file = folder / "virtual-converters.json";
    addDemoConverters(first);
    addDemoConverters(second);
  }
  void TearDown() override { fs::remove_all(folder.parent_path()); }

  static std::string bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

  // Every converter of `second` still as the demo set it up.
  void expectDemoState() {
    VirtualTransport demo(clock);
    addDemoConverters(demo);
    for (std::size_t i = 0; i < demo.converters().size(); ++i) {
      EXPECT_EQ(second.converters()[i]->state.settings, demo.converters()[i]->state.settings);
      EXPECT_EQ(second.converters()[i]->state.name, demo.converters()[i]->state.name);
    }
  }

  ManualClock clock;
  VirtualTransport first{clock};
  VirtualTransport second{clock};
  fs::path folder;
  fs::path file;
};

TEST_F(VirtualState, WhatOneRunLeavesTheNextFinds) {
  VirtualConverter& studio = *first.converters()[0];
  studio.state.settings = {2, 1, 1, 3, 2, 0, 33, 44};
  studio.state.overlayItems = {1, 0, 1, 0, 1, 1};
  studio.state.name = "Caf\xE9";  // Latin-1
  studio.state.customSlots[1].settings = {9, 9, 9, 9, 9, 9, 9, 9};
  first.converters()[2]->state.settings[6] = 3;

  EXPECT_EQ(restoreVirtualState(file, second), "") << "no file yet: the demo's state";
  EXPECT_EQ(keepVirtualState(file, first), "");
  EXPECT_EQ(restoreVirtualState(file, second), "");
  for (std::size_t i = 0; i < first.converters().size(); ++i) {
    const VirtualConverter::State& kept = first.converters()[i]->state;
    const VirtualConverter::State& found = second.converters()[i]->state;
    EXPECT_EQ(found.settings, kept.settings);
    EXPECT_EQ(found.overlayItems, kept.overlayItems);
    EXPECT_EQ(found.name, kept.name);
    EXPECT_EQ(found.customSlots[1].settings, kept.customSlots[1].settings);
  }

  // The folder is this user's alone, and nothing but the file is left in it.
  struct stat status {};
  ASSERT_EQ(::stat(folder.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0700u);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"virtual-converters.json"});

  EXPECT_EQ(forgetVirtualState(file), "");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(forgetVirtualState(file), "") << "nothing to forget is no failure";
}

TEST_F(VirtualState, AFileThatIsNotOneItWroteIsLeftAsItIs) {
  ASSERT_EQ(keepVirtualState(file, first), "");
  std::string outOfRange = bytes(file);
  outOfRange.replace(outOfRange.find("\"settings\": [") + 13, 0, "256, ");
  const struct {
    const char* what;
    std::string content;
    const char* told;
  } cases[] = {
      {"garbage", "\x89PNG\r\n", "is not one velkorctl wrote"},
      {"another layout", R"({"velkorctl-virtual-converters": 2, "converters": []})", "is not one velkorctl wrote"},
      {"a value out of range", outOfRange, "is not one velkorctl wrote"},
      {"an endless file", std::string(70 * 1024, ' '), "is larger than 64 KiB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    write(file, c.content);
    const std::string problem = restoreVirtualState(file, second);
    EXPECT_NE(problem.find(file.string() + " " + c.told), std::string::npos) << problem;
    EXPECT_NE(problem.find("the demo's state"), std::string::npos) << problem;
    expectDemoState();  // nothing half taken
    EXPECT_EQ(bytes(file), c.content);
  }
}

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

TEST_F(VirtualState, ASecondRunWaitsForTheFirstToWriteItsState) {
  std::atomic<bool> secondHolds = false;
  std::thread second;
  {
    const ctl::VirtualStateLock first(file);
    ASSERT_EQ(first.problem(), "");
    second = std::thread([&] {
      const ctl::VirtualStateLock lock(file);
      EXPECT_EQ(lock.problem(), "");
      secondHolds = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(secondHolds) << "the folder is held by the first run";
  }
  second.join();
  EXPECT_TRUE(secondHolds);
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

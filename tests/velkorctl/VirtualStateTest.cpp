// What the --virtual converters were told, kept between runs in a file of the user's:
// read back whole or not at all, written by a new file and a rename, and nothing that
// is not a regular file is read or replaced.

#include <atomic>
#include <chrono>
#include <thread>

#include "VirtualStateFixture.h"

namespace velkor::test {
namespace {

using ctl::forgetVirtualState;
using ctl::keepVirtualState;
using ctl::restoreVirtualState;

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

  // The folder is this user's alone (on Windows by its place, under %LOCALAPPDATA%,
  // whose ACL it takes), and nothing but the file is left in it.
#ifndef _WIN32
  EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
#endif
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

}  // namespace
}  // namespace velkor::test

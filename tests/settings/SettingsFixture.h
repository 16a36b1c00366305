#pragma once
// Each test runs in a directory of its own, made its working directory, since the
// settings files live in the working directory.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "ConverterFixture.h"
#include "ScratchFolder.h"
#include "UserSettings.h"

namespace velkor::test {

namespace fs = std::filesystem;

class SettingsFixture : public ConverterFixture {
 protected:
  void SetUp() override {
    directory = makeScratchFolder("velkor-settings-");
    previous = fs::current_path();
    fs::current_path(directory);
  }
  void TearDown() override {
    fs::current_path(previous);
    fs::remove_all(directory);
  }

  static void writeText(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
    ASSERT_TRUE(out.flush()) << file;
  }
  static std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // Names in the test's directory: a save must leave no stray file behind.
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(directory)) names.insert(e.path().filename().string());
    return names;
  }

  fs::path directory;
  fs::path previous;
};

// The record's settings of both models, modes included.
inline bool sameSettings(const DeviceRecord& a, const DeviceRecord& b) {
  return a.applyModeA == b.applyModeA && a.applyModeB == b.applyModeB &&
         std::memcmp(&a.pendingA, &b.pendingA, sizeof a.pendingA) == 0 &&
         std::memcmp(&a.statusA, &b.statusA, sizeof a.statusA) == 0 &&
         std::memcmp(&a.pendingB, &b.pendingB, sizeof a.pendingB) == 0 &&
         std::memcmp(&a.statusB, &b.statusB, sizeof a.statusB) == 0;
}

inline void copySettings(DeviceRecord& to, const DeviceRecord& from) {
  to.applyModeA = from.applyModeA;
  to.pendingA = from.pendingA;
  to.statusA = from.statusA;
  to.applyModeB = from.applyModeB;
  to.pendingB = from.pendingB;
  to.statusB = from.statusB;
}

}  // namespace velkor::test

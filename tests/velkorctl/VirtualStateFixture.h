#pragma once
// Two runs' virtual converters and the state file between them, in a scratch folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ScratchFolder.h"
#include "VirtualState.h"
#include "virtual/Clock.h"
#include "virtual/DemoConverters.h"
#include "virtual/VirtualTransport.h"

namespace velkor::test {

namespace fs = std::filesystem;

class VirtualState : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = makeScratchFolder("velkorctl-state-") / "velkorctl";
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

}  // namespace velkor::test

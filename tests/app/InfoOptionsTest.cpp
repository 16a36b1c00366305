// --help and --version of the window programs answer before any window exists; every
// other argument is left to Qt.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "InfoOptions.h"

namespace velkor {
namespace {

TEST(InfoOptions, HelpAndVersionAnswerAndEverythingElseRuns) {
  const ProgramInfo program{"velkor-usb-control", "The panel."};
  const struct {
    std::vector<const char*> arguments;
    bool answered;
    std::string shown;
  } cases[] = {
      {{"--version"}, true, "velkor-usb-control " VELKOR_VERSION "\n"},
      {{"--help"}, true, "Usage: velkor-usb-control [OPTION]...\nThe panel.\n"},
      {{"-platform", "offscreen", "-h"}, true, "Usage: velkor-usb-control"},
      {{}, false, ""},
      {{"-platform", "offscreen"}, false, ""},
      {{"--versions"}, false, ""},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv{"velkor-usb-control"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    SCOPED_TRACE(testing::PrintToString(argv));
    std::ostringstream out;
    const auto exitCode = answerInfoOptions(static_cast<int>(argv.size()), argv.data(), program, out);
    EXPECT_EQ(exitCode.has_value(), c.answered);
    if (c.answered) {
      EXPECT_EQ(*exitCode, 0);
      EXPECT_EQ(out.str().rfind(c.shown, 0), 0u) << out.str();
    } else {
      EXPECT_EQ(out.str(), "");
    }
  }
}

}  // namespace
}  // namespace velkor

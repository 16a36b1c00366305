#include <gtest/gtest.h>

#include "ProfileValue.h"

namespace velkor::test {
namespace {

TEST(ProfileValue, ReadsLikeWcstolIntoTheLowByte) {
  const struct {
    const char* text;
    int expected;
  } cases[] = {
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {"7", 7},
      {"255", 255},
      {"-1", 255},
      {"300", 44},
      {"256", 0},
      {"-300", 212},
      {"+12", 12},
      {" \t 42", 42},
      {"12abc", 12},
      {"0x10", 0},
      {"1 2", 1},
      // Only seven characters reach the conversion.
      {"12345678", 135},  // 1234567, not 12345678 (which would give 78)
      {"0000000300", 0},  // 0000000, not 300
      {"-0000001", 0},    // -000000, not -1
  };
  for (const auto& c : cases) EXPECT_EQ(profileByte(c.text), c.expected) << '"' << c.text << '"';
}

}  // namespace
}  // namespace velkor::test

// The panel's labels keep their misspellings; the command line also takes them spelt
// right.

#include <gtest/gtest.h>

#include "Spellings.h"

namespace velkor::test {
namespace {

TEST(Spelling, OnlyWholeMisspeltWordsAreCorrected) {
  const struct {
    const char* label;
    const char* corrected;
  } cases[] = {
      {"Horizonal Only", "Horizontal Only"},
      {"Horizonal & Vertical", "Horizontal & Vertical"},
      {"No Singal", "No Signal"},
      {"Bule", "Blue"},
      {"No Singal Background Color", "No Signal Background Color"},
      {"Horizonally", "Horizonally"},  // not the word
      {"Bulesky", "Bulesky"},
      {"horizonal", "horizonal"},  // the labels' own case only: matching folds case later
      {"Vertical Only", "Vertical Only"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(spelling::corrected(c.label), c.corrected) << c.label;
}

}  // namespace
}  // namespace velkor::test

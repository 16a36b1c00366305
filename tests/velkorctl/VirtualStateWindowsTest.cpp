// Where the virtual converters' state lives on Windows.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "VirtualState.h"

namespace velkor::test {
namespace {

namespace fs = std::filesystem;

TEST(VirtualStatePath, TheFileLivesUnderLocalAppData) {
  const wchar_t* before = ::_wgetenv(L"LOCALAPPDATA");
  const std::optional<std::wstring> saved = before ? std::optional<std::wstring>(before) : std::nullopt;
  const struct {
    const wchar_t* localAppData;
    std::optional<fs::path> path;
  } cases[] = {
      {L"C:\\Users\\Zo\u00eb\\AppData\\Local",
       fs::path(L"C:\\Users\\Zo\u00eb\\AppData\\Local\\velkorctl\\virtual-converters.json")},
      {L"relative\\folder", std::nullopt},
      {L"", std::nullopt},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(::_wputenv_s(L"LOCALAPPDATA", c.localAppData), 0);
    EXPECT_EQ(ctl::virtualStatePath(), c.path);
  }
  ASSERT_EQ(::_wputenv_s(L"LOCALAPPDATA", saved ? saved->c_str() : L""), 0);
}

}  // namespace
}  // namespace velkor::test

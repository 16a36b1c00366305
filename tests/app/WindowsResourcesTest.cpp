// What Windows shows of the two window programs as built: a Windows (not console)
// program, its icon at the sizes Explorer and the task bar ask for, and its details.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Program {
  const wchar_t* file;
  const wchar_t* description;
};

constexpr Program kPrograms[] = {
    {L"velkor-usb-control.exe", L"Velkor USB Control"},
    {L"velkor-usb-control-demo.exe", L"Velkor USB Control on three virtual converters"},
};

// The programs' layout, found from this test's own place in the build folder.
fs::path layout() {
  std::wstring self(MAX_PATH, L'\0');
  const DWORD length = ::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
  self.resize(length);
  return fs::path(self).parent_path() / VELKOR_DEPLOY_FROM_TEST;
}

// The subsystem field of the program's PE header.
int subsystem(const fs::path& program) {
  std::ifstream file(program, std::ios::binary);
  IMAGE_DOS_HEADER dos{};
  IMAGE_NT_HEADERS64 nt{};
  if (!file.read(reinterpret_cast<char*>(&dos), sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return -1;
  if (!file.seekg(dos.e_lfanew) || !file.read(reinterpret_cast<char*>(&nt), sizeof nt)) return -1;
  return nt.Signature == IMAGE_NT_SIGNATURE ? nt.OptionalHeader.Subsystem : -1;
}

std::wstring versionString(const std::vector<char>& info, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!::VerQueryValueW(info.data(), key.c_str(), &value, &length) || length == 0) return {};
  return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

TEST(WindowsResources, EachProgramIsAWindowsProgramWithItsIconAndDetails) {
  const std::wstring version = fs::path(VELKOR_VERSION).wstring();
  for (const Program& program : kPrograms) {
    const fs::path file = layout() / program.file;
    SCOPED_TRACE(file.string());
    EXPECT_EQ(subsystem(file), IMAGE_SUBSYSTEM_WINDOWS_GUI);

    const HMODULE image =
        ::LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(image, nullptr);
    for (const int side : {16, 32, 48, 256}) {
      const auto icon = static_cast<HICON>(::LoadImageW(image, MAKEINTRESOURCEW(1), IMAGE_ICON, side, side, 0));
      ASSERT_NE(icon, nullptr) << side;
      ICONINFO parts{};
      ASSERT_TRUE(::GetIconInfo(icon, &parts));
      BITMAP colour{};
      EXPECT_EQ(::GetObjectW(parts.hbmColor, sizeof colour, &colour), static_cast<int>(sizeof colour));
      EXPECT_EQ(colour.bmWidth, side);
      EXPECT_EQ(colour.bmBitsPixel, 32) << "the icon keeps its alpha";
      ::DeleteObject(parts.hbmColor);
      ::DeleteObject(parts.hbmMask);
      ::DestroyIcon(icon);
    }
    ::FreeLibrary(image);

    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(::GetFileVersionInfoW(file.c_str(), 0, size, info.data()));
    EXPECT_EQ(versionString(info, L"CompanyName"), L"Velkor");
    EXPECT_EQ(versionString(info, L"ProductName"), L"Velkor USB Control");
    EXPECT_EQ(versionString(info, L"FileDescription"), program.description);
    EXPECT_EQ(versionString(info, L"ProductVersion"), version);
    EXPECT_EQ(versionString(info, L"OriginalFilename"), program.file);
    void* fixed = nullptr;
    UINT fixedLength = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", &fixed, &fixedLength));
    const auto* numbers = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    const std::wstring dotted = std::to_wstring(HIWORD(numbers->dwFileVersionMS)) + L"." +
                                std::to_wstring(LOWORD(numbers->dwFileVersionMS)) + L"." +
                                std::to_wstring(HIWORD(numbers->dwFileVersionLS)) + L"." +
                                std::to_wstring(LOWORD(numbers->dwFileVersionLS));
    EXPECT_EQ(dotted, version);
  }
}

}  // namespace

// The kinds of target only Windows has: the read-only and hidden attributes, a file
// another program holds open without sharing it, and a junction on the way.

#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "SettingsTargets.h"

namespace velkor::test {
namespace {

// What the "another program" of the held file keeps open; closed by the target's check.
HANDLE heldOpen = INVALID_HANDLE_VALUE;

void release() {
  if (heldOpen != INVALID_HANDLE_VALUE) ::CloseHandle(heldOpen);
  heldOpen = INVALID_HANDLE_VALUE;
}

// A junction (a mount point) from `link` to the folder `target`, as mklink /J makes it.
bool makeJunction(const fs::path& link, const fs::path& target) {
  if (!::CreateDirectoryW(link.c_str(), nullptr)) return false;
  const std::wstring substitute = L"\\??\\" + fs::absolute(target).wstring();
  const std::wstring print = fs::absolute(target).wstring();
  // REPARSE_DATA_BUFFER's mount point layout: tag, lengths, then both names, each
  // ended by a NUL.
  const std::size_t names = (substitute.size() + 1 + print.size() + 1) * sizeof(wchar_t);
  std::vector<std::byte> buffer(8 + 8 + names);
  const auto put16 = [&](std::size_t at, std::size_t value) {
    const auto v = static_cast<std::uint16_t>(value);
    std::memcpy(buffer.data() + at, &v, sizeof v);
  };
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(buffer.data(), &tag, sizeof tag);
  put16(4, 8 + names);                                                  // data length
  put16(8, 0);                                                          // substitute name offset
  put16(10, substitute.size() * sizeof(wchar_t));                       // its length
  put16(12, (substitute.size() + 1) * sizeof(wchar_t));                 // print name offset
  put16(14, print.size() * sizeof(wchar_t));                            // its length
  std::memcpy(buffer.data() + 16, substitute.c_str(), (substitute.size() + 1) * sizeof(wchar_t));
  std::memcpy(buffer.data() + 16 + (substitute.size() + 1) * sizeof(wchar_t), print.c_str(),
              (print.size() + 1) * sizeof(wchar_t));
  const HANDLE folder = ::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  const BOOL made = ::DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, buffer.data(),
                                      static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr);
  ::CloseHandle(folder);
  return made;
}

DWORD attributesOf(const fs::path& file) { return ::GetFileAttributesW(file.c_str()); }

DWORD linksOf(const fs::path& file) {
  const HANDLE handle = ::CreateFileW(file.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  BY_HANDLE_FILE_INFORMATION info{};
  const bool got = handle != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(handle, &info);
  if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  return got ? info.nNumberOfLinks : 0;
}

const Target kWindowsTargets[] = {
    {"hard link",
     [](const Scratch& s) {
       writeBytes(s.elsewhere() / "other-name.ini", modelAFile(kOld, true));
       EXPECT_TRUE(::CreateHardLinkW(s.file().c_str(), (s.elsewhere() / "other-name.ini").c_str(), nullptr));
       return s.file();
     },
     [] { return modelAFile(kNew, true); }, nullptr, nullptr, nullptr,
     [](const Scratch& s, const fs::path& file) {
       EXPECT_EQ(linksOf(file), 2u) << "one file under two names";
       EXPECT_EQ(readBytes(s.elsewhere() / "other-name.ini"), readBytes(file));
     }},
    {"read-only attribute",
     [](const Scratch& s) {
       writeBytes(s.file(), modelAFile(kOld, true));
       EXPECT_TRUE(::SetFileAttributesW(s.file().c_str(), FILE_ATTRIBUTE_READONLY));
       return s.file();
     },
     nullptr, "the file is read-only", nullptr, nullptr,
     [](const Scratch&, const fs::path& file) { EXPECT_TRUE(attributesOf(file) & FILE_ATTRIBUTE_READONLY); }},
    {"hidden and archive attributes",
     [](const Scratch& s) {
       writeBytes(s.file(), modelAFile(kOld, true));
       EXPECT_TRUE(::SetFileAttributesW(s.file().c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
       return s.file();
     },
     [] { return modelAFile(kNew, true); }, nullptr, nullptr, nullptr,
     [](const Scratch& s, const fs::path& file) {
       EXPECT_TRUE(attributesOf(file) & FILE_ATTRIBUTE_HIDDEN) << "kept through the replacement";
       EXPECT_EQ(std::distance(fs::directory_iterator(s.folder()), fs::directory_iterator()), 1)
           << "nothing left beside it";
     }},
    {"a file another program holds open, letting others only read",
     [](const Scratch& s) {
       writeBytes(s.file(), modelAFile(kOld, true));
       heldOpen = ::CreateFileW(s.file().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
       EXPECT_NE(heldOpen, INVALID_HANDLE_VALUE);
       return s.file();
     },
     nullptr, "another program has the file open", nullptr, nullptr,
     [](const Scratch&, const fs::path&) { release(); }},
    {"a junction on the way to the file",
     [](const Scratch& s) {
       writeBytes(s.elsewhere() / s.file().filename(), modelAFile(kOld, true));
       if (!makeJunction(s.folder() / "linked", s.elsewhere())) {
         // wine 8 has no reparse points.
         EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
         return fs::path();
       }
       return s.folder() / "linked" / s.file().filename();
     },
     [] { return modelAFile(kNew, true); }, nullptr, nullptr, nullptr,
     [](const Scratch& s, const fs::path&) {
       EXPECT_TRUE(attributesOf(s.folder() / "linked") & FILE_ATTRIBUTE_REPARSE_POINT) << "the junction stays";
       EXPECT_EQ(readBytes(s.elsewhere() / s.file().filename()), modelAFile(kNew, true))
           << "the real file took the save";
       EXPECT_EQ(std::distance(fs::directory_iterator(s.elsewhere()), fs::directory_iterator()), 1)
           << "nothing left beside it";
     }},
};

}  // namespace

std::span<const Target> systemTargets() { return kWindowsTargets; }

}  // namespace velkor::test

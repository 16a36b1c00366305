#include "OwnFiles.h"

#include <cwctype>
#include <string>

#include "DevicePath.h"
#include "Handle.h"
#include "Text.h"

namespace velkor {

namespace fs = std::filesystem;

namespace {

constexpr int kTemporaryAttempts = 100;

std::string lastProblem() { return windowsError(::GetLastError()); }

}  // namespace

// A folder made under %LOCALAPPDATA% takes its ACL, which gives this user alone access.
std::string makeOwnFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder.parent_path(), error);
  if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
    return "cannot make the folder " + folder.string() + ": " + lastProblem();
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return "cannot use the folder " + folder.string() + ": " + lastProblem();
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return folder.string() + " is not a folder";
  return {};
}

Entry entryAt(const fs::path& file) {
  // The attributes of the name itself: a link or junction shows its reparse point.
  const DWORD attributes = ::GetFileAttributesW(file.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return {};
    return {EntryKind::Unknown, windowsError(code)};
  }
  const bool other = attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE);
  return {other ? EntryKind::Other : EntryKind::RegularFile, {}};
}

std::string replaceWholeFile(const fs::path& file, std::string_view bytes) {
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    const fs::path temporary = file.parent_path() / (L"." + file.filename().wstring() + L"." +
                                                     std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                                     std::to_wstring(attempt));
    Handle out(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.valid()) {
      if (::GetLastError() == ERROR_FILE_EXISTS) continue;
      return lastProblem();
    }
    std::string problem;
    if (!writeAll(out.get(), bytes) || !::FlushFileBuffers(out.get()) || !out.close() ||
        !::MoveFileExW(temporary.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      problem = lastProblem();
    if (problem.empty()) return {};
    out.close();
    ::DeleteFileW(temporary.c_str());  // the failure is told already
    return problem;
  }
  return windowsError(ERROR_FILE_EXISTS);
}

std::string removeFile(const fs::path& file) {
  if (::DeleteFileW(file.c_str())) return {};
  const DWORD code = ::GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return {};  // nothing to remove
  return windowsError(code);
}

// A named mutex: Windows hands it on when its holder dies (the waiter then sees it
// abandoned, which counts as taken). Its name comes from the folder's, since a mutex
// name cannot hold a backslash; the folder is this user's, so the session's namespace
// is enough.
FolderLock::FolderLock(const fs::path& folder) {
  std::error_code error;
  const fs::path absolute = fs::absolute(folder, error).lexically_normal();
  std::wstring key = (error ? folder : absolute).wstring();
  for (wchar_t& c : key) c = static_cast<wchar_t>(::towlower(c));
  const std::u16string wide(key.begin(), key.end());
  const std::wstring name = L"Local\\velkor-folder-" + std::to_wstring(fnv1a32(toUtf8(wide)));
  const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) {
    problem_ = "cannot hold the folder " + folder.string() + ": " + lastProblem();
    return;
  }
  const DWORD waited = ::WaitForSingleObject(mutex, INFINITE);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    problem_ = "cannot hold the folder " + folder.string() + ": " + lastProblem();
    ::CloseHandle(mutex);
    return;
  }
  held_ = reinterpret_cast<std::intptr_t>(mutex);
}

FolderLock::~FolderLock() {
  if (held_ == -1) return;
  const HANDLE mutex = reinterpret_cast<HANDLE>(held_);
  ::ReleaseMutex(mutex);
  ::CloseHandle(mutex);
}

}  // namespace velkor

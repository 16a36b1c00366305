#include "SafeSave.h"

#include <optional>
#include <string>

#include "FileRead.h"
#include "Handle.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;

constexpr int kTemporaryAttempts = 100;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string lastProblem() { return windowsError(::GetLastError()); }

fs::path folderOf(const fs::path& file) { return file.has_parent_path() ? file.parent_path() : fs::path("."); }

// The names GetFinalPathNameByHandleW gives start with \\?\, which a person never types.
std::string shown(const fs::path& path) {
  std::wstring text = path.wstring();
  if (text.starts_with(L"\\\\?\\UNC\\")) text = L"\\\\" + text.substr(8);
  else if (text.starts_with(L"\\\\?\\")) text = text.substr(4);
  return fs::path(text).string();
}

std::string folderProblem(const fs::path& file, const std::string& what) {
  std::error_code error;
  const fs::path absolute = fs::absolute(folderOf(file), error);
  return "the folder " + shown(error ? folderOf(file) : absolute.lexically_normal()) + " " + what;
}

// The file the name leads to, every symbolic link and junction on the way followed.
std::optional<fs::path> finalPath(HANDLE file) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length == 0) return std::nullopt;
    if (length < path.size()) {
      path.resize(length);
      return fs::path(path);
    }
    path.resize(length);  // the size needed, terminator included
  }
}

bool sameFile(const BY_HANDLE_FILE_INFORMATION& info, const SaveTarget& target) {
  return info.dwVolumeSerialNumber == target.volume &&
         ((std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow) == target.index;
}

// Why a handle that is no regular file is not written; empty for a regular file.
std::string notAFile(HANDLE file, const BY_HANDLE_FILE_INFORMATION& info) {
  switch (::GetFileType(file)) {
    case FILE_TYPE_DISK:
      if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return "it is a directory, and only a file is written";
      return {};
    case FILE_TYPE_CHAR:
      return "it is a device, and only a file is written";
    case FILE_TYPE_PIPE:
      return "it is a pipe, and only a file is written";
    default:
      return "it is no regular file, and only a file is written";
  }
}

// Why opening the file for writing failed, in the words a person acts on.
std::string writeRefusal(DWORD code) {
  if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION)
    return "another program has the file open and does not let it be written (" + windowsError(code) + ")";
  if (code == ERROR_ACCESS_DENIED) return "the file is read-only for this user";
  return windowsError(code);
}

struct Temporary {
  fs::path path;
  std::string problem;  // why none could be made
  bool folderRefused = false;
};

// The attributes a person sets on a file and a new one must carry: ReplaceFileW copies
// them on Windows itself, wine's does not.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// A new file in the target's folder, written whole and flushed to the disk, with the
// attributes given.
Temporary writeTemporary(const fs::path& target, std::string_view bytes, DWORD attributes) {
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    const fs::path temporary = folderOf(target) / (L"." + target.filename().wstring() + L".tmp-" +
                                                   std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                                   std::to_wstring(attempt));
    Handle out(::CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (!out.valid()) {
      const DWORD code = ::GetLastError();
      if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;  // left over, or in use
      if (code == ERROR_PATH_NOT_FOUND) return {{}, folderProblem(target, "does not exist")};
      if (code == ERROR_ACCESS_DENIED)
        return {{}, folderProblem(target, "is not writable for this user (" + windowsError(code) + ")"), true};
      return {{}, windowsError(code)};
    }
    if (!writeAll(out.get(), bytes) || !::FlushFileBuffers(out.get())) {
      const std::string problem = lastProblem();
      out.close();
      ::DeleteFileW(temporary.c_str());  // the failure is told already
      return {{}, problem};
    }
    // Hidden while it is made; then the attributes it is to have.
    if (!out.close() || !::SetFileAttributesW(temporary.c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes)) {
      const std::string problem = lastProblem();
      ::DeleteFileW(temporary.c_str());
      return {{}, problem};
    }
    return {temporary, {}};
  }
  return {{}, windowsError(ERROR_FILE_EXISTS)};
}

enum class Outcome { Done, Failed, WriteInPlace };
struct Attempt {
  Outcome outcome;
  std::string problem;
};

// ReplaceFileW gives the new file the old one's attributes, ACL and alternate streams,
// and puts it in place in one step.
Attempt replaceWhole(const fs::path& path, DWORD attributes, std::string_view bytes) {
  const Temporary temporary = writeTemporary(path, bytes, attributes & kKeptAttributes);
  if (temporary.path.empty())
    return {temporary.folderRefused ? Outcome::WriteInPlace : Outcome::Failed, temporary.problem};
  if (::ReplaceFileW(path.c_str(), temporary.path.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr))
    return {Outcome::Done, {}};
  const DWORD code = ::GetLastError();
  if (code == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
    // The old file is gone and the new one still has its temporary name: finish the move.
    if (::MoveFileExW(temporary.path.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) return {Outcome::Done, {}};
    return {Outcome::Failed, "the new text is in " + shown(temporary.path) + ": " + lastProblem()};
  }
  ::DeleteFileW(temporary.path.c_str());  // the old file is as it was
  // The folder lets nothing be replaced there, or the file may be written but not removed.
  if (code == ERROR_ACCESS_DENIED || code == ERROR_UNABLE_TO_REMOVE_REPLACED) return {Outcome::WriteInPlace, {}};
  return {Outcome::Failed, windowsError(code)};
}

// The same file, overwritten: growing it to the new length first means a full disk
// fails the save before any byte of the text changes.
std::string writeInPlace(HANDLE file, const BY_HANDLE_FILE_INFORMATION& info, std::string_view bytes) {
  const std::uint64_t oldSize = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  LARGE_INTEGER size{};
  size.QuadPart = static_cast<LONGLONG>(bytes.size());
  if (bytes.size() > oldSize && (!::SetFilePointerEx(file, size, nullptr, FILE_BEGIN) || !::SetEndOfFile(file)))
    return lastProblem();
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN) || !writeAll(file, bytes) || !::SetEndOfFile(file) ||
      !::FlushFileBuffers(file))
    return lastProblem();
  return {};
}

}  // namespace

SaveTarget inspectSaveTarget(const fs::path& file) {
  SaveTarget target;
  target.path = file;
  // Opened for its attributes only, so that no program holding it is disturbed; every
  // symbolic link and junction on the way is followed.
  const Handle found(::CreateFileW(file.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!found.valid()) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_PATH_NOT_FOUND) {
      target.problem = folderProblem(file, "does not exist");
    } else if (code == ERROR_FILE_NOT_FOUND) {
      const DWORD folder = ::GetFileAttributesW(folderOf(file).c_str());
      if (folder == INVALID_FILE_ATTRIBUTES) target.problem = folderProblem(file, "does not exist");
      else if (!(folder & FILE_ATTRIBUTE_DIRECTORY)) target.problem = folderProblem(file, "is no folder");
    } else {
      target.exists = true;
      target.problem = writeRefusal(code);
    }
    return target;
  }
  target.exists = true;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(found.get(), &info) && ::GetFileType(found.get()) == FILE_TYPE_DISK) {
    target.problem = lastProblem();
    return target;
  }
  if (std::string problem = notAFile(found.get(), info); !problem.empty()) {
    target.problem = std::move(problem);
    return target;
  }
  if (const auto real = finalPath(found.get())) target.path = *real;
  target.volume = info.dwVolumeSerialNumber;
  target.index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
    target.problem = "the file is read-only";
    return target;
  }
  // Whether this user may write it, and whether another program lets it be written.
  const Handle writable(::CreateFileW(target.path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!writable.valid()) {
    target.problem = writeRefusal(::GetLastError());
    return target;
  }
  FileRead read = readSettingsFile(target.path);
  if (read.status != FileRead::Status::Read)
    target.problem = "it cannot be read (" + read.problem + "), so it is not replaced";
  target.bytes = std::move(read.bytes);
  return target;
}

std::string writeSaveTarget(const SaveTarget& target, std::string_view bytes) {
  if (!target.problem.empty()) return target.problem;
  if (!target.exists) {
    const Temporary made = writeTemporary(target.path, bytes, 0);
    if (made.path.empty()) return made.problem;
    // No replacing: a file that appeared meanwhile is somebody's, and stays.
    if (::MoveFileExW(made.path.c_str(), target.path.c_str(), MOVEFILE_WRITE_THROUGH)) return {};
    const std::string problem = lastProblem();
    ::DeleteFileW(made.path.c_str());
    return problem;
  }

  // The file checked is the file written: the same volume and index as inspected.
  Handle file(::CreateFileW(target.path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return writeRefusal(::GetLastError());
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.get(), &info)) return lastProblem();
  if (!sameFile(info, target) || !notAFile(file.get(), info).empty())
    return "the file was replaced while it was being saved";

  // A hard link would be cut off by a replacement: the other names would keep the old text.
  if (info.nNumberOfLinks == 1) {
    file.close();  // ReplaceFileW removes the old file, which an open handle of ours would stop
    const Attempt replaced = replaceWhole(target.path, info.dwFileAttributes, bytes);
    if (replaced.outcome != Outcome::WriteInPlace) return replaced.problem;
    Handle again(::CreateFileW(target.path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!again.valid()) return writeRefusal(::GetLastError());
    if (!::GetFileInformationByHandle(again.get(), &info) || !sameFile(info, target))
      return "the file was replaced while it was being saved";
    if (std::string problem = writeInPlace(again.get(), info, bytes); !problem.empty()) return problem;
    return again.close() ? std::string() : lastProblem();
  }
  if (std::string problem = writeInPlace(file.get(), info, bytes); !problem.empty()) return problem;
  return file.close() ? std::string() : lastProblem();
}

}  // namespace velkor

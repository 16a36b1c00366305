#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>

#include "FileRead.h"
#include "Handle.h"

namespace velkor {
namespace {

BoundedRead failure(BoundedRead::Outcome outcome, DWORD code) { return {outcome, windowsError(code), {}}; }

// What a handle that is no regular file leads to, in words; empty for a regular file.
std::string kindOf(HANDLE file, const BY_HANDLE_FILE_INFORMATION& info) {
  switch (::GetFileType(file)) {
    case FILE_TYPE_DISK:
      return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "a directory" : "";
    case FILE_TYPE_CHAR:
      return "a device";
    case FILE_TYPE_PIPE:
      return "a pipe";
    default:
      return "no regular file";
  }
}

}  // namespace

BoundedRead readDescriptor(int fd, std::size_t limit) {
  // Text mode would turn CRLF into LF and stop at a Ctrl-Z: a settings file is bytes.
  static_cast<void>(::_setmode(fd, _O_BINARY));
  BoundedRead result;
  char buffer[4096];
  for (;;) {
    const int count = ::_read(fd, buffer, sizeof buffer);
    if (count == 0) return result;
    if (count < 0) return {BoundedRead::Outcome::ReadFailed, std::strerror(errno), {}};
    result.bytes.append(buffer, static_cast<std::size_t>(count));
    if (result.bytes.size() > limit) return {BoundedRead::Outcome::TooLarge, {}, {}};
  }
}

BoundedRead readRegularFile(const std::filesystem::path& file, std::size_t limit, Links links) {
  // Backup semantics open a directory too, so that it is named as one; others may go on
  // using the file meanwhile, as a reader on Linux never stops them.
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (links == Links::Refuse ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  const Handle in(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, flags, nullptr));
  if (!in.valid()) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return failure(BoundedRead::Outcome::Missing, code);
    return failure(BoundedRead::Outcome::OpenFailed, code);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(in.get(), &info)) {
    const DWORD code = ::GetLastError();
    // A pipe or a device has no such information.
    if (::GetFileType(in.get()) != FILE_TYPE_DISK) return {BoundedRead::Outcome::NotRegular, kindOf(in.get(), info), {}};
    return failure(BoundedRead::Outcome::ReadFailed, code);
  }
  if (links == Links::Refuse && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return {BoundedRead::Outcome::Link, "it is a link", {}};
  if (std::string kind = kindOf(in.get(), info); !kind.empty())
    return {BoundedRead::Outcome::NotRegular, std::move(kind), {}};
  const std::uint64_t size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  if (size > limit) return {BoundedRead::Outcome::TooLarge, {}, {}};

  BoundedRead result;
  char buffer[4096];
  for (;;) {
    DWORD count = 0;
    if (!::ReadFile(in.get(), buffer, sizeof buffer, &count, nullptr))
      return failure(BoundedRead::Outcome::ReadFailed, ::GetLastError());
    if (count == 0) return result;
    result.bytes.append(buffer, count);
    // A file that grows while it is read is bounded too.
    if (result.bytes.size() > limit) return {BoundedRead::Outcome::TooLarge, {}, {}};
  }
}

}  // namespace velkor

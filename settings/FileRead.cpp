#include "FileRead.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velkor {
namespace {

std::string lastProblem() { return std::strerror(errno); }

// Reads until the end or one byte past the limit.
FileRead readBounded(int fd) {
  FileRead result;
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count == 0) return result;
    if (count < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {  // a descriptor left non-blocking by whoever opened it
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, -1) >= 0 || errno == EINTR) continue;
      }
      return {FileRead::Status::Refused, {}, lastProblem()};
    }
    result.bytes.append(buffer, static_cast<std::size_t>(count));
    if (result.bytes.size() > kSettingsFileLimit) return {FileRead::Status::Refused, {}, limitProblem()};
  }
}

}  // namespace

std::string limitProblem() {
  return "it is larger than " + std::to_string(kSettingsFileLimit / (1024 * 1024)) + " MiB, which no settings file is";
}

std::string fileKind(unsigned mode) {
  switch (mode & S_IFMT) {
    case S_IFDIR:
      return "a directory";
    case S_IFCHR:
    case S_IFBLK:
      return "a device";
    case S_IFIFO:
      return "a pipe";
    case S_IFSOCK:
      return "a socket";
    default:
      return "no regular file";
  }
}

FileRead readSettingsFile(const std::filesystem::path& file) {
  // Non-blocking, so that opening a pipe with no writer returns at once; no terminal
  // becomes the program's own.
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    const bool missing = errno == ENOENT || errno == ENOTDIR;
    return {missing ? FileRead::Status::Missing : FileRead::Status::Refused, {}, lastProblem()};
  }
  FileRead result;
  struct stat info {};
  if (::fstat(fd, &info) != 0)
    result = {FileRead::Status::Refused, {}, lastProblem()};
  else if (!S_ISREG(info.st_mode))
    result = {FileRead::Status::Refused, {}, "it is " + fileKind(info.st_mode) + ", not a file"};
  else if (static_cast<std::size_t>(info.st_size) > kSettingsFileLimit)
    result = {FileRead::Status::Refused, {}, limitProblem()};
  else
    result = readBounded(fd);
  ::close(fd);  // read only: nothing a failed close could lose
  return result;
}

FileRead readSettingsStream(int fd) { return readBounded(fd); }

}  // namespace velkor

#include "FileRead.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Descriptor.h"

namespace velkor {
namespace {

// Reads until the end or one byte past the limit.
BoundedRead readUntilEnd(int fd, std::size_t limit) {
  BoundedRead result;
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
      return {BoundedRead::Outcome::ReadFailed, errno, 0, {}};
    }
    result.bytes.append(buffer, static_cast<std::size_t>(count));
    // A file that grows while it is read is bounded too.
    if (result.bytes.size() > limit) return {BoundedRead::Outcome::TooLarge, 0, 0, {}};
  }
}

// Words a failed read the way settings files are told about.
FileRead settingsRead(BoundedRead read) {
  switch (read.outcome) {
    case BoundedRead::Outcome::Read:
      return {FileRead::Status::Read, std::move(read.bytes), {}};
    case BoundedRead::Outcome::OpenFailed: {
      const bool missing = read.error == ENOENT || read.error == ENOTDIR;
      return {missing ? FileRead::Status::Missing : FileRead::Status::Refused, {}, std::strerror(read.error)};
    }
    case BoundedRead::Outcome::NotRegular:
      return {FileRead::Status::Refused, {}, "it is " + fileKind(read.mode) + ", not a file"};
    case BoundedRead::Outcome::TooLarge:
      return {FileRead::Status::Refused, {}, limitProblem()};
    case BoundedRead::Outcome::ReadFailed:
      break;
  }
  return {FileRead::Status::Refused, {}, std::strerror(read.error)};
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

BoundedRead readRegularFile(const std::filesystem::path& file, std::size_t limit, Links links) {
  // Non-blocking, so that opening a pipe with no writer returns at once; no terminal
  // becomes the program's own.
  const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (links == Links::Refuse ? O_NOFOLLOW : 0);
  const Descriptor in(::open(file.c_str(), flags));  // read only: nothing a failed close could lose
  if (!in.valid()) return {BoundedRead::Outcome::OpenFailed, errno, 0, {}};
  struct stat info {};
  if (::fstat(in.get(), &info) != 0) return {BoundedRead::Outcome::ReadFailed, errno, 0, {}};
  if (!S_ISREG(info.st_mode)) return {BoundedRead::Outcome::NotRegular, 0, info.st_mode, {}};
  if (static_cast<std::size_t>(info.st_size) > limit) return {BoundedRead::Outcome::TooLarge, 0, 0, {}};
  return readUntilEnd(in.get(), limit);
}

FileRead readSettingsFile(const std::filesystem::path& file) {
  return settingsRead(readRegularFile(file, kSettingsFileLimit, Links::Follow));
}

FileRead readSettingsStream(int fd) { return settingsRead(readUntilEnd(fd, kSettingsFileLimit)); }

}  // namespace velkor

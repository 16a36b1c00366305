#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Descriptor.h"
#include "FileKind.h"
#include "FileRead.h"

namespace velkor {
namespace {

BoundedRead failure(BoundedRead::Outcome outcome, int error) { return {outcome, std::strerror(error), {}}; }

}  // namespace

// Reads until the end or one byte past the limit.
BoundedRead readDescriptor(int fd, std::size_t limit) {
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
      return failure(BoundedRead::Outcome::ReadFailed, errno);
    }
    result.bytes.append(buffer, static_cast<std::size_t>(count));
    // A file that grows while it is read is bounded too.
    if (result.bytes.size() > limit) return {BoundedRead::Outcome::TooLarge, {}, {}};
  }
}

BoundedRead readRegularFile(const std::filesystem::path& file, std::size_t limit, Links links) {
  // Non-blocking, so that opening a pipe with no writer returns at once; no terminal
  // becomes the program's own.
  const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (links == Links::Refuse ? O_NOFOLLOW : 0);
  const Descriptor in(::open(file.c_str(), flags));  // read only: nothing a failed close could lose
  if (!in.valid()) {
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR) return failure(BoundedRead::Outcome::Missing, error);
    // O_NOFOLLOW's answer for a link as the last part of the name.
    if (error == ELOOP && links == Links::Refuse) return failure(BoundedRead::Outcome::Link, error);
    return failure(BoundedRead::Outcome::OpenFailed, error);
  }
  struct stat info {};
  if (::fstat(in.get(), &info) != 0) return failure(BoundedRead::Outcome::ReadFailed, errno);
  if (!S_ISREG(info.st_mode)) return {BoundedRead::Outcome::NotRegular, fileKind(info.st_mode), {}};
  if (static_cast<std::size_t>(info.st_size) > limit) return {BoundedRead::Outcome::TooLarge, {}, {}};
  return readDescriptor(in.get(), limit);
}

}  // namespace velkor

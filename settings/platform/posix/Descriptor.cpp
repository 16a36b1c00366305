#include "Descriptor.h"

#include <unistd.h>

#include <cerrno>

namespace velkor {

Descriptor::~Descriptor() {
  if (fd_ >= 0) ::close(fd_);
}

bool Descriptor::close() {
  const int fd = fd_;
  fd_ = -1;
  return ::close(fd) == 0;
}

bool writeAll(int fd, std::string_view bytes) {
  off_t offset = 0;
  while (!bytes.empty()) {
    const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), offset);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
    offset += written;
  }
  return true;
}

}  // namespace velkor

#pragma once
// An open file descriptor that is closed on every path out, and writing a whole text to
// one. Callers close explicitly where a failed close matters (the data may not have
// reached the file).

#include <string_view>

namespace velkor {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor();
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now; false when the close reported a failure.
  bool close();

 private:
  int fd_;
};

// Writes all of `bytes` from the start of the file; false with errno set on failure.
bool writeAll(int fd, std::string_view bytes);

}  // namespace velkor

#pragma once
// Collects the core's log lines for the duration of a test.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Log.h"

namespace velkor::test {

class LogCapture {
 public:
  LogCapture() {
    stream_ = open_memstream(&buffer_, &size_);
    setLogStream(stream_);
  }
  ~LogCapture() {
    setLogStream(stdout);
    std::fclose(stream_);
    std::free(buffer_);
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::string text() {
    std::fflush(stream_);
    return std::string(buffer_, size_);
  }
  // Forget what was logged so far.
  void clear() {
    std::fflush(stream_);
    std::rewind(stream_);
    std::fflush(stream_);
    size_ = 0;
    if (buffer_ != nullptr) buffer_[0] = '\0';
  }
  bool contains(const std::string& line) { return text().find(line) != std::string::npos; }

 private:
  std::FILE* stream_ = nullptr;
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace velkor::test

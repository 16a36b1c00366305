#pragma once
// Collects the core's log lines for the duration of a test, in a scratch file, which
// every system's C library can write to as a FILE*.

#include <cstdio>
#include <filesystem>
#include <string>

#include "Log.h"
#include "ScratchFolder.h"

namespace velkor::test {

class LogCapture {
 public:
  LogCapture() {
    // A folder of its own: test processes run side by side, and a name made from
    // anything they share (the sanitizers give them the same heap addresses) collides.
    folder_ = makeScratchFolder("velkor-log-");
    const std::filesystem::path file = folder_ / "log.txt";
    stream_ = std::fopen(file.string().c_str(), "w+b");
    setLogStream(stream_);
  }
  ~LogCapture() {
    setLogStream(stdout);
    if (stream_ != nullptr) std::fclose(stream_);
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::string text() {
    if (stream_ == nullptr) return {};
    std::fflush(stream_);
    std::fseek(stream_, 0, SEEK_END);
    const long end = std::ftell(stream_);
    std::string bytes(static_cast<std::size_t>(end > start_ ? end - start_ : 0), '\0');
    std::fseek(stream_, start_, SEEK_SET);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), stream_));
    std::fseek(stream_, 0, SEEK_END);
    return bytes;
  }
  // Forget what was logged so far.
  void clear() {
    if (stream_ == nullptr) return;
    std::fflush(stream_);
    std::fseek(stream_, 0, SEEK_END);
    start_ = std::ftell(stream_);
  }
  bool contains(const std::string& line) { return text().find(line) != std::string::npos; }

 private:
  std::filesystem::path folder_;
  std::FILE* stream_ = nullptr;
  long start_ = 0;
};

}  // namespace velkor::test

#pragma once
// A Windows handle closed on every path out, writing a whole text through one, and the
// system's words for an error. Paths go to the wide-character functions as they are
// (std::filesystem::path holds them wide on Windows), so no name is ever narrowed.

#include <windows.h>

#include <string>
#include <string_view>

namespace velkor {

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle();
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  // Closes now; false when the close reported a failure.
  bool close();

 private:
  HANDLE handle_;
};

// Writes all of `bytes` at the handle's current position; false with GetLastError set.
bool writeAll(HANDLE file, std::string_view bytes);

// The system's words for an error code, in UTF-8, without the trailing line end.
std::string windowsError(DWORD code);

}  // namespace velkor

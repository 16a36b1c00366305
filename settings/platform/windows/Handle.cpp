#include "Handle.h"

#include <algorithm>
#include <limits>

#include "Text.h"

namespace velkor {

Handle::~Handle() {
  if (valid()) ::CloseHandle(handle_);
}

bool Handle::close() {
  const HANDLE handle = handle_;
  handle_ = INVALID_HANDLE_VALUE;
  return ::CloseHandle(handle) != 0;
}

bool writeAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), std::numeric_limits<DWORD>::max()));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

std::string windowsError(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0 || text == nullptr) return "Windows error " + std::to_string(code);
  std::u16string words(reinterpret_cast<const char16_t*>(text), length);
  ::LocalFree(text);
  while (!words.empty() && (words.back() == u'\n' || words.back() == u'\r' || words.back() == u' ' ||
                            words.back() == u'.'))
    words.pop_back();
  return toUtf8(words);
}

}  // namespace velkor

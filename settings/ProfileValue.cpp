#include "ProfileValue.h"

#include <cstdlib>
#include <string>

namespace velkor {
namespace {
// The original reader's buffer holds eight characters, the last one its terminator.
constexpr std::size_t kProfileValueChars = 7;
}  // namespace

std::uint8_t profileByte(std::string_view value) {
  // The copy ends the text for strtol, which would otherwise read past the cut.
  const std::string kept(value.substr(0, kProfileValueChars));
  const long number = std::strtol(kept.c_str(), nullptr, 10);  // seven digits cannot overflow
  return static_cast<std::uint8_t>(static_cast<unsigned long>(number) & 0xFFu);
}

}  // namespace velkor

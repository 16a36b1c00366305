// Any interface path through the identity parse.

#include <cstddef>
#include <cstdint>
#include <string>

#include "DeviceEntry.h"
#include "DevicePath.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path(reinterpret_cast<const char*>(data), size);
  const velkor::ParsedDevicePath parsed = velkor::parseDevicePath(path);
  if (parsed.text.size() > 15 || parsed.tail.size() >= velkor::kPathTailLength) __builtin_trap();
  // The same path always gives the same identity.
  const velkor::ParsedDevicePath again = velkor::parseDevicePath(path);
  if (again.address != parsed.address || again.tail != parsed.tail) __builtin_trap();
  return 0;
}

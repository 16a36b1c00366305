#include "DevicePath.h"

#include <cstdio>

#include "DeviceEntry.h"
#include "Text.h"

namespace velkor {

std::uint32_t fnv1a32(const std::string& text) {
  std::uint32_t hash = 2166136261u;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 16777619u;
  }
  return hash;
}

ParsedDevicePath parseDevicePath(const std::string& path) {
  ParsedDevicePath parsed;
  char text[16] = {};
  char tail[kPathTailLength] = {};
  unsigned address = 0;
  const int fields = std::sscanf(path.c_str(), "%*[^#]#vid_%x&pid_%x#%15[^&]&%x&%d&%d#%63s", &parsed.vendorId,
                                 &parsed.productId, text, &address, &parsed.index, &parsed.id, tail);
  if (fields == 7) {
    parsed.address = address;
    parsed.text = text;
    parsed.tail = tail;
    return parsed;
  }
  parsed = ParsedDevicePath{};
  parsed.address = fnv1a32(path);
  parsed.tail = path.substr(0, kPathTailLength - 1);
  return parsed;
}

ParsedDevicePath interfaceIdentity(const ListedInterface& listed) {
  if (listed.usbPort.empty()) return parseDevicePath(eightBitDevicePath(listed.path.value_or("")));
  std::string identity = listed.usbPort;
  if (!listed.serialNumber.empty()) identity += "/" + listed.serialNumber;
  identity = eightBitDevicePath(identity);
  ParsedDevicePath parsed;
  parsed.address = fnv1a32(identity);
  parsed.tail = identity.substr(0, kPathTailLength - 1);
  return parsed;
}

std::string eightBitDevicePath(const std::string& path) {
  // What fits the 512-byte buffer with its zero byte.
  constexpr std::size_t kLength = 511;
  std::string converted = toLatin1(fromUtf8(path));
  if (converted.size() > kLength) converted.resize(kLength);
  return converted;
}

}  // namespace velkor

#pragma once
// The one list of vendor/product pairs this program talks to. Discovery, the udev
// rule and every listing are made from it.

#include <array>
#include <cstdint>

namespace velkor {

struct UsbIdPair {
  std::uint16_t vendorId;
  std::uint16_t productId;
};

inline constexpr std::array<UsbIdPair, 3> kAcceptedPairs{{
    {0x0483, 0x5750},
    {0x2EE4, 0x001A},
    {0x2EE4, 0x001B},
}};

// The HID version number tells the model.
inline constexpr std::uint16_t kVersionModelA = 1;  // TQ4410
inline constexpr std::uint16_t kVersionModelB = 2;  // TQ6630

constexpr bool isAcceptedPair(std::uint16_t vendorId, std::uint16_t productId) {
  for (const UsbIdPair& pair : kAcceptedPairs)
    if (pair.vendorId == vendorId && pair.productId == productId) return true;
  return false;
}

constexpr bool isKnownModel(std::uint16_t versionNumber) {
  return versionNumber == kVersionModelA || versionNumber == kVersionModelB;
}

}  // namespace velkor

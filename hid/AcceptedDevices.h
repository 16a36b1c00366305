#pragma once
// The one list of vendor/product pairs and model version numbers this program talks
// to. Discovery, the udev rule and every listing are made from it.

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

// The HID version number (the USB device's release number, bcdDevice) tells the model.
// Other products share the pair 0483:5750; the release number tells the converters.
inline constexpr std::uint16_t kVersionModelA = 1;  // TQ4410
inline constexpr std::uint16_t kVersionModelB = 2;  // TQ6630
inline constexpr std::array<std::uint16_t, 2> kModelVersions{kVersionModelA, kVersionModelB};

constexpr bool isAcceptedPair(std::uint16_t vendorId, std::uint16_t productId) {
  for (const UsbIdPair& pair : kAcceptedPairs)
    if (pair.vendorId == vendorId && pair.productId == productId) return true;
  return false;
}

constexpr bool isKnownModel(std::uint16_t versionNumber) {
  for (std::uint16_t version : kModelVersions)
    if (version == versionNumber) return true;
  return false;
}

}  // namespace velkor

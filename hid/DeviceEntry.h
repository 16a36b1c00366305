#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "AcceptedDevices.h"
#include "Transport.h"

namespace velkor {

inline constexpr std::size_t kPathTailLength = 64;  // 63 characters and a zero

// One found converter. An entry with all fields zero is empty.
struct DeviceEntry {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t versionNumber = 0;
  std::unique_ptr<HidDevice> handle;  // open device, or null
  // The identity that ties the entry to the interface a later open may take: a number
  // and a text (zero-padded, in the path's 8-bit form).
  std::uint32_t address = 0;
  std::array<char, kPathTailLength> pathTail{};
  // What the listing said of it at the scan, for telling converters apart.
  std::string path;           // as listed (UTF-8)
  std::string serialNumber;   // UTF-8; empty when it has none
  bool accessDenied = false;  // this process may not open it

  bool isAcceptedDevice() const { return isAcceptedPair(vendorId, productId); }
  void clear() { *this = DeviceEntry{}; }
};

inline constexpr int kDeviceTableSize = 128;

// Entries are numbered 1..128 everywhere outside this class.
class DeviceTable {
 public:
  DeviceEntry* entry(int number) { return number >= 1 && number <= kDeviceTableSize ? &entries_[number - 1] : nullptr; }
  const DeviceEntry* entry(int number) const {
    return number >= 1 && number <= kDeviceTableSize ? &entries_[number - 1] : nullptr;
  }
  void clear() {
    for (DeviceEntry& e : entries_) e.clear();
  }
  void closeAll() {
    for (DeviceEntry& e : entries_) e.handle.reset();
  }

 private:
  std::array<DeviceEntry, kDeviceTableSize> entries_{};
};

}  // namespace velkor

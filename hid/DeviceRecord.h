#pragma once
// Everything the program knows about the converters: one record, owned by the main
// window, read and written by every panel and page.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "DeviceEntry.h"
#include "StatusBlocks.h"
#include "WireFormat.h"

namespace velkor {

inline constexpr std::uint8_t kAutoApply = 0;
inline constexpr std::uint8_t kManualApply = 1;  // any value but 0 means manual

// The longest custom name a person gives a converter: what the status pages let one
// type.
inline constexpr std::size_t kCustomNameLimit = 16;

struct DeviceRecord {
  std::uint8_t applyModeA = kAutoApply;
  StatusBlockA pendingA{};
  StatusBlockA statusA{};
  std::uint8_t applyModeB = kAutoApply;
  StatusBlockB pendingB{};
  StatusBlockB statusB{};
  DeviceTable deviceTable;
  std::int32_t selectedDevice = 0;
  std::int32_t previousDevice = -1;
  std::array<std::uint8_t, wire::kApplyPayloadLength> applyPayloadA{};
  std::array<std::uint8_t, wire::kReplyAreaLength> replyBuffer{};
  std::array<std::uint8_t, wire::kApplyPayloadLength> applyPayloadB{};
  std::u16string customNameA;
  std::u16string customNameB;

  bool manualApplyA() const { return applyModeA != kAutoApply; }
  bool manualApplyB() const { return applyModeB != kAutoApply; }

  // A device selection starts model A afresh; model B keeps its mode and held settings.
  void resetModelA() {
    applyModeA = kAutoApply;
    pendingA = {};
    statusA = {};
  }
};

}  // namespace velkor

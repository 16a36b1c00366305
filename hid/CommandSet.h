#pragma once
// Every request the program sends. Each builds one frame, exchanges it with the
// device in use and returns nothing: callers read the record afterwards.

#include <cstdint>

#include "DeviceRecord.h"

namespace velkor {

void sendCommandA(DeviceRecord& record, std::uint8_t command, std::uint8_t value);
void sendCommandX(DeviceRecord& record, std::uint8_t value);
void sendCommandB(DeviceRecord& record, std::uint8_t command, std::uint8_t value);

// Clear the model's status block and name, ask, and in Auto Apply let the held
// settings follow what the converter reported.
void queryStatusA(DeviceRecord& record);
void queryStatusB(DeviceRecord& record);

void sendNameA(DeviceRecord& record);
void sendNameB(DeviceRecord& record);

// Send the eight settable bytes, from the held block in Manual Apply and from the
// status block in Auto Apply.
void applySettingsA(DeviceRecord& record);
void applySettingsB(DeviceRecord& record);

// The custom name as the converter takes it: Latin-1 and a zero byte, at most 128
// bytes (a longer name keeps its first 127 bytes).
struct NamePayload {
  std::array<std::uint8_t, wire::kNameAreaLength> bytes{};
  std::size_t length = 0;
};
NamePayload encodeName(const std::u16string& name);

}  // namespace velkor

#pragma once
// What each model's settings file holds: its (section, key, field) rows in the order
// they are written and read, the record's mode byte that follows them under
// "Page_Func"/"Configuration", the two blocks the mode chooses between, and the
// request that hands a loaded block to the converter.

#include <cstddef>
#include <cstdint>
#include <span>

#include "DeviceRecord.h"

namespace velkor {

struct SettingsItem {
  const char* section;
  const char* key;
  std::size_t offset;  // byte of the model's settings block
};

template <typename Block>
struct ModelSettings {
  const char* word;  // "TQ4410"
  std::span<const SettingsItem> items;
  std::uint8_t DeviceRecord::*applyMode;
  Block DeviceRecord::*pending;
  Block DeviceRecord::*status;
  void (*apply)(DeviceRecord&);
  // The other model's file, told apart from a partial file of this one.
  const char* otherWord;
  std::span<const SettingsItem> otherItems;
};

inline constexpr const char* kModeSection = "Page_Func";
inline constexpr const char* kModeKey = "Configuration";

extern const ModelSettings<StatusBlockA> kSettingsTQ4410;
extern const ModelSettings<StatusBlockB> kSettingsTQ6630;

// The block a save reads and a load fills: held settings in Manual Apply, the status
// block in Auto Apply.
template <typename Record, typename Block>
auto& chosenBlock(Record& record, const ModelSettings<Block>& model) {
  return record.*model.applyMode != kAutoApply ? record.*model.pending : record.*model.status;
}

}  // namespace velkor

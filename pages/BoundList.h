#pragma once
// Drop-down lists whose position is a setting byte.

#include <functional>
#include <span>

#include "SettingByte.h"

class QComboBox;

namespace velkor {

// Replaces list's items and selects position `value`. A value without an item leaves
// the list without a selection rather than guessing one.
void fillList(QComboBox* list, std::span<const char* const> items, int value);

// Every item the operator picks from list changes the setting (stored and, in Auto
// Apply, sent), then `afterChange` runs. Filling the list by code is no pick.
void commitPicks(QComboBox* list, SettingByte setting, std::function<void()> afterChange = {});

// Fills list, shows the setting and commits the operator's picks.
void bindList(QComboBox* list, std::span<const char* const> items, SettingByte setting,
              std::function<void()> afterChange = {});

// A row of a page's table of lists: the list, its words, and the setting of the
// model's block it stands for.
template <typename Block>
struct ListRow {
  int id;
  std::span<const char* const> items;
  std::uint8_t Block::*field;
  std::uint8_t command;
  SettingByte::Order order = SettingByte::Order::StoreThenSend;

  SettingByte setting(DeviceRecord& record) const { return SettingByte(record, field, command, order); }
};

}  // namespace velkor

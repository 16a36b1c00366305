#pragma once

#include <cstdint>

#include "CommandSet.h"
#include "DeviceRecord.h"

namespace velkor {

// One converter setting as a page edits it: a byte with a pending slot and a current
// slot in the record, the model's apply mode that says which of the two the page
// shows, and the one-value request that carries a change at once in Auto Apply.
class SettingByte {
 public:
  using Send = void (*)(DeviceRecord& record, std::uint8_t command, std::uint8_t value);

  // Where the store falls against the exchange. A store after it wins over whatever
  // the converter's reply wrote into the current slot; a store before it does not.
  enum class Order { StoreThenSend, SendThenStore };

  SettingByte(DeviceRecord& record, std::uint8_t StatusBlockA::*field, std::uint8_t command,
              Order order = Order::StoreThenSend, Send send = sendCommandA);
  SettingByte(DeviceRecord& record, std::uint8_t StatusBlockB::*field, std::uint8_t command, Order order);

  // The pending slot in Manual Apply, the current slot in Auto Apply.
  std::uint8_t shown() const;
  // Puts value into both slots and, in Auto Apply only, sends it.
  void change(std::uint8_t value) const;

 private:
  SettingByte(DeviceRecord& record, const std::uint8_t& applyMode, std::uint8_t& pending, std::uint8_t& current,
              std::uint8_t command, Order order, Send send);

  bool autoApply() const { return *applyMode_ == kAutoApply; }

  DeviceRecord* record_;
  const std::uint8_t* applyMode_;
  std::uint8_t* pending_;
  std::uint8_t* current_;
  std::uint8_t command_;
  Order order_;
  Send send_;
};

}  // namespace velkor

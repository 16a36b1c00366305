#include "SettingByte.h"

namespace velkor {

SettingByte::SettingByte(DeviceRecord& record, std::uint8_t StatusBlockA::*field, std::uint8_t command, Order order,
                         Send send)
    : SettingByte(record, record.applyModeA, record.pendingA.*field, record.statusA.*field, command, order, send) {}

SettingByte::SettingByte(DeviceRecord& record, std::uint8_t StatusBlockB::*field, std::uint8_t command, Order order)
    : SettingByte(record, record.applyModeB, record.pendingB.*field, record.statusB.*field, command, order,
                  sendCommandB) {}

SettingByte::SettingByte(DeviceRecord& record, const std::uint8_t& applyMode, std::uint8_t& pending,
                         std::uint8_t& current, std::uint8_t command, Order order, Send send)
    : record_(&record),
      applyMode_(&applyMode),
      pending_(&pending),
      current_(&current),
      command_(command),
      order_(order),
      send_(send) {}

std::uint8_t SettingByte::shown() const { return autoApply() ? *current_ : *pending_; }

void SettingByte::change(std::uint8_t value) const {
  const bool sendNow = autoApply();
  if (sendNow && order_ == Order::SendThenStore) send_(*record_, command_, value);
  *current_ = value;
  *pending_ = value;
  if (sendNow && order_ == Order::StoreThenSend) send_(*record_, command_, value);
}

}  // namespace velkor

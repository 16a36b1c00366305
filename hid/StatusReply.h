#pragma once

#include <cstdint>
#include <span>

#include "DeviceRecord.h"

namespace velkor {

// Takes a status reply (valid sync, reply code 0x50 or 0x80) into the record:
// the status bytes into the model's status block and a '#'-framed name into the
// model's custom name. Other replies are not for this function and change nothing.
void applyStatusReply(DeviceRecord& record, std::span<const std::uint8_t, wire::kReplyAreaLength> reply);

// True when the record's reply area holds a status reply with that reply code. An
// exchange that gets no reply leaves the area zeroed, but one that never reaches the
// read (no handle, a failed write) leaves an earlier reply in it: clear the area
// before the request to learn whether that request was answered.
bool holdsStatusReply(const DeviceRecord& record, std::uint8_t replyCode);

}  // namespace velkor

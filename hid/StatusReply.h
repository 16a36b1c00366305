#pragma once

#include <cstdint>
#include <span>

#include "DeviceRecord.h"

namespace velkor {

// Takes a status reply (valid sync, reply code 0x50 or 0x80) into the record:
// the status bytes into the model's status block and a '#'-framed name into the
// model's custom name. Other replies are not for this function and change nothing.
void applyStatusReply(DeviceRecord& record, std::span<const std::uint8_t, wire::kReplyAreaLength> reply);

}  // namespace velkor

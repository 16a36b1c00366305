#pragma once
// One request, one reply: the synchronous exchange on the device in use.

#include <chrono>

#include "DeviceRecord.h"
#include "FrameCodec.h"

namespace velkor {

inline constexpr int kExchangeOk = 0;
inline constexpr int kNoHandle = -1;
inline constexpr int kNoDescription = -2;
inline constexpr int kTimedOut = -3;
// Another program had the converter for longer than the turn's limit; nothing was sent.
inline constexpr int kBusy = -4;
inline constexpr std::chrono::milliseconds kWriteLimit{500};
inline constexpr std::chrono::milliseconds kReadLimit{500};

// Writes one output report; kExchangeOk, kNoDescription or kTimedOut.
int writeReport(HidDevice* handle, const Frame& frame, std::size_t length);

// Reads one input report into the record's reply area and lets a status reply update
// the record; kExchangeOk (recognised or not), kNoHandle or kTimedOut.
int readReply(DeviceRecord& record, HidDevice* handle);

// Writes the frame to the device in use and reads its reply, in the converter's turn and
// after dropping what other programs' exchanges left queued, so that the reply read is
// the one to this request. The outcome shows only in the log and in the record.
void sendFrame(DeviceRecord& record, const Frame& frame);

}  // namespace velkor

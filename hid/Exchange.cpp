#include "Exchange.h"

#include <algorithm>

#include "BlockingWait.h"
#include "ExchangeTurn.h"
#include "Log.h"
#include "StatusReply.h"

namespace velkor {

using namespace wire;

int writeReport(HidDevice* handle, const Frame& frame, std::size_t length) {
  if (handle == nullptr) return kNoDescription;
  const std::span<const std::uint8_t> report(frame.data(), std::min(length, frame.size()));
  switch (handle->write(report, kWriteLimit)) {
    case WriteOutcome::Written:
      return kExchangeOk;
    case WriteOutcome::Unavailable:
      return kNoDescription;
    case WriteOutcome::TimedOut:
      return kTimedOut;
  }
  return kTimedOut;
}

int readReply(DeviceRecord& record, HidDevice* handle) {
  auto& reply = record.replyBuffer;
  reply.fill(0);
  if (handle == nullptr) {
    logLine(" the handle is null\n");
    return kNoHandle;
  }
  // Reports carry no report ID on the way in; byte 0 stays 0 so every offset holds.
  const ReadOutcome outcome = handle->read(std::span<std::uint8_t>(reply).subspan(1), kReadLimit);
  if (outcome.kind != ReadOutcome::Kind::Received) {
    reply.fill(0);
    return kTimedOut;
  }
  const std::size_t length = std::min(outcome.length, reply.size() - 1);
  logLine("Capabilities.InputReportByteLength = %d\t \n", static_cast<int>(length + 1));
  logLine("recv data %x %x \n", reply[kSyncOffset], reply[kSyncOffset + 1]);
  if (reply[kSyncOffset] == kSyncFirst && reply[kSyncOffset + 1] == kSyncSecond) {
    logLine("the cmd is 0x%02x\n", reply[kReplyCodeOffset]);
    applyStatusReply(record, reply);
  }
  return kExchangeOk;
}

namespace {

void exchange(DeviceRecord& record, HidDevice* handle, const Frame& frame) {
  const ExchangeTurn turn(*handle);
  if (!turn.taken()) {
    logLine("send ret = %d \n", kBusy);
    return;
  }
  if (const std::size_t stale = handle->discardQueued(); stale > 0)
    logLine("discarded %zu queued reports\n", stale);
  const int sent = writeReport(handle, frame, frame.size());
  logLine("send ret = %d \n", sent);
  if (sent != kExchangeOk) return;
  logLine("recv ret = %d \n", readReply(record, handle));
}

}  // namespace

void sendFrame(DeviceRecord& record, const Frame& frame) {
  const DeviceEntry* entry = record.deviceTable.entry(record.selectedDevice);
  HidDevice* handle = entry != nullptr ? entry->handle.get() : nullptr;
  if (handle == nullptr) {
    logLine("the handle is null\n");
    return;
  }
  waitFor([&] { exchange(record, handle, frame); });
}

}  // namespace velkor

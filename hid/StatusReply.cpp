#include "StatusReply.h"

#include <algorithm>

#include "Log.h"
#include "Text.h"

namespace velkor {
namespace {

using namespace wire;
using Reply = std::span<const std::uint8_t, kReplyAreaLength>;

void logStatusBytes(const char* model, Reply reply) {
  const std::uint8_t* s = reply.data() + kReplyStatusOffset;
  logLine("%s %x %x %x %x %x %x %x %x %x %x %x \n", model, s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9],
          s[10]);
}

// The name after a '#' at byte 30, up to the next '#', `limit` characters or the end
// of the reply area, whichever comes first. False when the reply carries no name.
bool readFramedName(Reply reply, std::size_t limit, std::u16string& name) {
  if (reply[kReplyNameMarkOffset] != kNameDelimiter) return false;
  const auto first = reply.begin() + kReplyNameOffset;
  const auto areaEnd = first + static_cast<std::ptrdiff_t>(std::min(limit, kReplyAreaLength - kReplyNameOffset));
  const auto end = std::find(first, areaEnd, kNameDelimiter);
  name = widenLatin1(std::span<const std::uint8_t>(first, end));
  logLine("char len is %d \n", static_cast<int>(name.size()));
  return true;
}

void applyModelA(DeviceRecord& record, Reply reply) {
  std::copy_n(reply.begin() + kReplyStatusOffset, kReplyStatusLength,
              blockBytes(record.statusA) + StatusBlockA::kReplyTarget);
  logStatusBytes("4410", reply);
  logLine("1\n");
  // Each status reply carries the whole name, so it replaces the one held.
  readFramedName(reply, kNameLimitA, record.customNameA);
}

void applyModelB(DeviceRecord& record, Reply reply) {
  logStatusBytes("6630", reply);
  const std::uint8_t* s = reply.data() + kReplyStatusOffset;
  StatusBlockB& b = record.statusB;
  b.firmwareHigh = s[0];
  b.firmwareLow = s[1];
  // The converter reports output before input; the block keeps input first.
  b.outputFormat = s[2];
  b.inputFormat = s[3];
  std::copy_n(s + 4, kReplyStatusLength - 4, blockBytes(b) + offsetof(StatusBlockB, outputSource));
  logLine("1\n");
  readFramedName(reply, kReplyAreaLength, record.customNameB);
}

}  // namespace

void applyStatusReply(DeviceRecord& record, Reply reply) {
  switch (reply[kReplyCodeOffset]) {
    case kReplyCodeStatusA:
      applyModelA(record, reply);
      break;
    case kReplyCodeStatusB:
      applyModelB(record, reply);
      break;
    default:
      break;
  }
}

bool holdsStatusReply(const DeviceRecord& record, std::uint8_t replyCode) {
  const auto& reply = record.replyBuffer;
  return reply[kSyncOffset] == kSyncFirst && reply[kSyncOffset + 1] == kSyncSecond &&
         reply[kReplyCodeOffset] == replyCode;
}

}  // namespace velkor

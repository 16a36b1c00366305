#include "CommandSet.h"

#include <algorithm>

#include "Exchange.h"
#include "FrameCodec.h"
#include "Log.h"
#include "Text.h"

namespace velkor {
namespace {

using namespace wire;

// Bytes are logged as the signed chars they once were: 200 shows as -56.
int asSignedChar(std::uint8_t value) { return static_cast<std::int8_t>(value); }
unsigned asSignedCharHex(std::uint8_t value) { return static_cast<unsigned>(asSignedChar(value)); }

void logValue(std::uint8_t value) { logLine("get index = %d \n", asSignedChar(value)); }

void sendShortA(DeviceRecord& record, std::uint8_t command, std::uint8_t value) {
  Frame frame;
  buildShortFrameA(frame, command, value);
  sendFrame(record, frame);
}

}  // namespace

NamePayload encodeName(const std::u16string& name) {
  NamePayload payload;
  // The name goes out as a zero-terminated string: it ends at its first zero character.
  const std::string latin1 = toLatin1(name.substr(0, name.find(u'\0')));
  const std::size_t characters = std::min(latin1.size(), kNameAreaLength - 1);
  std::copy_n(latin1.begin(), characters, payload.bytes.begin());
  payload.length = characters + 1;  // the zero byte is part of the payload
  return payload;
}

void sendCommandA(DeviceRecord& record, std::uint8_t command, std::uint8_t value) {
  logValue(value);
  sendShortA(record, command, value);
}

void sendCommandX(DeviceRecord& record, std::uint8_t value) { sendShortA(record, kCmdVerticalMarginA, value); }

void sendCommandB(DeviceRecord& record, std::uint8_t command, std::uint8_t value) {
  logValue(value);
  Frame frame;
  buildShortFrameB(frame, command, value);
  sendFrame(record, frame);
}

void queryStatusA(DeviceRecord& record) {
  record.customNameA.clear();
  record.statusA = {};
  sendCommandA(record, kCmdQueryStatusA, 0);
  if (!record.manualApplyA()) record.pendingA = record.statusA;
}

void queryStatusB(DeviceRecord& record) {
  record.customNameB.clear();
  record.statusB = {};
  sendCommandB(record, kCmdQueryStatusB, 0);
  if (!record.manualApplyB()) record.pendingB = record.statusB;
}

void sendNameA(DeviceRecord& record) {
  const NamePayload name = encodeName(record.customNameA);
  const auto* b = name.bytes.data();
  logLine(" %x %x %x %x  \n", asSignedCharHex(b[0]), asSignedCharHex(b[1]), asSignedCharHex(b[2]),
          asSignedCharHex(b[3]));
  Frame frame;
  buildDataFrameA(frame, kCmdCustomNameA, std::span(name.bytes.data(), name.length));
  sendFrame(record, frame);
}

void sendNameB(DeviceRecord& record) {
  const NamePayload name = encodeName(record.customNameB);
  Frame frame;
  buildExtendedFrameB(frame, kSubCmdCustomNameB, std::span(name.bytes.data(), name.length));
  sendFrame(record, frame);
}

void applySettingsA(DeviceRecord& record) {
  record.applyPayloadA = settableRun(record.manualApplyA() ? record.pendingA : record.statusA);
  Frame frame;
  buildDataFrameA(frame, kCmdApplySettingsA, record.applyPayloadA);
  sendFrame(record, frame);
}

void applySettingsB(DeviceRecord& record) {
  record.applyPayloadB = settableRun(record.manualApplyB() ? record.pendingB : record.statusB);
  Frame frame;
  buildExtendedFrameB(frame, kSubCmdApplySettingsB, record.applyPayloadB);
  sendFrame(record, frame);
}

}  // namespace velkor

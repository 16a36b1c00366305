#include "FrameCodec.h"

#include <algorithm>

namespace velkor {
namespace {

using namespace wire;

// Bytes 0..17: report ID, sync, fixed header, zeros, command; the body is zeroed.
void startFrame(Frame& frame, std::uint8_t command) {
  frame.fill(0);
  frame[kReportIdOffset] = kReportId;
  frame[kSyncOffset] = kSyncFirst;
  frame[kSyncOffset + 1] = kSyncSecond;
  std::copy(std::begin(kHeader), std::end(kHeader), frame.begin() + kHeaderOffset);
  frame[kCommandOffset] = command;
}

std::size_t finishFrame(Frame& frame) {
  const std::uint16_t sum = frameChecksum(frame);
  frame[kChecksumOffset] = static_cast<std::uint8_t>(sum & 0xFF);
  frame[kChecksumOffset + 1] = static_cast<std::uint8_t>(sum >> 8);
  frame[kTrailerOffset] = kTrailer;
  return kFrameLength;
}

}  // namespace

std::uint16_t frameChecksum(const Frame& frame) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < kChecksummedLength; ++i) sum += frame[i];
  return static_cast<std::uint16_t>(sum);
}

std::size_t buildShortFrameA(Frame& frame, std::uint8_t command, std::uint8_t value) {
  startFrame(frame, command);
  frame[kBodyOffset] = value;
  return finishFrame(frame);
}

std::size_t buildShortFrameB(Frame& frame, std::uint8_t command, std::uint8_t value) {
  startFrame(frame, command);
  frame[kBodyOffset] = kShortBMarker1;
  frame[kBodyOffset + 1] = kShortBMarker2;
  frame[kShortBCommandEchoOffset] = command;
  frame[kShortBValueOffset] = value;
  return finishFrame(frame);
}

std::size_t buildDataFrameA(Frame& frame, std::uint8_t command, std::span<const std::uint8_t> payload) {
  const std::size_t n = std::min(payload.size(), kDataFrameAMaxPayload);
  startFrame(frame, command);
  frame[kBodyOffset] = static_cast<std::uint8_t>(n);
  std::copy_n(payload.begin(), n, frame.begin() + kBodyOffset + 1);
  return finishFrame(frame);
}

std::size_t buildExtendedFrameB(Frame& frame, std::uint8_t subCommand, std::span<const std::uint8_t> payload) {
  const std::size_t n = std::min(payload.size(), kExtendedMaxPayload);
  startFrame(frame, kExtendedCommand);
  frame[kBodyOffset] = kExtendedMarker1;
  frame[kExtendedLengthOffset] = static_cast<std::uint8_t>(n + kExtendedLengthBias);
  frame[kBodyOffset + 2] = kExtendedMarker2;
  frame[kExtendedSubCommandOffset] = subCommand;
  std::copy_n(payload.begin(), n, frame.begin() + kExtendedPayloadOffset);
  return finishFrame(frame);
}

}  // namespace velkor

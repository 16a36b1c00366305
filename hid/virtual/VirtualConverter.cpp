#include "VirtualConverter.h"

#include <algorithm>

#include "../FrameCodec.h"

namespace velkor {
namespace {

using namespace wire;

// Replies are as long as the converters' input report (report ID included).
constexpr std::size_t kReplyReportLength = kReplyAreaLength;
constexpr std::size_t kOversizedReportLength = 400;
constexpr std::uint8_t kWrongSyncSecond = 0x00;
constexpr std::uint8_t kUnknownReplyCode = 0x51;
constexpr std::uint8_t kUnclosedNameFill = 'x';

// Positions of the settable run, in the order of the apply frame.
constexpr std::size_t kRunOutputFormat = 0;
constexpr std::size_t kRunVerticalMarginA = 6;
constexpr std::size_t kRunHorizontalMarginA = 7;
constexpr std::size_t kRunMirrorImageB = 6;

std::uint8_t frameByte(std::span<const std::uint8_t> frame, std::size_t offset) { return frame[offset]; }

}  // namespace

bool isWellFormedFrame(std::span<const std::uint8_t> report) {
  if (report.size() != kFrameLength) return false;
  if (report[kReportIdOffset] != kReportId || report[kSyncOffset] != kSyncFirst ||
      report[kSyncOffset + 1] != kSyncSecond)
    return false;
  if (!std::equal(std::begin(kHeader), std::end(kHeader), report.begin() + kHeaderOffset)) return false;
  Frame frame;
  std::copy(report.begin(), report.end(), frame.begin());
  const std::uint16_t sum = frameChecksum(frame);
  return report[kChecksumOffset] == (sum & 0xFF) && report[kChecksumOffset + 1] == (sum >> 8) &&
         report[kTrailerOffset] == kTrailer;
}

VirtualConverter::VirtualConverter(VirtualConverterSetup setup) : setup_(std::move(setup)) {
  if (setup_.versionNumber == 0)
    setup_.versionNumber = setup_.model == ConverterModel::TQ4410 ? kVersionModelA : kVersionModelB;
  state.name = setup_.name;
  state.controlsPc = setup_.controlsPc;
  state.firmwareHigh = setup_.firmwareHigh;
  state.firmwareLow = setup_.firmwareLow;
  state.inputFormat = setup_.inputFormat;
}

HidAttributes VirtualConverter::attributes() const {
  return {setup_.ids.vendorId, setup_.ids.productId, setup_.versionNumber};
}

bool VirtualConverter::receive(std::span<const std::uint8_t> report, Clock::TimePoint now) {
  const std::lock_guard lock(mutex_);
  if (!isWellFormedFrame(report)) {
    ++rejected_;
    return false;
  }
  received_.emplace_back(report.begin(), report.end());
  if (state.controlsPc) applyRequest(report);
  if (!hasFault(ConverterFault::NoReply)) {
    const auto delay = hasFault(ConverterFault::DelayedReply) ? replyDelay : std::chrono::milliseconds(0);
    Reply reply{now + delay, statusReply()};
    if (readers_.empty()) replies_.push_back(std::move(reply));
    for (auto& [reader, queue] : readers_) queue.push_back(reply);
  }
  return true;
}

VirtualConverter::ReaderId VirtualConverter::attachReader() {
  const std::lock_guard lock(mutex_);
  const ReaderId reader = nextReader_++;
  readers_[reader];
  return reader;
}

void VirtualConverter::detachReader(ReaderId reader) {
  const std::lock_guard lock(mutex_);
  readers_.erase(reader);
  // A program that dies loses its lock with its last handle.
  if (turnHolder_ == reader) turnHolder_.reset();
}

std::optional<VirtualConverter::Reply> VirtualConverter::nextReply(ReaderId reader, Clock::TimePoint deadline) {
  const std::lock_guard lock(mutex_);
  auto& queue = readers_[reader];
  if (queue.empty() || queue.front().readyAt > deadline) return std::nullopt;
  Reply reply = std::move(queue.front());
  queue.pop_front();
  return reply;
}

std::size_t VirtualConverter::dropArrived(ReaderId reader, Clock::TimePoint now) {
  const std::lock_guard lock(mutex_);
  auto& queue = readers_[reader];
  std::size_t dropped = 0;
  while (!queue.empty() && queue.front().readyAt <= now) {
    queue.pop_front();
    ++dropped;
  }
  return dropped;
}

bool VirtualConverter::tryTakeTurn(ReaderId reader, const std::string& holder) {
  const std::lock_guard lock(mutex_);
  if (turnHolder_ && *turnHolder_ != reader) return false;
  turnHolder_ = reader;
  turnHolderName_ = holder;
  return true;
}

void VirtualConverter::endTurn(ReaderId reader) {
  const std::lock_guard lock(mutex_);
  if (turnHolder_ == reader) turnHolder_.reset();
}

std::string VirtualConverter::turnHolder() const {
  const std::lock_guard lock(mutex_);
  return turnHolder_ ? turnHolderName_ : std::string();
}

std::vector<std::uint8_t> VirtualConverter::statusReply() const {
  const bool oversized = hasFault(ConverterFault::OversizedReport);
  std::vector<std::uint8_t> report(oversized ? kOversizedReportLength : kReplyReportLength, 0);
  report[kSyncOffset] = kSyncFirst;
  report[kSyncOffset + 1] = hasFault(ConverterFault::WrongSync) ? kWrongSyncSecond : kSyncSecond;
  const bool modelA = setup_.model == ConverterModel::TQ4410;
  report[kReplyCodeOffset] = hasFault(ConverterFault::UnknownReplyCode) ? kUnknownReplyCode
                             : modelA                                   ? kReplyCodeStatusA
                                                                        : kReplyCodeStatusB;
  std::uint8_t* status = report.data() + kReplyStatusOffset;
  status[0] = state.firmwareHigh;
  status[1] = state.firmwareLow;
  if (modelA) {
    status[2] = state.inputFormat;
    std::copy(state.settings.begin(), state.settings.end(), status + 3);
  } else {
    // Model B reports its output format ahead of its input format.
    status[2] = state.settings[kRunOutputFormat];
    status[3] = state.inputFormat;
    std::copy(state.settings.begin() + 1, state.settings.end(), status + 4);
  }
  std::size_t at = kReplyNameMarkOffset;
  report[at++] = kNameDelimiter;
  for (char c : state.name) {
    if (at >= report.size() - 1) break;
    report[at++] = static_cast<std::uint8_t>(c);
  }
  if (hasFault(ConverterFault::UnclosedName)) {
    std::fill(report.begin() + static_cast<std::ptrdiff_t>(at), report.end(), kUnclosedNameFill);
  } else {
    report[at] = kNameDelimiter;
  }
  // Hand it over as the HID layer does: data without the report ID.
  report.erase(report.begin());
  return report;
}

void VirtualConverter::applyRequest(std::span<const std::uint8_t> frame) {
  if (setup_.model == ConverterModel::TQ4410)
    applyRequestA(frame);
  else
    applyRequestB(frame);
}

void VirtualConverter::applyRequestA(std::span<const std::uint8_t> frame) {
  const std::uint8_t command = frameByte(frame, kCommandOffset);
  const std::uint8_t value = frameByte(frame, kBodyOffset);
  const std::uint8_t* payload = frame.data() + kBodyOffset + 1;
  if (command >= kCmdOutputFormatA && command <= kCmdOverlaysEnableA) {
    state.settings[kRunOutputFormat + (command - kCmdOutputFormatA)] = value;
  } else if (command == kCmdVerticalMarginA) {
    state.settings[kRunVerticalMarginA] = value;
  } else if (command == kCmdHorizontalMarginA) {
    state.settings[kRunHorizontalMarginA] = value;
  } else if (command == kCmdStoreCustomA) {
    storeSlot(value);
  } else if (command == kCmdCustomNameA) {
    takeName(std::span(payload, std::min<std::size_t>(value, kDataFrameAMaxPayload)));
  } else if (command == kCmdApplySettingsA) {
    if (value >= kApplyPayloadLength) std::copy_n(payload, kApplyPayloadLength, state.settings.begin());
  } else if (command >= kCmdOverlayItemFirstA && command < kCmdOverlayItemFirstA + kOverlayItemCount) {
    state.overlayItems[command - kCmdOverlayItemFirstA] = value;
  }
}

void VirtualConverter::applyRequestB(std::span<const std::uint8_t> frame) {
  const std::uint8_t command = frameByte(frame, kCommandOffset);
  if (command == kExtendedCommand) {
    if (frameByte(frame, kBodyOffset) != kExtendedMarker1) return;
    const std::uint8_t length = frameByte(frame, kExtendedLengthOffset);
    if (length < kExtendedLengthBias) return;
    const std::size_t n = std::min<std::size_t>(length - kExtendedLengthBias, kExtendedMaxPayload);
    const std::uint8_t* payload = frame.data() + kExtendedPayloadOffset;
    const std::uint8_t sub = frameByte(frame, kExtendedSubCommandOffset);
    if (sub == kSubCmdCustomNameB) takeName(std::span(payload, n));
    if (sub == kSubCmdApplySettingsB && n >= kApplyPayloadLength)
      std::copy_n(payload, kApplyPayloadLength, state.settings.begin());
    return;
  }
  if (frameByte(frame, kBodyOffset) != kShortBMarker1 || frameByte(frame, kShortBCommandEchoOffset) != command) return;
  const std::uint8_t value = frameByte(frame, kShortBValueOffset);
  if (command >= kCmdOutputFormatB && command <= kCmdHorizontalMarginB) {
    state.settings[kRunOutputFormat + (command - kCmdOutputFormatB)] = value;
  } else if (command == kCmdStoreCustomB) {
    storeSlot(value);
  } else if (command == kCmdMirrorImageB || command == kCmdScreenFreezeB) {
    state.settings[kRunMirrorImageB + (command - kCmdMirrorImageB)] = value;
  }
}

void VirtualConverter::storeSlot(std::uint8_t slot) {
  if (slot < 1 || slot > state.customSlots.size()) return;
  state.customSlots[slot - 1] = {state.settings, state.overlayItems};
}

void VirtualConverter::takeName(std::span<const std::uint8_t> bytes) {
  const auto end = std::find(bytes.begin(), bytes.end(), 0);
  state.name.assign(bytes.begin(), end);
}

}  // namespace velkor

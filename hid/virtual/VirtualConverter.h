#pragma once
// A model of a converter's firmware, standing in for real hardware in the demo and
// the tests. It checks each output report, applies what a valid request sets (when
// its DIP switch is at "Controls-PC") and answers with one status reply of its model.

#include <array>
#include <bitset>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "../AcceptedDevices.h"
#include "../Transport.h"
#include "../WireFormat.h"
#include "Clock.h"

namespace velkor {

enum class ConverterModel { TQ4410, TQ6630 };

enum class ConverterFault {
  NoReply,           // requests are taken but never answered
  DelayedReply,      // the reply becomes readable only after replyDelay
  WrongSync,         // replies start A5 00
  UnknownReplyCode,  // replies carry code 0x51
  StalledWrite,      // output reports never complete
  OversizedReport,   // replies are longer than the 256-byte reply area
  UnclosedName,      // the name in a reply has no closing '#'
  Unplugged,         // gone from the scan; exchanges fail
  Count
};

struct VirtualConverterSetup {
  ConverterModel model = ConverterModel::TQ4410;
  std::string path;
  std::string usbPort;       // where the system places it ("1-1.2:1.0"); empty: not told
  std::string serialNumber;  // empty: none
  UsbIdPair ids = kAcceptedPairs[0];
  std::uint16_t versionNumber = 0;  // 0: the model's own
  std::uint8_t firmwareHigh = 1;
  std::uint8_t firmwareLow = 0;
  std::uint8_t inputFormat = 0;
  std::string name;  // Latin-1 bytes
  bool controlsPc = true;
  // Interface quirks, for discovery tests.
  bool pathReadable = true;
  bool openable = true;
  bool attributesReadable = true;  // once open
  // The system refuses this process the device: listed as such, and it does not open.
  bool permissionDenied = false;
};

class VirtualConverter {
 public:
  using Settings = std::array<std::uint8_t, wire::kApplyPayloadLength>;
  struct Reply {
    Clock::TimePoint readyAt;
    std::vector<std::uint8_t> data;  // without report ID
  };
  struct Slot {
    Settings settings{};
    std::array<std::uint8_t, wire::kOverlayItemCount> overlayItems{};
  };

  explicit VirtualConverter(VirtualConverterSetup setup);

  const VirtualConverterSetup& setup() const { return setup_; }
  HidAttributes attributes() const;
  ConverterModel model() const { return setup_.model; }
  // Unplugged and plugged in again: the system may give it another node and port.
  void replug(std::string path, std::string usbPort) {
    setup_.path = std::move(path);
    setup_.usbPort = std::move(usbPort);
  }

  // Firmware: takes one output report (report ID first). Returns false, and does
  // not answer, when the report is not a well-formed frame.
  bool receive(std::span<const std::uint8_t> report, Clock::TimePoint now);
  // Replies on their way out, while no handle is open on the converter: what a gadget
  // converter writes to the wire.
  std::deque<Reply>& pendingReplies() { return replies_; }

  // Handles open on the converter, as the system keeps them: each reply goes to every
  // open handle's queue, as hidraw hands every input report to every open file.
  using ReaderId = int;
  ReaderId attachReader();
  void detachReader(ReaderId reader);
  // The reader's oldest queued reply, when it is readable by `deadline`.
  std::optional<Reply> nextReply(ReaderId reader, Clock::TimePoint deadline);
  // Drops what the reader has queued that is readable at `now`; returns how many.
  std::size_t dropArrived(ReaderId reader, Clock::TimePoint now);

  // The converter's turn among its open handles, as the lock on a real converter's
  // device node is among programs. `holder` names the program for whoever waits.
  bool tryTakeTurn(ReaderId reader, const std::string& holder);
  void endTurn(ReaderId reader);
  std::string turnHolder() const;

  // What the firmware holds; tests read and set it directly.
  struct State {
    Settings settings{};  // the model's apply-frame order (see StatusBlockA / StatusBlockB)
    std::array<std::uint8_t, wire::kOverlayItemCount> overlayItems{};  // model A only
    std::string name;                                                  // Latin-1 bytes
    std::array<Slot, 2> customSlots{};
    bool controlsPc = true;
    std::uint8_t firmwareHigh = 0;
    std::uint8_t firmwareLow = 0;
    std::uint8_t inputFormat = 0;
  };
  State state;

  // Faults.
  void setFault(ConverterFault fault, bool on = true) { faults_.set(static_cast<std::size_t>(fault), on); }
  bool hasFault(ConverterFault fault) const { return faults_.test(static_cast<std::size_t>(fault)); }
  std::chrono::milliseconds replyDelay{600};

  // What arrived: every well-formed frame, and the count of those refused.
  const std::vector<std::vector<std::uint8_t>>& receivedFrames() const { return received_; }
  int rejectedFrames() const { return rejected_; }
  void forgetReceived() {
    received_.clear();
    rejected_ = 0;
  }

  // The status reply this converter would send now (without report ID).
  std::vector<std::uint8_t> statusReply() const;

 private:
  void applyRequest(std::span<const std::uint8_t> frame);
  void applyRequestA(std::span<const std::uint8_t> frame);
  void applyRequestB(std::span<const std::uint8_t> frame);
  void storeSlot(std::uint8_t slot);
  void takeName(std::span<const std::uint8_t> bytes);

  VirtualConverterSetup setup_;
  // Guards what handles on several threads share: replies, readers and the turn.
  mutable std::mutex mutex_;
  std::map<ReaderId, std::deque<Reply>> readers_;
  ReaderId nextReader_ = 1;
  std::optional<ReaderId> turnHolder_;
  std::string turnHolderName_;
  std::bitset<static_cast<std::size_t>(ConverterFault::Count)> faults_;
  std::deque<Reply> replies_;
  std::vector<std::vector<std::uint8_t>> received_;
  int rejected_ = 0;
};

// True when the report is a well-formed request frame: length, report ID, sync,
// fixed header, checksum and trailer.
bool isWellFormedFrame(std::span<const std::uint8_t> report);

}  // namespace velkor

#pragma once
// The node's view of one converter: what it last read from it and the changes it can
// make to it. The network layers (IS-04 resources, IS-12 control) see converters only
// through this; the converter layer behind it owns the handle, the exchanges (each under
// the converter's turn, on a worker of the converter's own) and the status poll.
//
// Threads: every member is called on the node's network thread, and every callback and
// listener runs there too. Nothing here blocks: exchanges run elsewhere and report back.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velkor::node {

// What a converter is, fixed while it stays plugged in where it is.
struct ConverterInfo {
  std::string deviceId;       // the IS-04 device id: a name-based UUID of the identity
  std::string identity;       // "1-1.2:1.0/A4410137", as velkorctl list shows it
  std::string serialNumber;   // UTF-8; empty when it has none
  std::uint16_t versionNumber = 0;  // the model: kVersionModelA (TQ4410) or kVersionModelB (TQ6630)
  std::string modelWord;      // "TQ4410"
};

// How long exchanges took, as a histogram for monitoring: counts[i] exchanges took at
// most kBoundsSeconds[i]; the last count holds the slower ones.
struct ExchangeTimes {
  static constexpr std::array<double, 7> kBoundsSeconds{0.002, 0.005, 0.01, 0.05, 0.1, 0.5, 1.0};
  std::array<std::uint64_t, kBoundsSeconds.size() + 1> counts{};
  double sumSeconds = 0;
};

// What the last status query read.
struct ConverterState {
  // The converter answered the last exchange with a status reply. When false the other
  // fields keep what the last answered query read (all zero before the first).
  bool answering = false;
  // The model's status block, byte for byte as the record holds it (StatusBlockA: 22
  // bytes, StatusBlockB: 11), so that offsetof(StatusBlockA, outputFormat) indexes it.
  std::vector<std::uint8_t> block;
  std::u16string name;
  // Who kept the converter when an exchange last waited out its turn ("velkorctl
  // (process 4711)"); empty where the system does not tell.
  std::string busyHolder;
  std::uint64_t exchanges = 0;  // exchanges tried, and those that failed, since the start
  std::uint64_t failures = 0;
  ExchangeTimes exchangeTimes;
};

enum class ExchangeResult {
  Done,      // sent, answered, and the read-back holds what was asked
  Refused,   // answered, but the read-back holds another value (DIP switch not at "Controls-PC")
  NoAnswer,  // no status reply within the limits
  Busy,      // another program held the converter longer than the turn's limit
  Gone,      // unplugged
};

class ConverterAccess {
 public:
  using Done = std::function<void(ExchangeResult, const ConverterState&)>;
  using Listener = std::function<void(const ConverterState&)>;

  virtual ~ConverterAccess() = default;
  virtual const ConverterInfo& info() const = 0;
  virtual const ConverterState& state() const = 0;

  // One setting as the panel's Auto Apply sends it: the model's one-value request
  // `command` with `value`, then a status query as read-back; Done only when the byte
  // at `offset` of the status block then holds `value`.
  virtual void sendSetting(std::uint8_t command, std::size_t offset, std::uint8_t value, Done done) = 0;
  // The custom name (Latin-1, at most 15 characters, checked by the caller), then a
  // read-back of the name.
  virtual void writeName(std::u16string name, Done done) = 0;
  // Stores the converter's settings in custom slot 1 or 2.
  virtual void storeCustom(std::uint8_t slot, Done done) = 0;

  // Called after every change of the state: a poll that read other values (a change
  // made by the panel or velkorctl), a converter that stops or starts answering, a
  // setting sent. Returns a number for unlisten.
  virtual int listen(Listener listener) = 0;
  virtual void unlisten(int id) = 0;
};

}  // namespace velkor::node

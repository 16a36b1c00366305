#pragma once
// The seam between the protocol core and the world. The core finds, opens and talks
// to converters only through these two interfaces; one implementation drives real
// devices through hidapi, the other is the virtual converter.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velkor {

struct HidAttributes {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t versionNumber = 0;
};

enum class WriteOutcome {
  Written,
  Unavailable,  // the device cannot take a report at all (gone, no description)
  TimedOut,     // not completed within the limit; the transfer is abandoned
};

struct ReadOutcome {
  enum class Kind { Received, TimedOut, Gone };
  Kind kind = Kind::TimedOut;
  std::size_t length = 0;  // bytes placed in the caller's buffer when Received
};

// Whether this handle got the converter's turn, and if not, who has it where the system
// tells ("velkorctl (process 4711)"; empty when it does not).
struct TurnOutcome {
  bool taken = false;
  std::string holder;
};

// One open HID interface. Closing is destruction.
//
// Every program that has a converter open receives every input report it sends, so
// programs take turns: one exchange, or one change with its read-back, at a time per
// converter, across programs and users, with a lock the system drops when a program
// dies. Turns nest within a handle, so that a transaction can hold the turn across the
// exchanges it is made of.
class HidDevice {
 public:
  virtual ~HidDevice() = default;
  virtual std::optional<HidAttributes> attributes() = 0;
  // `report` starts with its report ID byte.
  virtual WriteOutcome write(std::span<const std::uint8_t> report, std::chrono::milliseconds limit) = 0;
  // Reads one input report's data (without report ID) into `into`; a longer report is cut.
  virtual ReadOutcome read(std::span<std::uint8_t> into, std::chrono::milliseconds limit) = 0;
  // Drops the input reports already queued for this handle (replies to other programs'
  // requests, or a reply that came too late); returns how many.
  virtual std::size_t discardQueued() = 0;

  // Waits at most `limit` for the converter's turn; at once when this handle holds it.
  TurnOutcome takeTurn(std::chrono::milliseconds limit) {
    if (turnDepth_ > 0) {
      ++turnDepth_;
      return {true, {}};
    }
    TurnOutcome outcome = lockTurn(limit);
    if (outcome.taken) turnDepth_ = 1;
    return outcome;
  }
  void endTurn() {
    if (turnDepth_ > 0 && --turnDepth_ == 0) unlockTurn();
  }

 private:
  virtual TurnOutcome lockTurn(std::chrono::milliseconds limit) = 0;
  virtual void unlockTurn() = 0;

  int turnDepth_ = 0;
};

// A present HID interface as the system lists it, read without opening it.
struct ListedInterface {
  std::optional<std::string> path;  // none when it cannot be read
  HidAttributes attributes;
  // Where the kernel places the interface on USB, the bus and port chain of the port it
  // is plugged into with its interface ("1-1.2:1.0"): the same for as long as it stays
  // there, whatever node number it gets. Empty where the system does not tell.
  std::string usbPort;
  std::string serialNumber;  // UTF-8; empty when the device has none
  // Present, but this process may not open it for reading and writing.
  bool accessDenied = false;
};

class Transport {
 public:
  virtual ~Transport() = default;
  // Every present HID interface, in the system's order, as the system describes it
  // without opening any; nullopt when the list cannot be obtained.
  virtual std::optional<std::vector<ListedInterface>> listInterfaces() = 0;
  // Opens one interface for reading and writing; null when it cannot be opened.
  virtual std::unique_ptr<HidDevice> open(const std::string& path) = 0;
};

}  // namespace velkor

#pragma once
// The converter's turn held for as long as this object lives: one exchange, or one
// change with its read-back.

#include <chrono>
#include <string>

#include "Transport.h"

namespace velkor {

// How long a program waits while another has the converter: longer than the longest
// transaction (a change and its read-back, each exchange bounded to 1 s), short enough
// for a person or a control system to be told.
inline constexpr std::chrono::milliseconds kTurnLimit{2000};

class ExchangeTurn {
 public:
  explicit ExchangeTurn(HidDevice& device, std::chrono::milliseconds limit = kTurnLimit)
      : device_(device), outcome_(device.takeTurn(limit)) {}
  ~ExchangeTurn() {
    if (outcome_.taken) device_.endTurn();
  }
  ExchangeTurn(const ExchangeTurn&) = delete;
  ExchangeTurn& operator=(const ExchangeTurn&) = delete;

  bool taken() const { return outcome_.taken; }
  // Who has the converter when the turn was not taken; empty when the system does not
  // tell.
  const std::string& holder() const { return outcome_.holder; }

 private:
  HidDevice& device_;
  TurnOutcome outcome_;
};

}  // namespace velkor

#pragma once
// Time as the virtual converter sees it. Tests use a manual clock so that a 500 ms
// limit is observed exactly without waiting for it.

#include <chrono>

namespace velkor {

class Clock {
 public:
  using Duration = std::chrono::steady_clock::duration;
  using TimePoint = std::chrono::steady_clock::time_point;
  virtual ~Clock() = default;
  virtual TimePoint now() = 0;
  virtual void sleepUntil(TimePoint when) = 0;
};

class SteadyClock final : public Clock {
 public:
  TimePoint now() override;
  void sleepUntil(TimePoint when) override;
};

// Advances only when something sleeps on it.
class ManualClock final : public Clock {
 public:
  TimePoint now() override { return now_; }
  void sleepUntil(TimePoint when) override {
    if (when > now_) now_ = when;
  }
  void advance(Duration by) { now_ += by; }

 private:
  TimePoint now_{};
};

}  // namespace velkor

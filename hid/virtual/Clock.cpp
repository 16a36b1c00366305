#include "Clock.h"

#include <thread>

namespace velkor {

Clock::TimePoint SteadyClock::now() { return std::chrono::steady_clock::now(); }
void SteadyClock::sleepUntil(TimePoint when) { std::this_thread::sleep_until(when); }

}  // namespace velkor

#pragma once
// What blocks the program while a converter is being talked to: an exchange (up to a
// second and the turn's wait) and the pauses between the steps of a test. A program
// with a window installs a way to wait that keeps the window painting; without one, the
// work runs where it is called.

#include <functional>

namespace velkor {

using BlockingWaiter = std::function<void(const std::function<void()>& work)>;

// Runs `work`, which may block, to its end before returning, in the installed way.
void waitFor(const std::function<void()>& work);

// Null restores running the work where it is called.
void setBlockingWaiter(BlockingWaiter waiter);

}  // namespace velkor

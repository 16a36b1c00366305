#include "BlockingWait.h"

#include <utility>

namespace velkor {
namespace {
BlockingWaiter installed;
}

void waitFor(const std::function<void()>& work) {
  if (installed)
    installed(work);
  else
    work();
}

void setBlockingWaiter(BlockingWaiter waiter) { installed = std::move(waiter); }

}  // namespace velkor

#include "BusyHint.h"

#include "ExchangeTurn.h"

namespace velkor {

std::string busyMessage(const std::string& holder) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(kTurnLimit).count();
  return "busy: " + (holder.empty() ? std::string("another program") : holder) + " has had it for over " +
         std::to_string(seconds) + " s; try again";
}

}  // namespace velkor

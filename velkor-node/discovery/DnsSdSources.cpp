#include "DnsSdSources.h"

#include <memory>

namespace velkor::node {

Browse unicastThenMulticast(Browse unicast, MulticastBrowse multicast, std::function<void(const std::string&)> note) {
  // Browses run one at a time (on the registration's browse thread), so the last problem
  // needs no lock.
  auto lastProblem = std::make_shared<std::string>();
  return [unicast = std::move(unicast), multicast = std::move(multicast), note = std::move(note), lastProblem] {
    std::vector<ServiceAdvert> adverts = unicast();
    if (!adverts.empty()) return adverts;
    MulticastBrowseResult found = multicast();
    if (found.problem != *lastProblem) {
      note(found.problem.empty() ? "mDNS available again" : found.problem);
      *lastProblem = found.problem;
    }
    return std::move(found.adverts);
  };
}

}  // namespace velkor::node

#pragma once
// Multicast DNS-SD through the host's avahi-daemon (over D-Bus): the instances of a
// service type in ".local", each resolved to host, port and TXT. The browse runs on the
// node's Avahi loop; the caller waits for it at most `limit` (and a little for the loop
// to answer), even when the daemon or the bus does not answer at all: run it off the
// network thread.

#include <chrono>
#include <string>
#include <vector>

#include "AvahiLoop.h"
#include "ServiceChoice.h"

namespace velkor::node {

struct MulticastBrowseResult {
  std::vector<ServiceAdvert> adverts;
  std::string problem;  // why nothing could be asked (no daemon, no D-Bus, no answer); empty when asked
};

// `serviceType` as "_nmos-register._tcp".
MulticastBrowseResult browseMulticast(AvahiLoop& loop, const std::string& serviceType, std::chrono::milliseconds limit);

}  // namespace velkor::node

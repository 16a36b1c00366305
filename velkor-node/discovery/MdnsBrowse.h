#pragma once
// Multicast DNS-SD through the host's avahi-daemon (over D-Bus): the instances of a
// service type in ".local", each resolved to host, port and TXT. Blocking for at most
// `limit`: run it off the network thread.

#include <chrono>
#include <string>
#include <vector>

#include "ServiceChoice.h"

namespace velkor::node {

struct MulticastBrowseResult {
  std::vector<ServiceAdvert> adverts;
  std::string problem;  // why nothing could be asked (no daemon, no D-Bus); empty when asked
};

// `serviceType` as "_nmos-register._tcp".
MulticastBrowseResult browseMulticast(const std::string& serviceType, std::chrono::milliseconds limit);

}  // namespace velkor::node

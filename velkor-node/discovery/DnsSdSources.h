#pragma once
// The registries DNS-SD gives: unicast DNS-SD first, and mDNS only when unicast found
// none. A unicast answer means the facility's DNS is in charge: its registries are the
// ones to use, even while they fail, rather than whatever answers on the local link.

#include <functional>
#include <string>

#include "MdnsBrowse.h"
#include "ServiceChoice.h"

namespace velkor::node {

using MulticastBrowse = std::function<MulticastBrowseResult()>;

// `note` hears of mDNS becoming unavailable, or available again, once per change rather
// than at every browse.
Browse unicastThenMulticast(Browse unicast, MulticastBrowse multicast, std::function<void(const std::string&)> note);

}  // namespace velkor::node

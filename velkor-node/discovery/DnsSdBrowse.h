#pragma once
// Unicast DNS-SD through the system resolver: the PTR records of a service type in each
// search domain of resolv.conf (or the domains given), then each instance's SRV and TXT.
// Blocking (the resolver's own time-outs): run it off the network thread.

#include <string>
#include <vector>

#include "ServiceChoice.h"

namespace velkor::node {

// `serviceType` as "_nmos-register._tcp". Empty `domains`: the resolver's search list.
std::vector<ServiceAdvert> browseUnicast(const std::string& serviceType, const std::vector<std::string>& domains);

// TXT record strings ("key=value") as a map; a string without '=' is a key with an
// empty value. `rdata` is the record's data as it travels.
std::map<std::string, std::string> parseTxt(const unsigned char* rdata, std::size_t length);

}  // namespace velkor::node

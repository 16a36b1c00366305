#pragma once
// What the node's own DNS-SD advertisement (`_nmos-node._tcp`) carries in TXT: how its
// Node API is reached, and, for peers that follow it without a registry, a counter per
// resource list that moves whenever that list changes.

#include <cstdint>
#include <string>
#include <vector>

namespace velkor::node {

// Eight bits each, wrapping from 255 to 0, as peers expect.
struct ResourceCounters {
  std::uint8_t self = 0;
  std::uint8_t sources = 0;
  std::uint8_t flows = 0;
  std::uint8_t devices = 0;
  std::uint8_t senders = 0;
  std::uint8_t receivers = 0;
};

// "key=value" strings, in the order they are advertised; `tls`: the Node API is HTTPS;
// `authorization`: it asks for tokens.
std::vector<std::string> nodeAdvertTxt(const ResourceCounters& counters, bool tls, bool authorization);

}  // namespace velkor::node

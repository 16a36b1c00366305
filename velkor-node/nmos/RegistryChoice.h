#pragma once
// Which registries to use, in which order: those that serve this node's API version
// over the node's own protocol (TXT "api_proto": "http", or "https" when the node
// serves TLS) without authorization, by their advertised priority (TXT "pri", lowest
// first), in random order within one priority.

#include <map>
#include <random>
#include <string>
#include <vector>

namespace velkor::node {

struct RegistryAdvert {
  std::string host;
  unsigned port = 0;
  std::map<std::string, std::string> txt;
};

struct RegistryCandidate {
  std::string host;
  unsigned port = 0;
  int priority = 0;
  bool operator==(const RegistryCandidate&) const = default;
};

std::vector<RegistryCandidate> chooseRegistries(const std::vector<RegistryAdvert>& adverts, const std::string& apiProto,
                                                std::mt19937& random);

}  // namespace velkor::node

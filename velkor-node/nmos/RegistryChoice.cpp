#include "RegistryChoice.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <sstream>

namespace velkor::node {
namespace {

constexpr const char* kApiVersion = "v1.3";

std::optional<int> priorityOf(const RegistryAdvert& advert) {
  const auto found = advert.txt.find("pri");
  if (found == advert.txt.end()) return std::nullopt;
  int priority = 0;
  const std::string& text = found->second;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), priority);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return priority;
}

bool servesThisNode(const RegistryAdvert& advert, const std::string& apiProto) {
  const auto value = [&](const char* key) {
    const auto found = advert.txt.find(key);
    return found == advert.txt.end() ? std::string() : found->second;
  };
  if (value("api_proto") != apiProto || value("api_auth") != "false") return false;
  std::istringstream versions(value("api_ver"));
  for (std::string version; std::getline(versions, version, ',');)
    if (version == kApiVersion) return true;
  return false;
}

}  // namespace

std::vector<RegistryCandidate> chooseRegistries(const std::vector<RegistryAdvert>& adverts, const std::string& apiProto,
                                                std::mt19937& random) {
  std::vector<RegistryCandidate> chosen;
  for (const RegistryAdvert& advert : adverts) {
    const std::optional<int> priority = priorityOf(advert);
    if (!priority || advert.port == 0 || advert.port > 65535 || advert.host.empty() || !servesThisNode(advert, apiProto))
      continue;
    RegistryCandidate candidate{advert.host, advert.port, *priority};
    // The same registry found by mDNS and by unicast DNS-SD is one registry.
    if (std::find(chosen.begin(), chosen.end(), candidate) == chosen.end()) chosen.push_back(candidate);
  }
  std::shuffle(chosen.begin(), chosen.end(), random);
  std::stable_sort(chosen.begin(), chosen.end(), [](const auto& a, const auto& b) { return a.priority < b.priority; });
  return chosen;
}

}  // namespace velkor::node

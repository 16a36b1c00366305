#include "ServiceChoice.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace velkor::node {
namespace {

std::optional<int> priorityOf(const ServiceAdvert& advert) {
  const auto found = advert.txt.find(kTxtPriority);
  if (found == advert.txt.end()) return std::nullopt;
  int priority = 0;
  const std::string& text = found->second;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), priority);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return priority;
}

bool serves(const ServiceAdvert& advert, const ServiceWanted& wanted) {
  const auto value = [&](const char* key) {
    const auto found = advert.txt.find(key);
    return found == advert.txt.end() ? std::string() : found->second;
  };
  const std::string proto = value(kTxtApiProto);
  if (std::find(wanted.protocols.begin(), wanted.protocols.end(), proto) == wanted.protocols.end()) return false;
  if (wanted.authorization && value(kTxtApiAuth) != (*wanted.authorization ? "true" : "false")) return false;
  std::istringstream versions(value(kTxtApiVersions));
  for (std::string version; std::getline(versions, version, ',');)
    if (version == wanted.apiVersion) return true;
  return false;
}

}  // namespace

std::vector<ServiceCandidate> chooseServices(const std::vector<ServiceAdvert>& adverts, const ServiceWanted& wanted,
                                             std::mt19937& random) {
  std::vector<ServiceCandidate> chosen;
  for (const ServiceAdvert& advert : adverts) {
    const std::optional<int> priority = priorityOf(advert);
    if (!priority || advert.port == 0 || advert.port > 65535 || advert.host.empty() || !serves(advert, wanted)) continue;
    ServiceCandidate candidate{advert.host, advert.port, *priority, advert.txt};
    // The same service found by mDNS and by unicast DNS-SD is one service.
    const auto same = [&](const ServiceCandidate& c) { return c.host == candidate.host && c.port == candidate.port; };
    if (std::none_of(chosen.begin(), chosen.end(), same)) chosen.push_back(std::move(candidate));
  }
  std::shuffle(chosen.begin(), chosen.end(), random);
  std::stable_sort(chosen.begin(), chosen.end(), [](const auto& a, const auto& b) { return a.priority < b.priority; });
  return chosen;
}

}  // namespace velkor::node

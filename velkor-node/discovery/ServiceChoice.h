#pragma once
// Which of the services DNS-SD found to use, in which order: those of the API version,
// protocols and authorization wanted (TXT "api_ver", "api_proto", "api_auth"), by their
// advertised priority (TXT "pri", lowest first), in random order within one priority.
// One rule for every NMOS service the node looks for: registries, authorization servers.

#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace velkor::node {

// The TXT keys NMOS services advertise themselves with.
inline constexpr const char* kTxtPriority = "pri";
inline constexpr const char* kTxtApiVersions = "api_ver";
inline constexpr const char* kTxtApiProto = "api_proto";
inline constexpr const char* kTxtApiAuth = "api_auth";
inline constexpr const char* kTxtApiSelector = "api_selector";

struct ServiceAdvert {
  std::string host;
  unsigned port = 0;
  std::map<std::string, std::string> txt;
};

struct ServiceCandidate {
  std::string host;
  unsigned port = 0;
  int priority = 0;
  std::map<std::string, std::string> txt;
  bool operator==(const ServiceCandidate&) const = default;
};

struct ServiceWanted {
  std::string apiVersion;              // one of the versions of "api_ver"
  std::vector<std::string> protocols;  // "api_proto" is one of these
  std::optional<bool> authorization;   // "api_auth" says this; none: not looked at
};

// Whatever DNS-SD finds, blocking; or what was configured.
using Browse = std::function<std::vector<ServiceAdvert>()>;

std::vector<ServiceCandidate> chooseServices(const std::vector<ServiceAdvert>& adverts, const ServiceWanted& wanted,
                                             std::mt19937& random);

}  // namespace velkor::node

#pragma once
// What velkor-node is told: its configuration file, then its command line, which
// overrides the file.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "QueueBudget.h"

namespace velkor::node {

inline constexpr const char* kDefaultConfigFile = "/etc/velkor-node/velkor-node.conf";
// Every refusal of the command line or the configuration (its TLS files included) exits
// with this status, so that the service manager can tell a mistake it must not retry
// from a failure.
inline constexpr int kExitConfigError = 2;

struct NodeConfig {
  bool virtualConverters = false;
  // Where the HTTP server listens, "ADDRESS:PORT" ("[v6]:PORT" for IPv6); nowhere else.
  std::vector<std::string> listen{"127.0.0.1:8080"};
  std::string label;  // empty: the host name
  std::filesystem::path stateDir{"/var/lib/velkor-node"};
  // "dns-sd" (unicast in the resolver's search domains and mDNS), "HOST:PORT" of one
  // registry, or "none" (peer-to-peer only).
  std::string registry{"dns-sd"};
  std::vector<std::string> dnsSdDomains;  // empty: the resolver's search domains
  std::chrono::milliseconds pollInterval{1000};
  bool readOnly = false;
  bool verbose = false;
  // PEM files. Both the chain and the key: every listener serves HTTPS (WSS for control)
  // and only HTTPS registries are used; neither: plain HTTP. The CA file is what the
  // node trusts in registries' certificates; empty: the system's trust store.
  std::filesystem::path tlsCertificate;
  std::filesystem::path tlsPrivateKey;
  std::filesystem::path tlsTrustedCa;
  // Authorization (NMOS IS-10): every request needs a token of the facility's
  // authorization server, found by DNS-SD or the one configured (its issuer URL), that
  // names this host (`hostName`, empty: the host's fully qualified name) in its audience.
  bool authorization = false;
  std::string hostName;
  std::string authorizationServer;
  // Where /metrics alone is served, with no token: with authorization it is served only
  // there, since a scraper has no token of the facility's server.
  std::vector<std::string> metricsListen;
  // What all IS-12 controllers together may leave unread in the node's memory, in MiB.
  std::size_t controlQueueBudgetMiB = control::kDefaultQueueBudgetMiB;

  bool tls() const { return !tlsCertificate.empty() && !tlsPrivateKey.empty(); }
  std::size_t controlQueueBudgetBytes() const { return controlQueueBudgetMiB * control::kBytesPerMiB; }
};

// What is wrong with the configuration as a whole (a TLS certificate without its key,
// ...), or empty.
std::string configProblem(const NodeConfig& config);

// Reads "key = value" lines ('#' starts a comment) into `config`; empty, or what is
// wrong, naming the file and line.
std::string readConfigFile(const std::filesystem::path& file, NodeConfig& config);

struct CommandLineResult {
  std::optional<int> exitNow;  // set for --help, --version and usage errors
  NodeConfig config;
};

CommandLineResult parseCommandLine(int argc, char** argv);

struct ListenAddress {
  std::string address;
  unsigned short port = 0;
};
// "ADDRESS:PORT" or "[IPv6]:PORT"; nullopt when it is neither.
std::optional<ListenAddress> parseListen(const std::string& text);

}  // namespace velkor::node

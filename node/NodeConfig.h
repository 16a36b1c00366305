#pragma once
// What velkor-node is told: its configuration file, then its command line, which
// overrides the file.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velkor::node {

inline constexpr const char* kDefaultConfigFile = "/etc/velkor-node/velkor-node.conf";

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
};

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

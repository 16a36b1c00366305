#include "NodeConfig.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstring>
#include <cstdio>
#include <sstream>

#include "FileRead.h"
#include "Url.h"

namespace velkor::node {
namespace {

// A configuration file is a few lines; anything larger is not one.
constexpr std::size_t kConfigFileLimit = 64 * 1024;
constexpr long kShortestPollMs = 100;
constexpr long kLongestPollMs = 60'000;
// At least what one controller may queue (4 MiB), so that any one of them can be
// served; at most what a host the node runs on can spare.
constexpr long kLeastQueueBudgetMiB = 4;
constexpr long kMostQueueBudgetMiB = 4096;

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t\r") - first + 1));
}

std::optional<bool> parseBool(const std::string& value) {
  if (value == "true" || value == "yes" || value == "1") return true;
  if (value == "false" || value == "no" || value == "0") return false;
  return std::nullopt;
}

std::vector<std::string> splitList(const std::string& value) {
  std::vector<std::string> items;
  std::istringstream stream(value);
  for (std::string item; std::getline(stream, item, ',');)
    if (std::string t = trimmed(item); !t.empty()) items.push_back(t);
  return items;
}

// The whole of `value` as a number from `least` to `most`.
std::optional<long> boundedNumber(const std::string& value, long least, long most) {
  long number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc{} || end != value.data() + value.size() || number < least || number > most)
    return std::nullopt;
  return number;
}

std::string notFromTo(const char* what, long least, long most) {
  return std::string("not a number of ") + what + " from " + std::to_string(least) + " to " + std::to_string(most);
}

// Empty, or what is wrong with the value.
std::string apply(NodeConfig& config, const std::string& key, const std::string& value) {
  if (key == "listen") {
    config.listen = splitList(value);
    for (const std::string& item : config.listen)
      if (!parseListen(item)) return "not ADDRESS:PORT: " + item;
    if (config.listen.empty()) return "no address";
  } else if (key == "label") {
    config.label = value;
  } else if (key == "state-dir") {
    config.stateDir = value;
  } else if (key == "registry") {
    if (value != "dns-sd" && value != "none" && !parseListen(value)) return "not dns-sd, none or HOST:PORT";
    config.registry = value;
  } else if (key == "dns-sd-domains") {
    config.dnsSdDomains = splitList(value);
  } else if (key == "poll-interval-ms") {
    const std::optional<long> ms = boundedNumber(value, kShortestPollMs, kLongestPollMs);
    if (!ms) return notFromTo("milliseconds", kShortestPollMs, kLongestPollMs);
    config.pollInterval = std::chrono::milliseconds(*ms);
  } else if (key == "control-queue-budget") {
    const std::optional<long> mib = boundedNumber(value, kLeastQueueBudgetMiB, kMostQueueBudgetMiB);
    if (!mib) return notFromTo("MiB", kLeastQueueBudgetMiB, kMostQueueBudgetMiB);
    config.controlQueueBudgetMiB = static_cast<std::size_t>(*mib);
  } else if (key == "tls-certificate" || key == "tls-private-key" || key == "tls-ca") {
    (key == "tls-certificate" ? config.tlsCertificate
     : key == "tls-private-key" ? config.tlsPrivateKey
                                : config.tlsTrustedCa) = value;
  } else if (key == "read-only" || key == "virtual" || key == "authorization") {
    const std::optional<bool> flag = parseBool(value);
    if (!flag) return "not true or false";
    (key == "read-only" ? config.readOnly : key == "virtual" ? config.virtualConverters : config.authorization) = *flag;
  } else if (key == "host-name") {
    config.hostName = value;
  } else if (key == "authorization-server") {
    if (!value.empty() && !http::parseUrl(value)) return "not an http:// or https:// URL";
    config.authorizationServer = value;
  } else if (key == "metrics-listen") {
    config.metricsListen = splitList(value);
    for (const std::string& item : config.metricsListen)
      if (!parseListen(item)) return "not ADDRESS:PORT: " + item;
  } else {
    return "unknown key";
  }
  return {};
}

}  // namespace

std::optional<ListenAddress> parseListen(const std::string& text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return std::nullopt;
  std::string address = text.substr(0, colon);
  if (address.front() == '[') {
    if (address.size() < 3 || address.back() != ']') return std::nullopt;
    address = address.substr(1, address.size() - 2);
  } else if (address.find(':') != std::string::npos) {
    return std::nullopt;
  }
  unsigned port = 0;
  const char* first = text.data() + colon + 1;
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(first, last, port);
  if (error != std::errc{} || end != last || first == last || port > 65535) return std::nullopt;
  return ListenAddress{address, static_cast<unsigned short>(port)};
}

std::string readConfigFile(const std::filesystem::path& file, NodeConfig& config) {
  const BoundedRead read = readRegularFile(file, kConfigFileLimit, Links::Follow);
  if (read.outcome != BoundedRead::Outcome::Read)
    return file.string() + ": cannot be read" + (read.problem.empty() ? std::string() : ": " + read.problem);
  std::istringstream lines(read.bytes);
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    line = trimmed(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    const std::size_t equals = line.find('=');
    const std::string where = file.string() + ":" + std::to_string(number) + ": ";
    if (equals == std::string::npos) return where + "not KEY = VALUE";
    const std::string key = trimmed(line.substr(0, equals));
    if (const std::string problem = apply(config, key, trimmed(line.substr(equals + 1))); !problem.empty())
      return where + key + ": " + problem;
  }
  return {};
}

std::string configProblem(const NodeConfig& config) {
  const bool certificate = !config.tlsCertificate.empty();
  const bool key = !config.tlsPrivateKey.empty();
  // Half a TLS setup must not quietly serve plain HTTP.
  if (certificate && !key) return "tls-certificate is set but tls-private-key is not: TLS needs both";
  if (key && !certificate) return "tls-private-key is set but tls-certificate is not: TLS needs both";
  if (!config.tlsTrustedCa.empty() && !config.tls() && !config.authorization)
    return "tls-ca is set but the node serves no TLS: it checks registries only when it talks HTTPS to them";
  if (!config.authorizationServer.empty() && !config.authorization)
    return "authorization-server is set but authorization is not: set authorization = true";
  if (config.authorization && config.tls() && config.authorizationServer.starts_with("http://"))
    return "authorization-server is plain HTTP but the node serves TLS: its keys would come unprotected";
  return {};
}

CommandLineResult parseCommandLine(int argc, char** argv) {
  CommandLineResult result;
  CLI::App app{"Registers the Velkor converters of this host as an AMWA NMOS node (IS-04).", "velkor-node"};
  app.set_version_flag("--version", std::string("velkor-node ") + VELKOR_VERSION);
  bool virtualConverters = false;
  std::vector<std::string> listen;
  std::string stateDir;
  std::string configFile;
  bool verbose = false;
  std::string tlsCertificate;
  std::string tlsPrivateKey;
  std::string tlsTrustedCa;
  std::string controlQueueBudget;
  app.add_flag("--virtual", virtualConverters, "serve the three virtual converters of the demo");
  app.add_option("--listen", listen, "ADDRESS:PORT to serve HTTP on (repeat for more)");
  app.add_option("--state-dir", stateDir, "folder that keeps the node's id");
  app.add_option("--config", configFile, std::string("configuration file (default ") + kDefaultConfigFile + ")");
  app.add_flag("--verbose", verbose, "log every exchange with the converters");
  app.add_option("--tls-certificate", tlsCertificate, "PEM certificate chain: serve HTTPS and WSS only");
  app.add_option("--tls-private-key", tlsPrivateKey, "PEM private key of that certificate");
  app.add_option("--tls-ca", tlsTrustedCa, "PEM certificates to trust in registries (default: the system's)");
  app.add_option("--control-queue-budget", controlQueueBudget,
                 "MiB all IS-12 controllers together may leave unread (default 64)")
      ->type_name("MIB");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // --help and --version come this way too, with status 0.
    result.exitNow = app.exit(error) == 0 ? 0 : kExitConfigError;
    return result;
  }
  NodeConfig& config = result.config;
  const bool namedConfig = !configFile.empty();
  const std::filesystem::path file = namedConfig ? std::filesystem::path(configFile) : kDefaultConfigFile;
  std::error_code ignored;
  if (namedConfig || std::filesystem::exists(file, ignored)) {
    if (const std::string problem = readConfigFile(file, config); !problem.empty()) {
      std::fprintf(stderr, "velkor-node: %s\n", problem.c_str());
      result.exitNow = kExitConfigError;
      return result;
    }
  }
  if (virtualConverters) config.virtualConverters = true;
  if (!listen.empty()) {
    for (const std::string& item : listen) {
      if (!parseListen(item)) {
        std::fprintf(stderr, "velkor-node: --listen: not ADDRESS:PORT: %s\n", item.c_str());
        result.exitNow = kExitConfigError;
        return result;
      }
    }
    config.listen = listen;
  }
  if (!stateDir.empty()) config.stateDir = stateDir;
  if (!tlsCertificate.empty()) config.tlsCertificate = tlsCertificate;
  if (!tlsPrivateKey.empty()) config.tlsPrivateKey = tlsPrivateKey;
  if (!tlsTrustedCa.empty()) config.tlsTrustedCa = tlsTrustedCa;
  if (!controlQueueBudget.empty()) {
    if (const std::string problem = apply(config, "control-queue-budget", controlQueueBudget); !problem.empty()) {
      std::fprintf(stderr, "velkor-node: --control-queue-budget: %s\n", problem.c_str());
      result.exitNow = kExitConfigError;
      return result;
    }
  }
  if (const std::string problem = configProblem(config); !problem.empty()) {
    std::fprintf(stderr, "velkor-node: %s\n", problem.c_str());
    result.exitNow = kExitConfigError;
    return result;
  }
  config.verbose = verbose;
  return result;
}

}  // namespace velkor::node

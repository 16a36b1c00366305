// What velkor-node is told: the exit status of every refusal, and the configuration file
// the package ships against what the program takes.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "NodeConfig.h"
#include "ScratchFolder.h"

namespace velkor::node {
namespace {

std::string readWhole(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::optional<int> exitStatusOf(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "velkor-node");
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  return parseCommandLine(static_cast<int>(argv.size()), argv.data()).exitNow;
}

// The service manager retries a failure but not a mistake in the command line or the
// file, so every mistake must end with the one status that says so.
TEST(NodeConfigTest, ExitStatusOfEveryRefusal) {
  const std::filesystem::path folder = test::makeScratchFolder("velkor-node-config-");
  const std::string empty = (folder / "empty.conf").string();
  const std::string wrong = (folder / "wrong.conf").string();
  std::ofstream(empty).close();
  std::ofstream(wrong) << "listen = 127.0.0.1:8080\npoll-interval-ms = 5\n";
  const std::string smallBudget = (folder / "small-budget.conf").string();
  std::ofstream(smallBudget) << "control-queue-budget = 3\n";
  const std::string authorized = (folder / "authorized.conf").string();
  const std::string serverAlone = (folder / "server-alone.conf").string();
  const std::string notUrl = (folder / "not-url.conf").string();
  std::ofstream(authorized) << "authorization = true\nauthorization-server = https://auth.example.com\n";
  std::ofstream(serverAlone) << "authorization-server = https://auth.example.com\n";
  std::ofstream(notUrl) << "authorization = true\nauthorization-server = auth.example.com\n";
  const struct {
    std::vector<std::string> arguments;
    std::optional<int> status;
  } cases[] = {
      {{"--config", empty}, std::nullopt},
      {{"--help"}, 0},
      {{"--version"}, 0},
      {{"--config", empty, "--no-such-option"}, 2},
      {{"--config", empty, "surplus"}, 2},
      {{"--config", empty, "--listen"}, 2},
      {{"--config", empty, "--listen", "localhost"}, 2},
      {{"--config", (folder / "missing.conf").string()}, 2},
      {{"--config", wrong}, 2},
      {{"--config", folder.string()}, 2},
      // Half a TLS setup is a mistake, never plain HTTP.
      {{"--config", empty, "--tls-certificate", empty}, 2},
      {{"--config", empty, "--tls-private-key", empty}, 2},
      {{"--config", empty, "--tls-ca", empty}, 2},
      // Authorization reaches its server over HTTPS even when the node serves none.
      {{"--config", authorized, "--tls-ca", empty}, std::nullopt},
      {{"--config", serverAlone}, 2},
      {{"--config", notUrl}, 2},
      // The budget of all controllers' queued answers: whole MiB, from one controller's cap up.
      {{"--config", empty, "--control-queue-budget", "4"}, std::nullopt},
      {{"--config", empty, "--control-queue-budget", "4096"}, std::nullopt},
      {{"--config", empty, "--control-queue-budget", "3"}, 2},
      {{"--config", empty, "--control-queue-budget", "4097"}, 2},
      {{"--config", empty, "--control-queue-budget", "64M"}, 2},
      {{"--config", empty, "--control-queue-budget", "-64"}, 2},
      {{"--config", empty, "--control-queue-budget", "18446744073709551680"}, 2},
      {{"--config", smallBudget}, 2},
  };
  for (const auto& c : cases) {
    std::string line;
    for (const std::string& argument : c.arguments) line += argument + " ";
    EXPECT_EQ(exitStatusOf(c.arguments), c.status) << line;
  }
  std::filesystem::remove_all(folder);
}

// The packaged file shows every key as "#key = default". Taken as they are, they must
// be keys the program reads, with the defaults it has; and no key it reads may be
// missing from the file.
TEST(NodeConfigTest, PackagedFileDocumentsEveryKeyWithItsDefault) {
  const std::string packaged = readWhole(VELKOR_NODE_PACKAGED_CONFIG);
  ASSERT_FALSE(packaged.empty());
  const std::regex defaultLine(R"(^#([a-z-]+) =(.*)$)");
  std::set<std::string> documented;
  std::string uncommented;
  std::istringstream lines(packaged);
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_match(line, match, defaultLine)) {
      documented.insert(match[1]);
      uncommented += line.substr(1) + "\n";
    }
  }
  const std::filesystem::path folder = test::makeScratchFolder("velkor-node-config-");
  const std::filesystem::path file = folder / "defaults.conf";
  std::ofstream(file) << uncommented;
  NodeConfig config;
  EXPECT_EQ(readConfigFile(file, config), "");
  std::filesystem::remove_all(folder);

  const NodeConfig defaults;
  EXPECT_EQ(config.listen, defaults.listen);
  EXPECT_EQ(config.label, defaults.label);
  EXPECT_EQ(config.stateDir, defaults.stateDir);
  EXPECT_EQ(config.registry, defaults.registry);
  EXPECT_EQ(config.dnsSdDomains, defaults.dnsSdDomains);
  EXPECT_EQ(config.pollInterval, defaults.pollInterval);
  EXPECT_EQ(config.readOnly, defaults.readOnly);
  EXPECT_EQ(config.virtualConverters, defaults.virtualConverters);
  EXPECT_EQ(config.tlsCertificate, defaults.tlsCertificate);
  EXPECT_EQ(config.tlsPrivateKey, defaults.tlsPrivateKey);
  EXPECT_EQ(config.tlsTrustedCa, defaults.tlsTrustedCa);
  EXPECT_EQ(config.authorization, defaults.authorization);
  EXPECT_EQ(config.authorizationServer, defaults.authorizationServer);
  EXPECT_EQ(config.hostName, defaults.hostName);
  EXPECT_EQ(config.metricsListen, defaults.metricsListen);
  EXPECT_EQ(config.controlQueueBudgetMiB, defaults.controlQueueBudgetMiB);

  // The keys the reader compares against, as its source names them.
  const std::string source = readWhole(VELKOR_NODE_CONFIG_SOURCE);
  const std::regex keyCompare(R"#(key == "([a-z-]+)")#");
  std::set<std::string> read;
  for (auto it = std::sregex_iterator(source.begin(), source.end(), keyCompare); it != std::sregex_iterator(); ++it)
    read.insert((*it)[1]);
  EXPECT_FALSE(read.empty());
  EXPECT_EQ(documented, read);
}

}  // namespace
}  // namespace velkor::node

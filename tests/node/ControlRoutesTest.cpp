// The node's WebSocket upgrades reach the control endpoint of the converter their path
// names, only while that converter is plugged in; every other path is left to the
// HTTP server to refuse.

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>
#include <boost/beast/http.hpp>
#include <chrono>

#include "ControlRoutes.h"
#include "DemoConverters.h"
#include "NodeConfig.h"
#include "Resources.h"
#include "ScratchFolder.h"
#include "VirtualTransport.h"

namespace velkor::node {
namespace {

using tcp = boost::asio::ip::tcp;
namespace bhttp = boost::beast::http;

class ControlRoutesTest : public ::testing::Test {
 protected:
  ControlRoutesTest() { addDemoConverters(transport); }
  ~ControlRoutesTest() override { std::filesystem::remove_all(state); }

  // Offers the routes an upgrade request for `path`; true when an endpoint took it.
  bool upgrade(const std::string& path) {
    http::Request request{bhttp::verb::get, path, 11};
    request.set(bhttp::field::connection, "Upgrade");
    request.set(bhttp::field::upgrade, "websocket");
    request.set(bhttp::field::sec_websocket_key, "dGhlIHNhbXBsZSBub25jZQ==");
    request.set(bhttp::field::sec_websocket_version, "13");
    const http::UpgradeTaker taker = routes.route(request);
    if (taker) {
      tcp::socket socket(network);
      socket.open(tcp::v4());
      taker(http::PlainStream(std::move(socket)), request);
    }
    network.restart();
    network.poll();
    return static_cast<bool>(taker);
  }

  SteadyClock clock;
  VirtualTransport transport{clock};
  boost::asio::io_context network;
  ConverterHub hub{network, transport, {std::chrono::milliseconds(20), std::chrono::hours(1), false}};
  const std::filesystem::path state = test::makeScratchFolder("velkor-routes-");
  control::KeptValueStore kept{network, state, [](const std::string&) {}};
  control::QueueBudget budget{network.get_executor(), NodeConfig{}.controlQueueBudgetBytes()};
  events::NodeEvents events{[](const std::string&) {}};
  ControlRoutes routes{hub, {}, kept, budget, events};
};

TEST_F(ControlRoutesTest, UpgradeReachesOnlyAConverterPluggedInNow) {
  hub.start();
  ASSERT_EQ(routes.size(), hub.converters().size());
  const std::string id = hub.converters().front()->info().deviceId;
  const std::string path = std::string(kControlPathPrefix) + id;

  const struct {
    std::string path;
    bool taken;
  } cases[] = {
      {path, true},
      {path + "?client=1", true},
      {path + "/", false},
      {std::string(kControlPathPrefix), false},
      {path.substr(0, path.size() - 1), false},
      {"/x-nmos/node/v1.3/devices/" + id, false},
  };
  for (const auto& c : cases) EXPECT_EQ(upgrade(c.path), c.taken) << c.path;

  for (const auto& converter : transport.converters()) converter->setFault(ConverterFault::Unplugged);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (routes.size() != 0 && std::chrono::steady_clock::now() < deadline) {
    network.restart();
    network.run_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(routes.size(), 0u);
  EXPECT_FALSE(upgrade(path));
}

// A token's IS-12 claims, as a connection's permissions: a pattern takes in the object
// it names, those below a block it names, and "root.*" the root block too; the
// connection ends with the token.
TEST(ControlGrantTest, ClaimsBecomePermissionsByRolePath) {
  auth::TokenClaims claims;
  claims.expires = 1'900'000'000;
  claims.rights["control"] = {{"root.*"}, {"root.output"}};
  claims.rights["ncp"] = {{}, {"root.custom*"}};
  claims.rights["node"] = {{"*"}, {"*"}};  // another API's: no rights here
  const control::Grant grant = grantOf(claims);
  for (const char* path : {"root", "root.audio", "root.output"}) EXPECT_TRUE(grant.permissions.read(path)) << path;
  for (const char* path : {"root.output", "root.customSlots"}) EXPECT_TRUE(grant.permissions.write(path)) << path;
  for (const char* path : {"root", "root.audio", "root.outputs"}) EXPECT_FALSE(grant.permissions.write(path)) << path;
  EXPECT_EQ(grant.until, std::chrono::system_clock::time_point(std::chrono::seconds(1'900'000'005)));

  auth::TokenClaims blockOnly;
  blockOnly.rights["control"] = {{"root.status"}, {}};
  const control::Grant block = grantOf(blockOnly);
  EXPECT_TRUE(block.permissions.read("root.status"));
  EXPECT_TRUE(block.permissions.read("root.status.inner"));
  EXPECT_FALSE(block.permissions.read("root"));
  EXPECT_FALSE(block.permissions.write("root.status"));
}

}  // namespace
}  // namespace velkor::node

// A node that stops deletes what it registered, children first, and never waits on a
// registry that does not answer for longer than it was given.

#include <gtest/gtest.h>

#include <boost/asio/ip/tcp.hpp>
#include <chrono>
#include <memory>

#include "FakeConverter.h"
#include "HttpServer.h"
#include "PrivateNetwork.h"
#include "Registration.h"
#include "ResourceStore.h"

namespace velkor::node {
namespace {

namespace bhttp = boost::beast::http;
using namespace std::chrono_literals;
using testing::FakeConverter;
using tcp = boost::asio::ip::tcp;

class PrivateNetworkEnvironment : public ::testing::Environment {
 public:
  static inline bool entered = false;
  void SetUp() override { entered = testing::enterPrivateNetwork(); }
};
const auto* const kPrivateNetwork = ::testing::AddGlobalTestEnvironment(new PrivateNetworkEnvironment);

const char* const kNodeId = "0d5e4f2a-6b1c-4d3e-9f8a-7b6c5d4e3f2a";

ConverterInfo infoOf(const std::string& deviceId) {
  ConverterInfo info;
  info.modelWord = "TQ4410";
  info.identity = deviceId;
  info.deviceId = deviceId;
  return info;
}

// A registry that takes everything and writes down each request as "METHOD TARGET".
class LeaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!PrivateNetworkEnvironment::entered) GTEST_SKIP() << "no network namespace of our own could be made";
    ASSERT_EQ(registry_.listen({boost::asio::ip::make_address("127.0.0.1"), 0}), "");
    store_.addDevice(first_);
    store_.addDevice(second_);
  }

  Browse registryAdvert() {
    ServiceAdvert advert{"127.0.0.1", registry_.port(), {{"pri", "0"}, {"api_ver", "v1.3"}, {"api_proto", "http"},
                                                            {"api_auth", "false"}}};
    return [advert] { return std::vector<ServiceAdvert>{advert}; };
  }

  template <typename Condition>
  bool runUntil(Condition condition, std::chrono::milliseconds limit = 3s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition() && std::chrono::steady_clock::now() < deadline) {
      network_.restart();
      network_.run_for(10ms);
    }
    return condition();
  }

  boost::asio::io_context network_;
  std::vector<std::string> requests_;
  events::NodeEvents events_{nullptr};
  http::HttpServer registry_{network_, events_, [this](const http::Request& request, const http::ClientAddress&) {
                               requests_.push_back(std::string(request.method_string()) + " " +
                                                   std::string(request.target()));
                               const bool created = request.method() == bhttp::verb::post &&
                                                    request.target().ends_with("/resource");
                               http::Response response{created ? bhttp::status::created : bhttp::status::ok, 11};
                               if (request.method() == bhttp::verb::delete_) response.result(bhttp::status::no_content);
                               response.prepare_payload();
                               return response;
                             }};
  ResourceStore store_{{kNodeId, "rack 4", "rack4", {{"127.0.0.1", 8080}}, {}}};
  FakeConverter first_{infoOf("dev-a")};
  FakeConverter second_{infoOf("dev-b")};
};

TEST_F(LeaveTest, DeletesDevicesThenTheNode) {
  Registration registration(network_, store_, registryAdvert(), {});
  registration.start();
  ASSERT_TRUE(runUntil([&] { return !registration.registry().empty(); }));
  const std::size_t before = requests_.size();

  bool done = false;
  registration.leave(2s, [&] { done = true; });
  ASSERT_TRUE(runUntil([&] { return done; }));
  const std::vector<std::string> leaving(requests_.begin() + static_cast<std::ptrdiff_t>(before), requests_.end());
  EXPECT_EQ(leaving, (std::vector<std::string>{"DELETE /x-nmos/registration/v1.3/resource/devices/dev-a",
                                               "DELETE /x-nmos/registration/v1.3/resource/devices/dev-b",
                                               std::string("DELETE /x-nmos/registration/v1.3/resource/nodes/") + kNodeId}));
  // Nothing after: no heartbeat, no registration again.
  runUntil([] { return false; }, 200ms);
  EXPECT_EQ(requests_.size(), before + 3);
}

TEST_F(LeaveTest, GivesUpOnASilentRegistryInTime) {
  RegistrationOptions options;
  options.requestLimit = 300ms;
  Registration registration(network_, store_, registryAdvert(), options);
  registration.start();
  ASSERT_TRUE(runUntil([&] { return !registration.registry().empty(); }));
  // The registry hangs: its port takes connections into the backlog and never answers.
  const unsigned short port = registry_.port();
  registry_.stop();
  tcp::acceptor silent(network_, {boost::asio::ip::make_address("127.0.0.1"), port});

  bool done = false;
  const auto started = std::chrono::steady_clock::now();
  registration.leave(400ms, [&] { done = true; });
  ASSERT_TRUE(runUntil([&] { return done; }));
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
}

// Gone without leaving (destroyed mid-registration while the network thread runs on):
// the answers still on their way find nothing to call into.
TEST_F(LeaveTest, AnswersAfterTheRegistrationIsGoneAreDropped) {
  auto registration = std::make_unique<Registration>(network_, store_, registryAdvert(), RegistrationOptions{});
  registration->start();
  ASSERT_TRUE(runUntil([&] { return !requests_.empty(); }));
  registration.reset();
  runUntil([] { return false; }, 200ms);
  store_.removeDevice("dev-a");
  runUntil([] { return false; }, 100ms);
  EXPECT_LE(requests_.size(), 3u);
}

TEST_F(LeaveTest, WithoutARegistryIsDoneAtOnce) {
  Registration registration(network_, store_, [] { return std::vector<ServiceAdvert>{}; }, {});
  registration.start();
  runUntil([] { return false; }, 100ms);
  bool done = false;
  registration.leave(2s, [&] { done = true; });
  EXPECT_TRUE(done);
  EXPECT_TRUE(requests_.empty());
}

}  // namespace
}  // namespace velkor::node

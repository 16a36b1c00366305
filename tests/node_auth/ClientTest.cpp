// The node as an OAuth client, against doubles of an authorization server and a
// registry on the loopback of a network namespace of the test's own: registered once and
// kept as that client across restarts, its token renewed before it expires, and a
// registry's refusal of the token met with a new token, once, never in a loop.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>

#include "Base64.h"
#include "ClientCredentials.h"
#include "FakeConverter.h"
#include "HttpServer.h"
#include "PrivateNetwork.h"
#include "Registration.h"
#include "ResourceStore.h"
#include "ScratchFolder.h"

namespace velkor::node::auth {
namespace {

namespace bhttp = boost::beast::http;
using nlohmann::json;
using namespace std::chrono_literals;

class PrivateNetworkEnvironment : public ::testing::Environment {
 public:
  static inline bool entered = false;
  void SetUp() override { entered = node::testing::enterPrivateNetwork(); }
};
const auto* const kPrivateNetwork = ::testing::AddGlobalTestEnvironment(new PrivateNetworkEnvironment);

http::Response jsonAnswer(bhttp::status status, const json& body) {
  http::Response response{status, 11};
  response.set(bhttp::field::content_type, "application/json");
  response.body() = body.dump();
  response.prepare_payload();
  return response;
}

class NetworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!PrivateNetworkEnvironment::entered) GTEST_SKIP() << "no network namespace of our own could be made";
  }

  template <typename Condition>
  bool runUntil(Condition condition, std::chrono::milliseconds limit = 5s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition() && std::chrono::steady_clock::now() < deadline) {
      network.restart();
      network.run_for(10ms);
    }
    return condition();
  }

  boost::asio::io_context network;
  events::NodeEvents events{nullptr};
};

// An authorization server that registers clients and grants tokens of two seconds'
// life, numbered, to the client it registered.
class ClientCredentialsTest : public NetworkTest {
 protected:
  void SetUp() override {
    NetworkTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_EQ(server.listen({boost::asio::ip::make_address("127.0.0.1"), 0}), "");
    const std::string base = "http://127.0.0.1:" + std::to_string(server.port());
    metadata = {"http://127.0.0.1", *http::parseUrl(base + "/jwks"), http::parseUrl(base + "/token"),
                http::parseUrl(base + "/register")};
  }
  void TearDown() override { std::filesystem::remove_all(state); }

  ClientCredentialsOptions options() const {
    ClientCredentialsOptions made;
    made.stateDir = state;
    made.clientName = "velkor-node test";
    made.retry = 200ms;
    return made;
  }

  http::Response answer(const http::Request& request) {
    if (request.target() == "/register") {
      ++registrations;
      const json asked = json::parse(request.body());
      EXPECT_EQ(asked.at("grant_types"), json({"client_credentials"}));
      EXPECT_EQ(asked.at("scope"), "registration");
      return jsonAnswer(bhttp::status::created, {{"client_id", "client-7"}, {"client_secret", "s3/cret"}});
    }
    EXPECT_EQ(request[bhttp::field::content_type], "application/x-www-form-urlencoded");
    EXPECT_EQ(request.body(), "grant_type=client_credentials&scope=registration");
    // The secret form-encoded before the Basic encoding, as OAuth has it.
    EXPECT_EQ(request[bhttp::field::authorization], "Basic " + encodeBase64("client-7:s3%2Fcret"));
    return jsonAnswer(bhttp::status::ok,
                      {{"access_token", "token-" + std::to_string(++tokens)}, {"token_type", "Bearer"}, {"expires_in", 2}});
  }

  std::filesystem::path state = test::makeScratchFolder("velkor-node-oauth-");
  int registrations = 0;
  int tokens = 0;
  http::HttpServer server{network, events, [this](const http::Request& request, const http::ClientAddress&) { return answer(request); }};
  ServerMetadata metadata;
};

TEST_F(ClientCredentialsTest, RegistersOnceAndRenewsBeforeExpiry) {
  {
    ClientCredentials client(network, options(), [](const std::string&) {});
    client.useServer(metadata);
    ASSERT_TRUE(runUntil([&] { return !client.authorization().empty(); }));
    EXPECT_EQ(client.authorization(), "Bearer token-1");
    // A two-second token is renewed well before its end, with no request failing meanwhile.
    ASSERT_TRUE(runUntil([&] { return client.authorization() == "Bearer token-2"; }, 1800ms));
    bool renewed = false;
    client.renew([&] { renewed = true; });
    ASSERT_TRUE(runUntil([&] { return renewed; }));
    EXPECT_EQ(client.authorization(), "Bearer token-3");
  }
  struct stat kept {};
  ASSERT_EQ(stat((state / "oauth-client").c_str(), &kept), 0);
  EXPECT_EQ(kept.st_mode & 0777, 0600u);

  // A restart is the same client: no second registration.
  ClientCredentials again(network, options(), [](const std::string&) {});
  again.useServer(metadata);
  ASSERT_TRUE(runUntil([&] { return !again.authorization().empty(); }));
  EXPECT_EQ(registrations, 1);
}

// A token source the test sets, counting the renewals asked of it.
class CountingTokens final : public TokenSource {
 public:
  std::string authorization() const override { return "Bearer t" + std::to_string(renewals + 1); }
  void renew(std::function<void()> done) override {
    ++renewals;
    done();
  }
  int renewals = 0;
};

ConverterInfo infoOf(const std::string& deviceId) {
  ConverterInfo info;
  info.modelWord = "TQ4410";
  info.identity = deviceId;
  info.deviceId = deviceId;
  return info;
}

class RegistrationTokenTest : public NetworkTest {
 protected:
  void SetUp() override {
    NetworkTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_EQ(registry.listen({boost::asio::ip::make_address("127.0.0.1"), 0}), "");
    store.addDevice(converter);
  }

  Browse advert(const char* auth) {
    ServiceAdvert found{"127.0.0.1", registry.port(),
                        {{"pri", "0"}, {"api_ver", "v1.3"}, {"api_proto", "http"}, {"api_auth", auth}}};
    return [found] { return std::vector<ServiceAdvert>{found}; };
  }

  RegistrationOptions options() {
    RegistrationOptions made;
    made.tokens = &tokens;
    made.rebrowse = 100ms;
    made.longestBackoff = 200ms;
    return made;
  }

  int refusalsLeft = 0;  // how many requests the registry refuses before it takes tokens
  std::vector<std::string> seen;  // "TARGET TOKEN" of each request
  http::HttpServer registry{network, events, [this](const http::Request& request, const http::ClientAddress&) {
                              seen.push_back(std::string(request.target()) + " " +
                                             std::string(request[bhttp::field::authorization]));
                              if (refusalsLeft > 0) {
                                --refusalsLeft;
                                return jsonAnswer(bhttp::status::unauthorized, {{"code", 401}});
                              }
                              return jsonAnswer(request.target().starts_with("/x-nmos/registration/v1.3/health")
                                                    ? bhttp::status::ok
                                                    : bhttp::status::created,
                                                json::object());
                            }};
  CountingTokens tokens;
  ResourceStore store{{"0d5e4f2a-6b1c-4d3e-9f8a-7b6c5d4e3f2a", "rack 4", "rack4", {{"127.0.0.1", 8080}}, {}}};
  node::testing::FakeConverter converter{infoOf("dev-a")};
};

TEST_F(RegistrationTokenTest, ARefusedTokenIsRenewedAndTheRequestSentAgain) {
  refusalsLeft = 1;
  Registration registration(network, store, advert("true"), options());
  registration.start();
  ASSERT_TRUE(runUntil([&] { return !registration.registry().empty(); }));
  EXPECT_EQ(tokens.renewals, 1);
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen[0], "/x-nmos/registration/v1.3/resource Bearer t1");
  EXPECT_EQ(seen[1], "/x-nmos/registration/v1.3/resource Bearer t2");  // the same request, the new token
}

TEST_F(RegistrationTokenTest, ARegistryThatRefusesEveryTokenIsNotAskedInALoop) {
  refusalsLeft = 1'000'000;
  Registration registration(network, store, advert("true"), options());
  registration.start();
  runUntil([] { return false; }, 1s);
  EXPECT_TRUE(registration.registry().empty());
  // Each try is the request and its one retry, then the wait before browsing again.
  EXPECT_LE(seen.size(), 2u * 6);
  EXPECT_EQ(static_cast<std::size_t>(tokens.renewals) * 2, seen.size());
}

TEST_F(RegistrationTokenTest, WithAuthorizationOnlyRegistriesThatAskForItAreUsed) {
  Registration registration(network, store, advert("false"), options());
  registration.start();
  runUntil([] { return false; }, 300ms);
  EXPECT_TRUE(seen.empty());
}

}  // namespace
}  // namespace velkor::node::auth

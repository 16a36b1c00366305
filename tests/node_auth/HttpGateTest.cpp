// The door of the node's HTTP server: a refusal as clients read it (status, challenge,
// Retry-After, NMOS body), a WebSocket's token from its header or its access_token
// parameter, the log that never holds a token, and the count of refusals by reason.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "HttpGate.h"
#include "SigningKeys.h"
#include "TestTokens.h"

namespace velkor::node::auth {
namespace {

namespace bhttp = boost::beast::http;
using nlohmann::json;
using testing::claimsFor;
using testing::TestKey;

const std::string kIssuer = "https://auth.example.com";
const std::string kControlPath = "/x-nmos/ncp/v1.0/connect/3a6b0160-a451-55a2-82ea-a11a96d84c39";

http::Request requestFor(bhttp::verb method, const std::string& target, const std::string& authorization = {}) {
  http::Request request{method, target, 11};
  if (!authorization.empty()) request.set(bhttp::field::authorization, authorization);
  return request;
}

class HttpGateTest : public ::testing::Test {
 protected:
  HttpGateTest() {
    keys.take(kIssuer, readKeySet(json{{"keys", {key.jwk()}}}.dump()).keys, testing::secondsNow() - 600);
  }

  std::optional<http::Response> screen(const http::Request& request) { return gate.screen(request, client); }

  static inline const TestKey key{};
  KeyStore keys;
  TokenCheck check{keys, [](const std::string&) { return true; }, "node-3.example.com"};
  std::vector<std::string> asked;
  std::vector<std::string> log;
  events::NodeEvents events{[this](const std::string& line) { log.push_back(line); }};
  HttpGate gate{check, [this](const std::string& issuer) { asked.push_back(issuer); }, testing::secondsNow, events};
  const boost::asio::ip::address client = boost::asio::ip::make_address("10.20.0.7");
};

TEST_F(HttpGateTest, RefusalsAsClientsReadThem) {
  const std::string reader = key.sign(claimsFor(kIssuer, {{"x-nmos-node", {{"read", {"*"}}}}}));
  const std::string stranger = TestKey().sign(claimsFor(kIssuer, json::object()));
  struct Case {
    const char* what;
    http::Request request;
    std::optional<unsigned> status;  // none: let through
    std::string challenge;
  };
  const std::vector<Case> cases = {
      {"no token", requestFor(bhttp::verb::get, "/x-nmos/node/v1.3/self"), 401, "Bearer realm=node-3.example.com"},
      {"a token in the query of a plain request",
       requestFor(bhttp::verb::get, "/x-nmos/node/v1.3/self?access_token=" + reader), 401,
       "Bearer realm=node-3.example.com"},
      {"another scheme", requestFor(bhttp::verb::get, "/x-nmos/node/v1.3/self", "Basic dXNlcjpwYXNz"), 401,
       "Bearer realm=node-3.example.com,error=invalid_token"},
      {"a read token for a write", requestFor(bhttp::verb::post, "/x-nmos/node/v1.3/self", "Bearer " + reader), 403,
       "Bearer realm=node-3.example.com,error=insufficient_scope"},
      {"a key being fetched", requestFor(bhttp::verb::get, "/x-nmos/node/v1.3/self", "Bearer " + stranger), 503,
       "Bearer realm=node-3.example.com,error=invalid_token"},
      {"a valid token", requestFor(bhttp::verb::get, "/x-nmos/node/v1.3/self", "bearer " + reader), std::nullopt, ""},
      {"a CORS pre-flight", requestFor(bhttp::verb::options, "/x-nmos/node/v1.3/self"), std::nullopt, ""},
  };
  for (const Case& c : cases) {
    const std::optional<http::Response> refusal = screen(c.request);
    ASSERT_EQ(refusal.has_value(), c.status.has_value()) << c.what;
    if (!refusal) continue;
    EXPECT_EQ(refusal->result_int(), *c.status) << c.what;
    // A 503's challenge is the one its token would have met; what counts there is the wait.
    if (*c.status != 503) {
      EXPECT_EQ(refusal->at(bhttp::field::www_authenticate), c.challenge) << c.what;
    }
    EXPECT_EQ(json::parse(refusal->body()).at("code"), *c.status) << c.what;
    EXPECT_EQ(refusal->at(bhttp::field::access_control_allow_origin), "*") << c.what;
    EXPECT_EQ(refusal->count(bhttp::field::retry_after), *c.status == 503 ? 1u : 0u) << c.what;
  }
  EXPECT_EQ(asked, std::vector<std::string>{kIssuer});
  EXPECT_EQ(events.countOf(events::Kind::AuthorizationRefused, refusalName(Refusal::NoToken)), 2u);
  EXPECT_EQ(events.countOf(events::Kind::AuthorizationRefused, refusalName(Refusal::FetchingKeys)), 1u);
  // Each reason once in the log (the second missing token is counted, not logged), with
  // the client, never the token.
  ASSERT_EQ(log.size(), 4u);
  EXPECT_NE(log[0].find("from 10.20.0.7: no_token"), std::string::npos) << log[0];
  for (const std::string& line : log) EXPECT_EQ(line.find(reader.substr(0, 40)), std::string::npos) << line;
}

TEST_F(HttpGateTest, ControlConnectionsTakeTheirTokenFromHeaderOrQuery) {
  const std::string controller = key.sign(claimsFor(kIssuer, {{"x-nmos-ncp", {{"read", {"*"}}, {"write", {"root.output"}}}}}));
  const std::string nodeReader = key.sign(claimsFor(kIssuer, {{"x-nmos-node", {{"read", {"*"}}}}}));
  struct Case {
    const char* what;
    http::Request request;
    std::optional<unsigned> refusal;
  };
  const std::vector<Case> cases = {
      {"in the header", requestFor(bhttp::verb::get, kControlPath, "Bearer " + controller), std::nullopt},
      {"in the query", requestFor(bhttp::verb::get, kControlPath + "?access_token=" + controller), std::nullopt},
      {"among other parameters", requestFor(bhttp::verb::get, kControlPath + "?x=1&access_token=" + controller),
       std::nullopt},
      {"none", requestFor(bhttp::verb::get, kControlPath), 401},
      {"a broken one in the query", requestFor(bhttp::verb::get, kControlPath + "?access_token=abc"), 401},
      {"one that grants nothing on a device model", requestFor(bhttp::verb::get, kControlPath, "Bearer " + nodeReader),
       403},
  };
  for (const Case& c : cases) {
    const HttpGate::Admission admission = gate.admitControl(c.request, client);
    ASSERT_EQ(admission.refusal.has_value(), c.refusal.has_value()) << c.what;
    if (admission.refusal) {
      EXPECT_EQ(admission.refusal->result_int(), *c.refusal) << c.what;
    } else {
      EXPECT_EQ(admission.claims.rights.at("ncp").write, std::vector<std::string>{"root.output"}) << c.what;
    }
  }
  for (const std::string& line : log) EXPECT_EQ(line.find("access_token"), std::string::npos) << line;
}

}  // namespace
}  // namespace velkor::node::auth

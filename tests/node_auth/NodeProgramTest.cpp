// velkor-node with authorization, as the service runs it, against a double of the
// facility's authorization server in this test: the Node API behind tokens, the metrics
// on their own address with no token, and control connections opened with a token in
// the header or the query, each Set decided by the token's rights. All on the loopback
// of a network namespace of the test's own.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>

#include "HttpClient.h"
#include "HttpServer.h"
#include "NodeProcess.h"
#include "PrivateNetwork.h"
#include "ScratchFolder.h"
#include "TestTokens.h"

namespace velkor::node {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace bhttp = beast::http;
namespace websocket = beast::websocket;
using nlohmann::json;
using tcp = asio::ip::tcp;
using namespace std::chrono_literals;
using auth::testing::claimsFor;
using testing::NodeProcess;
using auth::testing::TestKey;

class PrivateNetworkEnvironment : public ::testing::Environment {
 public:
  static inline bool entered = false;
  void SetUp() override { entered = testing::enterPrivateNetwork(); }
};
const auto* const kPrivateNetwork = ::testing::AddGlobalTestEnvironment(new PrivateNetworkEnvironment);

// Ports of the test's own namespace: nothing else listens there.
constexpr unsigned short kNodePort = 18480;
constexpr unsigned short kMetricsPort = 18481;
const std::string kSelf = "/x-nmos/node/v1.3/self";

std::string readWhole(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

http::ClientResponse fetch(unsigned short port, const std::string& target, const std::string& token = {}) {
  asio::io_context io;
  http::ClientRequest request{"127.0.0.1", std::to_string(port), bhttp::verb::get, target, std::nullopt, 3000ms};
  if (!token.empty()) request.authorization = "Bearer " + token;
  http::ClientResponse answer;
  http::sendRequest(io, std::move(request), [&](http::ClientResponse response) { answer = std::move(response); });
  io.run();
  return answer;
}

// The facility's authorization server as far as a resource server asks it: its metadata
// and its keys, on a thread of its own.
class AuthorizationServerDouble {
 public:
  explicit AuthorizationServerDouble(const TestKey& key) : keys_(json{{"keys", {key.jwk()}}}) {
    EXPECT_EQ(server_.listen({asio::ip::make_address("127.0.0.1"), 0}), "");
    thread_ = std::thread([this] { io_.run(); });
  }
  ~AuthorizationServerDouble() {
    work_.reset();
    asio::post(io_, [this] { server_.stop(); io_.stop(); });
    thread_.join();
  }
  std::string issuer() const { return "http://127.0.0.1:" + std::to_string(server_.port()); }

 private:
  http::Response answer(const http::Request& request) {
    http::Response response{bhttp::status::ok, 11};
    response.set(bhttp::field::content_type, "application/json");
    if (request.target() == "/.well-known/oauth-authorization-server")
      response.body() = json{{"issuer", issuer()}, {"jwks_uri", issuer() + "/jwks"}}.dump();
    else if (request.target() == "/jwks")
      response.body() = keys_.dump();
    else
      response.result(bhttp::status::not_found);
    response.prepare_payload();
    return response;
  }

  json keys_;
  asio::io_context io_;
  asio::executor_work_guard<asio::io_context::executor_type> work_ = asio::make_work_guard(io_);
  events::NodeEvents events_{nullptr};
  http::HttpServer server_{io_, events_, [this](const http::Request& request, const http::ClientAddress&) { return answer(request); }};
  std::thread thread_;
};

struct ControlAnswer {
  unsigned refusedWith = 0;  // the HTTP status of a refused upgrade; 0 when upgraded
  json setResult;            // the Set's result when upgraded
};

// The status a declined upgrade was answered with, asked again as a plain HTTP upgrade
// request (the WebSocket client keeps the answer to itself).
unsigned declinedWith(const std::string& path, const std::string& headerToken) {
  asio::io_context io;
  beast::tcp_stream stream(io);
  stream.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), kNodePort));
  stream.expires_after(5s);
  bhttp::request<bhttp::empty_body> upgrade{bhttp::verb::get, path, 11};
  upgrade.set(bhttp::field::host, "127.0.0.1");
  upgrade.set(bhttp::field::upgrade, "websocket");
  upgrade.set(bhttp::field::connection, "Upgrade");
  upgrade.set(bhttp::field::sec_websocket_key, "dGhlIHNhbXBsZSBub25jZQ==");
  upgrade.set(bhttp::field::sec_websocket_version, "13");
  if (!headerToken.empty()) upgrade.set(bhttp::field::authorization, "Bearer " + headerToken);
  bhttp::write(stream, upgrade);
  beast::flat_buffer buffer;
  bhttp::response<bhttp::string_body> answer;
  bhttp::read(stream, buffer, answer);
  return answer.result_int();
}

// Opens a control connection (token in the header, or in the query), then sets the
// output page's user label.
ControlAnswer setOverControl(const std::string& path, const std::string& headerToken) {
  asio::io_context io;
  websocket::stream<beast::tcp_stream> ws(io);
  beast::get_lowest_layer(ws).connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), kNodePort));
  beast::get_lowest_layer(ws).expires_after(5s);
  if (!headerToken.empty())
    ws.set_option(websocket::stream_base::decorator(
        [headerToken](websocket::request_type& request) { request.set(bhttp::field::authorization, "Bearer " + headerToken); }));
  websocket::response_type refusal;
  beast::error_code error;
  ws.handshake(refusal, "127.0.0.1:" + std::to_string(kNodePort), path, error);
  if (error) return {declinedWith(path, headerToken), nullptr};
  const json set = {{"messageType", 0},
                    {"commands",
                     {{{"handle", 3}, {"oid", 4}, {"methodId", {{"level", 1}, {"index", 2}}},
                       {"arguments", {{"id", {{"level", 1}, {"index", 6}}}, {"value", "main out"}}}}}}};
  ws.write(asio::buffer(set.dump()));
  beast::flat_buffer buffer;
  ws.read(buffer);
  return {0, json::parse(beast::buffers_to_string(buffer.data()))["responses"][0]["result"]};
}

TEST(NodeProgramTest, ApiAndControlBehindTokensMetricsOnTheirOwnAddress) {
  if (!PrivateNetworkEnvironment::entered) GTEST_SKIP() << "no network namespace for this user";
  const std::filesystem::path folder = test::makeScratchFolder("velkor-node-auth-");
  const TestKey key;
  AuthorizationServerDouble authority(key);
  const std::filesystem::path config = folder / "node.conf";
  std::ofstream(config) << "registry = none\nauthorization = true\nauthorization-server = " << authority.issuer()
                        << "\nhost-name = node-3.example.com\nmetrics-listen = 127.0.0.1:" << kMetricsPort << "\n";
  const std::filesystem::path log = folder / "node.log";
  NodeProcess node({"--virtual", "--config", config.string(), "--state-dir", (folder / "state").string(), "--listen",
                    "127.0.0.1:" + std::to_string(kNodePort)},
                   log);
  ASSERT_TRUE(node.started());

  const std::string reader = key.sign(claimsFor(authority.issuer(), {{"x-nmos-node", {{"read", {"*"}}}}}));
  // Answered 503 until the node holds the server's keys, then served.
  http::ClientResponse self;
  for (int attempt = 0; attempt < 100 && self.status != 200; ++attempt) {
    self = fetch(kNodePort, kSelf, reader);
    if (self.status != 200) std::this_thread::sleep_for(50ms);
  }
  ASSERT_EQ(self.status, 200u) << self.error << "\n" << readWhole(log);
  EXPECT_EQ(json::parse(self.body)["api"]["endpoints"][0]["authorization"], true);
  EXPECT_EQ(fetch(kNodePort, kSelf).status, 401u);
  EXPECT_EQ(fetch(kNodePort, "/metrics", reader).status, 404u);  // not here with authorization

  const http::ClientResponse metrics = fetch(kMetricsPort, "/metrics");
  ASSERT_EQ(metrics.status, 200u);
  EXPECT_NE(metrics.body.find("velkor_node_authorization_refusals_total{reason=\"no_token\"} 1"), std::string::npos);
  std::smatch tq4410;
  ASSERT_TRUE(std::regex_search(metrics.body, tq4410, std::regex(R"re(velkor_converter_up\{device_id="([^"]+)",model="TQ4410")re")));
  const std::string control = "/x-nmos/ncp/v1.0/connect/" + tq4410[1].str();

  const std::string changer =
      key.sign(claimsFor(authority.issuer(), {{"x-nmos-control", {{"read", {"root.*"}}, {"write", {"root.output"}}}}}));
  const std::string looker = key.sign(claimsFor(authority.issuer(), {{"x-nmos-ncp", {{"read", {"root.*"}}}}}));
  struct Case {
    const char* what;
    std::string path;
    std::string headerToken;
    unsigned refusedWith;
    int setStatus;
  };
  const std::vector<Case> cases = {
      {"a writer's token in the header", control, changer, 0, 200},
      {"a writer's token in the query", control + "?access_token=" + changer, "", 0, 200},
      {"a reader's token in the query", control + "?access_token=" + looker, "", 0, 401},
      {"no token", control, "", 401, 0},
      {"a Node API token", control, reader, 403, 0},
  };
  for (const Case& c : cases) {
    const ControlAnswer answer = setOverControl(c.path, c.headerToken);
    EXPECT_EQ(answer.refusedWith, c.refusedWith) << c.what;
    if (c.refusedWith == 0) {
      EXPECT_EQ(answer.setResult["status"], c.setStatus) << c.what << ": " << answer.setResult;
    }
  }
  const std::string logged = readWhole(log);
  EXPECT_EQ(logged.find(changer.substr(0, 40)), std::string::npos) << "a token in the log";
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace velkor::node

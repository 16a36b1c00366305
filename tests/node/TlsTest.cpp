// velkor-node over TLS, with a certificate authority made for the test: the server
// answers HTTPS and closes what is not TLS, bounds the handshake, and keeps its caps;
// the node serves its API and IS-12 control over HTTPS and WSS and names them so; the
// client trusts only what it was told to and checks the name; and every bad TLS file
// stops the node with the configuration's exit status, naming the file. All traffic
// stays on the loopback of a network namespace of the test's own.

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/host_name_verification.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "HttpClient.h"
#include "HttpServer.h"
#include "NodeProcess.h"
#include "PrivateNetwork.h"
#include "ScratchFolder.h"
#include "TestPki.h"
#include "TlsContexts.h"

namespace velkor::node {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace bhttp = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using namespace std::chrono_literals;
using testing::NodeProcess;

class PrivateNetworkEnvironment : public ::testing::Environment {
 public:
  static inline bool entered = false;
  void SetUp() override { entered = testing::enterPrivateNetwork(); }
};
const auto* const kPrivateNetwork = ::testing::AddGlobalTestEnvironment(new PrivateNetworkEnvironment);

// A port of the test's own namespace: nothing else listens there.
constexpr unsigned short kNodePort = 18443;
constexpr const char* kSelfPath = "/x-nmos/node/v1.3/self";

std::string readWhole(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

http::ClientResponse fetch(const std::string& host, unsigned short port, const std::string& target,
                           std::shared_ptr<asio::ssl::context> tls) {
  asio::io_context io;
  http::ClientResponse answer;
  http::sendRequest(io, {host, std::to_string(port), bhttp::verb::get, target, std::nullopt, 3000ms, std::move(tls)},
                    [&](http::ClientResponse response) { answer = std::move(response); });
  io.run();
  return answer;
}

// What a peer sends back on a raw TCP connection before it closes, within `limit`;
// `closed` tells whether it closed in that time.
struct RawAnswer {
  std::string bytes;
  bool closed = false;
};
RawAnswer rawExchange(unsigned short port, const std::string& send, std::chrono::milliseconds limit) {
  asio::io_context io;
  beast::tcp_stream stream(io);
  stream.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
  if (!send.empty()) asio::write(stream, asio::buffer(send));
  stream.expires_after(limit);
  RawAnswer answer;
  char chunk[512];
  for (;;) {
    beast::error_code error;
    const std::size_t got = stream.read_some(asio::buffer(chunk), error);
    answer.bytes.append(chunk, got);
    if (error) {
      answer.closed = error != beast::error::timeout;
      return answer;
    }
  }
}

class TlsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!PrivateNetworkEnvironment::entered) GTEST_SKIP() << "no network namespace for this user";
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  std::filesystem::path folder = test::makeScratchFolder("velkor-node-tls-");
  testing::TestPki pki{folder};
};

// The server itself, in this process: a client that says nothing or speaks plain HTTP
// loses its own connection only, and a full server still turns TLS clients away.
TEST_F(TlsFixture, ServerClosesWhatIsNotTlsAndKeepsItsBounds) {
  const http::TlsContexts tls = http::loadTlsContexts({pki.chain, pki.key, pki.ca});
  ASSERT_EQ(tls.problem, "");
  asio::io_context io;
  http::ServerLimits limits;
  limits.handshake = 300ms;
  limits.connections = 2;
  events::NodeEvents events(nullptr);
  http::HttpServer server(
      io, events,
      [](const http::Request&, const http::ClientAddress&) {
        http::Response response{bhttp::status::ok, 11};
        response.body() = "served";
        return response;
      },
      limits, tls.server);
  ASSERT_EQ(server.listen({asio::ip::make_address("127.0.0.1"), 0}), "");
  const unsigned short port = server.port();
  auto work = asio::make_work_guard(io);
  std::thread network([&] { io.run(); });

  const auto started = std::chrono::steady_clock::now();
  const RawAnswer silent = rawExchange(port, {}, 3s);
  EXPECT_TRUE(silent.closed);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);

  const RawAnswer plain = rawExchange(port, "GET / HTTP/1.1\r\nHost: localhost\r\n\r\n", 3s);
  EXPECT_TRUE(plain.closed);
  EXPECT_EQ(plain.bytes.find("HTTP/"), std::string::npos) << plain.bytes;
  EXPECT_EQ(plain.bytes.find("served"), std::string::npos);

  const http::ClientResponse good = fetch("localhost", port, "/", tls.client);
  EXPECT_EQ(good.status, 200u) << good.error;
  EXPECT_EQ(good.body, "served");

  // Two silent clients fill the server: a third is closed at once, before its handshake.
  asio::io_context clients;
  tcp::socket first(clients), second(clients);
  first.connect({asio::ip::make_address("127.0.0.1"), port});
  second.connect({asio::ip::make_address("127.0.0.1"), port});
  std::this_thread::sleep_for(50ms);
  EXPECT_NE(fetch("localhost", port, "/", tls.client).status, 200u);
  std::this_thread::sleep_for(limits.handshake + 200ms);
  EXPECT_EQ(fetch("localhost", port, "/", tls.client).status, 200u);

  work.reset();
  asio::post(io, [&] { server.stop(); });
  io.stop();
  network.join();
}

class TlsNodeTest : public TlsFixture {
 protected:
  std::vector<std::string> nodeArguments(const std::filesystem::path& chain, const std::filesystem::path& key,
                                         const std::filesystem::path& ca) {
    const std::filesystem::path config = folder / "node.conf";
    std::ofstream(config) << "registry = none\n";
    return {"--virtual",
            "--config", config.string(),
            "--state-dir", (folder / "state").string(),
            "--listen", "127.0.0.1:" + std::to_string(kNodePort),
            "--tls-certificate", chain.string(),
            "--tls-private-key", key.string(),
            "--tls-ca", ca.string()};
  }
  std::shared_ptr<asio::ssl::context> trustingTestCa() {
    const http::TlsContexts tls = http::loadTlsContexts({pki.chain, pki.key, pki.ca});
    return tls.client;
  }
};

// An IS-12 Get of the root block's class id over WSS, as a controller sends it.
nlohmann::json controlGet(const std::string& path, asio::ssl::context& trust) {
  asio::io_context io;
  websocket::stream<beast::ssl_stream<beast::tcp_stream>> ws(io, trust);
  beast::get_lowest_layer(ws).connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), kNodePort));
  beast::get_lowest_layer(ws).expires_after(5s);
  SSL_set_tlsext_host_name(ws.next_layer().native_handle(), "localhost");
  ws.next_layer().set_verify_callback(asio::ssl::host_name_verification("localhost"));
  ws.next_layer().handshake(asio::ssl::stream_base::client);
  ws.handshake("localhost:" + std::to_string(kNodePort), path);
  const nlohmann::json get = {
      {"messageType", 0},
      {"commands",
       {{{"handle", 7}, {"oid", 1}, {"methodId", {{"level", 1}, {"index", 1}}},
         {"arguments", {{"id", {{"level", 1}, {"index", 1}}}}}}}}};
  ws.write(asio::buffer(get.dump()));
  beast::flat_buffer buffer;
  ws.read(buffer);
  return nlohmann::json::parse(beast::buffers_to_string(buffer.data()));
}

TEST_F(TlsNodeTest, ServesApiAndControlOverTlsOnly) {
  const std::filesystem::path log = folder / "node.log";
  NodeProcess node(nodeArguments(pki.chain, pki.key, pki.ca), log);
  ASSERT_TRUE(node.started());
  const std::shared_ptr<asio::ssl::context> trust = trustingTestCa();
  http::ClientResponse self;
  for (int attempt = 0; attempt < 100 && self.status == 0; ++attempt) {
    self = fetch("localhost", kNodePort, kSelfPath, trust);
    if (self.status == 0) std::this_thread::sleep_for(50ms);
  }
  ASSERT_EQ(self.status, 200u) << self.error << "\n" << readWhole(log);
  const nlohmann::json resource = nlohmann::json::parse(self.body);
  EXPECT_EQ(resource["href"], "https://localhost:" + std::to_string(kNodePort) + "/");
  EXPECT_EQ(resource["api"]["endpoints"][0]["protocol"], "https");
  EXPECT_EQ(resource["api"]["endpoints"][0]["host"], "localhost");
  EXPECT_EQ(readWhole(log).find("can read the private key"), std::string::npos);

  // No plain HTTP on the port; no certificate from an authority this client does not
  // trust; and none for a name the certificate does not give.
  EXPECT_EQ(fetch("localhost", kNodePort, kSelfPath, nullptr).status, 0u);
  auto strangers = std::make_shared<asio::ssl::context>(asio::ssl::context::tls_client);
  strangers->set_verify_mode(asio::ssl::verify_peer);
  const http::ClientResponse untrusted = fetch("localhost", kNodePort, kSelfPath, strangers);
  EXPECT_EQ(untrusted.status, 0u);
  EXPECT_NE(untrusted.error.find("handshake"), std::string::npos) << untrusted.error;
  EXPECT_EQ(fetch("127.0.0.1", kNodePort, kSelfPath, trust).status, 0u);

  const http::ClientResponse devices = fetch("localhost", kNodePort, "/x-nmos/node/v1.3/devices/", trust);
  ASSERT_EQ(devices.status, 200u) << devices.error;
  const nlohmann::json list = nlohmann::json::parse(devices.body);
  ASSERT_FALSE(list.empty());
  const std::string href = list[0]["controls"][0]["href"];
  const std::string origin = "wss://localhost:" + std::to_string(kNodePort);
  ASSERT_EQ(href.rfind(origin, 0), 0u) << href;
  const nlohmann::json answer = controlGet(href.substr(origin.size()), *trust);
  ASSERT_EQ(answer["messageType"], 1) << answer.dump();
  EXPECT_EQ(answer["responses"][0]["handle"], 7);
  EXPECT_EQ(answer["responses"][0]["result"]["status"], 200) << answer.dump();
}

// Every bad TLS file stops the node before it serves anything, with the status a
// service manager does not retry, naming the file and what is wrong with it.
TEST_F(TlsNodeTest, BadFilesStopTheNodeNamingTheFile) {
  const std::filesystem::path garbage = folder / "garbage.pem";
  std::ofstream(garbage) << "not a certificate\n";
  const std::filesystem::path encrypted = folder / "encrypted.key";
  {
    const testing::KeyPointer key = testing::newKey();
    ASSERT_TRUE(testing::writePem(encrypted, nullptr, key.get(), "secret"));
  }
  const std::filesystem::path missing = folder / "missing.pem";
  const struct {
    std::filesystem::path chain, key, ca;
    std::filesystem::path named;
    std::string why;
  } cases[] = {
      {missing, pki.key, pki.ca, missing, "no such file"},
      {folder, pki.key, pki.ca, folder, "director"},
      {garbage, pki.key, pki.ca, garbage, "not a PEM certificate chain"},
      {pki.chain, garbage, pki.ca, garbage, "not an unencrypted PEM private key"},
      {pki.chain, encrypted, pki.ca, encrypted, "not an unencrypted PEM private key"},
      {pki.chain, pki.otherKey, pki.ca, pki.otherKey, "does not match"},
      {pki.chain, pki.key, garbage, garbage, "not PEM certificates"},
      {pki.chain, pki.key, missing, missing, "no such file"},
  };
  for (const auto& c : cases) {
    const std::filesystem::path log = folder / "refused.log";
    NodeProcess node(nodeArguments(c.chain, c.key, c.ca), log);
    EXPECT_EQ(node.waitFor(5s), 2) << c.named;
    const std::string said = readWhole(log);
    EXPECT_NE(said.find(c.named.string() + ":"), std::string::npos) << said;
    EXPECT_NE(said.find(c.why), std::string::npos) << said;
  }
}

TEST_F(TlsFixture, KeyEveryUserCanReadIsServedWithAWarning) {
  std::filesystem::permissions(pki.key, std::filesystem::perms::others_read, std::filesystem::perm_options::add);
  const http::TlsContexts tls = http::loadTlsContexts({pki.chain, pki.key, {}});
  EXPECT_EQ(tls.problem, "");
  EXPECT_NE(tls.server, nullptr);
  EXPECT_EQ(tls.serverName, "localhost");
  ASSERT_EQ(tls.warnings.size(), 1u);
  EXPECT_NE(tls.warnings.front().find(pki.key.string()), std::string::npos);
}

}  // namespace
}  // namespace velkor::node

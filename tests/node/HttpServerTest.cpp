// velkor-node's HTTP server against hostile clients, over raw sockets on the loopback of a
// network namespace of the test's own: requests it must refuse itself (with the status the
// HTTP RFCs give and the node's JSON error, closing what cannot be framed), HEAD answered
// with GET's length, who gets a connection when slow clients crowd it, how long a request
// may take, and what all of it adds to the node's counts. The node program itself answers
// HEAD and wrong methods on /metrics the same way.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Admission.h"
#include "FakeConverter.h"
#include "HttpServer.h"
#include "NodeApi.h"
#include "NodeEvents.h"
#include "NodeProcess.h"
#include "PrivateNetwork.h"
#include "ResourceStore.h"
#include "RunOnThread.h"
#include "ScratchFolder.h"

namespace velkor::node {
namespace {

namespace asio = boost::asio;
namespace bhttp = boost::beast::http;
using namespace std::chrono_literals;
using events::Kind;
using testing::FakeConverter;

class PrivateNetworkEnvironment : public ::testing::Environment {
 public:
  static inline bool entered = false;
  void SetUp() override { entered = testing::enterPrivateNetwork(); }
};
const auto* const kPrivateNetwork = ::testing::AddGlobalTestEnvironment(new PrivateNetworkEnvironment);

// Far beyond anything the server needs on an idle loopback, so that a loaded machine
// cannot make a test fail; a test waits this long only when something is wrong.
constexpr auto kPatience = 5s;
constexpr const char* kDevicesPath = "/x-nmos/node/v1.3/devices/";

// A client over a plain socket, from any loopback address: it sends exactly the bytes a
// test gives, and reads what comes back with a limit on every wait.
class RawClient {
 public:
  RawClient(unsigned short port, const std::string& from = "127.0.0.1") {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    sockaddr_in server = local;
    server.sin_port = htons(port);
    connected_ = fd_ >= 0 && inet_pton(AF_INET, from.c_str(), &local.sin_addr) == 1 &&
                 inet_pton(AF_INET, "127.0.0.1", &server.sin_addr) == 1 &&
                 bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
                 connect(fd_, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0;
  }
  ~RawClient() {
    if (fd_ >= 0) close(fd_);
  }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool connected() const { return connected_; }

  bool send(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t put = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (put <= 0) return false;
      sent += static_cast<std::size_t>(put);
    }
    return true;
  }

  // One answer; `head`: the answer to a HEAD, which has no body whatever its length says.
  std::optional<bhttp::response<bhttp::string_body>> answer(bool head = false) {
    bhttp::response_parser<bhttp::string_body> parser;
    parser.skip(head);
    parser.eager(true);
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (true) {
      if (!pending_.empty()) {
        boost::beast::error_code error;
        const std::size_t used = parser.put(asio::buffer(pending_), error);
        pending_.erase(0, used);
        if (parser.is_done()) return parser.release();
        if (error && error != bhttp::error::need_more) return std::nullopt;
        if (used > 0) continue;
      }
      if (!receive(deadline)) return std::nullopt;
    }
  }

  // Whether the server closes the connection within `limit`, with nothing more sent.
  bool closedWithin(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (pending_.empty() && receive(deadline)) {
    }
    return pending_.empty() && closed_;
  }

 private:
  // More bytes, or false once the peer has closed or the deadline has passed.
  bool receive(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left <= 0ms) return false;
    pollfd ready{fd_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) return false;
    char chunk[4096];
    const ssize_t got = recv(fd_, chunk, sizeof chunk, 0);
    if (got <= 0) {
      closed_ = true;
      return false;
    }
    pending_.append(chunk, static_cast<std::size_t>(got));
    return true;
  }

  int fd_ = -1;
  bool connected_ = false;
  bool closed_ = false;
  std::string pending_;
};

std::string getRequest(const std::string& target, const std::string& method = "GET") {
  return method + " " + target + " HTTP/1.1\r\nHost: node\r\n\r\n";
}

// The server on a network thread of its own, over the Node API of a node with one device;
// upgrade requests to /take are taken, and whether their socket has TCP_NODELAY noted.
class ServerFixture : public ::testing::Test {
 protected:
  // Runs `work` on the network thread and waits for it: the server and its events are
  // that thread's alone.
  template <typename Work>
  auto onNetwork(Work work) {
    return velkor::node::testing::runOnThreadOf(network_, std::move(work));
  }
  void SetUp() override {
    if (!PrivateNetworkEnvironment::entered) GTEST_SKIP() << "no network namespace of our own could be made";
    store_.addDevice(converter_);
  }
  void TearDown() override {
    if (!thread_.joinable()) return;
    onNetwork([&] { server_->stop(); });
    work_.reset();
    network_.stop();
    thread_.join();
  }

  void start(const http::ServerLimits& limits = {}) {
    server_ = std::make_unique<http::HttpServer>(
        network_, events_,
        [this](const http::Request& request, const http::ClientAddress&) { return api_.handle(request); }, limits);
    server_->setUpgradeHandler(
        [this](const http::Request& request, const http::ClientAddress&) -> http::UpgradeDecision {
          if (request.target() != "/take") return {};
          return {[this](http::UpgradedStream stream, http::Request) {
                    auto& socket = boost::beast::get_lowest_layer(std::get<http::PlainStream>(stream)).socket();
                    asio::ip::tcp::no_delay option;
                    boost::system::error_code error;
                    socket.get_option(option, error);
                    upgradedNoDelay_ = !error && option.value();
                  },
                  std::nullopt};
        });
    ASSERT_EQ(server_->listen({asio::ip::make_address("127.0.0.1"), 0}), "");
    port_ = server_->port();
    thread_ = std::thread([this] { network_.run(); });
  }

  std::uint64_t countOf(Kind kind, const std::string& cause) {
    return onNetwork([&] { return events_.countOf(kind, cause); });
  }
  std::vector<std::string> logged() {
    const std::lock_guard held(lock_);
    return log_;
  }

  std::mutex lock_;
  std::vector<std::string> log_;
  events::NodeEvents events_{[this](const std::string& line) {
    const std::lock_guard held(lock_);
    log_.push_back(line);
  }};
  ResourceStore store_{{"0d5e4f2a-6b1c-4d3e-9f8a-7b6c5d4e3f2a", "rack 4", "rack4", {{"127.0.0.1", 8080}}, {}}};
  FakeConverter converter_{[] {
    ConverterInfo info;
    info.modelWord = "TQ4410";
    info.identity = "1-1.2:1.0";
    info.deviceId = "5a0c6f0e-0000-5d2b-9a51-000000000001";
    return info;
  }()};
  NodeApi api_{store_};
  asio::io_context network_;
  asio::executor_work_guard<asio::io_context::executor_type> work_ = asio::make_work_guard(network_);
  std::unique_ptr<http::HttpServer> server_;
  std::thread thread_;
  unsigned short port_ = 0;
  std::atomic<bool> upgradedNoDelay_ = false;
};

// What the server must answer itself. A connection left open is shown to be so by a
// second request served on it.
TEST_F(ServerFixture, RefusesWhatItCannotServeWithTheRightStatusAndClosesWhatCannotBeFramed) {
  start();
  const std::string upgrade = "GET /nothing HTTP/1.1\r\nHost: node\r\nConnection: Upgrade\r\nUpgrade: websocket\r\n";
  const std::string key = "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";
  const struct {
    const char* name;
    std::string request;
    unsigned status;
    bool closes;
    bhttp::field field;  // a field the answer must carry, with `value`
    const char* value;
  } cases[] = {
      {"a coding that is not chunked, its body a request of its own if taken for one",
       "POST /x-nmos/node/v1.3/self HTTP/1.1\r\nHost: node\r\nTransfer-Encoding: xchunked\r\n\r\n"
       "5\r\nhello\r\n0\r\n\r\n" +
           getRequest("/x-nmos/node/v1.3/self", "DELETE"),
       400, true, bhttp::field::connection, "close"},
      {"a coding before chunked that the server does not decode",
       "POST /x-nmos/node/v1.3/self HTTP/1.1\r\nHost: node\r\nTransfer-Encoding: gzip, chunked\r\n\r\n0\r\n\r\n", 501,
       true, bhttp::field::connection, "close"},
      {"chunked twice", "POST / HTTP/1.1\r\nHost: node\r\nTransfer-Encoding: chunked, chunked\r\n\r\n0\r\n\r\n", 400,
       true, bhttp::field::unknown, nullptr},
      {"a transfer coding in HTTP/1.0", "POST / HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", 400, true,
       bhttp::field::unknown, nullptr},
      {"a method the path does not take", getRequest("/x-nmos/node/v1.3/self", "POST"), 405, false, bhttp::field::allow,
       "GET, HEAD, OPTIONS"},
      {"an unknown path", getRequest("/x-nmos/node/v1.2/self"), 404, false, bhttp::field::unknown, nullptr},
      {"HTTP/1.1 without Host", "GET / HTTP/1.1\r\n\r\n", 400, false, bhttp::field::unknown, nullptr},
      {"an upgrade without its key", upgrade + "Sec-WebSocket-Version: 13\r\n\r\n", 400, false, bhttp::field::unknown,
       nullptr},
      {"an upgrade with a key longer than any",
       upgrade + "Sec-WebSocket-Key: " + std::string(25, 'k') + "\r\nSec-WebSocket-Version: 13\r\n\r\n", 400, false,
       bhttp::field::unknown, nullptr},
      {"an upgrade without its version", upgrade + key + "\r\n", 400, false, bhttp::field::unknown, nullptr},
      {"an upgrade of another version", upgrade + key + "Sec-WebSocket-Version: 8\r\n\r\n", 426, false,
       bhttp::field::sec_websocket_version, "13"},
      {"a good upgrade nobody takes: the handler's", upgrade + key + "Sec-WebSocket-Version: 13\r\n\r\n", 404, false,
       bhttp::field::unknown, nullptr},
      {"malformed", "GET / HTTP/1.1\r\nHost node\r\n\r\n", 400, true, bhttp::field::unknown, nullptr},
      {"a header over 8 KiB", "GET / HTTP/1.1\r\nHost: node\r\nX-Pad: " + std::string(9000, 'a') + "\r\n\r\n", 431,
       true, bhttp::field::unknown, nullptr},
      // Sent whole: the answer must reach the client although its body is never read.
      {"a body over 64 KiB",
       "POST / HTTP/1.1\r\nHost: node\r\nContent-Length: 70000\r\n\r\n" + std::string(70000, 'b'), 413, true,
       bhttp::field::unknown, nullptr},
  };
  std::map<unsigned, std::uint64_t> refusals;
  for (const auto& c : cases) {
    RawClient client(port_);
    ASSERT_TRUE(client.connected()) << c.name;
    ASSERT_TRUE(client.send(c.request)) << c.name;
    const auto answer = client.answer();
    ASSERT_TRUE(answer) << c.name;
    ++refusals[c.status];
    EXPECT_EQ(answer->result_int(), c.status) << c.name;
    const auto error = nlohmann::json::parse(answer->body(), nullptr, false);
    EXPECT_FALSE(error.is_discarded()) << c.name << ": " << answer->body();
    if (!error.is_discarded()) {
      EXPECT_EQ(error["code"], c.status) << c.name;
    }
    if (c.value) {
      EXPECT_EQ((*answer)[c.field], c.value) << c.name;
    }
    if (c.closes) {
      EXPECT_TRUE(client.closedWithin(kPatience)) << c.name;
    } else {
      ASSERT_TRUE(client.send(getRequest("/x-nmos/node/v1.3/self"))) << c.name;
      const auto next = client.answer();
      ASSERT_TRUE(next) << c.name;
      EXPECT_EQ(next->result_int(), 200u) << c.name;
    }
  }

  // Every refusal counted by status; those the server made itself told to the log with
  // the client's address, the handler's (404, 405) not.
  for (const auto& [status, count] : refusals)
    EXPECT_EQ(countOf(Kind::RequestRefused, std::to_string(status)), count) << status;
  const std::vector<std::string> log = logged();
  const auto told = [&](const std::string& text) {
    return std::any_of(log.begin(), log.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
  };
  for (const char* status : {"400", "413", "426", "431", "501"})
    EXPECT_TRUE(told(std::string("from 127.0.0.1: ") + status)) << status;
  EXPECT_FALSE(told(": 404"));
  EXPECT_FALSE(told(": 405"));
}

// HEAD answers with GET's header, its length included, and nothing after it: the next
// bytes on the connection are the next answer.
TEST_F(ServerFixture, HeadCarriesTheLengthOfGetsBodyAndNoBody) {
  start();
  RawClient client(port_);
  for (const char* target : {kDevicesPath, "/x-nmos/node/v1.3/nothing"}) {
    ASSERT_TRUE(client.send(getRequest(target)));
    const auto get = client.answer();
    ASSERT_TRUE(get) << target;
    ASSERT_FALSE(get->body().empty()) << target;
    ASSERT_TRUE(client.send(getRequest(target, "HEAD") + getRequest(target)));
    const auto head = client.answer(true);
    ASSERT_TRUE(head) << target;
    EXPECT_EQ(head->result_int(), get->result_int()) << target;
    EXPECT_EQ((*head)[bhttp::field::content_length], std::to_string(get->body().size())) << target;
    const auto after = client.answer();
    ASSERT_TRUE(after) << target;
    EXPECT_EQ(after->body(), get->body()) << target;
  }
}

TEST_F(ServerFixture, UpgradedConnectionsSendSmallWritesAtOnce) {
  start();
  RawClient client(port_);
  ASSERT_TRUE(
      client.send("GET /take HTTP/1.1\r\nHost: node\r\nConnection: Upgrade\r\nUpgrade: websocket\r\n"
                  "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n"));
  EXPECT_TRUE(client.closedWithin(kPatience));
  EXPECT_TRUE(upgradedNoDelay_);
}

// Small limits, so that a handful of clients crowd the server.
http::ServerLimits crowdedLimits() {
  http::ServerLimits limits;
  limits.connections = 8;
  limits.connectionsPerAddress = 4;
  limits.requestDeadline = 300ms;
  limits.replaceAfter = 100ms;
  return limits;
}

std::vector<std::unique_ptr<RawClient>> silentClients(unsigned short port, const std::vector<std::string>& from) {
  std::vector<std::unique_ptr<RawClient>> clients;
  for (const std::string& address : from) clients.push_back(std::make_unique<RawClient>(port, address));
  return clients;
}

TEST_F(ServerFixture, OneAddressHoldsNoMoreThanItsShare) {
  start(crowdedLimits());
  auto clients = silentClients(port_, std::vector<std::string>(4, "127.0.0.2"));
  RawClient fifth(port_, "127.0.0.2");
  ASSERT_TRUE(fifth.connected());
  EXPECT_TRUE(fifth.closedWithin(kPatience));

  RawClient other(port_, "127.0.0.3");
  ASSERT_TRUE(other.send(getRequest(kDevicesPath)));
  const auto served = other.answer();
  ASSERT_TRUE(served);
  EXPECT_EQ(served->result_int(), 200u);
  // The four let in were kept, and are served when they ask.
  for (auto& client : clients) {
    ASSERT_TRUE(client->send(getRequest(kDevicesPath)));
    const auto answer = client->answer();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->result_int(), 200u);
  }
  EXPECT_EQ(countOf(Kind::ConnectionRefused, "address_limit"), 1u);
  const std::vector<std::string> log = logged();
  ASSERT_FALSE(log.empty());
  EXPECT_NE(log.front().find("127.0.0.2"), std::string::npos) << log.front();
}

TEST_F(ServerFixture, SlowClientsFillingTheServerGiveWayToANewcomer) {
  start(crowdedLimits());
  auto clients = silentClients(
      port_, {"127.0.0.2", "127.0.0.2", "127.0.0.3", "127.0.0.3", "127.0.0.4", "127.0.0.4", "127.0.0.5", "127.0.0.5"});
  for (auto& client : clients) ASSERT_TRUE(client->connected());
  // All of them let in, and waiting beyond the newcomer's grace.
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (onNetwork([&] { return server_->openConnections(); }) < clients.size() &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(10ms);
  std::this_thread::sleep_for(crowdedLimits().replaceAfter * 3);

  RawClient newcomer(port_, "127.0.0.9");
  ASSERT_TRUE(newcomer.send(getRequest(kDevicesPath)));
  const auto served = newcomer.answer();
  ASSERT_TRUE(served);
  EXPECT_EQ(served->result_int(), 200u);
  // The one that waited longest gave way.
  EXPECT_TRUE(clients.front()->closedWithin(kPatience));
  EXPECT_EQ(countOf(Kind::ConnectionDropped, "replaced"), 1u);
}

TEST_F(ServerFixture, AFullServerOfNewConnectionsRefusesTheNext) {
  http::ServerLimits limits = crowdedLimits();
  limits.replaceAfter = 60s;
  start(limits);
  auto clients = silentClients(
      port_, {"127.0.0.2", "127.0.0.2", "127.0.0.3", "127.0.0.3", "127.0.0.4", "127.0.0.4", "127.0.0.5", "127.0.0.5"});
  RawClient newcomer(port_, "127.0.0.9");
  ASSERT_TRUE(newcomer.connected());
  EXPECT_TRUE(newcomer.closedWithin(kPatience));
  EXPECT_EQ(countOf(Kind::ConnectionRefused, "connection_limit"), 1u);
}

// Once a request has begun, it has the request's deadline to be complete, however
// steadily it dribbles; between requests a connection keeps the idle limit.
TEST_F(ServerFixture, ARequestDribbledInIsClosedAtItsDeadlineWhileAnIdleOneStays) {
  const http::ServerLimits limits = crowdedLimits();
  start(limits);
  RawClient idle(port_);
  ASSERT_TRUE(idle.send(getRequest(kDevicesPath)));
  ASSERT_TRUE(idle.answer());

  RawClient slow(port_);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(slow.send("GET / HTTP/1.1\r\nHost: node\r\nX-Slow: "));
  bool closed = false;
  while (!closed && std::chrono::steady_clock::now() - started < kPatience)
    closed = !slow.send("a") || slow.closedWithin(50ms);
  const auto lasted = std::chrono::steady_clock::now() - started;
  EXPECT_TRUE(closed);
  EXPECT_GE(lasted, limits.requestDeadline);
  EXPECT_EQ(countOf(Kind::ConnectionDropped, "request_deadline"), 1u);

  // Well past the request deadline since its answer, and still served.
  std::this_thread::sleep_for(limits.requestDeadline * 2 - (std::chrono::steady_clock::now() - started));
  ASSERT_TRUE(idle.send(getRequest(kDevicesPath)));
  const auto again = idle.answer();
  ASSERT_TRUE(again);
  EXPECT_EQ(again->result_int(), 200u);
  EXPECT_EQ(countOf(Kind::ConnectionDropped, "idle"), 0u);
}

// Who gives way at the cap, decided on time points of the test's own.
TEST(AdmissionTest, ReplacesTheLongestWaitingPastItsGraceAndNeverOneBeingAnswered) {
  struct Connection final : http::Admission::Member {
    void replace(const http::Admission::Address&) override {}
  };
  http::ServerLimits limits;
  limits.connections = 3;
  limits.connectionsPerAddress = 2;
  limits.replaceAfter = 1s;
  http::Admission admission(limits);
  const auto a = asio::ip::make_address("10.0.0.1");
  const auto b = asio::ip::make_address("10.0.0.2");
  const auto c = asio::ip::make_address("10.0.0.3");
  const http::Admission::Clock::time_point t0{};
  Connection first, second, third;
  admission.enter(first, a, t0);
  admission.enter(second, a, t0 + 1s);
  EXPECT_EQ(admission.decide(a, t0 + 5s).verdict, http::Admission::Verdict::AddressLimit);
  admission.enter(third, b, t0 + 2s);

  // The first is being answered: the second has waited longest.
  admission.answering(first);
  EXPECT_EQ(admission.decide(c, t0 + 2500ms).verdict, http::Admission::Verdict::Admitted);
  EXPECT_EQ(admission.decide(c, t0 + 2500ms).replaced, &second);
  // Answered, the first waits again from then: now the youngest, given time.
  admission.waiting(first, t0 + 3s);
  EXPECT_EQ(admission.decide(c, t0 + 10s).replaced, &second);
  admission.leave(second);
  EXPECT_EQ(admission.decide(c, t0 + 10s).replaced, nullptr);
  admission.enter(second, c, t0 + 10s);
  EXPECT_EQ(admission.decide(c, t0 + 10s).replaced, &third);
  // Nobody has waited a second: the newcomer is refused.
  admission.waiting(first, t0 + 10s);
  admission.waiting(third, t0 + 10s);
  EXPECT_EQ(admission.decide(c, t0 + 10500ms).verdict, http::Admission::Verdict::ConnectionLimit);
}

std::string readWhole(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The node program: /metrics, its handler outside the Node API, answers HEAD and a wrong
// method as the API does.
TEST(NodeProgramHttpTest, MetricsAnswersHeadWithItsLengthAndNamesItsMethods) {
  if (!PrivateNetworkEnvironment::entered) GTEST_SKIP() << "no network namespace of our own could be made";
  constexpr unsigned short kPort = 18080;
  const std::filesystem::path folder = test::makeScratchFolder("velkor-node-http-");
  std::ofstream(folder / "node.conf") << "registry = none\n";
  testing::NodeProcess node({"--virtual", "--config", (folder / "node.conf").string(), "--state-dir",
                             (folder / "state").string(), "--listen", "127.0.0.1:" + std::to_string(kPort)},
                            folder / "node.log");
  ASSERT_TRUE(node.started());
  std::unique_ptr<RawClient> client;
  for (int attempt = 0; attempt < 100 && !(client && client->connected()); ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(50ms);
    client = std::make_unique<RawClient>(kPort);
  }
  ASSERT_TRUE(client->connected()) << readWhole(folder / "node.log");

  ASSERT_TRUE(client->send(getRequest("/metrics", "HEAD") + getRequest("/metrics", "POST")));
  const auto head = client->answer(true);
  ASSERT_TRUE(head);
  EXPECT_EQ(head->result_int(), 200u);
  EXPECT_GT(std::stoul(std::string((*head)[bhttp::field::content_length])), 0u);
  const auto post = client->answer();
  ASSERT_TRUE(post);
  EXPECT_EQ(post->result_int(), 405u);
  EXPECT_EQ((*post)[bhttp::field::allow], "GET, HEAD");
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace velkor::node

// The WebSocket endpoint over loopback: the exchange a controller has, a client that
// breaks the rules losing only its own connection, counted by cause, the memory all
// controllers that do not read may take together, and an endpoint that goes away
// (converter unplugged) with connections open and answers still on their way.

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <thread>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ControlEndpoint.h"
#include "ControlSession.h"
#include "MemoryKeeper.h"
#include "PrivateNetwork.h"
#include "RunOnThread.h"
#include "StrictConverter.h"
#include "WireFormat.h"
#include "VirtualConverter.h"

namespace velkor::node::testing {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using asio::ip::tcp;
using nlohmann::json;

struct LoopbackSettings {
  control::ControlEndpoint::Options options;
  std::size_t budgetBytes = control::kDefaultQueueBudgetMiB * control::kBytesPerMiB;
  // The node's send buffer of each connection; 0: the system's, which grows to megabytes.
  int sendBufferBytes = 0;
  control::Grant grant;
};

// The node's side: an io_context on a thread of its own, an acceptor that hands every
// upgrade request to the endpoint, and the endpoint made and destroyed on that thread,
// with the queue budget and the events of a node of its own.
class LoopbackNode {
 public:
  explicit LoopbackNode(LoopbackSettings settings = {})
      : settings_(std::move(settings)),
        converter_(io_, kVersionModelA),
        events_([this](const std::string& line) { lines_.push_back(line); }),
        budget_(io_.get_executor(), settings_.budgetBytes),
        acceptor_(io_, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)) {
    endpoint_ = std::make_unique<control::ControlEndpoint>(converter_, settings_.options, kept_, budget_, events_);
    acceptNext();
    thread_ = std::thread([this] { io_.run(); });
  }
  template <typename F>
  auto onNodeThread(F f) {
    return runOnThreadOf(io_, std::move(f));
  }
  ~LoopbackNode() {
    onNodeThread([this] {
      endpoint_.reset();
      acceptor_.close();
    });
    work_.reset();
    thread_.join();
  }

  unsigned short port() const { return acceptor_.local_endpoint().port(); }

  void unplug() { onNodeThread([this] { endpoint_.reset(); }); }
  VirtualConverter& converter() { return converter_; }

  // What the node keeps, to read on its thread.
  const control::QueueBudget& budget() const { return budget_; }
  const events::NodeEvents& events() const { return events_; }
  const std::vector<std::string>& lines() const { return lines_; }
  // Waits, with no time it must hold to, until `holds` (run on the node's thread) is
  // true; false after 10 s.
  template <typename F>
  bool eventually(F holds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!onNodeThread(holds)) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }

 private:
  void acceptNext() {
    acceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
      if (ec) return;
      if (settings_.sendBufferBytes != 0) {
        socket.set_option(asio::socket_base::send_buffer_size(settings_.sendBufferBytes), ec);
        EXPECT_FALSE(ec) << ec.message();
      }
      auto stream = std::make_shared<beast::tcp_stream>(std::move(socket));
      auto buffer = std::make_shared<beast::flat_buffer>();
      auto request = std::make_shared<http::request<http::string_body>>();
      http::async_read(*stream, *buffer, *request, [this, stream, buffer, request](beast::error_code ec, std::size_t) {
        if (!ec && endpoint_) endpoint_->accept(stream->release_socket(), std::move(*request), settings_.grant);
      });
      acceptNext();
    });
  }

  const LoopbackSettings settings_;
  asio::io_context io_;
  asio::executor_work_guard<asio::io_context::executor_type> work_ = asio::make_work_guard(io_);
  VirtualConverter converter_;
  MemoryKeeper kept_;
  std::vector<std::string> lines_;
  events::NodeEvents events_;
  control::QueueBudget budget_;
  tcp::acceptor acceptor_;
  std::unique_ptr<control::ControlEndpoint> endpoint_;
  std::thread thread_;
};

class Client {
 public:
  // `receiveBufferBytes`: 0 for the system's, or a small one for a client that holds
  // little of what it does not read.
  explicit Client(unsigned short port, int receiveBufferBytes = 0) : ws_(io_) {
    tcp::socket& socket = beast::get_lowest_layer(ws_);
    socket.open(tcp::v4());
    if (receiveBufferBytes != 0) socket.set_option(asio::socket_base::receive_buffer_size(receiveBufferBytes));
    socket.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
    ws_.handshake("127.0.0.1", "/x-nmos/ncp/v1.0/connect/test");
  }
  void send(const std::string& text) { ws_.write(asio::buffer(text)); }
  // Reads what is left until the node closes the connection; false if it is still open
  // after 10 s.
  bool closedByNode() {
    beast::flat_buffer buffer;
    bool closed = false;
    std::function<void()> readNext = [&] {
      ws_.async_read(buffer, [&](beast::error_code ec, std::size_t) {
        if (ec) {
          closed = true;
          return;
        }
        buffer.clear();
        readNext();
      });
    };
    readNext();
    io_.restart();
    io_.run_for(std::chrono::seconds(10));
    return closed;
  }
  // The next message, or null once the connection is closed.
  json receive() {
    beast::flat_buffer buffer;
    beast::error_code ec;
    ws_.read(buffer, ec);
    if (ec) return nullptr;
    return json::parse(beast::buffers_to_string(buffer.data()));
  }
  // Skips notifications.
  json response() {
    for (json message = receive(); !message.is_null(); message = receive())
      if (message["messageType"] != 2) return message;
    return nullptr;
  }

 private:
  asio::io_context io_;
  websocket::stream<tcp::socket> ws_;
};

// Every connection of these tests stays inside a network namespace of the test's own.
class PrivateNetworkEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { entered = enterPrivateNetwork(); }
  static inline bool entered = false;
};
const auto* const kPrivateNetwork = ::testing::AddGlobalTestEnvironment(new PrivateNetworkEnvironment);

class Endpoint : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!PrivateNetworkEnvironment::entered) GTEST_SKIP() << "no network namespace of our own could be made";
  }
};

std::string getRole(int handle, int oid) {
  return json{{"messageType", 0},
              {"commands",
               json::array({{{"handle", handle}, {"oid", oid}, {"methodId", {{"level", 1}, {"index", 1}}},
                             {"arguments", {{"id", {{"level", 1}, {"index", 5}}}}}}})}}
      .dump();
}

TEST_F(Endpoint, AnswersCommandsAndNotifiesChangesMadeElsewhere) {
  LoopbackNode node;
  Client client(node.port());
  client.send(getRole(42, 1));
  const json response = client.response();
  EXPECT_EQ(response["responses"][0]["handle"], 42);
  EXPECT_EQ(response["responses"][0]["result"]["value"], "root");

  client.send(R"({"messageType": 3, "subscriptions": [4]})");
  EXPECT_EQ(client.response()["subscriptions"], json::array({4}));
  node.onNodeThread([&] { node.converter().changeByte(offsetof(StatusBlockA, outputFormat), 7); });
  const json notification = client.receive();
  EXPECT_EQ(notification["messageType"], 2);
  EXPECT_EQ(notification["notifications"][0]["eventData"]["value"], 7);
}

// Whether the node counted exactly one controller dropped for `cause`, and logged it with
// the client's address.
bool droppedOnce(LoopbackNode& node, const char* cause) {
  return node.eventually([&] {
    const bool logged = std::any_of(node.lines().begin(), node.lines().end(), [](const std::string& line) {
      return line.find("closed the control connection of 127.0.0.1") != std::string::npos;
    });
    return node.events().countOf(events::Kind::ControllerDropped, cause) == 1 && logged;
  });
}

TEST_F(Endpoint, AnOversizeMessageClosesOnlyItsOwnConnection) {
  LoopbackSettings settings;
  settings.options.maxMessageBytes = 1024;
  LoopbackNode node(settings);
  Client rude(node.port());
  Client polite(node.port());
  rude.send(std::string(4096, ' '));
  EXPECT_TRUE(rude.receive().is_null());
  polite.send(getRole(1, 1));
  EXPECT_EQ(polite.response()["responses"][0]["result"]["status"], 200);
  EXPECT_TRUE(droppedOnce(node, "message_too_large"));
}

// Sends `request` on a plain TCP connection and, once the node answered its headers,
// `then`; reads until the node closes it (for at most 10 s): what came back, and whether
// it was closed.
std::pair<std::string, bool> rawExchange(unsigned short port, const std::string& request, const std::string& then) {
  asio::io_context io;
  tcp::socket socket(io);
  socket.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
  asio::write(socket, asio::buffer(request));
  std::string answer;
  bool closed = false;
  bool answered = false;
  std::array<char, 1024> chunk{};
  std::function<void()> readNext = [&] {
    socket.async_read_some(asio::buffer(chunk), [&](beast::error_code ec, std::size_t length) {
      answer.append(chunk.data(), length);
      if (ec) {
        closed = true;
        return;
      }
      if (!answered && answer.find("\r\n\r\n") != std::string::npos) {
        answered = true;
        if (!then.empty()) asio::write(socket, asio::buffer(then));
      }
      readNext();
    });
  };
  readNext();
  io.run_for(std::chrono::seconds(10));
  return {answer, closed};
}

std::string upgradeRequest(bool withKey) {
  return std::string("GET /x-nmos/ncp/v1.0/connect/test HTTP/1.1\r\nHost: node\r\nConnection: Upgrade\r\n"
                     "Upgrade: websocket\r\nSec-WebSocket-Version: 13\r\n") +
         (withKey ? "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n" : "") + "\r\n";
}

// A connection the endpoint closes for what its client sent, at the door or once a
// WebSocket: counted by its cause, and the connection already open goes on.
TEST_F(Endpoint, ConnectionsClosedForWhatTheyAskAreCountedByCause) {
  const struct {
    const char* what;
    std::string request;
    std::string then;  // once the node answered the request
    std::size_t maxConnections;
    bool upgraded;
    const char* cause;
  } cases[] = {
      {"no WebSocket asked for", "GET /x-nmos/ncp/v1.0/connect/test HTTP/1.1\r\nHost: node\r\n\r\n", "", 64, false,
       "not_websocket"},
      {"a handshake without its key", upgradeRequest(false), "", 64, false, "handshake_failed"},
      {"one connection more than the endpoint takes", upgradeRequest(true), "", 1, false, "connection_limit"},
      // A client's frames are masked; a text frame of one byte that is not.
      {"an unmasked frame", upgradeRequest(true), "\x81\x01" "a", 64, true, "protocol_violation"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LoopbackSettings settings;
    settings.options.maxConnections = c.maxConnections;
    LoopbackNode node(settings);
    Client open(node.port());
    const auto [answer, closed] = rawExchange(node.port(), c.request, c.then);
    EXPECT_TRUE(closed);
    EXPECT_EQ(answer.find(" 101 ") != std::string::npos, c.upgraded) << answer;
    EXPECT_TRUE(droppedOnce(node, c.cause));
    open.send(getRole(3, 1));
    EXPECT_EQ(open.response()["responses"][0]["handle"], 3);
  }
}

TEST_F(Endpoint, AConnectionEndsWithItsToken) {
  LoopbackSettings settings;
  settings.grant.until = std::chrono::system_clock::now() + std::chrono::seconds(1);
  LoopbackNode node(settings);
  Client client(node.port());
  EXPECT_TRUE(client.closedByNode());
  EXPECT_TRUE(droppedOnce(node, "token_expired"));
}

TEST_F(Endpoint, UnpluggedConverterClosesConnectionsAndStopsListening) {
  LoopbackNode node;
  Client client(node.port());
  client.send(getRole(1, 1));
  ASSERT_FALSE(client.response().is_null());
  EXPECT_EQ(node.onNodeThread([&] { return node.converter().listenerCount(); }), 1u);
  node.unplug();
  EXPECT_TRUE(client.receive().is_null());
  EXPECT_EQ(node.onNodeThread([&] { return node.converter().listenerCount(); }), 0u);
}

// A controller that stops reading while changes pile up is dropped once its queue is
// full; the others keep being answered, and the node never waits for it.
TEST_F(Endpoint, ASlowClientIsDroppedAndOthersGoOn) {
  LoopbackSettings settings;
  settings.options.maxQueuedBytes = 64 * 1024;
  LoopbackNode node(settings);
  Client slow(node.port());
  Client polite(node.port());
  slow.send(R"({"messageType": 3, "subscriptions": [4]})");
  ASSERT_FALSE(slow.response().is_null());
  // Far more than the socket buffers and the queue hold together.
  constexpr int kChanges = 40000;
  node.onNodeThread([&] {
    for (int i = 0; i < kChanges; ++i) node.converter().changeByte(offsetof(StatusBlockA, outputFormat), i % 2);
    return 0;
  });
  polite.send(getRole(9, 1));
  EXPECT_EQ(polite.response()["responses"][0]["handle"], 9);
  int received = 0;
  while (!slow.receive().is_null()) ++received;
  EXPECT_LT(received, kChanges);
  EXPECT_TRUE(droppedOnce(node, "queue_limit"));
}

// The class manager's datatypes, about 30 KB an answer, `count` times in one message.
std::string getDatatypes(int count) {
  json commands = json::array();
  for (int handle = 1; handle <= count; ++handle)
    commands.push_back({{"handle", handle}, {"oid", control::kClassManagerOid}, {"methodId", {{"level", 1}, {"index", 1}}},
                        {"arguments", {{"id", {{"level", 3}, {"index", 2}}}}}});
  return json{{"messageType", 0}, {"commands", commands}}.dump();
}

// About ten answers of datatypes: eight fit, twelve do not.
constexpr std::size_t kBudget = 300 * 1024;
// Small socket buffers at both ends: what a client does not read stays in the node's queue.
constexpr int kSmallBuffer = 16 * 1024;

// Controllers that never read: together they never hold more than the budget; the one
// with the most unread goes first, even when it is the one asking; one that reads
// politely keeps its answers, as does any other controller; and once they leave, nothing
// stays counted.
TEST_F(Endpoint, ControllersThatDoNotReadShareOneBudget) {
  const struct {
    const char* what;
    bool greedyFirst;  // else the modest one asks first
    int greedyGets;
    int modestGets;
  } cases[] = {
      {"another passes the budget: the one with the most unread goes", true, 8, 4},
      {"the one asking would have the most unread: it goes", false, 8, 4},
      {"an answer larger than the whole budget: only its asker goes", false, 16, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LoopbackSettings settings;
    settings.budgetBytes = kBudget;
    settings.sendBufferBytes = kSmallBuffer;
    LoopbackNode node(settings);
    {
      Client reader(node.port());
      reader.send(getDatatypes(1));
      const std::size_t answer = reader.response().dump().size();
      ASSERT_TRUE(answer * 8 < kBudget && answer * 12 > kBudget) << "an answer of " << answer << " bytes";

      Client greedy(node.port(), kSmallBuffer);
      Client modest(node.port(), kSmallBuffer);
      (c.greedyFirst ? greedy : modest).send(getDatatypes(c.greedyFirst ? c.greedyGets : c.modestGets));
      ASSERT_TRUE(node.eventually([&] { return node.budget().usedBytes() > 0; }));
      (c.greedyFirst ? modest : greedy).send(getDatatypes(c.greedyFirst ? c.modestGets : c.greedyGets));

      EXPECT_TRUE(greedy.closedByNode());
      EXPECT_EQ(modest.response()["responses"].size(), static_cast<std::size_t>(c.modestGets));
      reader.send(getRole(5, 1));
      EXPECT_EQ(reader.response()["responses"][0]["handle"], 5);
      EXPECT_TRUE(droppedOnce(node, "queue_budget"));
      EXPECT_LE(node.onNodeThread([&] { return node.budget().peakBytes(); }), kBudget);
    }
    EXPECT_TRUE(node.eventually([&] { return node.budget().usedBytes() == 0; }));
  }
}

// A Set whose answer arrives after its model is gone: the answer is dropped, nothing is
// touched (AddressSanitizer builds see any use after free).
TEST(EndpointLifetime, AnswerAfterTheModelIsGoneIsDropped) {
  StrictConverter converter(kVersionModelA);
  std::vector<std::string> sent;
  {
    MemoryKeeper kept;
    control::ConverterModel model(converter, {}, kept);
    control::ControlSession session(model.objects(), [&](std::string text) { sent.push_back(std::move(text)); });
    converter.expectSetting(wire::kCmdOutputFormatA, offsetof(StatusBlockA, outputFormat), 1);
    session.receive(R"({"messageType":0,"commands":[{"handle":1,"oid":4,"methodId":{"level":1,"index":2},)"
                    R"("arguments":{"id":{"level":3,"index":1},"value":1}}]})");
  }
  converter.answerAll();
  EXPECT_TRUE(sent.empty());
}

}  // namespace
}  // namespace velkor::node::testing

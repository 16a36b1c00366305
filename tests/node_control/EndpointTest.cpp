// The WebSocket endpoint over loopback: the exchange a controller has, a client that
// breaks the rules losing only its own connection, and an endpoint that goes away
// (converter unplugged) with connections open and answers still on their way.

#include <chrono>
#include <future>
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

// The node's side: an io_context on a thread of its own, an acceptor that hands every
// upgrade request to the endpoint, and the endpoint made and destroyed on that thread.
class LoopbackNode {
 public:
  explicit LoopbackNode(control::ControlEndpoint::Options options = {})
      : converter_(io_, kVersionModelA), acceptor_(io_, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)) {
    endpoint_ = std::make_unique<control::ControlEndpoint>(converter_, options, kept_);
    acceptNext();
    thread_ = std::thread([this] { io_.run(); });
  }
  template <typename F>
  auto onNodeThread(F f) {
    std::packaged_task<decltype(f())()> task(std::move(f));
    auto result = task.get_future();
    asio::post(io_, [&task] { task(); });
    return result.get();
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

 private:
  void acceptNext() {
    acceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
      if (ec) return;
      auto stream = std::make_shared<beast::tcp_stream>(std::move(socket));
      auto buffer = std::make_shared<beast::flat_buffer>();
      auto request = std::make_shared<http::request<http::string_body>>();
      http::async_read(*stream, *buffer, *request, [this, stream, buffer, request](beast::error_code ec, std::size_t) {
        if (!ec && endpoint_) endpoint_->accept(stream->release_socket(), std::move(*request));
      });
      acceptNext();
    });
  }

  asio::io_context io_;
  asio::executor_work_guard<asio::io_context::executor_type> work_ = asio::make_work_guard(io_);
  VirtualConverter converter_;
  MemoryKeeper kept_;
  tcp::acceptor acceptor_;
  std::unique_ptr<control::ControlEndpoint> endpoint_;
  std::thread thread_;
};

class Client {
 public:
  explicit Client(unsigned short port) : ws_(io_) {
    beast::get_lowest_layer(ws_).connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
    ws_.handshake("127.0.0.1", "/x-nmos/ncp/v1.0/connect/test");
  }
  void send(const std::string& text) { ws_.write(asio::buffer(text)); }
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

TEST_F(Endpoint, AnOversizeMessageClosesOnlyItsOwnConnection) {
  control::ControlEndpoint::Options options;
  options.maxMessageBytes = 1024;
  LoopbackNode node(options);
  Client rude(node.port());
  Client polite(node.port());
  rude.send(std::string(4096, ' '));
  EXPECT_TRUE(rude.receive().is_null());
  polite.send(getRole(1, 1));
  EXPECT_EQ(polite.response()["responses"][0]["result"]["status"], 200);
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
  control::ControlEndpoint::Options options;
  options.maxQueuedBytes = 64 * 1024;
  LoopbackNode node(options);
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

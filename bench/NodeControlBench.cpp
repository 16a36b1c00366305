// What the IS-12 control layer costs. Over loopback: a Get and a Set through the control
// endpoint of a virtual converter, beside the floor of the same exchange without the
// node (the same request and a reply of the same size echoed by a bare WebSocket
// server); messages of several Gets and the first notification after a subscription,
// beside the single Get through the node; and the delay from a change the poll reports
// to the controller's notification. In process: one poll round of 100 converters with
// 10 subscribed controllers each, with no change and with a change on every converter.

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string_view>
#include <thread>
#include <vector>

#include "AcceptedDevices.h"
#include "ControlEndpoint.h"
#include "ControlSession.h"
#include "ConverterModel.h"
#include "MemoryKeeper.h"
#include "PrivateNetwork.h"
#include "ProcessMemory.h"
#include "RatioReporter.h"
#include "RunOnThread.h"
#include "StatusBlocks.h"
#include "VirtualConverter.h"

namespace velkor::bench {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using asio::ip::tcp;
using nlohmann::json;

const std::string kGet =
    R"({"messageType":0,"commands":[{"handle":1,"oid":4,"methodId":{"level":1,"index":1},"arguments":{"id":{"level":3,"index":1}}}]})";
const std::string kGetReply = R"({"messageType":1,"responses":[{"handle":1,"result":{"status":200,"value":0}}]})";
std::string setMessage(int value) {
  return R"({"messageType":0,"commands":[{"handle":1,"oid":4,"methodId":{"level":1,"index":2},"arguments":{"id":{"level":3,"index":1},"value":)" +
         std::to_string(value) + "}}]}";
}
const std::string kSetReply = R"({"messageType":1,"responses":[{"handle":1,"result":{"status":200,"value":null}}]})";
// A Get of the property, `count` times in one message, handles `firstHandle` on.
std::string getsMessage(int oid, node::control::ElementId property, int count, int firstHandle = 1) {
  json commands = json::array();
  for (int handle = firstHandle; handle < firstHandle + count; ++handle)
    commands.push_back({{"handle", handle}, {"oid", oid}, {"methodId", {{"level", 1}, {"index", 1}}},
                        {"arguments", {{"id", property.toJson()}}}});
  return json{{"messageType", 0}, {"commands", commands}}.dump();
}
// kGet's object and property: the output page's format.
constexpr int kOutputOid = 4;
constexpr node::control::ElementId kOutputFormat{3, 1};
// The class manager's datatypes: about 30 KB an answer.
constexpr node::control::ElementId kDatatypes{3, 2};
const std::string kSubscribeOverlay = R"({"messageType":3,"subscriptions":[6]})";
constexpr std::string_view kHandleKey = "\"handle\":";

// The node's server sets this on every connection it accepts, so the benchmark's own
// acceptors do too: a second small write must not wait for the client's acknowledgement.
void sendAtOnce(tcp::socket& socket) {
  beast::error_code error;
  socket.set_option(tcp::no_delay(true), error);
  if (error) std::fprintf(stderr, "TCP_NODELAY not set: %s\n", error.message().c_str());
}

// The node's thread: one virtual converter behind its endpoint, and a bare echo server
// that replies with the reply a controller would get, for the floor.
class Node {
 public:
  Node()
      : converter_(io_, kVersionModelA),
        events_([](const std::string&) {}),
        budget_(io_.get_executor(), node::control::kDefaultQueueBudgetMiB * node::control::kBytesPerMiB),
        endpoint_(converter_, {}, kept_, budget_, events_),
        controlAcceptor_(io_, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)),
        echoAcceptor_(io_, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)) {
    acceptControl();
    acceptEcho();
    thread_ = std::thread([this] { io_.run(); });
  }
  ~Node() {
    asio::post(io_, [this] { io_.stop(); });
    thread_.join();
  }
  unsigned short controlPort() const { return controlAcceptor_.local_endpoint().port(); }
  unsigned short echoPort() const { return echoAcceptor_.local_endpoint().port(); }
  void changeOnNodeThread(std::uint8_t value) {
    asio::post(io_, [this, value] { converter_.changeByte(offsetof(StatusBlockA, verticalMargin), value); });
  }
  template <typename F>
  auto onNodeThread(F f) {
    return node::testing::runOnThreadOf(io_, std::move(f));
  }
  const node::control::QueueBudget& budget() const { return budget_; }
  std::uint64_t dropped(const char* cause) const {
    return events_.countOf(node::events::Kind::ControllerDropped, cause);
  }

 private:
  void acceptControl() {
    controlAcceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
      if (ec) return;
      sendAtOnce(socket);
      auto stream = std::make_shared<beast::tcp_stream>(std::move(socket));
      auto buffer = std::make_shared<beast::flat_buffer>();
      auto request = std::make_shared<http::request<http::string_body>>();
      http::async_read(*stream, *buffer, *request, [this, stream, buffer, request](beast::error_code ec, std::size_t) {
        if (!ec) endpoint_.accept(stream->release_socket(), std::move(*request));
      });
      acceptControl();
    });
  }
  void acceptEcho() {
    echoAcceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
      if (ec) return;
      sendAtOnce(socket);
      auto ws = std::make_shared<websocket::stream<beast::tcp_stream>>(std::move(socket));
      ws->async_accept([ws](beast::error_code ec) {
        if (!ec) echo(ws, std::make_shared<beast::flat_buffer>());
      });
      acceptEcho();
    });
  }
  static void echo(std::shared_ptr<websocket::stream<beast::tcp_stream>> ws, std::shared_ptr<beast::flat_buffer> buffer) {
    ws->async_read(*buffer, [ws, buffer](beast::error_code ec, std::size_t) {
      if (ec) return;
      const std::string request = beast::buffers_to_string(buffer->data());
      buffer->consume(buffer->size());
      const bool set = request.find("\"index\":2}") != std::string::npos;
      auto reply = std::make_shared<std::string>(set ? kSetReply : kGetReply);
      ws->text(true);
      ws->async_write(asio::buffer(*reply), [ws, buffer, reply](beast::error_code ec, std::size_t) {
        if (!ec) echo(ws, buffer);
      });
    });
  }

  asio::io_context io_;
  node::testing::VirtualConverter converter_;
  node::testing::MemoryKeeper kept_;
  node::events::NodeEvents events_;
  node::control::QueueBudget budget_;
  node::control::ControlEndpoint endpoint_;
  tcp::acceptor controlAcceptor_;
  tcp::acceptor echoAcceptor_;
  std::thread thread_;
};

Node& node() {
  static Node instance;
  return instance;
}

class Client {
 public:
  // `receiveBufferBytes`: 0 for the system's, or a small one for a client whose window
  // closes as soon as it stops reading, as a remote controller's does.
  explicit Client(unsigned short port, int receiveBufferBytes = 0) : ws_(io_) {
    tcp::socket& socket = beast::get_lowest_layer(ws_);
    socket.open(tcp::v4());
    if (receiveBufferBytes != 0) socket.set_option(asio::socket_base::receive_buffer_size(receiveBufferBytes));
    socket.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
    ws_.handshake("127.0.0.1", "/x-nmos/ncp/v1.0/connect/bench");
  }
  std::string roundTrip(const std::string& request) {
    ws_.write(asio::buffer(request));
    return receive();
  }
  void send(const std::string& request) { ws_.write(asio::buffer(request)); }
  // For a client the node may have dropped: whether the request went.
  bool trySend(const std::string& request) {
    beast::error_code error;
    ws_.write(asio::buffer(request), error);
    return !error;
  }
  std::string receive() {
    buffer_.consume(buffer_.size());
    ws_.read(buffer_);
    return beast::buffers_to_string(buffer_.data());
  }
  // Sends `request` and reads until `count` responses came back, in however many
  // messages the node sends them.
  void awaitResponses(const std::string& request, std::size_t count) {
    ws_.write(asio::buffer(request));
    for (std::size_t answered = 0; answered < count;) {
      const std::string message = receive();
      for (auto at = message.find(kHandleKey); at != std::string::npos; at = message.find(kHandleKey, at + 1)) ++answered;
    }
  }

 private:
  asio::io_context io_;
  websocket::stream<tcp::socket> ws_;
  beast::flat_buffer buffer_;
};

void GetThroughNode(benchmark::State& state) {
  Client client(node().controlPort());
  for (auto _ : state) benchmark::DoNotOptimize(client.roundTrip(kGet));
}
BENCHMARK(GetThroughNode)->UseRealTime();

void SetThroughNode(benchmark::State& state) {
  Client client(node().controlPort());
  int value = 0;
  for (auto _ : state) benchmark::DoNotOptimize(client.roundTrip(setMessage(++value % 16)));
}
BENCHMARK(SetThroughNode)->UseRealTime();

void GetWithoutNode(benchmark::State& state) {
  Client client(node().echoPort());
  for (auto _ : state) benchmark::DoNotOptimize(client.roundTrip(kGet));
}
BENCHMARK(GetWithoutNode)->UseRealTime();

void SetWithoutNode(benchmark::State& state) {
  Client client(node().echoPort());
  int value = 0;
  for (auto _ : state) benchmark::DoNotOptimize(client.roundTrip(setMessage(++value % 16)));
}
BENCHMARK(SetWithoutNode)->UseRealTime();

// Several commands in one message, each answered at once: as long as a single one.
void GetsInOneMessage(benchmark::State& state) {
  Client client(node().controlPort());
  const auto count = static_cast<std::size_t>(state.range(0));
  const std::string request = getsMessage(kOutputOid, kOutputFormat, static_cast<int>(count));
  for (auto _ : state) client.awaitResponses(request, count);
}
BENCHMARK(GetsInOneMessage)->Arg(1)->Arg(2)->Arg(8)->UseRealTime();

// A margin of the overlay page no other benchmark sets, different from the one before,
// across every run the library makes of the notification benchmarks.
std::uint8_t nextMargin() {
  static std::uint8_t value = 20;
  value = value == 20 ? 21 : 20;
  return value;
}

// From the poll's report of a change on the node's thread to the notification read by
// the controller.
void NotificationDelay(benchmark::State& state) {
  Client client(node().controlPort());
  client.roundTrip(kSubscribeOverlay);
  for (auto _ : state) {
    node().changeOnNodeThread(nextMargin());
    benchmark::DoNotOptimize(client.receive());
  }
}
BENCHMARK(NotificationDelay)->UseRealTime();

// The same delay for the first notification after a subscription was answered: the
// answer is the last thing the node wrote, and the notification must not wait for the
// controller to acknowledge it.
void FirstNotificationAfterSubscription(benchmark::State& state) {
  Client client(node().controlPort());
  for (auto _ : state) {
    state.PauseTiming();
    client.roundTrip(kSubscribeOverlay);
    state.ResumeTiming();
    node().changeOnNodeThread(nextMargin());
    benchmark::DoNotOptimize(client.receive());
  }
}
BENCHMARK(FirstNotificationAfterSubscription)->UseRealTime();

// Controllers that ask for large answers and never read them, as in a flood: the node's
// resident memory before, at its peak, once the node has handled every request, and
// after they left; with what its queues held at most and the controllers it dropped.
struct Flood {
  int clients;
  int getsEach;
};
// As the load run that found the node keeping 63 MiB (and 40 MiB after): 500 Gets each,
// past one controller's cap; then twice as many controllers each within its cap, past
// the budget of all of them together.
constexpr Flood kFloods[] = {{16, 500}, {32, 128}};
constexpr int kClosedWindowBytes = 16 * 1024;

struct NodeQueues {
  std::size_t used;
  std::size_t peak;
  std::uint64_t droppedForLimit;
  std::uint64_t droppedForBudget;
  bool operator==(const NodeQueues&) const = default;
};

NodeQueues nodeQueues() {
  return node().onNodeThread([] {
    return NodeQueues{node().budget().usedBytes(), node().budget().peakBytes(), node().dropped("queue_limit"),
                      node().dropped("queue_budget")};
  });
}

// Waits until the node's queues and drops stay as they are for a while, long enough for
// the heap trim of the last drops: it has handled every request it will.
void awaitSettled() {
  constexpr auto kQuiet = 2 * node::control::QueueBudget::kHeapTrimDelay;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (NodeQueues last = nodeQueues(); std::chrono::steady_clock::now() < deadline;) {
    std::this_thread::sleep_for(kQuiet);
    const NodeQueues now = nodeQueues();
    if (now == last) return;
    last = now;
  }
}

void reportFlood(const Flood& flood) {
  const NodeQueues start = nodeQueues();
  const long before = residentKiB();
  if (!restartPeakResident()) std::fprintf(stderr, "the peak resident memory cannot be started over\n");
  long handled = 0;
  NodeQueues flooded{};
  {
    std::vector<std::unique_ptr<Client>> clients;
    for (int c = 0; c < flood.clients; ++c)
      clients.push_back(std::make_unique<Client>(node().controlPort(), kClosedWindowBytes));
    const int perMessage = static_cast<int>(node::control::kMaxCommandsPerMessage);
    for (auto& client : clients)
      for (int first = 1; first <= flood.getsEach; first += perMessage)
        if (!client->trySend(getsMessage(node::control::kClassManagerOid, kDatatypes,
                                         std::min(perMessage, flood.getsEach - first + 1), first)))
          break;
    awaitSettled();
    handled = residentKiB();
    flooded = nodeQueues();
  }
  // The clients left: the node closes their connections and gives the heap back.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (nodeQueues().used != 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(2 * node::control::QueueBudget::kHeapTrimDelay);  // the heap trim of the last drops
  std::printf("flood of %d controllers x %d Gets of 30 KB, never read: resident %ld KiB before, %ld KiB at most, "
              "%ld KiB once handled (%zu KiB queued), %ld KiB after they left; queues at most %zu KiB of %zu KiB; "
              "dropped %llu at one controller's cap, %llu for the budget\n",
              flood.clients, flood.getsEach, before, peakResidentKiB(), handled, flooded.used / 1024, residentKiB(),
              flooded.peak / 1024,
              node::control::kDefaultQueueBudgetMiB * 1024,
              static_cast<unsigned long long>(flooded.droppedForLimit - start.droppedForLimit),
              static_cast<unsigned long long>(flooded.droppedForBudget - start.droppedForBudget));
}

// One poll round in process: every converter's listener runs once, as the converter
// layer calls it after each poll, and every controller subscribed to everything.
constexpr int kConverters = 100;
constexpr int kControllers = 10;

struct Fleet {
  asio::io_context io;
  std::vector<std::unique_ptr<node::testing::VirtualConverter>> converters;
  std::vector<std::unique_ptr<node::testing::MemoryKeeper>> kept;
  std::vector<std::unique_ptr<node::control::ConverterModel>> models;
  std::vector<std::unique_ptr<node::control::ControlSession>> sessions;
  std::size_t bytesSent = 0;

  Fleet() {
    for (int c = 0; c < kConverters; ++c) {
      converters.push_back(std::make_unique<node::testing::VirtualConverter>(io, kVersionModelA));
      kept.push_back(std::make_unique<node::testing::MemoryKeeper>());
      models.push_back(std::make_unique<node::control::ConverterModel>(
          *converters.back(), node::control::ObjectModel::Options{}, *kept.back()));
      auto* model = models.back().get();
      std::vector<node::control::ControlSession*> mine;
      for (int s = 0; s < kControllers; ++s) {
        sessions.push_back(std::make_unique<node::control::ControlSession>(
            model->objects(), [this](std::string text) { bytesSent += text.size(); }));
        sessions.back()->receive(R"({"messageType":3,"subscriptions":[1,2,3,4,5,6,7,8]})");
        mine.push_back(sessions.back().get());
      }
      model->objects().setChangeListener([mine](int oid, node::control::ElementId id, const json& value) {
        for (auto* session : mine) session->propertyChanged(oid, id, value);
      });
      converters.back()->listen([model](const node::ConverterState&) { model->stateChanged(); });
    }
  }
};

void PollRound(benchmark::State& state) {
  static Fleet fleet;
  const bool changing = state.range(0) != 0;
  std::uint8_t value = 0;
  for (auto _ : state) {
    ++value;
    for (auto& converter : fleet.converters)
      converter->changeByte(offsetof(StatusBlockA, verticalMargin), changing ? value % 100 : 10);
  }
  state.counters["converters"] = kConverters;
  state.counters["controllers_each"] = kControllers;
}
BENCHMARK(PollRound)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velkor::bench

int main(int argc, char** argv) {
  using velkor::bench::Comparison;
  // The loopback traffic stays inside a network namespace of the benchmark's own.
  if (!velkor::node::testing::enterPrivateNetwork()) {
    std::fprintf(stderr, "no network namespace of our own could be made\n");
    return 1;
  }
  const long before = velkor::bench::residentKiB();
  { velkor::bench::Fleet measured; std::printf("memory of %d converters with %d controllers each: %ld KiB\n",
                                              velkor::bench::kConverters, velkor::bench::kControllers,
                                              velkor::bench::residentKiB() - before); }
  for (const velkor::bench::Flood& flood : velkor::bench::kFloods) velkor::bench::reportFlood(flood);
  return velkor::bench::runWithRatios(argc, argv,
                                      {
                                          {"GetThroughNode/real_time", "GetWithoutNode/real_time", 0, 1e6},
                                          {"SetThroughNode/real_time", "SetWithoutNode/real_time", 0, 1e6},
                                          {"NotificationDelay/real_time", "GetWithoutNode/real_time", 0, 1e6},
                                          {"GetsInOneMessage/1/real_time", "GetThroughNode/real_time", 1.2, 0},
                                          {"GetsInOneMessage/2/real_time", "GetThroughNode/real_time", 1.2, 0},
                                          {"GetsInOneMessage/8/real_time", "GetThroughNode/real_time", 1.2, 0},
                                          {"FirstNotificationAfterSubscription/real_time", "GetThroughNode/real_time",
                                           1.2, 0},
                                      });
}

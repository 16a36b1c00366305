// What keeping a host's converters in a registry costs, over loopback to a registry of
// our own: registering a node with 100 devices, beside the floor of the same 101 requests
// sent one after another by the HTTP client alone; one request, which is what a
// heartbeat costs every 5 s whatever the number of devices; and how long a converter
// plugged in takes to appear in the registry, through the whole node (listing, worker,
// resources, registration) at the node's own scan interval.

#include <benchmark/benchmark.h>

#include <boost/asio/io_context.hpp>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ConverterHub.h"
#include "DemoConverters.h"
#include "FakeConverter.h"
#include "HttpClient.h"
#include "HttpServer.h"
#include "Log.h"
#include "PrivateNetwork.h"
#include "ProcessMemory.h"
#include "RatioReporter.h"
#include "Registration.h"
#include "ResourceStore.h"
#include "VirtualTransport.h"

namespace velkor::bench {
namespace {

namespace bhttp = boost::beast::http;
using namespace std::chrono_literals;
using node::testing::FakeConverter;

constexpr int kDevices = 100;
constexpr const char* kNodeId = "0d5e4f2a-6b1c-4d3e-9f8a-7b6c5d4e3f2a";
constexpr const char* kResourcePath = "/x-nmos/registration/v1.3/resource";
// The node's own: a converter plugged in is found at the next listing.
constexpr std::chrono::milliseconds kNodeScanInterval{1000};

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Takes every registration and heartbeat; counts the resources posted and tells of each.
class Registry {
 public:
  explicit Registry(boost::asio::io_context& network)
      : server_(network, events_, [this](const node::http::Request& request, const node::http::ClientAddress&) {
          const bool posted = request.method() == bhttp::verb::post && request.target() == kResourcePath;
          if (posted) {
            ++posts;
            if (onPost) onPost(request.body());
          }
          node::http::Response response{posted ? bhttp::status::created : bhttp::status::ok, 11};
          response.prepare_payload();
          return response;
        }) {
    server_.listen({boost::asio::ip::make_address("127.0.0.1"), 0});
  }
  node::Browse advert() const {
    node::ServiceAdvert advert{"127.0.0.1", server_.port(), {{"pri", "0"}, {"api_ver", "v1.3"},
                                                               {"api_proto", "http"}, {"api_auth", "false"}}};
    return [advert] { return std::vector<node::ServiceAdvert>{advert}; };
  }
  unsigned short port() const { return server_.port(); }

  int posts = 0;
  std::function<void(const std::string& body)> onPost;

 private:
  node::events::NodeEvents events_{nullptr};
  node::http::HttpServer server_;
};

bool runUntil(boost::asio::io_context& network, const std::function<bool()>& done,
              std::chrono::milliseconds limit = 30s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    network.restart();
    network.run_one_for(10ms);
  }
  return true;
}

node::ConverterInfo deviceInfo(int k) {
  node::ConverterInfo info;
  info.modelWord = "TQ4410";
  info.identity = "1-1." + std::to_string(k) + ":1.0";
  info.deviceId = "5a0c6f0e-0000-5d2b-9a51-" + std::to_string(100000000000 + k);
  return info;
}

struct Fleet {
  Fleet() {
    for (int k = 0; k < kDevices; ++k) converters.push_back(std::make_unique<FakeConverter>(deviceInfo(k)));
    for (auto& converter : converters) store.addDevice(*converter);
  }
  std::vector<std::unique_ptr<FakeConverter>> converters;
  node::ResourceStore store{{kNodeId, "rack 4", "rack4", {{"127.0.0.1", 8080}}, {}}};
};

void RegisterNodeWith100Devices(benchmark::State& state) {
  boost::asio::io_context network;
  for (auto _ : state) {
    Registry registry(network);
    Fleet fleet;
    node::Registration registration(network, fleet.store, registry.advert(), {});
    const auto start = std::chrono::steady_clock::now();
    registration.start();
    if (!runUntil(network, [&] { return registry.posts == kDevices + 1; })) state.SkipWithError("not registered");
    state.SetIterationTime(seconds(std::chrono::steady_clock::now() - start));
    registration.stop();
  }
}
BENCHMARK(RegisterNodeWith100Devices)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The floor: the same number of requests of the same size, one after another.
void Send101Requests(benchmark::State& state) {
  boost::asio::io_context network;
  Registry registry(network);
  Fleet fleet;
  const std::string body = nlohmann::json{{"type", "device"}, {"data", fleet.store.devices().at(0)}}.dump();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    int answered = 0;
    std::function<void()> next = [&] {
      node::http::ClientRequest request{.host = "127.0.0.1",
                                        .port = std::to_string(registry.port()),
                                        .method = bhttp::verb::post,
                                        .target = kResourcePath,
                                        .body = body};
      node::http::sendRequest(network, request, [&](const node::http::ClientResponse&) {
        if (++answered < kDevices + 1) next();
      });
    };
    next();
    if (!runUntil(network, [&] { return answered == kDevices + 1; })) state.SkipWithError("no answers");
    state.SetIterationTime(seconds(std::chrono::steady_clock::now() - start));
  }
}
BENCHMARK(Send101Requests)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void OneRequest(benchmark::State& state) {
  boost::asio::io_context network;
  Registry registry(network);
  for (auto _ : state) {
    bool answered = false;
    node::http::sendRequest(network,
                            {.host = "127.0.0.1",
                             .port = std::to_string(registry.port()),
                             .method = bhttp::verb::post,
                             .target = kResourcePath,
                             .body = std::string("{}")},
                            [&](const node::http::ClientResponse&) { answered = true; });
    runUntil(network, [&] { return answered; });
  }
}
BENCHMARK(OneRequest)->Unit(benchmark::kMicrosecond)->UseRealTime();

// From the moment a virtual converter is plugged in to its Device's registration.
void PluggedConverterAppears(benchmark::State& state) {
  boost::asio::io_context network;
  Registry registry(network);
  SteadyClock clock;
  VirtualTransport transport(clock);
  addDemoConverters(transport);
  VirtualConverter& plug = *transport.converters().front();
  plug.setFault(ConverterFault::Unplugged);
  node::ConverterHub hub(network, transport, {kNodeScanInterval, 1000ms, false});
  node::ResourceStore store({kNodeId, "rack 4", "rack4", {{"127.0.0.1", 8080}}, {}});
  store.follow(hub);
  hub.start();
  node::Registration registration(network, store, registry.advert(), {});
  registration.start();
  runUntil(network, [&] { return !registration.registry().empty(); });

  std::size_t devicesBefore = 0;
  for (auto _ : state) {
    devicesBefore = store.deviceIds().size();
    bool appeared = false;
    registry.onPost = [&](const std::string& body) {
      if (body.find("\"device\"") != std::string::npos && store.deviceIds().size() > devicesBefore) appeared = true;
    };
    const auto start = std::chrono::steady_clock::now();
    plug.setFault(ConverterFault::Unplugged, false);
    if (!runUntil(network, [&] { return appeared; })) state.SkipWithError("never appeared");
    state.SetIterationTime(seconds(std::chrono::steady_clock::now() - start));
    registry.onPost = nullptr;
    // Gone again before the next round.
    plug.setFault(ConverterFault::Unplugged);
    runUntil(network, [&] { return store.deviceIds().size() == devicesBefore && hub.retiringCount() == 0; });
  }
  registration.stop();
  hub.stop();
}
BENCHMARK(PluggedConverterAppears)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace velkor::bench

int main(int argc, char** argv) {
  // The loopback traffic stays inside a network namespace of the benchmark's own.
  if (!velkor::node::testing::enterPrivateNetwork()) {
    std::fprintf(stderr, "no network namespace of our own could be made\n");
    return 1;
  }
  // The converters' protocol lines are not what is measured.
  velkor::setLogStream(nullptr);
  const long before = velkor::bench::residentKiB();
  {
    boost::asio::io_context network;
    velkor::bench::Registry registry(network);
    velkor::bench::Fleet fleet;
    velkor::node::Registration registration(network, fleet.store, registry.advert(), {});
    registration.start();
    velkor::bench::runUntil(network, [&] { return registry.posts == velkor::bench::kDevices + 1; });
    std::printf("memory of a node registered with %d devices: %ld KiB\n", velkor::bench::kDevices,
                velkor::bench::residentKiB() - before);
    registration.stop();
  }
  return velkor::bench::runWithRatios(
      argc, argv,
      {
          {"RegisterNodeWith100Devices/iterations:10/manual_time", "Send101Requests/iterations:10/manual_time", 1.5, 0},
          // A converter plugged in appears after at most one listing and its first poll.
          {"PluggedConverterAppears/iterations:5/manual_time", "OneRequest/real_time", 0, 3e9},
      });
}

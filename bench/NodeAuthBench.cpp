// What authorization costs the node, in process. Per request: the Node API answering a
// GET of its own resource, alone (the floor) and behind the door that checks the
// request's token (an RS512 signature with a 2048-bit key, its times, audience and path
// rights). Per IS-12 Set: a controller's Set of a property the model holds, with rights
// from a token to check by role path, beside the same Set with no rights to check.

#include <boost/asio/io_context.hpp>
#include <nlohmann/json.hpp>

#include "AcceptedDevices.h"
#include "ControlRoutes.h"
#include "ControlSession.h"
#include "ConverterModel.h"
#include "HttpGate.h"
#include "MemoryKeeper.h"
#include "NodeApi.h"
#include "RatioReporter.h"
#include "ResourceStore.h"
#include "SigningKeys.h"
#include "TestTokens.h"
#include "VirtualConverter.h"

namespace velkor::bench {
namespace {

namespace bhttp = boost::beast::http;
using nlohmann::json;
using node::auth::testing::claimsFor;
using node::auth::testing::TestKey;

const std::string kIssuer = "https://auth.example.com";
const std::string kSelf = "/x-nmos/node/v1.3/self";

struct Door {
  TestKey key;
  node::auth::KeyStore keys;
  node::auth::TokenCheck check{keys, nullptr, "node-3.example.com"};
  node::events::NodeEvents events{nullptr};
  node::auth::HttpGate gate{check, nullptr, node::auth::testing::secondsNow, events};
  node::ResourceStore store{{"0d5e4f2a-6b1c-4d3e-9f8a-7b6c5d4e3f2a", "rack 4", "rack4", {{"10.0.0.4", 8080}}, {}}};
  node::NodeApi api{store};
  node::http::Request request{bhttp::verb::get, kSelf, 11};
  boost::asio::ip::address client = boost::asio::ip::make_address("10.0.0.9");

  Door() {
    keys.take(kIssuer, node::auth::readKeySet(json{{"keys", {key.jwk()}}}.dump()).keys, 0);
    request.set(bhttp::field::authorization,
                "Bearer " + key.sign(claimsFor(kIssuer, {{"x-nmos-node", {{"read", {"*"}}}}})));
  }
};

Door& door() {
  static Door made;
  return made;
}

void RequestWithoutAuthorization(benchmark::State& state) {
  Door& d = door();
  for (auto _ : state) benchmark::DoNotOptimize(d.api.handle(d.request));
}
BENCHMARK(RequestWithoutAuthorization);

void RequestWithAuthorization(benchmark::State& state) {
  Door& d = door();
  for (auto _ : state) {
    std::optional<node::http::Response> refusal = d.gate.screen(d.request, d.client);
    if (refusal) state.SkipWithError("refused");
    benchmark::DoNotOptimize(d.api.handle(d.request));
  }
}
BENCHMARK(RequestWithAuthorization);

// The Set of the output page's user label: held by the model, so that the figure is the
// node's own work, not a converter's exchange.
const std::string kSetLabel =
    R"({"messageType":0,"commands":[{"handle":1,"oid":4,"methodId":{"level":1,"index":2},"arguments":{"id":{"level":1,"index":6},"value":"main out"}}]})";

void Set(benchmark::State& state, bool withRights) {
  boost::asio::io_context io;
  node::testing::VirtualConverter converter(io, kVersionModelA);
  node::testing::MemoryKeeper kept;
  node::control::ConverterModel model(converter, node::control::ObjectModel::Options{}, kept);
  node::auth::TokenClaims claims;
  claims.rights["control"] = {{"root.*"}, {"root.overlay", "root.audio", "root.output"}};
  std::size_t sent = 0;
  node::control::ControlSession session(model.objects(), [&](std::string text) { sent += text.size(); },
                                        withRights ? node::grantOf(claims).permissions : node::control::Permissions{});
  for (auto _ : state) session.receive(kSetLabel);
  benchmark::DoNotOptimize(sent);
}
void SetWithoutRights(benchmark::State& state) { Set(state, false); }
void SetWithRights(benchmark::State& state) { Set(state, true); }
BENCHMARK(SetWithoutRights);
BENCHMARK(SetWithRights);

}  // namespace
}  // namespace velkor::bench

int main(int argc, char** argv) {
  return velkor::bench::runWithRatios(argc, argv,
                                      {
                                          // A request checked within 100 µs more than served.
                                          {"RequestWithAuthorization", "RequestWithoutAuthorization", 0, 100e3},
                                          // A Set's rights cost at most a fifth more.
                                          {"SetWithRights", "SetWithoutRights", 1.2, 0},
                                      });
}

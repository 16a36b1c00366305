// Any bytes a client sends the node: parsed under the server's limits, weighed by the
// server's own rules on framing and upgrades, then answered by the Node API over a node
// with one device. Nothing may crash, and every answer is JSON.

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "AcceptedDevices.h"
#include "DeviceId.h"
#include "HttpServer.h"
#include "NodeApi.h"
#include "RequestRules.h"
#include "ResourceStore.h"

namespace {

namespace bhttp = boost::beast::http;
using namespace velkor::node;

class StillConverter final : public ConverterAccess {
 public:
  StillConverter() {
    info_.modelWord = "TQ4410";
    info_.identity = "1-1.2:1.0/A4410137";
    info_.versionNumber = velkor::kVersionModelA;
    info_.deviceId = deviceIdOf(info_.modelWord, info_.identity);
  }
  const ConverterInfo& info() const override { return info_; }
  const ConverterState& state() const override { return state_; }
  void sendSetting(std::uint8_t, std::size_t, std::uint8_t, Done) override {}
  void writeName(std::u16string, Done) override {}
  void storeCustom(std::uint8_t, Done) override {}
  int listen(Listener) override { return 1; }
  void unlisten(int) override {}

 private:
  ConverterInfo info_;
  ConverterState state_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static StillConverter converter;
  static ResourceStore store({"0d5e4f2a-6b1c-4d3e-9f8a-7b6c5d4e3f2a", "fuzz", "fuzz", {{"10.0.0.4", 8080}}, {}});
  static const bool added = (store.addDevice(converter), true);
  static_cast<void>(added);
  static const NodeApi api(store);
  const velkor::node::http::ServerLimits limits;

  bhttp::request_parser<bhttp::string_body> parser;
  parser.header_limit(static_cast<std::uint32_t>(limits.headerBytes));
  parser.body_limit(limits.bodyBytes);
  parser.eager(true);
  boost::beast::error_code error;
  parser.put(boost::asio::buffer(data, size), error);
  if (error || !parser.is_header_done()) return 0;
  const auto mustBeJson = [](const velkor::node::http::Response& response) {
    if (response.body().empty()) return;
    const auto parsed = nlohmann::json::parse(response.body(), nullptr, false);
    if (parsed.is_discarded()) std::abort();
  };
  if (const auto refused = velkor::node::http::checkFraming(parser.get())) mustBeJson(refused->answer);
  if (const auto refused = velkor::node::http::checkUpgrade(parser.get())) mustBeJson(refused->answer);
  mustBeJson(api.handle(parser.get()));
  return 0;
}

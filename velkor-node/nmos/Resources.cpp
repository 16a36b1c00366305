#include "Resources.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>

#include "ApiProto.h"
#include "NodeModels.h"
#include "StatusTexts.h"
#include "Text.h"

namespace velkor::node {
namespace {

// TAI has run ahead of UTC by 37 s since 2017; no leap second is planned before 2035.
constexpr std::chrono::seconds kTaiAheadOfUtc{37};
constexpr const char* kApiVersion = "v1.3";
constexpr const char* kDeviceType = "urn:x-nmos:device:generic";
constexpr const char* kControlType = "urn:x-nmos:control:ncp/v1.0";
constexpr std::size_t kMacLength = 6;
// BCP-002-02: what a control system tells resources apart by.
constexpr const char* kTagManufacturer = "urn:x-nmos:tag:asset:manufacturer/v1.0";
constexpr const char* kTagProduct = "urn:x-nmos:tag:asset:product/v1.0";
constexpr const char* kTagInstance = "urn:x-nmos:tag:asset:instance-id/v1.0";
constexpr const char* kTagFunction = "urn:x-nmos:tag:asset:function/v1.0";
constexpr const char* kManufacturer = "Velkor";
constexpr const char* kNodeProduct = "velkor-node";
constexpr const char* kConverterFunction = "Video Format Converter";

std::string hostForUrl(const std::string& host) {
  return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

std::string firmwareWord(const ConverterInfo& info, const ConverterState& state) {
  const NodeModel* model = nodeModelOf(info.versionNumber);
  if (model == nullptr || state.block.size() < model->blockSize) return {};
  return status_text::firmwareVersion(state.block[model->firmwareOffset], state.block[model->firmwareOffset + 1]);
}

}  // namespace

std::string resourceVersionNow() {
  const auto now = std::chrono::system_clock::now().time_since_epoch() + kTaiAheadOfUtc;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now);
  const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(now - seconds);
  return std::to_string(seconds.count()) + ":" + std::to_string(nanoseconds.count());
}

nlohmann::json nodeResource(const NodeDescription& node, const std::string& version) {
  nlohmann::json endpoints = nlohmann::json::array();
  for (const ApiEndpoint& endpoint : node.endpoints)
    endpoints.push_back({{"host", endpoint.host}, {"port", endpoint.port}, {"protocol", apiProto(node.tls)}, {"authorization", node.authorization}});
  nlohmann::json interfaces = nlohmann::json::array();
  for (const NetworkInterface& interface : node.interfaces)
    interfaces.push_back({{"name", interface.name}, {"chassis_id", nullptr}, {"port_id", interface.mac}});
  const ApiEndpoint first = node.endpoints.empty() ? ApiEndpoint{"localhost", 80} : node.endpoints.front();
  nlohmann::json resource = {
      {"id", node.id},
      {"version", version},
      {"label", node.label},
      {"description", "Velkor video format converters of " + node.hostname},
      {"tags", {{kTagManufacturer, {kManufacturer}}, {kTagProduct, {kNodeProduct}}, {kTagInstance, {node.id}}}},
      {"href", std::string(apiProto(node.tls)) + "://" + hostForUrl(first.host) + ":" + std::to_string(first.port) + "/"},
      {"api", {{"versions", {kApiVersion}}, {"endpoints", endpoints}}},
      {"caps", nlohmann::json::object()},
      {"services", nlohmann::json::array()},
      {"clocks", {{{"name", "clk0"}, {"ref_type", "internal"}}}},
      {"interfaces", interfaces},
  };
  if (!node.hostname.empty()) resource["hostname"] = node.hostname;
  return resource;
}

std::string deviceLabel(const ConverterInfo& info, const ConverterState& state) {
  const std::string name = toUtf8(state.name);
  return name.empty() ? info.modelWord : info.modelWord + " " + name;
}

std::string deviceDescription(const ConverterInfo& info, const ConverterState& state) {
  std::string text = "Velkor " + info.modelWord + " at " + info.identity;
  if (!info.serialNumber.empty()) text += ", serial number " + info.serialNumber;
  const std::string firmware = firmwareWord(info, state);
  // Before the first answer the block holds zeros, which are no firmware.
  if (state.exchanges > state.failures && !firmware.empty()) text += ", firmware " + firmware;
  return text;
}

std::string controlHref(const ApiEndpoint& endpoint, const std::string& deviceId, bool tls) {
  return std::string(webSocketScheme(tls)) + "://" + hostForUrl(endpoint.host) + ":" + std::to_string(endpoint.port) + kControlPathPrefix + deviceId;
}

nlohmann::json deviceResource(const NodeDescription& node, const ConverterInfo& info, const ConverterState& state,
                              const std::string& version) {
  nlohmann::json controls = nlohmann::json::array();
  for (const ApiEndpoint& endpoint : node.endpoints)
    controls.push_back({{"type", kControlType}, {"href", controlHref(endpoint, info.deviceId, node.tls)}, {"authorization", node.authorization}});
  return {
      {"id", info.deviceId},
      {"version", version},
      {"label", deviceLabel(info, state)},
      {"description", deviceDescription(info, state)},
      // The serial number where the converter has one; its place on this host where not.
      {"tags",
       {{kTagManufacturer, {kManufacturer}},
        {kTagProduct, {info.modelWord}},
        {kTagInstance, {info.serialNumber.empty() ? node.hostname + " " + info.identity : info.serialNumber}},
        {kTagFunction, {kConverterFunction}}}},
      {"type", kDeviceType},
      {"node_id", node.id},
      {"senders", nlohmann::json::array()},
      {"receivers", nlohmann::json::array()},
      {"controls", controls},
  };
}

std::vector<NetworkInterface> hostInterfaces() {
  std::vector<NetworkInterface> found;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return found;
  std::set<std::string> seen;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_PACKET) continue;
    const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
    if (link->sll_halen != kMacLength || !seen.insert(entry->ifa_name).second) continue;
    char mac[3 * kMacLength];
    std::snprintf(mac, sizeof mac, "%02x-%02x-%02x-%02x-%02x-%02x", link->sll_addr[0], link->sll_addr[1],
                  link->sll_addr[2], link->sll_addr[3], link->sll_addr[4], link->sll_addr[5]);
    found.push_back({entry->ifa_name, mac});
  }
  freeifaddrs(list);
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  return found;
}

std::vector<std::string> hostAddresses() {
  std::vector<std::string> found;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return found;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET || (entry->ifa_flags & IFF_LOOPBACK))
      continue;
    char text[INET_ADDRSTRLEN];
    const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
    if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr) found.emplace_back(text);
  }
  freeifaddrs(list);
  return found;
}

}  // namespace velkor::node

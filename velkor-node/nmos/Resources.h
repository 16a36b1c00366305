#pragma once
// The node's IS-04 resources as JSON: the node itself and one Device per converter.

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ConverterAccess.h"

namespace velkor::node {

// Where a device's IS-12 control endpoint is on this node: this, then the device's id.
inline constexpr const char* kControlPathPrefix = "/x-nmos/ncp/v1.0/connect/";

struct ApiEndpoint {
  std::string host;  // an address, or the host name
  unsigned port = 0;
};

struct NetworkInterface {
  std::string name;
  std::string mac;  // "aa-bb-cc-dd-ee-ff", as IS-04 writes it
};

struct NodeDescription {
  std::string id;
  std::string label;
  std::string hostname;
  std::vector<ApiEndpoint> endpoints;  // the first is the one hrefs name
  std::vector<NetworkInterface> interfaces;
  bool tls = false;  // every endpoint is HTTPS, and WSS for control
  bool authorization = false;  // every endpoint and control asks for a token
};

// Now, as IS-04 versions are written: TAI seconds and nanoseconds, "1700000037:5000".
std::string resourceVersionNow();

nlohmann::json nodeResource(const NodeDescription& node, const std::string& version);

// "TQ4410 Studio A": the model word always, the custom name when the converter gave one.
std::string deviceLabel(const ConverterInfo& info, const ConverterState& state);
// What it is and where: identity, serial number, firmware.
std::string deviceDescription(const ConverterInfo& info, const ConverterState& state);
// The IS-12 control endpoint of a device on this node: wss:// when `tls`, else ws://.
std::string controlHref(const ApiEndpoint& endpoint, const std::string& deviceId, bool tls);

nlohmann::json deviceResource(const NodeDescription& node, const ConverterInfo& info, const ConverterState& state,
                              const std::string& version);

// The host's network interfaces with a hardware address (loopback included, whose
// address is all zeros), in name order.
std::vector<NetworkInterface> hostInterfaces();

// The host's IPv4 addresses outside loopback, for a node that listens on every address.
std::vector<std::string> hostAddresses();

}  // namespace velkor::node

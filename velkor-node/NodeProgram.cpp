#include "NodeProgram.h"

#include <unistd.h>

#include <algorithm>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/signal_set.hpp>
#include <climits>
#include <csignal>
#include <cstdio>

#include "ApiProto.h"
#include "AvahiLoop.h"
#include "ControlRoutes.h"
#include "ConverterHub.h"
#include "DnsSdBrowse.h"
#include "DnsSdSources.h"
#include "HttpServer.h"
#include "MdnsAdvertiser.h"
#include "MdnsBrowse.h"
#include "Metrics.h"
#include "NodeAdvertTxt.h"
#include "NodeApi.h"
#include "Registration.h"
#include "ResourceStore.h"
#include "StateFolder.h"
#include "TlsContexts.h"

namespace velkor::node {
namespace {

namespace bhttp = boost::beast::http;
using tcp = boost::asio::ip::tcp;

constexpr const char* kRegisterService = "_nmos-register._tcp";
constexpr const char* kMetricsPath = "/metrics";
// In the state folder: what controllers set that the node holds itself, a file per converter.
constexpr const char* kLabelsFolder = "labels";
// Long enough for avahi-daemon to hear from the registries on the link, short enough to
// browse again soon.
constexpr std::chrono::milliseconds kMulticastBrowseLimit{1500};
// A stop waits no longer than this for the registry to let the node go.
constexpr std::chrono::milliseconds kLeaveLimit{2000};

void note(const std::string& line) { std::fprintf(stderr, "velkor-node: %s\n", line.c_str()); }

std::string hostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "localhost";
  return name;
}

// The endpoints the node names in its resources: the addresses it listens on, or, for
// an address that means every address, the host's own. Over TLS a client checks the
// name in the URL against the certificate, so the certificate's name it is, once a port.
std::vector<ApiEndpoint> endpointsOf(const std::vector<ListenAddress>& listening, const std::string& tlsName) {
  std::vector<ApiEndpoint> endpoints;
  for (const ListenAddress& listen : listening) {
    if (!tlsName.empty()) {
      const bool named = std::any_of(endpoints.begin(), endpoints.end(),
                                     [&](const ApiEndpoint& endpoint) { return endpoint.port == listen.port; });
      if (!named) endpoints.push_back({tlsName, listen.port});
      continue;
    }
    boost::system::error_code error;
    const auto address = boost::asio::ip::make_address(listen.address, error);
    if (!error && address.is_unspecified()) {
      for (const std::string& host : hostAddresses()) endpoints.push_back({host, listen.port});
    } else {
      endpoints.push_back({listen.address, listen.port});
    }
  }
  if (endpoints.empty() && !listening.empty()) endpoints.push_back({hostName(), listening.front().port});
  return endpoints;
}

Browse browserFor(const NodeConfig& config, AvahiLoop& avahi) {
  if (config.registry == "none") return [] { return std::vector<RegistryAdvert>{}; };
  if (const auto fixed = parseListen(config.registry)) {
    // A configured registry is taken as it is: it needs no advertisement.
    RegistryAdvert advert{fixed->address, fixed->port, {{"pri", "0"}, {"api_ver", "v1.3"},
                                                        {"api_proto", apiProto(config.tls())}, {"api_auth", "false"}}};
    return [advert] { return std::vector<RegistryAdvert>{advert}; };
  }
  const std::vector<std::string> domains = config.dnsSdDomains;
  return unicastThenMulticast([domains] { return browseUnicast(kRegisterService, domains); },
                              [&avahi] { return browseMulticast(avahi, kRegisterService, kMulticastBrowseLimit); },
                              note);
}

}  // namespace

int runNode(const NodeConfig& config, Transport& transport) {
  std::vector<ListenAddress> listening;
  for (const std::string& text : config.listen)
    if (const auto parsed = parseListen(text)) listening.push_back(*parsed);

  http::TlsContexts tls;
  if (config.tls()) {
    tls = http::loadTlsContexts({config.tlsCertificate, config.tlsPrivateKey, config.tlsTrustedCa});
    if (!tls.problem.empty()) {
      note(tls.problem);
      return kExitConfigError;
    }
    for (const std::string& warning : tls.warnings) note(warning);
  }

  const NodeIdResult nodeId = loadOrCreateNodeId(config.stateDir);
  if (!nodeId.problem.empty()) note("the node's id will not survive a restart: " + nodeId.problem);

  boost::asio::io_context network(1);
  NodeDescription description;
  description.id = nodeId.id;
  description.hostname = hostName();
  description.label = config.label.empty() ? description.hostname : config.label;
  description.endpoints = endpointsOf(listening, tls.serverName);
  description.interfaces = hostInterfaces();
  description.tls = config.tls();

  ConverterHub hub(network, transport, {std::chrono::milliseconds(1000), config.pollInterval, config.readOnly});
  ResourceStore store(description);
  NodeApi api(store);
  control::ControlEndpoint::Options controlOptions;
  controlOptions.readOnly = config.readOnly;
  control::KeptValueStore kept(network, config.stateDir / kLabelsFolder, note);
  ControlRoutes controls(hub, controlOptions, kept);

  http::HttpServer server(network, [&](const http::Request& request) {
    std::string_view path(request.target().data(), request.target().size());
    path = path.substr(0, path.find('?'));
    if (path == kMetricsPath) {
      if (request.method() != bhttp::verb::get && request.method() != bhttp::verb::head)
        return http::errorResponse(405, "method not allowed here");
      http::Response response{bhttp::status::ok, 11};
      response.set(bhttp::field::content_type, kMetricsContentType);
      if (request.method() == bhttp::verb::get) response.body() = metricsText(hub);
      return response;
    }
    return api.handle(request);
  }, {}, tls.server);
  // A WebSocket upgrade for a converter's control endpoint; any other is answered like
  // any other request (404).
  server.setUpgradeHandler(
      [&controls](const http::Request& request) { return controls.route(request); });
  for (const ListenAddress& listen : listening) {
    boost::system::error_code error;
    const auto address = boost::asio::ip::make_address(listen.address, error);
    const std::string problem = error ? error.message() : server.listen({address, listen.port});
    if (!problem.empty()) {
      note("cannot listen on " + listen.address + ":" + std::to_string(listen.port) + ": " + problem);
      return 1;
    }
    note(std::string("Node API on ") + apiProto(config.tls()) + "://" + listen.address + ":" + std::to_string(listen.port) + "/x-nmos/node/v1.3/");
  }

  store.follow(hub);
  hub.start();
  std::vector<std::pair<std::string, unsigned short>> advertised;
  for (const ListenAddress& listen : listening) advertised.emplace_back(listen.address, listen.port);
  // mDNS on a thread of its own: a daemon that does not answer holds up nothing here.
  AvahiLoop avahi(note);
  MdnsAdvertiser advertiser(avahi, description.label, advertised);
  ResourceCounters counters;
  advertiser.setTxt(nodeAdvertTxt(counters, config.tls()));
  store.listen([&](const std::string&, const nlohmann::json*) {
    ++counters.devices;
    advertiser.setTxt(nodeAdvertTxt(counters, config.tls()));
  });
  RegistrationOptions registrationOptions;
  registrationOptions.tls = tls.client;
  Registration registration(network, store, browserFor(config, avahi), registrationOptions, [&](bool none) { advertiser.advertise(none); });
  registration.start();

  boost::asio::signal_set signals(network, SIGINT, SIGTERM);
  signals.async_wait([&](const boost::system::error_code&, int) {
    note("stopping");
    server.stop();
    registration.leave(kLeaveLimit, [&] {
      hub.stop();
      network.stop();
    });
  });
  note("node " + description.id + " serving " + std::to_string(hub.converters().size()) + " converters");
  network.run();
  registration.stop();
  hub.stop();
  return 0;
}

}  // namespace velkor::node

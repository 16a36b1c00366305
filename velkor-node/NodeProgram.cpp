#include "NodeProgram.h"

#include <unistd.h>

#include <algorithm>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/signal_set.hpp>
#include <climits>
#include <csignal>
#include <cstdio>

#include <netdb.h>

#include "ApiProto.h"
#include "AuthorizationServer.h"
#include "AvahiLoop.h"
#include "ClientCredentials.h"
#include "ControlRoutes.h"
#include "ConverterHub.h"
#include "DnsSdBrowse.h"
#include "DnsSdSources.h"
#include "HttpGate.h"
#include "HttpServer.h"
#include "KeyStore.h"
#include "MdnsAdvertiser.h"
#include "MdnsBrowse.h"
#include "Metrics.h"
#include "NodeAdvertTxt.h"
#include "NodeApi.h"
#include "Registration.h"
#include "ResourceStore.h"
#include "StateFolder.h"
#include "TlsContexts.h"
#include "TokenCheck.h"

namespace velkor::node {
namespace {

namespace bhttp = boost::beast::http;
using tcp = boost::asio::ip::tcp;

constexpr const char* kRegisterService = "_nmos-register._tcp";
constexpr const char* kAuthService = "_nmos-auth._tcp";
constexpr const char* kMetricsPath = "/metrics";
constexpr const char* kMetricsMethods = "GET, HEAD";
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

// The host's fully qualified name, as the resolver knows it; the bare host name when it
// knows none.
std::string fullyQualifiedName() {
  const std::string name = hostName();
  addrinfo hints{};
  hints.ai_flags = AI_CANONNAME;
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return name;
  const std::string canonical = found->ai_canonname != nullptr ? found->ai_canonname : name;
  freeaddrinfo(found);
  return canonical;
}

std::int64_t secondsNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// HEAD is answered like GET: the server sends the header alone.
http::Response metricsResponse(const http::Request& request, const ConverterHub& hub, const events::NodeEvents& events) {
  if (request.method() != bhttp::verb::get && request.method() != bhttp::verb::head) {
    http::Response refusal = http::errorResponse(405, "method not allowed here");
    refusal.set(bhttp::field::allow, kMetricsMethods);
    return refusal;
  }
  http::Response response{bhttp::status::ok, 11};
  response.set(bhttp::field::content_type, kMetricsContentType);
  response.body() = metricsText(hub) + eventMetricsText(events);
  return response;
}

std::string pathOf(const http::Request& request) {
  std::string_view path(request.target().data(), request.target().size());
  return std::string(path.substr(0, path.find('?')));
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

Browse dnsSdBrowser(const NodeConfig& config, AvahiLoop& avahi, const char* service) {
  const std::vector<std::string> domains = config.dnsSdDomains;
  const std::string type = service;
  return unicastThenMulticast([domains, type] { return browseUnicast(type, domains); },
                              [&avahi, type] { return browseMulticast(avahi, type, kMulticastBrowseLimit); }, note);
}

Browse registryBrowser(const NodeConfig& config, AvahiLoop& avahi) {
  if (config.registry == "none") return [] { return std::vector<ServiceAdvert>{}; };
  if (const auto fixed = parseListen(config.registry)) {
    // A configured registry is taken as it is: it needs no advertisement.
    ServiceAdvert advert{fixed->address, fixed->port, {{kTxtPriority, "0"}, {kTxtApiVersions, "v1.3"},
                                                        {kTxtApiProto, apiProto(config.tls())},
                                                        {kTxtApiAuth, config.authorization ? "true" : "false"}}};
    return [advert] { return std::vector<ServiceAdvert>{advert}; };
  }
  return dnsSdBrowser(config, avahi, kRegisterService);
}

// Serves `handler` on each address; empty, or the first that could not be taken and why.
std::string listenAll(http::HttpServer& server, const std::vector<ListenAddress>& addresses) {
  for (const ListenAddress& listen : addresses) {
    boost::system::error_code error;
    const auto address = boost::asio::ip::make_address(listen.address, error);
    const std::string problem = error ? error.message() : server.listen({address, listen.port});
    if (!problem.empty()) return "cannot listen on " + listen.address + ":" + std::to_string(listen.port) + ": " + problem;
  }
  return {};
}

}  // namespace

int runNode(const NodeConfig& config, Transport& transport) {
  std::vector<ListenAddress> listening;
  for (const std::string& text : config.listen)
    if (const auto parsed = parseListen(text)) listening.push_back(*parsed);
  std::vector<ListenAddress> metricsListening;
  for (const std::string& text : config.metricsListen)
    if (const auto parsed = parseListen(text)) metricsListening.push_back(*parsed);

  http::TlsContexts tls;
  if (config.tls()) {
    tls = http::loadTlsContexts({config.tlsCertificate, config.tlsPrivateKey, config.tlsTrustedCa});
    if (!tls.problem.empty()) {
      note(tls.problem);
      return kExitConfigError;
    }
    for (const std::string& warning : tls.warnings) note(warning);
  }
  // An authorization server is reached over HTTPS whether or not the node serves TLS.
  std::shared_ptr<boost::asio::ssl::context> authTls = tls.client;
  if (config.authorization && !authTls) {
    const http::TlsContexts client = http::loadTlsClient(config.tlsTrustedCa);
    if (!client.problem.empty()) {
      note(client.problem);
      return kExitConfigError;
    }
    authTls = client.client;
  }

  const NodeIdResult nodeId = loadOrCreateNodeId(config.stateDir);
  if (!nodeId.problem.empty()) note("the node's id will not survive a restart: " + nodeId.problem);

  boost::asio::io_context network(1);
  events::NodeEvents events(note);
  NodeDescription description;
  description.id = nodeId.id;
  description.hostname = hostName();
  description.label = config.label.empty() ? description.hostname : config.label;
  description.endpoints = endpointsOf(listening, tls.serverName);
  description.interfaces = hostInterfaces();
  description.tls = config.tls();
  description.authorization = config.authorization;

  ConverterHub hub(network, transport, {std::chrono::milliseconds(1000), config.pollInterval, config.readOnly});
  ResourceStore store(description);
  NodeApi api(store);
  control::ControlEndpoint::Options controlOptions;
  controlOptions.readOnly = config.readOnly;
  control::KeptValueStore kept(network, config.stateDir / kLabelsFolder, note);
  control::QueueBudget controlQueues(network.get_executor(), config.controlQueueBudgetBytes());
  ControlRoutes controls(hub, controlOptions, kept, controlQueues, events);

  // mDNS on a thread of its own: a daemon that does not answer holds up nothing here.
  AvahiLoop avahi(note);

  // Authorization: the keys, the server they come from, the check, and the node's own
  // client for registering.
  auth::KeyStore keys;
  std::unique_ptr<auth::AuthorizationServer> authServer;
  std::unique_ptr<auth::TokenCheck> tokenCheck;
  std::unique_ptr<auth::HttpGate> gate;
  std::unique_ptr<auth::ClientCredentials> oauthClient;
  if (config.authorization) {
    auth::AuthorizationServerOptions serverOptions;
    serverOptions.configuredIssuer = config.authorizationServer;
    serverOptions.httpsOnly = config.tls();
    serverOptions.tls = authTls;
    authServer = std::make_unique<auth::AuthorizationServer>(network, keys, dnsSdBrowser(config, avahi, kAuthService),
                                                             serverOptions, note, secondsNow);
    const std::string audience = config.hostName.empty() ? fullyQualifiedName() : config.hostName;
    note("authorization on: tokens must name " + audience);
    tokenCheck = std::make_unique<auth::TokenCheck>(
        keys, [&authServer](const std::string& issuer) { return authServer->mayAsk(issuer); }, audience);
    gate = std::make_unique<auth::HttpGate>(
        *tokenCheck, [&authServer](const std::string& issuer) { authServer->ask(issuer); }, secondsNow, events);
    auth::ClientCredentialsOptions clientOptions;
    clientOptions.stateDir = config.stateDir;
    clientOptions.clientName = "velkor-node " + description.label + " " + description.id;
    clientOptions.tls = authTls;
    oauthClient = std::make_unique<auth::ClientCredentials>(network, clientOptions, note);
    authServer->onMetadata([&oauthClient](const auth::ServerMetadata& server) { oauthClient->useServer(server); });
  }

  http::HttpServer server(network, events, [&](const http::Request& request, const http::ClientAddress& client) {
    if (gate)
      if (std::optional<http::Response> refusal = gate->screen(request, client)) return std::move(*refusal);
    // With authorization /metrics is served on its own addresses only.
    if (!gate && pathOf(request) == kMetricsPath) return metricsResponse(request, hub, events);
    return api.handle(request);
  }, {}, tls.server);
  // A WebSocket upgrade for a converter's control endpoint; any other is answered like
  // any other request (404).
  server.setUpgradeHandler([&](const http::Request& request, const http::ClientAddress& client) -> http::UpgradeDecision {
    if (!gate || !pathOf(request).starts_with(kControlPathPrefix)) return {controls.route(request), std::nullopt};
    auth::HttpGate::Admission admission = gate->admitControl(request, client);
    if (admission.refusal) return {nullptr, std::move(admission.refusal)};
    return {controls.route(request, grantOf(admission.claims)), std::nullopt};
  });
  if (const std::string problem = listenAll(server, listening); !problem.empty()) {
    note(problem);
    return 1;
  }
  for (const ListenAddress& listen : listening)
    note(std::string("Node API on ") + apiProto(config.tls()) + "://" + listen.address + ":" + std::to_string(listen.port) + "/x-nmos/node/v1.3/");
  // The metrics' own addresses: /metrics and nothing else, with no token, for a scraper
  // on the management network.
  http::HttpServer metricsServer(network, events, [&](const http::Request& request, const http::ClientAddress&) {
    if (pathOf(request) != kMetricsPath) return http::errorResponse(404, "only /metrics here");
    return metricsResponse(request, hub, events);
  }, {}, tls.server);
  if (const std::string problem = listenAll(metricsServer, metricsListening); !problem.empty()) {
    note(problem);
    return 1;
  }
  if (gate && metricsListening.empty()) note("authorization on and no metrics-listen: /metrics is served nowhere");

  store.follow(hub);
  hub.start();
  std::vector<std::pair<std::string, unsigned short>> advertised;
  for (const ListenAddress& listen : listening) advertised.emplace_back(listen.address, listen.port);
  MdnsAdvertiser advertiser(avahi, description.label, advertised);
  ResourceCounters counters;
  advertiser.setTxt(nodeAdvertTxt(counters, config.tls(), config.authorization));
  store.listen([&](const std::string&, const nlohmann::json*) {
    ++counters.devices;
    advertiser.setTxt(nodeAdvertTxt(counters, config.tls(), config.authorization));
  });
  RegistrationOptions registrationOptions;
  registrationOptions.tls = tls.client;
  registrationOptions.tokens = oauthClient.get();
  Registration registration(network, store, registryBrowser(config, avahi), registrationOptions,
                            [&](bool none) { advertiser.advertise(none); });
  if (authServer) authServer->start();
  registration.start();

  boost::asio::signal_set signals(network, SIGINT, SIGTERM);
  signals.async_wait([&](const boost::system::error_code&, int) {
    note("stopping");
    server.stop();
    metricsServer.stop();
    if (authServer) authServer->stop();
    registration.leave(kLeaveLimit, [&] {
      hub.stop();
      network.stop();
    });
  });
  note("node " + description.id + " serving " + std::to_string(hub.converters().size()) + " converters");
  network.run();
  registration.stop();
  if (authServer) authServer->stop();
  hub.stop();
  return 0;
}

}  // namespace velkor::node

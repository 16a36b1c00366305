#pragma once
// The IS-12 control endpoints of the hub's converters: one per converter for as long as
// it stays plugged in, each at the path its IS-04 Device names, and the route from a
// WebSocket upgrade request to the endpoint of the converter it names.
//
// Lifetime: make it after the hub and let it go before the hub; an endpoint goes while
// its converter's worker is still there, as the endpoint needs.

#include <map>
#include <memory>
#include <string>

#include "AccessToken.h"
#include "ControlEndpoint.h"
#include "KeptValueStore.h"
#include "ConverterHub.h"
#include "HttpServer.h"

namespace velkor::node {

// What a token's IS-12 claims ("x-nmos-control", or "x-nmos-ncp") allow a connection:
// reading and changing the objects whose role paths their patterns include (the path
// itself, a block the object lies in, or "root.*" for all), until the token expires.
control::Grant grantOf(const auth::TokenClaims& claims);

class ControlRoutes {
 public:
  // `kept`: where the converters' labels are kept; `budget`: what all the endpoints'
  // controllers may leave unread together; `events`: where the endpoints count and log
  // the controllers they drop. All three outlive the routes.
  ControlRoutes(ConverterHub& hub, control::ControlEndpoint::Options options, control::KeptValueStore& kept,
                control::QueueBudget& budget, events::NodeEvents& events);

  // For the HTTP server's upgrade hook: the control endpoint of the converter the
  // request's path names, if it is plugged in now; nobody (empty) leaves the request to
  // the server (404). The endpoint must be handed the connection before the routes change.
  // `grant`: what the connection is allowed (everything, without authorization).
  http::UpgradeTaker route(const http::Request& request, control::Grant grant = {});

  std::size_t size() const { return endpoints_.size(); }

 private:
  void add(ConverterAccess& converter);

  control::ControlEndpoint::Options options_;
  control::KeptValueStore& kept_;
  control::QueueBudget& budget_;
  events::NodeEvents& events_;
  std::map<std::string, std::unique_ptr<control::ControlEndpoint>, std::less<>> endpoints_;
};

}  // namespace velkor::node

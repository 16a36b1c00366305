#pragma once
// Authorization at the door of the node's HTTP server: the token taken from a request
// (its Authorization header; for a WebSocket upgrade also its access_token parameter,
// which browsers' WebSockets can only send that way), checked, and a refusal made into
// the answer a client expects: 401 or 403 with WWW-Authenticate, 503 with Retry-After,
// an NMOS error body either way. Every refusal is counted by reason, and logged with the
// client's address at most once a minute a reason; no token is ever written anywhere. CORS
// pre-flight requests (OPTIONS) pass untouched.

#include <array>
#include <boost/asio/ip/address.hpp>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "HttpServer.h"
#include "NodeEvents.h"
#include "TokenCheck.h"

namespace velkor::node::auth {

// What a client that must come back is told to wait: the time for the node to fetch a key.
inline constexpr int kRetryAfterSeconds = 2;

class HttpGate {
 public:
  using AskIssuer = std::function<void(const std::string& issuer)>;
  using Clock = std::function<std::int64_t()>;  // seconds since 1970, UTC

  // `events`: where refusals are counted and logged; it outlives the gate.
  HttpGate(const TokenCheck& check, AskIssuer askIssuer, Clock clock, events::NodeEvents& events);

  // The refusal to answer with instead of serving the request, or none.
  std::optional<http::Response> screen(const http::Request& request, const boost::asio::ip::address& client);

  struct Admission {
    std::optional<http::Response> refusal;
    TokenClaims claims;  // of the token, when admitted
  };
  // A WebSocket upgrade to a control endpoint: a valid token for this node that grants
  // rights on an IS-12 device model ("x-nmos-control", or "x-nmos-ncp" after the API's
  // own name); what it grants is for the session to apply object by object.
  Admission admitControl(const http::Request& request, const boost::asio::ip::address& client);

 private:
  http::Response refuse(const Verdict& verdict, const http::Request& request, const boost::asio::ip::address& client);

  const TokenCheck& check_;
  AskIssuer askIssuer_;
  Clock clock_;
  events::NodeEvents& events_;
};

// The API names whose claims give rights on an IS-12 device model's role paths.
inline constexpr std::array<const char*, 2> kControlRightsClaims{"control", "ncp"};

}  // namespace velkor::node::auth

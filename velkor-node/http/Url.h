#pragma once
// The absolute http and https URLs the node is given (an authorization server's
// endpoints, its issuer): scheme, host, port and target, ready for the HTTP client.

#include <optional>
#include <string>
#include <string_view>

namespace velkor::node::http {

struct Url {
  bool tls = false;    // https
  std::string host;    // a name or an address; an IPv6 address without its brackets
  std::string port;    // the scheme's own when the URL names none
  std::string target;  // path and query, "/" at least

  // The URL again, scheme, host, port and target, as RFC 8414 compares issuers.
  std::string text() const;
};

// Nullopt for anything but an absolute http or https URL with a host.
std::optional<Url> parseUrl(std::string_view text);

}  // namespace velkor::node::http

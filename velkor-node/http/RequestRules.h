#pragma once
// What the server refuses of a request on its header alone, before any handler sees it,
// answered with the node's JSON error like every other refusal: a header whose body
// cannot be framed safely (a transfer coding the server does not decode, or chunked not
// last), an HTTP/1.1 request without exactly one Host, and a WebSocket upgrade that
// Beast's accept would turn away in plain text.

#include <boost/beast/http/message.hpp>
#include <optional>
#include <string>

#include "HttpMessages.h"

namespace velkor::node::http {

using RequestHeader = boost::beast::http::request_header<>;

struct Refusal {
  Response answer;
  std::string why;  // what the log says of it
  // The bytes after the header cannot be told apart from a next request: the connection
  // is closed after the answer.
  bool close = false;
};

// The header's framing and Host; nothing when the request may be read on.
std::optional<Refusal> checkFraming(const RequestHeader& header);
// A WebSocket upgrade's own fields, for a request Beast's `is_upgrade` takes for one.
std::optional<Refusal> checkUpgrade(const RequestHeader& header);

}  // namespace velkor::node::http

#pragma once
// The two kinds of connection the node's server accepts: plain TCP, or TLS over TCP once
// its handshake is done. One listener serves one kind; whatever runs on a connection is
// written once for both, as a template on the stream.

#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>
#include <variant>

namespace velkor::node::http {

using PlainStream = boost::beast::tcp_stream;
using TlsStream = boost::beast::ssl_stream<boost::beast::tcp_stream>;
// A connection handed on by an upgrade request, in whichever kind it arrived.
using UpgradedStream = std::variant<PlainStream, TlsStream>;

}  // namespace velkor::node::http

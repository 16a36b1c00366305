#pragma once
// The messages the node's HTTP server passes to its handlers and back, and the error
// body every refusal of the node carries.

#include <boost/asio/ip/address.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <string>

namespace velkor::node::http {

using Request = boost::beast::http::request<boost::beast::http::string_body>;
using Response = boost::beast::http::response<boost::beast::http::string_body>;
// The address a request came from, for the handlers that log or decide by it.
using ClientAddress = boost::asio::ip::address;

// An error body as the NMOS APIs give it: {"code": ..., "error": ..., "debug": null}.
Response errorResponse(unsigned status, const std::string& error, unsigned httpVersion = 11);

}  // namespace velkor::node::http

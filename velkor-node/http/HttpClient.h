#pragma once
// One HTTP or HTTPS request to a registry, on the network thread, within a time limit
// that covers name resolution, connecting, the TLS handshake, sending and the whole
// answer. Over HTTPS the registry's certificate must be trusted by the context and name
// the host asked for.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/beast/http/verb.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace velkor::node::http {

struct ClientResponse {
  unsigned status = 0;  // 0: no answer (refused, timed out, unreadable); `error` says why
  std::string body;
  std::string error;
};

struct ClientRequest {
  std::string host;
  std::string port;
  boost::beast::http::verb method = boost::beast::http::verb::get;
  std::string target;
  std::optional<std::string> jsonBody;  // none: an empty body, and no Content-Type
  std::chrono::milliseconds limit{4000};
  std::shared_ptr<boost::asio::ssl::context> tls{};  // set: HTTPS with it; null: plain HTTP
};

void sendRequest(boost::asio::io_context& network, ClientRequest request, std::function<void(ClientResponse)> done);

}  // namespace velkor::node::http

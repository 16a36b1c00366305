#pragma once
// HTTP and HTTPS requests to a registry or an authorization server, on the network
// thread, each within a time limit that covers name resolution, connecting, the TLS
// handshake, sending and the whole answer. Over HTTPS the server's certificate must be
// trusted by the context and name the host asked for.
//
// One request alone (sendRequest) has a connection of its own, closed after the answer.
// A ClientConnection carries requests one after another to one server: its name is
// resolved once and the connection kept open, so that a burst (leaving a registry) pays
// for neither again; a server that closed the connection in between is connected to
// again at the address already resolved.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/beast/http/verb.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace velkor::node::http {

inline constexpr const char* kJsonContentType = "application/json";

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
  std::optional<std::string> body;  // none: an empty body, and no Content-Type
  std::chrono::milliseconds limit{4000};
  std::shared_ptr<boost::asio::ssl::context> tls{};  // set: HTTPS with it; null: plain HTTP
  std::string contentType = kJsonContentType;          // of the body
  std::string authorization{};  // the Authorization header's value; empty: none
};

void sendRequest(boost::asio::io_context& network, ClientRequest request, std::function<void(ClientResponse)> done);

class ClientConnection {
 public:
  explicit ClientConnection(boost::asio::io_context& network);
  ~ClientConnection();
  ClientConnection(const ClientConnection&) = delete;
  ClientConnection& operator=(const ClientConnection&) = delete;

  // One request at a time: the next once `done` was told. A request to another server
  // than the last one's leaves the last one's connection.
  void send(ClientRequest request, std::function<void(ClientResponse)> done);

  class Link;

 private:
  boost::asio::io_context& network_;
  std::shared_ptr<Link> link_;
};

}  // namespace velkor::node::http

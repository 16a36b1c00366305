#pragma once
// The node's HTTP server: bounded requests (header and body size), idle connections
// closed, a cap on connections at once, and a hook that hands WebSocket upgrades to the
// layer that serves them. Given a TLS context it serves HTTPS only, the same way, with a
// bound on the handshake too. Runs on the network thread; the handlers never block.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ServerStreams.h"

namespace velkor::node::http {

using Request = boost::beast::http::request<boost::beast::http::string_body>;
using Response = boost::beast::http::response<boost::beast::http::string_body>;
// The address a request came from, for the handlers that log or decide by it.
using ClientAddress = boost::asio::ip::address;
using Handler = std::function<Response(const Request& request, const ClientAddress& client)>;
// Takes over a connection whose request asked for a WebSocket upgrade.
using UpgradeTaker = std::function<void(UpgradedStream stream, Request request)>;
// What becomes of a WebSocket upgrade request: who takes the connection; or an answer
// instead (a refusal); or neither, which leaves the request to the handler (404).
struct UpgradeDecision {
  UpgradeTaker taker;
  std::optional<Response> answer;
};
using UpgradeHandler = std::function<UpgradeDecision(const Request& request, const ClientAddress& client)>;

struct ServerLimits {
  std::size_t headerBytes = 8 * 1024;
  std::size_t bodyBytes = 64 * 1024;
  std::chrono::milliseconds idle{30'000};  // a connection that sends nothing this long is closed
  std::size_t connections = 64;            // more at once are closed as soon as accepted
  std::chrono::milliseconds handshake{10'000};  // a TLS client that has not finished its handshake by then is closed
};

// An error body as the NMOS APIs give it: {"code": ..., "error": ..., "debug": null}.
Response errorResponse(unsigned status, const std::string& error, unsigned httpVersion = 11);

class HttpServer {
 public:
  // `tls`: every listener serves HTTPS with it; null: plain HTTP.
  HttpServer(boost::asio::io_context& network, Handler handler, ServerLimits limits = {},
             std::shared_ptr<boost::asio::ssl::context> tls = nullptr);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Listens on one address; empty, or why it could not.
  std::string listen(const boost::asio::ip::tcp::endpoint& endpoint);
  void setUpgradeHandler(UpgradeHandler handler) { shared_->upgrade = std::move(handler); }
  // The port the first listener has (useful when asked for port 0).
  unsigned short port() const;
  void stop();
  std::size_t openConnections() const { return shared_->open; }

  // What the server's connections share with it; lives as long as any of them.
  struct Shared {
    Handler handler;
    UpgradeHandler upgrade;
    ServerLimits limits;
    std::shared_ptr<boost::asio::ssl::context> tls;
    std::size_t open = 0;
  };

 private:
  void accept(std::size_t index);

  boost::asio::io_context& network_;
  std::shared_ptr<Shared> shared_;
  std::vector<std::unique_ptr<boost::asio::ip::tcp::acceptor>> acceptors_;
};

}  // namespace velkor::node::http

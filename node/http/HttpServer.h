#pragma once
// The node's HTTP server: bounded requests (header and body size), idle connections
// closed, a cap on connections at once, and a hook that hands WebSocket upgrades to the
// layer that serves them. Runs on the network thread; the handlers never block.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velkor::node::http {

using Request = boost::beast::http::request<boost::beast::http::string_body>;
using Response = boost::beast::http::response<boost::beast::http::string_body>;
using Handler = std::function<Response(const Request&)>;
// Offered every WebSocket upgrade request; true when it took the socket, which then is
// no longer the server's. False leaves the request to the handler (which answers 404).
using UpgradeHandler = std::function<bool(boost::asio::ip::tcp::socket& socket, Request& request)>;

struct ServerLimits {
  std::size_t headerBytes = 8 * 1024;
  std::size_t bodyBytes = 64 * 1024;
  std::chrono::milliseconds idle{30'000};  // a connection that sends nothing this long is closed
  std::size_t connections = 64;            // more at once are closed as soon as accepted
};

// An error body as the NMOS APIs give it: {"code": ..., "error": ..., "debug": null}.
Response errorResponse(unsigned status, const std::string& error, unsigned httpVersion = 11);

class HttpServer {
 public:
  HttpServer(boost::asio::io_context& network, Handler handler, ServerLimits limits = {});
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
    std::size_t open = 0;
  };

 private:
  void accept(std::size_t index);

  boost::asio::io_context& network_;
  std::shared_ptr<Shared> shared_;
  std::vector<std::unique_ptr<boost::asio::ip::tcp::acceptor>> acceptors_;
};

}  // namespace velkor::node::http

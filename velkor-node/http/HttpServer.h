#pragma once
// The node's HTTP server: bounded requests (header and body size, and the time a request
// may take once begun), idle connections closed, caps on connections at once and from
// one address with room kept for newcomers, HEAD answered for every handler, the framing
// and upgrade requests it cannot serve refused with the node's JSON error, and a hook that
// hands WebSocket upgrades to the layer that serves them. Given a TLS context it serves
// HTTPS only, the same way, with a bound on the handshake too. Everything it refuses or
// drops is counted and logged through the node's events. Runs on the network thread; the
// handlers never block.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Admission.h"
#include "HttpMessages.h"
#include "NodeEvents.h"
#include "ServerLimits.h"
#include "ServerStreams.h"

namespace velkor::node::http {

// Answers a request; a HEAD request is answered as its GET would be, and the server sends
// the header alone.
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

class HttpServer {
 public:
  // `events`: where refusals and drops are counted and logged; it outlives the server.
  // `tls`: every listener serves HTTPS with it; null: plain HTTP.
  HttpServer(boost::asio::io_context& network, events::NodeEvents& events, Handler handler, ServerLimits limits = {},
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
  std::size_t openConnections() const { return shared_->admission.size(); }

  // What the server's connections share with it; lives as long as any of them.
  struct Shared {
    Shared(events::NodeEvents& events, Handler handler, const ServerLimits& limits,
           std::shared_ptr<boost::asio::ssl::context> tls);
    events::NodeEvents& events;
    Handler handler;
    UpgradeHandler upgrade;
    ServerLimits limits;
    std::shared_ptr<boost::asio::ssl::context> tls;
    Admission admission;
  };

 private:
  struct Listener {
    boost::asio::ip::tcp::acceptor acceptor;
    boost::asio::steady_timer retry;
  };
  void accept(Listener& listener);
  void admit(boost::asio::ip::tcp::socket socket);

  boost::asio::io_context& network_;
  std::shared_ptr<Shared> shared_;
  std::vector<std::unique_ptr<Listener>> listeners_;
};

}  // namespace velkor::node::http

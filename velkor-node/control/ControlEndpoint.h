#pragma once
// The IS-12 control endpoint of one converter: takes over the WebSocket connections the
// node's HTTP server accepted for the converter's control URL, and runs them on the
// server's io_context (the node's network thread, where ConverterAccess calls back too).
//
// Lifetime: destroy the endpoint before the ConverterAccess it was made with, and before
// the queue budget and the events it was given. The destructor stops listening to the
// converter, closes every connection and leaves nothing behind that could call into
// it: answers still on their way from the converter are dropped.
//
// Every connection the endpoint closes for something its controller did (or did not
// do) is counted and logged as a dropped controller, with the cause and the client's
// address.

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>

#include "ControlSession.h"
#include "ConverterAccess.h"
#include "ConverterModel.h"
#include "NodeEvents.h"
#include "QueueBudget.h"
#include "ServerStreams.h"

namespace velkor::node::control {

class ControlConnection;
template <class Stream>
class WebSocketSession;

// What a connection is allowed, from the token it came with: the permissions its
// session applies, and until when it may stay open (the token's expiry). Default: all,
// for ever.
struct Grant {
  Permissions permissions;
  std::optional<std::chrono::system_clock::time_point> until;
};

class ControlEndpoint {
 public:
  struct Options {
    bool readOnly = false;                       // refuse every Set and every method that changes the converter
    std::size_t maxMessageBytes = 64 * 1024;     // a longer message closes its connection
    std::size_t maxQueuedBytes = 4 * 1024 * 1024;  // a client that leaves more unread is dropped
    std::size_t maxConnections = 64;
  };

  // `kept`: where the converter's values that the node holds itself are kept; `budget`:
  // what all the node's controllers may leave unread together; `events`: where dropped
  // controllers are counted and logged. All three outlive the endpoint.
  ControlEndpoint(ConverterAccess& access, Options options, ValueKeeper& kept, QueueBudget& budget,
                  events::NodeEvents& events);
  ~ControlEndpoint();
  ControlEndpoint(const ControlEndpoint&) = delete;
  ControlEndpoint& operator=(const ControlEndpoint&) = delete;

  // Takes over a connection, plain or TLS, whose request asks for a WebSocket upgrade;
  // closes it if it does not, or if the endpoint has all the connections it takes.
  void accept(http::UpgradedStream stream, boost::beast::http::request<boost::beast::http::string_body> upgrade,
              Grant grant = {});
  // A plain TCP connection, for those that accept their own.
  void accept(boost::asio::ip::tcp::socket socket,
              boost::beast::http::request<boost::beast::http::string_body> upgrade, Grant grant = {}) {
    accept(http::PlainStream(std::move(socket)), std::move(upgrade), std::move(grant));
  }

 private:
  template <class Stream>
  friend class WebSocketSession;
  // Why the endpoint closed a connection (the causes counted and logged).
  enum class Drop;
  void prune();
  void dropped(Drop cause, const std::string& client, const std::string& detail = {});

  ConverterAccess& access_;
  Options options_;
  QueueBudget& budget_;
  events::NodeEvents& events_;
  ConverterModel model_;
  int listenId_ = 0;
  std::vector<std::shared_ptr<ControlConnection>> sessions_;
};

}  // namespace velkor::node::control

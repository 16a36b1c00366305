#include "ControlEndpoint.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <iterator>
#include <string>

#include <boost/asio/buffer.hpp>
#include <boost/asio/system_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>
#include <variant>

#include "ControlSession.h"

namespace velkor::node::control {

namespace beast = boost::beast;
namespace websocket = boost::beast::websocket;

enum class ControlEndpoint::Drop {
  QueueLimit,
  QueueBudget,
  MessageTooLarge,
  ProtocolViolation,
  Idle,
  HandshakeFailed,
  TokenExpired,
  ConnectionLimit,
  NotWebSocket,
};

namespace {
// A client that neither sends nor answers pings for this long is gone.
constexpr std::chrono::seconds kIdleTimeout{60};
constexpr std::chrono::seconds kHandshakeTimeout{10};

struct DropCause {
  const char* cause;  // as /metrics counts it
  const char* why;    // as the log tells it
};
// In the order of ControlEndpoint::Drop.
constexpr std::array<DropCause, 9> kDropCauses{{
    {"queue_limit", "it left more answers unread than one controller may"},
    {"queue_budget", "it had the most answers unread when all controllers' together reached the node's budget"},
    {"message_too_large", "it sent a message longer than the endpoint takes"},
    {"protocol_violation", "it broke the WebSocket protocol"},
    {"idle", "it neither sent anything nor answered pings in time"},
    {"handshake_failed", "its WebSocket handshake failed or did not end in time"},
    {"token_expired", "the token it connected with expired"},
    {"connection_limit", "the endpoint has all the connections it takes"},
    {"not_websocket", "its request asked for no WebSocket"},
}};

std::string addressOf(const boost::asio::ip::tcp::socket& socket) {
  beast::error_code error;
  const auto remote = socket.remote_endpoint(error);
  return error ? std::string("an unknown address") : remote.address().to_string();
}

}  // namespace

// What the endpoint needs of a connection, whichever stream it runs on.
class ControlConnection {
 public:
  virtual ~ControlConnection() = default;
  virtual void propertyChanged(int oid, ElementId property, const nlohmann::json& value) = 0;
  // The endpoint is going: nothing of it may be touched from here on.
  virtual void detach() = 0;
  virtual bool closed() const = 0;
};

// One controller's WebSocket, over plain TCP or TLS: the same session for both. Its
// answers wait in a queue until the controller reads them; the queue counts against the
// connection's own cap and the node's budget from the moment it is queued until the
// whole message is written.
template <class Stream>
class WebSocketSession final : public ControlConnection,
                               public QueueBudget::Member,
                               public std::enable_shared_from_this<WebSocketSession<Stream>> {
 public:
  WebSocketSession(Stream stream, ControlEndpoint& endpoint)
      : ws_(std::move(stream)),
        expiry_(ws_.get_executor()),
        client_(addressOf(beast::get_lowest_layer(ws_).socket())),
        endpoint_(&endpoint) {
    endpoint.budget_.join(*this);
  }
  // Every way out closes first; this is the net below, so that the budget never holds a
  // session that is gone.
  ~WebSocketSession() override {
    if (!closed_ && endpoint_) endpoint_->budget_.leave(*this);
  }
  WebSocketSession(const WebSocketSession&) = delete;
  WebSocketSession& operator=(const WebSocketSession&) = delete;

  void start(beast::http::request<beast::http::string_body> upgrade, Grant grant) {
    websocket::stream_base::timeout timeout{};
    timeout.handshake_timeout = kHandshakeTimeout;
    timeout.idle_timeout = kIdleTimeout;
    timeout.keep_alive_pings = true;
    ws_.set_option(timeout);
    ws_.read_message_max(endpoint_->options_.maxMessageBytes);
    protocol_ = std::make_unique<ControlSession>(endpoint_->model_.objects(),
                                                 [this](std::string text) { send(std::move(text)); },
                                                 std::move(grant.permissions));
    if (grant.until) {
      // A connection lives no longer than the token it was opened with: the controller
      // opens another with a new token.
      expiry_.expires_at(*grant.until);
      expiry_.async_wait([self = this->shared_from_this()](beast::error_code ec) {
        if (!ec) self->drop(ControlEndpoint::Drop::TokenExpired);
      });
    }
    ws_.async_accept(upgrade, [self = this->shared_from_this()](beast::error_code ec) {
      if (ec) return self->drop(ControlEndpoint::Drop::HandshakeFailed);
      self->read();
    });
  }

  void propertyChanged(int oid, ElementId property, const nlohmann::json& value) override {
    if (protocol_ && !closed_) protocol_->propertyChanged(oid, property, value);
  }

  void detach() override {
    close();
    endpoint_ = nullptr;
    protocol_.reset();
  }

  bool closed() const override { return closed_; }

  std::size_t queuedBytes() const override { return queuedBytes_; }
  void dropForBudget() override {
    drop(ControlEndpoint::Drop::QueueBudget, std::to_string(queuedBytes_) + " bytes unread");
  }

 private:
  void read() {
    ws_.async_read(buffer_, [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
      if (ec) return self->readFailed(ec);
      const std::string text = beast::buffers_to_string(self->buffer_.data());
      self->buffer_.consume(self->buffer_.size());
      if (self->protocol_) self->protocol_->receive(text);
      if (!self->closed_) self->read();
    });
  }

  // A controller that closes or goes away is no drop; one the endpoint closes on is.
  void readFailed(beast::error_code ec) {
    if (ec == websocket::error::message_too_big) return drop(ControlEndpoint::Drop::MessageTooLarge);
    if (ec == websocket::condition::protocol_violation) return drop(ControlEndpoint::Drop::ProtocolViolation);
    if (ec == beast::error::timeout) return drop(ControlEndpoint::Drop::Idle);
    close();
  }

  void send(std::string text) {
    if (closed_ || !endpoint_) return;
    if (queuedBytes_ + text.size() > endpoint_->options_.maxQueuedBytes)
      return drop(ControlEndpoint::Drop::QueueLimit, std::to_string(queuedBytes_) + " bytes unread");
    if (!endpoint_->budget_.reserve(*this, text.size())) return;  // this one was the slowest
    queuedBytes_ += text.size();
    queue_.push_back(std::move(text));
    if (queue_.size() == 1) write();
  }

  // The queue's front is being written while the queue is not empty.
  void write() {
    ws_.text(true);
    ws_.async_write(boost::asio::buffer(queue_.front()), [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
      if (ec || self->closed_) {
        self->close();
        self->queue_.clear();  // the write let go of the front
        return;
      }
      const std::size_t written = self->queue_.front().size();
      self->queuedBytes_ -= written;
      self->endpoint_->budget_.release(written);
      self->queue_.pop_front();
      if (!self->queue_.empty()) self->write();
    });
  }

  void drop(ControlEndpoint::Drop cause, const std::string& detail = {}) {
    if (closed_) return;
    endpoint_->dropped(cause, client_, detail);
    close();
  }

  // Closing the socket ends the pending operations; their handlers then let go of the
  // session. The protocol stays until then: this may run inside one of its calls. The
  // answers nobody will read go at once, but for the one being written, which goes when
  // its write ends.
  void close() {
    if (closed_) return;
    closed_ = true;
    expiry_.cancel();
    beast::error_code ignored;
    beast::get_lowest_layer(ws_).socket().close(ignored);
    endpoint_->budget_.leave(*this);
    if (queue_.size() > 1) queue_.erase(std::next(queue_.begin()), queue_.end());
    queuedBytes_ = 0;
  }

  websocket::stream<Stream> ws_;
  boost::asio::system_timer expiry_;
  beast::flat_buffer buffer_;
  std::deque<std::string> queue_;
  std::size_t queuedBytes_ = 0;
  bool closed_ = false;
  const std::string client_;
  ControlEndpoint* endpoint_;  // null once detached, after close()
  std::unique_ptr<ControlSession> protocol_;
};

ControlEndpoint::ControlEndpoint(ConverterAccess& access, Options options, ValueKeeper& kept, QueueBudget& budget,
                                 events::NodeEvents& events)
    : access_(access),
      options_(options),
      budget_(budget),
      events_(events),
      model_(access, ObjectModel::Options{options.readOnly}, kept) {
  model_.objects().setChangeListener([this](int oid, ElementId property, const nlohmann::json& value) {
    // A copy: a session that overflows while told closes, and the list may change.
    const auto sessions = sessions_;
    for (const auto& session : sessions) session->propertyChanged(oid, property, value);
  });
  listenId_ = access_.listen([this](const ConverterState&) { model_.stateChanged(); });
}

ControlEndpoint::~ControlEndpoint() {
  access_.unlisten(listenId_);
  for (const auto& session : sessions_) session->detach();
}

void ControlEndpoint::accept(http::UpgradedStream stream, beast::http::request<beast::http::string_body> upgrade,
                             Grant grant) {
  prune();
  std::visit(
      [&](auto& connection) {
        using Stream = std::decay_t<decltype(connection)>;
        const bool upgrading = websocket::is_upgrade(upgrade);
        if (!upgrading || sessions_.size() >= options_.maxConnections) {
          auto& socket = beast::get_lowest_layer(connection).socket();
          dropped(upgrading ? Drop::ConnectionLimit : Drop::NotWebSocket, addressOf(socket));
          beast::error_code ignored;
          socket.close(ignored);
          return;
        }
        auto session = std::make_shared<WebSocketSession<Stream>>(std::move(connection), *this);
        sessions_.push_back(session);
        session->start(std::move(upgrade), std::move(grant));
      },
      stream);
}

void ControlEndpoint::dropped(Drop cause, const std::string& client, const std::string& detail) {
  static_assert(kDropCauses.size() == static_cast<std::size_t>(Drop::NotWebSocket) + 1, "a cause for every drop");
  const DropCause& drop = kDropCauses.at(static_cast<std::size_t>(cause));
  const ConverterInfo& converter = access_.info();
  events_.record(events::Kind::ControllerDropped, drop.cause,
                 "closed the control connection of " + client + " to the " + converter.modelWord + " at " +
                     converter.identity + ": " + drop.why + (detail.empty() ? "" : " (" + detail + ")"));
}

void ControlEndpoint::prune() {
  std::erase_if(sessions_, [](const auto& session) { return session->closed(); });
}

}  // namespace velkor::node::control

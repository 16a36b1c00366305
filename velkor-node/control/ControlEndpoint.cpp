#include "ControlEndpoint.h"

#include <algorithm>
#include <chrono>
#include <deque>
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

namespace {
// A client that neither sends nor answers pings for this long is gone.
constexpr std::chrono::seconds kIdleTimeout{60};
constexpr std::chrono::seconds kHandshakeTimeout{10};
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

// One controller's WebSocket, over plain TCP or TLS: the same session for both.
template <class Stream>
class WebSocketSession final : public ControlConnection,
                               public std::enable_shared_from_this<WebSocketSession<Stream>> {
 public:
  WebSocketSession(Stream stream, ControlEndpoint& endpoint)
      : ws_(std::move(stream)), expiry_(ws_.get_executor()), endpoint_(&endpoint) {}

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
        if (!ec) self->close();
      });
    }
    ws_.async_accept(upgrade, [self = this->shared_from_this()](beast::error_code ec) {
      if (ec) return self->close();
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

 private:
  void read() {
    ws_.async_read(buffer_, [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
      if (ec) return self->close();
      const std::string text = beast::buffers_to_string(self->buffer_.data());
      self->buffer_.consume(self->buffer_.size());
      if (self->protocol_) self->protocol_->receive(text);
      if (!self->closed_) self->read();
    });
  }

  void send(std::string text) {
    if (closed_ || !endpoint_) return;
    if (queuedBytes_ + text.size() > endpoint_->options_.maxQueuedBytes) return close();
    queuedBytes_ += text.size();
    queue_.push_back(std::move(text));
    if (queue_.size() == 1) write();
  }

  void write() {
    ws_.text(true);
    ws_.async_write(boost::asio::buffer(queue_.front()), [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
      if (ec) return self->close();
      self->queuedBytes_ -= self->queue_.front().size();
      self->queue_.pop_front();
      if (!self->queue_.empty() && !self->closed_) self->write();
    });
  }

  // Closing the socket ends the pending operations; their handlers then let go of the
  // session. The protocol stays until then: this may run inside one of its calls.
  void close() {
    if (closed_) return;
    closed_ = true;
    expiry_.cancel();
    beast::error_code ignored;
    beast::get_lowest_layer(ws_).socket().close(ignored);
  }

  websocket::stream<Stream> ws_;
  boost::asio::system_timer expiry_;
  beast::flat_buffer buffer_;
  std::deque<std::string> queue_;
  std::size_t queuedBytes_ = 0;
  bool closed_ = false;
  ControlEndpoint* endpoint_;
  std::unique_ptr<ControlSession> protocol_;
};

ControlEndpoint::ControlEndpoint(ConverterAccess& access, Options options, ValueKeeper& kept)
    : access_(access), options_(options), model_(access, ObjectModel::Options{options.readOnly}, kept) {
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
        if (!websocket::is_upgrade(upgrade) || sessions_.size() >= options_.maxConnections) {
          beast::error_code ignored;
          beast::get_lowest_layer(connection).socket().close(ignored);
          return;
        }
        auto session = std::make_shared<WebSocketSession<Stream>>(std::move(connection), *this);
        sessions_.push_back(session);
        session->start(std::move(upgrade), std::move(grant));
      },
      stream);
}

void ControlEndpoint::prune() {
  std::erase_if(sessions_, [](const auto& session) { return session->closed(); });
}

}  // namespace velkor::node::control

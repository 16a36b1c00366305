#include "HttpServer.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/v6_only.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket/rfc6455.hpp>
#include <boost/beast/ssl.hpp>
#include <optional>
#include <type_traits>

namespace velkor::node::http {
namespace {

namespace beast = boost::beast;
namespace bhttp = beast::http;
using tcp = boost::asio::ip::tcp;

std::string jsonString(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      quoted += ' ';
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

template <class Stream>
constexpr bool kIsTls = std::is_same_v<Stream, TlsStream>;

template <class Stream>
Stream streamOver(tcp::socket socket, HttpServer::Shared& shared) {
  if constexpr (kIsTls<Stream>)
    return Stream(PlainStream(std::move(socket)), *shared.tls);
  else
    return Stream(std::move(socket));
}

// One connection, plain or TLS: the same reading, answering and closing for both.
template <class Stream>
class Session : public std::enable_shared_from_this<Session<Stream>> {
 public:
  Session(tcp::socket socket, std::shared_ptr<HttpServer::Shared> shared)
      : stream_(streamOver<Stream>(std::move(socket), *shared)), shared_(std::move(shared)) {
    ++shared_->open;
  }
  ~Session() { --shared_->open; }

  void start() {
    if constexpr (kIsTls<Stream>) {
      // A client that connects and says nothing, or speaks plain HTTP, holds its socket
      // only this long; a failed handshake ends only its own connection.
      beast::get_lowest_layer(stream_).expires_after(shared_->limits.handshake);
      stream_.async_handshake(boost::asio::ssl::stream_base::server,
                              [self = this->shared_from_this()](beast::error_code error) {
                                if (error) return self->close();
                                self->read();
                              });
    } else {
      read();
    }
  }

 private:
  void read() {
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(shared_->limits.headerBytes));
    parser_->body_limit(shared_->limits.bodyBytes);
    beast::get_lowest_layer(stream_).expires_after(shared_->limits.idle);
    bhttp::async_read(stream_, buffer_, *parser_,
                      [self = this->shared_from_this()](beast::error_code error, std::size_t) { self->onRead(error); });
  }

  void onRead(beast::error_code error) {
    if (error == bhttp::error::end_of_stream || error == beast::error::timeout ||
        error == boost::asio::error::operation_aborted || error == boost::asio::error::connection_reset ||
        error.category() == boost::asio::error::get_ssl_category() || error == boost::asio::ssl::error::stream_truncated)
      return close();
    if (error == bhttp::error::body_limit) return answer(errorResponse(413, "request body too large"), false);
    if (error == bhttp::error::header_limit) return answer(errorResponse(431, "request header too large"), false);
    if (error) return answer(errorResponse(400, "malformed request"), false);

    Request request = parser_->release();
    const ClientAddress client = clientAddress();
    std::optional<Response> decided;
    if (beast::websocket::is_upgrade(request) && shared_->upgrade) {
      UpgradeDecision decision = shared_->upgrade(request, client);
      if (decision.taker) {
        // The connection's own timer is the taker's to set from here on.
        beast::get_lowest_layer(stream_).expires_never();
        return decision.taker(UpgradedStream(std::in_place_type<Stream>, std::move(stream_)), std::move(request));
      }
      decided = std::move(decision.answer);
    }
    Response response = decided ? std::move(*decided) : shared_->handler(request, client);
    response.version(request.version());
    const bool keepAlive = request.keep_alive();
    response.keep_alive(keepAlive);
    answer(std::move(response), keepAlive);
  }

  void answer(Response response, bool keepAlive) {
    response.prepare_payload();
    response_ = std::move(response);
    beast::get_lowest_layer(stream_).expires_after(shared_->limits.idle);
    bhttp::async_write(stream_, response_,
                       [self = this->shared_from_this(), keepAlive](beast::error_code error, std::size_t) {
                         if (error || !keepAlive) return self->close();
                         self->read();
                       });
  }

  ClientAddress clientAddress() {
    beast::error_code error;
    const tcp::endpoint peer = beast::get_lowest_layer(stream_).socket().remote_endpoint(error);
    return error ? ClientAddress() : peer.address();
  }

  // A TLS connection is closed without its close_notify: the answers carry their
  // length, so nothing is lost, and no client can hold the socket by not answering.
  void close() {
    beast::error_code ignored;
    tcp::socket& socket = beast::get_lowest_layer(stream_).socket();
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
  }

  Stream stream_;
  std::shared_ptr<HttpServer::Shared> shared_;
  beast::flat_buffer buffer_;
  std::optional<bhttp::request_parser<bhttp::string_body>> parser_;
  Response response_;
};

}  // namespace

Response errorResponse(unsigned status, const std::string& error, unsigned httpVersion) {
  Response response{static_cast<bhttp::status>(status), httpVersion};
  response.set(bhttp::field::content_type, "application/json");
  response.set(bhttp::field::access_control_allow_origin, "*");
  response.body() = "{\"code\": " + std::to_string(status) + ", \"error\": " + jsonString(error) + ", \"debug\": null}";
  return response;
}

HttpServer::HttpServer(boost::asio::io_context& network, Handler handler, ServerLimits limits,
                       std::shared_ptr<boost::asio::ssl::context> tls)
    : network_(network), shared_(std::make_shared<Shared>(Shared{std::move(handler), {}, limits, std::move(tls), 0})) {}

HttpServer::~HttpServer() { stop(); }

std::string HttpServer::listen(const tcp::endpoint& endpoint) {
  auto acceptor = std::make_unique<tcp::acceptor>(network_);
  beast::error_code error;
  acceptor->open(endpoint.protocol(), error);
  if (!error) acceptor->set_option(boost::asio::socket_base::reuse_address(true), error);
  if (!error && endpoint.address().is_v6()) acceptor->set_option(boost::asio::ip::v6_only(true), error);
  if (!error) acceptor->bind(endpoint, error);
  if (!error) acceptor->listen(boost::asio::socket_base::max_listen_connections, error);
  if (error) return error.message();
  acceptors_.push_back(std::move(acceptor));
  accept(acceptors_.size() - 1);
  return {};
}

unsigned short HttpServer::port() const {
  if (acceptors_.empty()) return 0;
  beast::error_code error;
  const tcp::endpoint local = acceptors_.front()->local_endpoint(error);
  return error ? 0 : local.port();
}

void HttpServer::stop() {
  for (auto& acceptor : acceptors_) {
    beast::error_code ignored;
    acceptor->close(ignored);
  }
}

void HttpServer::accept(std::size_t index) {
  acceptors_[index]->async_accept([this, index](beast::error_code error, tcp::socket socket) {
    if (error == boost::asio::error::operation_aborted || !acceptors_[index]->is_open()) return;
    if (!error) {
      // Over the cap the connection is dropped at once, so a flood costs a socket each
      // and never a reader or a timer.
      if (shared_->open < shared_->limits.connections) {
        if (shared_->tls)
          std::make_shared<Session<TlsStream>>(std::move(socket), shared_)->start();
        else
          std::make_shared<Session<PlainStream>>(std::move(socket), shared_)->start();
      } else {
        beast::error_code ignored;
        socket.close(ignored);
      }
    }
    accept(index);
  });
}

}  // namespace velkor::node::http

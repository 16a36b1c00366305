#include "HttpClient.h"

#include <openssl/ssl.h>

#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/host_name_verification.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <memory>
#include <type_traits>

#include "ServerStreams.h"

namespace velkor::node::http {
namespace {

namespace beast = boost::beast;
namespace bhttp = beast::http;
using tcp = boost::asio::ip::tcp;

// A registry's or authorization server's answers are small; a larger one is no such server's.
constexpr std::size_t kAnswerLimit = 1024 * 1024;

// DNS-SD gives names as fully qualified ("registry.example.com."); certificates name
// them without the final dot.
std::string certificateName(const std::string& host) {
  return !host.empty() && host.back() == '.' ? host.substr(0, host.size() - 1) : host;
}

}  // namespace

// The connection to one server and the request on it, plain or over TLS.
class ClientConnection::Link {
 public:
  virtual ~Link() = default;
  virtual void send(ClientRequest request, std::function<void(ClientResponse)> done) = 0;
  virtual void close() = 0;
  virtual bool serves(const ClientRequest& request) const = 0;
};

namespace {

// One connection and what its operations work on; the operations hold it until they
// end, so that a connection given up on (timed out, closed) outlives its last handler.
template <class Stream>
struct Wire {
  explicit Wire(Stream made) : stream(std::move(made)) {}
  Stream stream;
  bhttp::request<bhttp::string_body> message;
  beast::flat_buffer buffer;
  std::optional<bhttp::response_parser<bhttp::string_body>> parser;
};

template <class Stream>
class StreamLink final : public ClientConnection::Link, public std::enable_shared_from_this<StreamLink<Stream>> {
 public:
  StreamLink(boost::asio::io_context& network, const ClientRequest& first, bool keepAlive)
      : network_(network), resolver_(network), timer_(network), host_(first.host), port_(first.port),
        tls_(first.tls), keepAlive_(keepAlive) {}

  bool serves(const ClientRequest& request) const override {
    return request.host == host_ && request.port == port_ && request.tls == tls_;
  }

  void send(ClientRequest request, std::function<void(ClientResponse)> done) override {
    request_ = std::move(request);
    done_ = std::move(done);
    const unsigned turn = ++turn_;
    timer_.expires_after(request_.limit);
    timer_.async_wait([self = this->shared_from_this(), turn](beast::error_code error) {
      if (error || turn != self->turn_) return;
      self->resolver_.cancel();
      self->finish({0, {}, "timed out"});
    });
    if (wire_) return write(turn, true);
    if (resolved_) return connect(turn);
    resolver_.async_resolve(host_, port_, [self = this->shared_from_this(), turn](beast::error_code error,
                                                                                  tcp::resolver::results_type found) {
      if (turn != self->turn_) return;
      if (error) return self->finish({0, {}, "cannot resolve: " + error.message()});
      self->resolved_ = std::move(found);
      self->connect(turn);
    });
  }

  void close() override {
    ++turn_;
    timer_.cancel();
    resolver_.cancel();
    drop();
  }

 private:
  using WirePointer = std::shared_ptr<Wire<Stream>>;

  void connect(unsigned turn) {
    if constexpr (std::is_same_v<Stream, TlsStream>)
      wire_ = std::make_shared<Wire<Stream>>(Stream(network_, *tls_));
    else
      wire_ = std::make_shared<Wire<Stream>>(Stream(network_));
    beast::get_lowest_layer(wire_->stream)
        .async_connect(*resolved_, [self = this->shared_from_this(), wire = wire_, turn](beast::error_code error,
                                                                                        const tcp::endpoint&) {
          if (turn != self->turn_) return;
          if (error) return self->finish({0, {}, "cannot connect: " + error.message()});
          if constexpr (std::is_same_v<Stream, TlsStream>)
            self->handshake(turn);
          else
            self->write(turn, false);
        });
  }

  void handshake(unsigned turn) {
    const std::string name = certificateName(host_);
    beast::error_code notAddress;
    boost::asio::ip::make_address(name, notAddress);
    // SNI carries names only; an address is checked against the certificate all the same.
    if (notAddress && SSL_set_tlsext_host_name(wire_->stream.native_handle(), name.c_str()) != 1)
      return finish({0, {}, "cannot name " + name + " to the registry's TLS"});
    wire_->stream.set_verify_callback(boost::asio::ssl::host_name_verification(name));
    wire_->stream.async_handshake(boost::asio::ssl::stream_base::client,
                                  [self = this->shared_from_this(), wire = wire_, turn](beast::error_code error) {
                                    if (turn != self->turn_) return;
                                    if (error) return self->finish({0, {}, "TLS handshake failed: " + error.message()});
                                    self->write(turn, false);
                                  });
  }

  // `reused`: the connection carried an earlier request, and the server may have closed
  // it since; a failure then means connecting again, once.
  void write(unsigned turn, bool reused) {
    auto& message = wire_->message;
    message = {request_.method, request_.target, 11};
    message.set(bhttp::field::host, host_ + ":" + port_);
    message.set(bhttp::field::accept, kJsonContentType);
    message.set(bhttp::field::user_agent, "velkor-node");
    if (!request_.authorization.empty()) message.set(bhttp::field::authorization, request_.authorization);
    message.keep_alive(keepAlive_);
    if (request_.body) {
      message.set(bhttp::field::content_type, request_.contentType);
      message.body() = *request_.body;
    }
    // An empty body still says so, as many servers want.
    message.content_length(message.body().size());
    bhttp::async_write(wire_->stream, message,
                       [self = this->shared_from_this(), wire = wire_, turn, reused](beast::error_code error, std::size_t) {
                         if (turn != self->turn_) return;
                         if (error) return self->failed(turn, reused, "cannot send: " + error.message());
                         self->read(turn, reused);
                       });
  }

  void read(unsigned turn, bool reused) {
    wire_->parser.emplace();
    wire_->parser->body_limit(kAnswerLimit);
    wire_->buffer.clear();
    bhttp::async_read(wire_->stream, wire_->buffer, *wire_->parser,
                      [self = this->shared_from_this(), wire = wire_, turn, reused](beast::error_code error, std::size_t) {
                        if (turn != self->turn_) return;
                        if (error) return self->failed(turn, reused, "no answer: " + error.message());
                        auto& answer = wire->parser->get();
                        const bool open = self->keepAlive_ && answer.keep_alive();
                        ClientResponse response{answer.result_int(), std::move(answer.body()), {}};
                        if (!open) self->drop();
                        self->finish(std::move(response));
                      });
  }

  void failed(unsigned turn, bool reused, std::string why) {
    drop();
    if (reused) return connect(turn);
    finish({0, {}, std::move(why)});
  }

  void drop() {
    if (!wire_) return;
    beast::error_code ignored;
    tcp::socket& socket = beast::get_lowest_layer(wire_->stream).socket();
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
    wire_.reset();
  }

  void finish(ClientResponse response) {
    if (!done_) return;
    ++turn_;
    timer_.cancel();
    if (response.status == 0) drop();
    auto done = std::move(done_);
    done_ = nullptr;
    done(std::move(response));
  }

  boost::asio::io_context& network_;
  tcp::resolver resolver_;
  boost::asio::steady_timer timer_;
  const std::string host_;
  const std::string port_;
  const std::shared_ptr<boost::asio::ssl::context> tls_;
  const bool keepAlive_;
  std::optional<tcp::resolver::results_type> resolved_;
  WirePointer wire_;
  unsigned turn_ = 0;  // answers of an earlier turn (timed out, closed) find it moved on
  ClientRequest request_;
  std::function<void(ClientResponse)> done_;
};

std::shared_ptr<ClientConnection::Link> linkFor(boost::asio::io_context& network, const ClientRequest& request,
                                                bool keepAlive) {
  if (request.tls) return std::make_shared<StreamLink<TlsStream>>(network, request, keepAlive);
  return std::make_shared<StreamLink<PlainStream>>(network, request, keepAlive);
}

}  // namespace

void sendRequest(boost::asio::io_context& network, ClientRequest request, std::function<void(ClientResponse)> done) {
  // The link keeps itself alive through its handlers until it has answered.
  linkFor(network, request, false)->send(std::move(request), std::move(done));
}

ClientConnection::ClientConnection(boost::asio::io_context& network) : network_(network) {}

ClientConnection::~ClientConnection() {
  if (link_) link_->close();
}

void ClientConnection::send(ClientRequest request, std::function<void(ClientResponse)> done) {
  if (link_ && !link_->serves(request)) {
    link_->close();
    link_.reset();
  }
  if (!link_) link_ = linkFor(network_, request, true);
  link_->send(std::move(request), std::move(done));
}

}  // namespace velkor::node::http

#include "HttpServer.h"

#include <array>
#include <boost/asio/ip/v6_only.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket/rfc6455.hpp>
#include <type_traits>

#include "RequestRules.h"

namespace velkor::node::http {
namespace {

namespace beast = boost::beast;
namespace bhttp = beast::http;
using tcp = boost::asio::ip::tcp;
using events::Kind;

// What a connection waiting for a request reads first: most requests whole, and its first
// byte starts the request's deadline.
constexpr std::size_t kFirstReadBytes = 1024;
// After a refusal that closes its connection, what the client still sends is read away
// for this long at most, and this much, before the connection is closed.
constexpr std::chrono::milliseconds kLingerLimit{1000};
constexpr std::size_t kLingerBytes = 256 * 1024;
// Answers from this status on are refusals, counted by status.
constexpr unsigned kFirstRefusalStatus = 400;
constexpr unsigned kBadRequest = 400;

// What a connection waits for, the limit on that wait, and what a connection that
// outlasts it is dropped as.
enum class Phase { Handshake, Idle, Request, Answer };
struct PhaseLimit {
  std::chrono::milliseconds ServerLimits::*limit;
  const char* cause;
  const char* what;
};
constexpr std::array<PhaseLimit, 4> kPhaseLimits{{
    {&ServerLimits::handshake, "handshake_deadline", "no TLS handshake within"},
    {&ServerLimits::idle, "idle", "no request for"},
    {&ServerLimits::requestDeadline, "request_deadline", "request not complete within"},
    {&ServerLimits::answerDeadline, "answer_deadline", "answer not taken within"},
}};
const PhaseLimit& limitOf(Phase phase) { return kPhaseLimits[static_cast<std::size_t>(phase)]; }

// A request the parser gave up on: too large, or not HTTP.
struct ParseRefusal {
  bhttp::error error;
  unsigned status;
  const char* why;
};
constexpr std::array<ParseRefusal, 2> kParseRefusals{{
    {bhttp::error::body_limit, 413, "request body too large"},
    {bhttp::error::header_limit, 431, "request header too large"},
}};

Refusal refusalOf(const beast::error_code& error) {
  for (const ParseRefusal& refusal : kParseRefusals)
    if (error == refusal.error) return {errorResponse(refusal.status, refusal.why), refusal.why, true};
  return {errorResponse(kBadRequest, "malformed request"), "malformed request (" + error.message() + ")", true};
}

// The parser's own errors; any other error of a read or write is the transport's: the
// client went, or its TLS failed.
bool isParseError(const beast::error_code& error) {
  return error.category() == bhttp::make_error_code(bhttp::error::need_more).category() &&
         error != bhttp::error::end_of_stream;
}

std::string milliseconds(std::chrono::milliseconds span) { return std::to_string(span.count()) + " ms"; }

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
class Session final : public Admission::Member, public std::enable_shared_from_this<Session<Stream>> {
 public:
  Session(tcp::socket socket, ClientAddress client, std::shared_ptr<HttpServer::Shared> shared)
      : stream_(streamOver<Stream>(std::move(socket), *shared)),
        client_(std::move(client)),
        shared_(std::move(shared)) {
    shared_->admission.enter(*this, client_, Admission::Clock::now());
  }
  ~Session() { shared_->admission.leave(*this); }

  void start() {
    if constexpr (kIsTls<Stream>) {
      // A client that connects and says nothing, or speaks plain HTTP, holds its socket
      // only this long; a failed handshake ends only its own connection.
      enter(Phase::Handshake);
      stream_.async_handshake(
          boost::asio::ssl::stream_base::server, [self = this->shared_from_this()](beast::error_code error) {
            if (self->closed_) return;
            if (error.category() == boost::asio::error::get_ssl_category())
              self->shared_->events.record(
                  Kind::ConnectionRefused, "tls_handshake",
                  "refused a connection from " + self->from() + ": TLS handshake failed (" + error.message() + ")");
            if (error) return self->fail(error);
            self->waitForRequest();
          });
    } else {
      waitForRequest();
    }
  }

  void replace(const ClientAddress& newcomer) override {
    shared_->events.record(Kind::ConnectionDropped, "replaced",
                           "closed a connection from " + from() + " to make room for one from " + newcomer.to_string());
    close();
  }

 private:
  // Between requests the idle limit holds until a byte arrives; from then on the
  // request's deadline does, so that a client dribbling its header cannot hold the
  // connection for the idle limit over and over.
  void waitForRequest() {
    enter(Phase::Idle);
    if (buffer_.size() > 0) return readRequest();
    stream_.async_read_some(buffer_.prepare(kFirstReadBytes),
                            [self = this->shared_from_this()](beast::error_code error, std::size_t got) {
                              if (self->closed_) return;
                              self->buffer_.commit(got);
                              if (error) return self->fail(error);
                              self->readRequest();
                            });
  }

  void readRequest() {
    enter(Phase::Request);
    asked_ = "a request";
    headOnly_ = false;
    unreadInput_ = false;
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(shared_->limits.headerBytes));
    parser_->body_limit(shared_->limits.bodyBytes);
    bhttp::async_read_header(stream_, buffer_, *parser_,
                             [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                               if (self->closed_) return;
                               if (error) return self->fail(error);
                               self->onHeader();
                             });
  }

  // The header decides whether the body can be read at all.
  void onHeader() {
    const Request& header = parser_->get();
    const std::string_view target(header.target().data(), header.target().size());
    // The path alone: a query may hold a token.
    asked_ = std::string(header.method_string()) + " " + std::string(target.substr(0, target.find('?')));
    headOnly_ = header.method() == bhttp::verb::head;
    if (std::optional<Refusal> refused = checkFraming(header)) return refuse(std::move(*refused), header.keep_alive());
    if (parser_->is_done()) return onRequest();
    bhttp::async_read(stream_, buffer_, *parser_,
                      [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                        if (self->closed_) return;
                        if (error) return self->fail(error);
                        self->onRequest();
                      });
  }

  void onRequest() {
    Request request = parser_->release();
    const bool keepAlive = request.keep_alive();
    if (shared_->upgrade && beast::websocket::is_upgrade(request)) {
      if (std::optional<Refusal> refused = checkUpgrade(request)) return refuse(std::move(*refused), keepAlive);
      UpgradeDecision decision = shared_->upgrade(request, client_);
      if (decision.taker) return handOn(decision.taker, std::move(request));
      if (decision.answer) return answer(std::move(*decision.answer), request.version(), keepAlive);
    }
    answer(shared_->handler(request, client_), request.version(), keepAlive);
  }

  void handOn(const UpgradeTaker& taker, Request request) {
    // The connection is no longer one of the server's, and its timer is the taker's to
    // set from here on.
    shared_->admission.leave(*this);
    closed_ = true;
    beast::get_lowest_layer(stream_).expires_never();
    taker(UpgradedStream(std::in_place_type<Stream>, std::move(stream_)), std::move(request));
  }

  // A handler's answer: its refusals are counted here and logged, if at all, by the
  // handler, which knows why.
  void answer(Response response, unsigned httpVersion, bool keepAlive) {
    response.version(httpVersion);
    if (response.result_int() >= kFirstRefusalStatus)
      shared_->events.count(Kind::RequestRefused, std::to_string(response.result_int()));
    send(std::move(response), keepAlive);
  }

  // The server's own refusal, logged with the client's address.
  void refuse(Refusal refused, bool keepAlive) {
    const std::string status = std::to_string(refused.answer.result_int());
    shared_->events.record(Kind::RequestRefused, status,
                           "refused " + asked_ + " from " + from() + ": " + status + " " + refused.why);
    // It may come before the body was read, or in place of reading it.
    unreadInput_ = true;
    send(std::move(refused.answer), keepAlive && !refused.close);
  }

  void send(Response response, bool keepAlive) {
    enter(Phase::Answer);
    shared_->admission.answering(*this);
    response.keep_alive(keepAlive);
    // The length the body has, for HEAD too, whose answer goes without it.
    response.prepare_payload();
    response_ = std::move(response);
    serializer_.emplace(response_);
    auto written = [self = this->shared_from_this(), keepAlive](beast::error_code error, std::size_t) {
      if (self->closed_) return;
      if (error) return self->fail(error);
      if (!keepAlive) return self->unreadInput_ ? self->linger() : self->close();
      self->shared_->admission.waiting(*self, Admission::Clock::now());
      self->waitForRequest();
    };
    if (headOnly_)
      bhttp::async_write_header(stream_, *serializer_, std::move(written));
    else
      bhttp::async_write(stream_, *serializer_, std::move(written));
  }

  // A read, write or handshake that ended in error: the connection outlasted what it
  // waited for, sent what cannot be parsed, or went.
  void fail(const beast::error_code& error) {
    if (error == beast::error::timeout) {
      const PhaseLimit& limit = limitOf(phase_);
      shared_->events.record(
          Kind::ConnectionDropped, limit.cause,
          "closed a connection from " + from() + ": " + limit.what + " " + milliseconds(shared_->limits.*limit.limit));
      return close();
    }
    if (isParseError(error)) return refuse(refusalOf(error), false);
    close();
  }

  // A refusal may leave the client's bytes unread (the body of a request too large, what
  // follows a request that cannot be framed), and closing on unread bytes resets the
  // connection, which can destroy the answer before the client has read it. So the
  // sending side is shut first, and what the client still sends is read away, for a
  // short while, before the connection is closed.
  void linger() {
    auto& lowest = beast::get_lowest_layer(stream_);
    beast::error_code ignored;
    lowest.socket().shutdown(tcp::socket::shutdown_send, ignored);
    lowest.expires_after(kLingerLimit);
    drain();
  }

  void drain() {
    beast::get_lowest_layer(stream_).async_read_some(
        boost::asio::buffer(drained_), [self = this->shared_from_this()](beast::error_code error, std::size_t got) {
          if (self->closed_) return;
          self->drainedBytes_ += got;
          if (error || self->drainedBytes_ >= kLingerBytes) return self->close();
          self->drain();
        });
  }

  void enter(Phase phase) {
    phase_ = phase;
    beast::get_lowest_layer(stream_).expires_after(shared_->limits.*limitOf(phase).limit);
  }

  std::string from() const { return client_.to_string(); }

  // A TLS connection is closed without its close_notify: the answers carry their
  // length, so nothing is lost, and no client can hold the socket by not answering.
  void close() {
    if (closed_) return;
    closed_ = true;
    shared_->admission.leave(*this);
    beast::error_code ignored;
    tcp::socket& socket = beast::get_lowest_layer(stream_).socket();
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
  }

  Stream stream_;
  const ClientAddress client_;
  std::shared_ptr<HttpServer::Shared> shared_;
  Phase phase_ = Phase::Idle;
  bool closed_ = false;  // closed, or handed on: nothing more happens here
  beast::flat_buffer buffer_;
  std::optional<bhttp::request_parser<bhttp::string_body>> parser_;
  std::string asked_;      // the request being read, as the log names it
  bool headOnly_ = false;  // the answer goes without its body (HEAD)
  bool unreadInput_ = false;  // refused: the client's bytes may be left unread, so linger before closing
  std::array<char, 4096> drained_;
  std::size_t drainedBytes_ = 0;
  Response response_;
  std::optional<bhttp::response_serializer<bhttp::string_body>> serializer_;
};

}  // namespace

HttpServer::Shared::Shared(events::NodeEvents& events, Handler handler, const ServerLimits& limits,
                           std::shared_ptr<boost::asio::ssl::context> tls)
    : events(events), handler(std::move(handler)), limits(limits), tls(std::move(tls)), admission(limits) {}

HttpServer::HttpServer(boost::asio::io_context& network, events::NodeEvents& events, Handler handler,
                       ServerLimits limits, std::shared_ptr<boost::asio::ssl::context> tls)
    : network_(network), shared_(std::make_shared<Shared>(events, std::move(handler), limits, std::move(tls))) {}

HttpServer::~HttpServer() { stop(); }

std::string HttpServer::listen(const tcp::endpoint& endpoint) {
  auto listener = std::make_unique<Listener>(Listener{tcp::acceptor(network_), boost::asio::steady_timer(network_)});
  tcp::acceptor& acceptor = listener->acceptor;
  beast::error_code error;
  acceptor.open(endpoint.protocol(), error);
  if (!error) acceptor.set_option(boost::asio::socket_base::reuse_address(true), error);
  if (!error && endpoint.address().is_v6()) acceptor.set_option(boost::asio::ip::v6_only(true), error);
  if (!error) acceptor.bind(endpoint, error);
  if (!error) acceptor.listen(boost::asio::socket_base::max_listen_connections, error);
  if (error) return error.message();
  listeners_.push_back(std::move(listener));
  accept(*listeners_.back());
  return {};
}

unsigned short HttpServer::port() const {
  if (listeners_.empty()) return 0;
  beast::error_code error;
  const tcp::endpoint local = listeners_.front()->acceptor.local_endpoint(error);
  return error ? 0 : local.port();
}

void HttpServer::stop() {
  for (auto& listener : listeners_) {
    beast::error_code ignored;
    listener->acceptor.close(ignored);
    listener->retry.cancel();
  }
}

void HttpServer::accept(Listener& listener) {
  listener.acceptor.async_accept([this, &listener](beast::error_code error, tcp::socket socket) {
    if (error == boost::asio::error::operation_aborted || !listener.acceptor.is_open()) return;
    if (error) {
      // Out of descriptors, say: the connection waits in the backlog, and trying again at
      // once would only spin.
      shared_->events.record(Kind::ConnectionRefused, "accept_failed",
                             "could not accept a connection: " + error.message());
      listener.retry.expires_after(shared_->limits.acceptRetry);
      listener.retry.async_wait([this, &listener](beast::error_code waited) {
        if (!waited && listener.acceptor.is_open()) accept(listener);
      });
      return;
    }
    admit(std::move(socket));
    accept(listener);
  });
}

// A connection turned away is closed at once, so that a flood costs a socket each and
// never a reader or a timer.
void HttpServer::admit(tcp::socket socket) {
  beast::error_code error;
  const tcp::endpoint peer = socket.remote_endpoint(error);
  if (error) return;  // gone before it was let in
  const ClientAddress client = peer.address();
  // Without it a second small write (an answer's, an IS-12 notification's on an upgraded
  // connection) waits for the client's delayed ACK: 40 ms, 200 ms from Windows. A socket
  // just accepted that refuses it is broken anyway.
  socket.set_option(tcp::no_delay(true), error);
  if (error) {
    shared_->events.record(
        Kind::ConnectionRefused, "socket_option",
        "refused a connection from " + client.to_string() + ": cannot set TCP_NODELAY (" + error.message() + ")");
    return;
  }
  const Admission::Decision decision = shared_->admission.decide(client, Admission::Clock::now());
  if (decision.verdict == Admission::Verdict::AddressLimit) {
    shared_->events.record(Kind::ConnectionRefused, "address_limit",
                           "refused a connection from " + client.to_string() + ": " +
                               std::to_string(shared_->limits.connectionsPerAddress) + " open from that address");
    return;
  }
  if (decision.verdict == Admission::Verdict::ConnectionLimit) {
    shared_->events.record(Kind::ConnectionRefused, "connection_limit",
                           "refused a connection from " + client.to_string() + ": " +
                               std::to_string(shared_->limits.connections) +
                               " open, none of them waiting long enough to give way");
    return;
  }
  if (decision.replaced) decision.replaced->replace(client);
  if (shared_->tls)
    std::make_shared<Session<TlsStream>>(std::move(socket), client, shared_)->start();
  else
    std::make_shared<Session<PlainStream>>(std::move(socket), client, shared_)->start();
}

}  // namespace velkor::node::http

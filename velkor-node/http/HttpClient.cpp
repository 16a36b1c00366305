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

// A registry's answers are small; a larger one is no registry's.
constexpr std::size_t kAnswerLimit = 1024 * 1024;

// DNS-SD gives names as fully qualified ("registry.example.com."); certificates name
// them without the final dot.
std::string certificateName(const std::string& host) {
  return !host.empty() && host.back() == '.' ? host.substr(0, host.size() - 1) : host;
}

template <class Stream>
Stream streamFor(boost::asio::io_context& network, const ClientRequest& request) {
  if constexpr (std::is_same_v<Stream, TlsStream>)
    return Stream(network, *request.tls);
  else
    return Stream(network);
}

// One request, plain or over TLS: the same steps for both, with a handshake between
// connecting and sending for TLS.
template <class Stream>
class Call : public std::enable_shared_from_this<Call<Stream>> {
 public:
  Call(boost::asio::io_context& network, ClientRequest request, std::function<void(ClientResponse)> done)
      : resolver_(network),
        stream_(streamFor<Stream>(network, request)),
        timer_(network),
        request_(std::move(request)),
        done_(std::move(done)) {}

  void start() {
    timer_.expires_after(request_.limit);
    timer_.async_wait([self = this->shared_from_this()](beast::error_code error) {
      if (error) return;
      self->resolver_.cancel();
      beast::get_lowest_layer(self->stream_).cancel();
      self->finish({0, {}, "timed out"});
    });
    resolver_.async_resolve(request_.host, request_.port,
                            [self = this->shared_from_this()](beast::error_code error, tcp::resolver::results_type found) {
                              if (error) return self->finish({0, {}, "cannot resolve: " + error.message()});
                              self->connect(found);
                            });
  }

 private:
  void connect(const tcp::resolver::results_type& found) {
    beast::get_lowest_layer(stream_).async_connect(
        found, [self = this->shared_from_this()](beast::error_code error, const tcp::endpoint&) {
          if (error) return self->finish({0, {}, "cannot connect: " + error.message()});
          if constexpr (std::is_same_v<Stream, TlsStream>)
            self->handshake();
          else
            self->write();
        });
  }

  void handshake() {
    const std::string name = certificateName(request_.host);
    beast::error_code notAddress;
    boost::asio::ip::make_address(name, notAddress);
    // SNI carries names only; an address is checked against the certificate all the same.
    if (notAddress && SSL_set_tlsext_host_name(stream_.native_handle(), name.c_str()) != 1)
      return finish({0, {}, "cannot name " + name + " to the registry's TLS"});
    stream_.set_verify_callback(boost::asio::ssl::host_name_verification(name));
    stream_.async_handshake(boost::asio::ssl::stream_base::client,
                            [self = this->shared_from_this()](beast::error_code error) {
                              if (error) return self->finish({0, {}, "TLS handshake failed: " + error.message()});
                              self->write();
                            });
  }

  void write() {
    message_ = {request_.method, request_.target, 11};
    message_.set(bhttp::field::host, request_.host + ":" + request_.port);
    message_.set(bhttp::field::accept, "application/json");
    message_.set(bhttp::field::user_agent, "velkor-node");
    message_.keep_alive(false);
    if (request_.jsonBody) {
      message_.set(bhttp::field::content_type, "application/json");
      message_.body() = *request_.jsonBody;
    }
    // An empty body still says so, as many servers want.
    message_.content_length(message_.body().size());
    bhttp::async_write(stream_, message_, [self = this->shared_from_this()](beast::error_code error, std::size_t) {
      if (error) return self->finish({0, {}, "cannot send: " + error.message()});
      self->read();
    });
  }

  void read() {
    parser_.body_limit(kAnswerLimit);
    bhttp::async_read(stream_, buffer_, parser_, [self = this->shared_from_this()](beast::error_code error, std::size_t) {
      if (error) return self->finish({0, {}, "no answer: " + error.message()});
      auto& answer = self->parser_.get();
      self->finish({answer.result_int(), answer.body(), {}});
    });
  }

  void finish(ClientResponse response) {
    if (!done_) return;
    timer_.cancel();
    beast::error_code ignored;
    tcp::socket& socket = beast::get_lowest_layer(stream_).socket();
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
    auto done = std::move(done_);
    done_ = nullptr;
    done(std::move(response));
  }

  tcp::resolver resolver_;
  Stream stream_;
  boost::asio::steady_timer timer_;
  ClientRequest request_;
  std::function<void(ClientResponse)> done_;
  bhttp::request<bhttp::string_body> message_;
  beast::flat_buffer buffer_;
  bhttp::response_parser<bhttp::string_body> parser_;
};

}  // namespace

void sendRequest(boost::asio::io_context& network, ClientRequest request, std::function<void(ClientResponse)> done) {
  if (request.tls)
    std::make_shared<Call<TlsStream>>(network, std::move(request), std::move(done))->start();
  else
    std::make_shared<Call<PlainStream>>(network, std::move(request), std::move(done))->start();
}

}  // namespace velkor::node::http

#include "HttpClient.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <memory>

namespace velkor::node::http {
namespace {

namespace beast = boost::beast;
namespace bhttp = beast::http;
using tcp = boost::asio::ip::tcp;

// A registry's answers are small; a larger one is no registry's.
constexpr std::size_t kAnswerLimit = 1024 * 1024;

class Call : public std::enable_shared_from_this<Call> {
 public:
  Call(boost::asio::io_context& network, ClientRequest request, std::function<void(ClientResponse)> done)
      : resolver_(network), stream_(network), timer_(network), request_(std::move(request)), done_(std::move(done)) {}

  void start() {
    timer_.expires_after(request_.limit);
    timer_.async_wait([self = shared_from_this()](beast::error_code error) {
      if (error) return;
      self->resolver_.cancel();
      self->stream_.cancel();
      self->finish({0, {}, "timed out"});
    });
    resolver_.async_resolve(request_.host, request_.port,
                            [self = shared_from_this()](beast::error_code error, tcp::resolver::results_type found) {
                              if (error) return self->finish({0, {}, "cannot resolve: " + error.message()});
                              self->connect(found);
                            });
  }

 private:
  void connect(const tcp::resolver::results_type& found) {
    stream_.async_connect(found, [self = shared_from_this()](beast::error_code error, const tcp::endpoint&) {
      if (error) return self->finish({0, {}, "cannot connect: " + error.message()});
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
    bhttp::async_write(stream_, message_, [self = shared_from_this()](beast::error_code error, std::size_t) {
      if (error) return self->finish({0, {}, "cannot send: " + error.message()});
      self->read();
    });
  }

  void read() {
    parser_.body_limit(kAnswerLimit);
    bhttp::async_read(stream_, buffer_, parser_, [self = shared_from_this()](beast::error_code error, std::size_t) {
      if (error) return self->finish({0, {}, "no answer: " + error.message()});
      auto& answer = self->parser_.get();
      self->finish({answer.result_int(), answer.body(), {}});
    });
  }

  void finish(ClientResponse response) {
    if (!done_) return;
    timer_.cancel();
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream_.socket().close(ignored);
    auto done = std::move(done_);
    done_ = nullptr;
    done(std::move(response));
  }

  tcp::resolver resolver_;
  beast::tcp_stream stream_;
  boost::asio::steady_timer timer_;
  ClientRequest request_;
  std::function<void(ClientResponse)> done_;
  bhttp::request<bhttp::string_body> message_;
  beast::flat_buffer buffer_;
  bhttp::response_parser<bhttp::string_body> parser_;
};

}  // namespace

void sendRequest(boost::asio::io_context& network, ClientRequest request, std::function<void(ClientResponse)> done) {
  std::make_shared<Call>(network, std::move(request), std::move(done))->start();
}

}  // namespace velkor::node::http

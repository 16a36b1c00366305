// A stand-in for velkor-node while its HTTP server is written elsewhere: one virtual
// converter of the chosen model behind its control endpoint, and the IS-04 Device list
// that names the endpoint, so that AMWA's testing tool can run IS-12-01 against the
// control layer. Test code: it serves nothing else.
//
//   is12_test_node --model tq4410|tq6630 --address 127.0.0.1 --port 8080 [--read-only]

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "AcceptedDevices.h"
#include "ControlEndpoint.h"
#include "VirtualConverter.h"

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using asio::ip::tcp;

namespace {

constexpr const char* kDevicesPath = "/x-nmos/node/v1.3/devices";
constexpr const char* kConnectPath = "/x-nmos/ncp/v1.0/connect/";
constexpr const char* kControlType = "urn:x-nmos:control:ncp/v1.0";

struct Server {
  asio::io_context& io;
  velkor::node::ConverterAccess& converter;
  velkor::node::control::ControlEndpoint& endpoint;
  std::string host;
  unsigned short port;

  std::string controlUrl() const {
    return "ws://" + host + ":" + std::to_string(port) + kConnectPath + converter.info().deviceId;
  }

  std::string devices() const {
    const nlohmann::json device = {
        {"id", converter.info().deviceId},
        {"version", "1700000000:0"},
        {"label", converter.info().modelWord},
        {"description", converter.info().identity},
        {"tags", nlohmann::json::object()},
        {"type", "urn:x-nmos:device:generic"},
        {"node_id", "5a0c6f0e-0000-5d2b-9a51-000000000001"},
        {"senders", nlohmann::json::array()},
        {"receivers", nlohmann::json::array()},
        {"controls", nlohmann::json::array({{{"type", kControlType}, {"href", controlUrl()}}})}};
    return nlohmann::json::array({device}).dump();
  }
};

// Reads one request; hands an upgrade for the converter's path to its endpoint and
// answers anything else itself.
void serve(std::shared_ptr<Server> server, tcp::socket socket) {
  struct Connection {
    beast::tcp_stream stream;
    beast::flat_buffer buffer;
    http::request<http::string_body> request;
    http::response<http::string_body> response;
  };
  auto connection = std::make_shared<Connection>(Connection{beast::tcp_stream(std::move(socket)), {}, {}, {}});
  http::async_read(connection->stream, connection->buffer, connection->request,
                   [server, connection](beast::error_code ec, std::size_t) {
                     if (ec) return;
                     const std::string target(connection->request.target());
                     if (beast::websocket::is_upgrade(connection->request) &&
                         target == kConnectPath + server->converter.info().deviceId) {
                       server->endpoint.accept(connection->stream.release_socket(), std::move(connection->request));
                       return;
                     }
                     auto& response = connection->response;
                     response.version(connection->request.version());
                     response.keep_alive(false);
                     if (target == kDevicesPath || target == std::string(kDevicesPath) + "/") {
                       response.result(http::status::ok);
                       response.set(http::field::content_type, "application/json");
                       response.body() = server->devices();
                     } else {
                       response.result(http::status::not_found);
                       response.body() = "{}";
                     }
                     response.prepare_payload();
                     http::async_write(connection->stream, response,
                                       [connection](beast::error_code, std::size_t) {
                                         beast::error_code ignored;
                                         connection->stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
                                       });
                   });
}

void acceptLoop(std::shared_ptr<Server> server, std::shared_ptr<tcp::acceptor> acceptor) {
  acceptor->async_accept([server, acceptor](beast::error_code ec, tcp::socket socket) {
    if (!ec) serve(server, std::move(socket));
    acceptLoop(server, acceptor);
  });
}

}  // namespace

int main(int argc, char** argv) {
  std::string model = "tq4410";
  std::string address = "127.0.0.1";
  unsigned short port = 8080;
  bool readOnly = false;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(argv[i], "--model") && hasValue) model = argv[++i];
    else if (!std::strcmp(argv[i], "--address") && hasValue) address = argv[++i];
    else if (!std::strcmp(argv[i], "--port") && hasValue) port = static_cast<unsigned short>(std::stoi(argv[++i]));
    else if (!std::strcmp(argv[i], "--read-only")) readOnly = true;
    else {
      std::fprintf(stderr, "usage: %s --model tq4410|tq6630 --address A --port P [--read-only]\n", argv[0]);
      return 2;
    }
  }
  asio::io_context io;
  velkor::node::testing::VirtualConverter converter(
      io, model == "tq6630" ? velkor::kVersionModelB : velkor::kVersionModelA);
  velkor::node::control::ControlEndpoint::Options options;
  options.readOnly = readOnly;
  velkor::node::control::ControlEndpoint endpoint(converter, options);
  auto server = std::make_shared<Server>(Server{io, converter, endpoint, address, port});
  auto acceptor = std::make_shared<tcp::acceptor>(io, tcp::endpoint(asio::ip::make_address(address), port));
  acceptLoop(server, acceptor);
  asio::signal_set signals(io, SIGINT, SIGTERM);
  signals.async_wait([&](beast::error_code, int) { io.stop(); });
  std::printf("%s\n", server->controlUrl().c_str());
  std::fflush(stdout);
  io.run();
  return 0;
}

#pragma once
// Keeping the node and its devices in a registry: find registries (DNS-SD, or the one
// configured), register the node and then each device, heartbeat, follow devices as
// they come and go, register again after a 404 or a 200 on the first registration, and
// fail over to the next registry when one stops answering. Every request runs on the
// network thread, one at a time; only the DNS-SD browse runs on a thread of its own.

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ClientCredentials.h"
#include "BackgroundBrowse.h"
#include "HttpClient.h"
#include "ResourceStore.h"
#include "ServiceChoice.h"

namespace velkor::node {

struct RegistrationOptions {
  std::chrono::milliseconds heartbeat{5000};
  // Within a heartbeat, so that a failover reaches the next registry before the last one
  // forgets the node.
  std::chrono::milliseconds requestLimit{4000};
  // How soon to look again when no registry was found, and the longest wait after every
  // registry failed.
  std::chrono::milliseconds rebrowse{2000};
  std::chrono::milliseconds longestBackoff{8000};
  // Set: the node serves TLS, so it uses only registries that do, over HTTPS trusting
  // what this context trusts. Null: plain HTTP registries.
  std::shared_ptr<boost::asio::ssl::context> tls;
  // Set: the node works with authorization. It uses only registries that ask for it
  // (TXT "api_auth=true"), once it has a token from here, and sends the token with every
  // request. Null: only registries that do not ask for authorization.
  auth::TokenSource* tokens = nullptr;
  // How soon to look again for a token while there is none.
  std::chrono::milliseconds tokenWait{1000};
};

class Registration {
 public:
  // `noRegistry` is told whenever a browse found none (true) or found some (false), for
  // the peer-to-peer advertisement.
  Registration(boost::asio::io_context& network, ResourceStore& store, Browse browse, RegistrationOptions options,
               std::function<void(bool)> noRegistry = nullptr);
  ~Registration();
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;

  void start();
  void stop();
  // Stops, then deletes the node's devices and the node itself from the registry that
  // holds them, all within `limit`, so that a node shutting down is gone from the
  // registry at once rather than when its heartbeats are missed. `done` is told on the
  // network thread when that is over, at once when no registry holds the node.
  void leave(std::chrono::milliseconds limit, std::function<void()> done);

  // The registry in use once registered ("host:port"), else empty.
  std::string registry() const;

 private:
  struct Change {
    std::string deviceId;
    std::optional<nlohmann::json> resource;  // none: delete
  };
  using Reply = std::function<void(const http::ClientResponse&)>;

  void browse();
  void browsed(const std::vector<ServiceAdvert>& adverts);
  void contact();
  void failover(const std::string& why);
  void backoff();
  void registerNode(bool afterDelete);
  void registerDevices(std::vector<std::string> ids, std::size_t next);
  void heartbeat();
  void scheduleHeartbeat();
  void flush();
  void idle();
  void unregister(std::vector<std::string> paths, std::size_t next, std::chrono::steady_clock::time_point deadline,
                  std::function<void()> done);
  void send(boost::beast::http::verb method, const std::string& path, std::optional<std::string> body, Reply reply);
  http::ClientRequest requestTo(const ServiceCandidate& registry, boost::beast::http::verb method, const std::string& path,
                                std::optional<std::string> body, std::chrono::milliseconds limit) const;

  boost::asio::io_context& network_;
  ResourceStore& store_;
  RegistrationOptions options_;
  std::function<void(bool)> noRegistry_;
  std::mt19937 random_;

  std::vector<ServiceCandidate> candidates_;
  std::size_t current_ = 0;
  bool running_ = false;
  bool busy_ = false;           // a request is on its way
  bool registered_ = false;     // the node and its devices are in the current registry
  bool knownToRegistry_ = false;  // the node was registered and may still be (a failover heartbeats first)
  bool heartbeatDue_ = false;
  bool lastBrowseEmpty_ = false;
  bool waitingForToken_ = false;  // said once, until a token came
  std::chrono::milliseconds nextBackoff_;
  std::deque<Change> changes_;
  boost::asio::steady_timer heartbeatTimer_;
  boost::asio::steady_timer retryTimer_;
  BackgroundBrowse browser_;
  // Leaving sends its deletes one after another over one connection.
  http::ClientConnection leaving_;
  // Answers and browses may come back after the registration is gone (its network
  // thread runs on): they find this expired and touch nothing.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace velkor::node

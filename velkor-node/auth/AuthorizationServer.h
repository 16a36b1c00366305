#pragma once
// The facility's authorization server as the node uses it: found by DNS-SD
// (`_nmos-auth._tcp`, looked for again every few seconds while there is none) or
// configured; its metadata read; its public keys fetched into the key store and fetched
// again about hourly, with jitter so that nodes do not ask all at once; kept when the
// server cannot be reached. It also asks a token's own issuer for a key the node lacks,
// where the node trusts that issuer to say (see mayAsk). Every request runs on the
// network thread; only the DNS-SD browse runs on a thread of its own.

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "BackgroundBrowse.h"
#include "HttpClient.h"
#include "KeyStore.h"
#include "ServerMetadata.h"
#include "ServiceChoice.h"

namespace velkor::node::auth {

struct AuthorizationServerOptions {
  // Set: this server (its issuer identifier, "https://auth.example.com"), found by nobody's
  // advertisement. Empty: DNS-SD.
  std::string configuredIssuer;
  // The node serves TLS: it uses only servers that do. Otherwise either, HTTPS first.
  bool httpsOnly = false;
  std::shared_ptr<boost::asio::ssl::context> tls;  // what an HTTPS server's certificate is checked against
  std::chrono::milliseconds requestLimit{4000};
  // A token's issuer asked for a key while its request waits: short, so that the client
  // told to come back finds the key there.
  std::chrono::milliseconds askLimit{1000};
  std::chrono::milliseconds rebrowse{2000};
  std::chrono::seconds refresh{3600};
  std::chrono::seconds refreshJitter{60};
  // After the server failed: a random wait up to this, doubling to the longest.
  std::chrono::milliseconds backoff{2000};
  std::chrono::milliseconds longestBackoff{60000};
};

class AuthorizationServer {
 public:
  using Note = std::function<void(const std::string&)>;
  using Clock = std::function<std::int64_t()>;  // seconds since 1970, UTC

  AuthorizationServer(boost::asio::io_context& network, KeyStore& keys, Browse browse,
                      AuthorizationServerOptions options, Note note, Clock clock);
  ~AuthorizationServer();
  AuthorizationServer(const AuthorizationServer&) = delete;
  AuthorizationServer& operator=(const AuthorizationServer&) = delete;

  void start();
  // Stops at once; a browse under way ends on its own thread, joined when this goes.
  void stop();

  // Told on the network thread each time the server's metadata is read (a server found,
  // or read again), for the node's OAuth client.
  void onMetadata(std::function<void(const ServerMetadata&)> listener) { metadataListeners_.push_back(std::move(listener)); }

  // Whether a token's issuer may be asked for its keys: over HTTPS any server whose
  // certificate the node trusts; over plain HTTP, when the node allows it at all, only a
  // host where the facility's own server was found, since nothing else vouches for it.
  bool mayAsk(const std::string& issuer) const;
  // Asks the issuer for its keys, unless it is being asked already.
  void ask(const std::string& issuer);

 private:
  void browse();
  void browsed(const std::vector<ServiceAdvert>& adverts);
  void contact();
  void failed(const std::string& why);
  void scheduleRefresh();
  void fetchKeys(const http::Url& metadataUrl, std::chrono::milliseconds limit, const std::string& expectedIssuer,
                 std::function<void(std::optional<ServerMetadata>, std::string)> done);
  http::ClientRequest get(const http::Url& url, std::chrono::milliseconds limit) const;

  boost::asio::io_context& network_;
  KeyStore& keys_;
  AuthorizationServerOptions options_;
  Note note_;
  Clock clock_;
  std::mt19937 random_;
  bool running_ = false;
  std::vector<http::Url> candidates_;  // metadata URLs, in the order to try
  std::size_t current_ = 0;
  std::optional<ServerMetadata> metadata_;
  std::set<std::string> trustedHosts_;  // hosts of servers found, for plain HTTP issuers
  std::set<std::string> asking_;
  std::chrono::milliseconds nextBackoff_;
  std::string lastProblem_;
  std::vector<std::function<void(const ServerMetadata&)>> metadataListeners_;
  boost::asio::steady_timer timer_;
  BackgroundBrowse browser_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace velkor::node::auth

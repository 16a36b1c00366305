#pragma once
// The node as an OAuth client of the facility's authorization server, for registering
// with a registry: registered once with the server (RFC 7591) and kept as that client
// across restarts, it asks for tokens of scope "registration" by the client credentials
// grant and renews each well before it expires, so that every registration, heartbeat
// and delete carries a live token. A registry that refuses one gets a new token asked for
// at once. Runs on the network thread.

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ClientFile.h"
#include "HttpClient.h"
#include "ServerMetadata.h"

namespace velkor::node::auth {

// What the registration asks of the node's client; a double in tests.
class TokenSource {
 public:
  virtual ~TokenSource() = default;
  // "Bearer ..." for the Authorization header; empty while there is no token.
  virtual std::string authorization() const = 0;
  // A server refused the token: a new one is asked for; `done` once that is over,
  // whether there is one or not.
  virtual void renew(std::function<void()> done) = 0;
};

struct ClientCredentialsOptions {
  std::filesystem::path stateDir;
  std::string clientName;  // unique to this node: the server tells its clients apart by it
  std::string scope = "registration";
  std::shared_ptr<boost::asio::ssl::context> tls;
  std::chrono::milliseconds requestLimit{4000};
  std::chrono::milliseconds retry{5000};  // after a failed request for a token
  // Renewed this long before it expires at the least, and at three quarters of its life
  // at the latest.
  std::chrono::seconds renewAhead{15};
};

class ClientCredentials final : public TokenSource {
 public:
  using Note = std::function<void(const std::string&)>;

  ClientCredentials(boost::asio::io_context& network, ClientCredentialsOptions options, Note note);
  ~ClientCredentials() override;

  // The server to ask (its metadata, once read): a token is asked for at once.
  void useServer(const ServerMetadata& server);

  std::string authorization() const override;
  void renew(std::function<void()> done) override;

 private:
  void obtain();
  void registerClient();
  void requestToken();
  void finished(bool gotToken);
  void retryLater();
  // Says a line once: a server that keeps refusing is not told of at every retry.
  void say(const std::string& line);

  boost::asio::io_context& network_;
  ClientCredentialsOptions options_;
  Note note_;
  std::optional<ServerMetadata> server_;
  std::optional<OAuthClient> client_;
  std::string token_;
  std::string lastNote_;
  bool busy_ = false;
  std::vector<std::function<void()>> waiting_;
  boost::asio::steady_timer timer_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// The client credentials grant's form, and its Basic authorization (RFC 6749, 2.3.1).
std::string tokenRequestForm(const std::string& scope);
std::string basicAuthorization(const OAuthClient& client);

}  // namespace velkor::node::auth

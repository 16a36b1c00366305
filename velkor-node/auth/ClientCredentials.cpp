#include "ClientCredentials.h"

#include <nlohmann/json.hpp>

#include "Base64.h"

namespace velkor::node::auth {
namespace {

namespace bhttp = boost::beast::http;
using nlohmann::json;

constexpr const char* kFormContentType = "application/x-www-form-urlencoded";
constexpr const char* kGrantClientCredentials = "client_credentials";
constexpr const char* kAuthMethodBasic = "client_secret_basic";
constexpr const char* kTokenTypeBearer = "bearer";
// The shortest wait before a renewal, whatever a server says of its tokens.
constexpr std::chrono::seconds kShortestRenewal{1};

// RFC 6749, appendix B: form-encoding.
std::string formEncoded(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0f];
    }
  }
  return out;
}

bool sameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

http::ClientRequest postTo(const http::Url& url, std::string body, const char* contentType,
                           const ClientCredentialsOptions& options) {
  http::ClientRequest request{url.host, url.port, bhttp::verb::post, url.target, std::move(body), options.requestLimit,
                              url.tls ? options.tls : nullptr};
  request.contentType = contentType;
  return request;
}

}  // namespace

std::string tokenRequestForm(const std::string& scope) {
  return std::string("grant_type=") + kGrantClientCredentials + "&scope=" + formEncoded(scope);
}

std::string basicAuthorization(const OAuthClient& client) {
  return "Basic " + encodeBase64(formEncoded(client.id) + ":" + formEncoded(client.secret));
}

ClientCredentials::ClientCredentials(boost::asio::io_context& network, ClientCredentialsOptions options, Note note)
    : network_(network), options_(std::move(options)), note_(std::move(note)), client_(loadClient(options_.stateDir)),
      timer_(network) {}

ClientCredentials::~ClientCredentials() { timer_.cancel(); }

void ClientCredentials::useServer(const ServerMetadata& server) {
  const bool another = !server_ || server_->issuer != server.issuer;
  server_ = server;
  if (another || token_.empty()) obtain();
}

std::string ClientCredentials::authorization() const { return token_.empty() ? std::string() : "Bearer " + token_; }

void ClientCredentials::renew(std::function<void()> done) {
  if (!server_) return done();
  waiting_.push_back(std::move(done));
  token_.clear();
  obtain();
}

void ClientCredentials::obtain() {
  if (busy_ || !server_) return;
  if (!server_->tokens) {
    say("the authorization server " + server_->issuer + " gives no token endpoint");
    return finished(false);
  }
  busy_ = true;
  timer_.cancel();
  if (client_) return requestToken();
  registerClient();
}

void ClientCredentials::registerClient() {
  if (!server_->registration) {
    say("the authorization server " + server_->issuer + " registers no clients, and this node is none of its clients");
    return finished(false);
  }
  const json body = {{"client_name", options_.clientName},
                     {"grant_types", {kGrantClientCredentials}},
                     {"scope", options_.scope},
                     {"token_endpoint_auth_method", kAuthMethodBasic}};
  http::sendRequest(network_, postTo(*server_->registration, body.dump(), http::kJsonContentType, options_),
                    [this, alive = std::weak_ptr(alive_)](http::ClientResponse answer) {
                      if (alive.expired()) return;
                      const json registered = json::parse(answer.body, nullptr, false);
                      if ((answer.status != 200 && answer.status != 201) || !registered.is_object() ||
                          !registered.contains("client_id") || !registered["client_id"].is_string()) {
                        say("client registration refused (" +
                              (answer.status == 0 ? answer.error : "HTTP " + std::to_string(answer.status)) + ")");
                        return finished(false);
                      }
                      OAuthClient client{registered["client_id"].get<std::string>(), {}};
                      if (registered.contains("client_secret") && registered["client_secret"].is_string())
                        client.secret = registered["client_secret"].get<std::string>();
                      if (const std::string problem = saveClient(options_.stateDir, client); !problem.empty())
                        say("the OAuth client will not survive a restart: " + problem);
                      say("registered as OAuth client " + client.id);
                      client_ = std::move(client);
                      requestToken();
                    });
}

void ClientCredentials::requestToken() {
  http::ClientRequest request = postTo(*server_->tokens, tokenRequestForm(options_.scope), kFormContentType, options_);
  request.authorization = basicAuthorization(*client_);
  http::sendRequest(network_, std::move(request), [this, alive = std::weak_ptr(alive_)](http::ClientResponse answer) {
    if (alive.expired()) return;
    const json granted = json::parse(answer.body, nullptr, false);
    const bool bearer = granted.is_object() && granted.contains("token_type") && granted["token_type"].is_string() &&
                        sameLetters(granted["token_type"].get_ref<const std::string&>(), kTokenTypeBearer);
    if (answer.status != 200 || !bearer || !granted.contains("access_token") || !granted["access_token"].is_string()) {
      say("no token from " + server_->issuer + " (" +
            (answer.status == 0 ? answer.error : "HTTP " + std::to_string(answer.status)) + ")");
      // A server that no longer knows the client: registered again on the next try.
      if (answer.status == 400 || answer.status == 401) client_.reset();
      return finished(false);
    }
    token_ = granted["access_token"].get<std::string>();
    const std::chrono::seconds lifetime(granted.contains("expires_in") && granted["expires_in"].is_number_integer()
                                            ? granted["expires_in"].get<std::int64_t>()
                                            : options_.renewAhead.count() * 4);
    const std::chrono::seconds renewIn =
        std::max(kShortestRenewal, std::min(lifetime * 3 / 4, lifetime - options_.renewAhead));
    finished(true);
    timer_.expires_after(renewIn);
    timer_.async_wait([this](const boost::system::error_code& error) {
      if (!error) obtain();
    });
  });
}

void ClientCredentials::finished(bool gotToken) {
  busy_ = false;
  if (!gotToken) retryLater();
  auto waiting = std::move(waiting_);
  waiting_.clear();
  for (auto& done : waiting) done();
}

void ClientCredentials::say(const std::string& line) {
  if (line == lastNote_) return;
  lastNote_ = line;
  note_(line);
}

void ClientCredentials::retryLater() {
  timer_.expires_after(options_.retry);
  timer_.async_wait([this](const boost::system::error_code& error) {
    if (!error) obtain();
  });
}

}  // namespace velkor::node::auth

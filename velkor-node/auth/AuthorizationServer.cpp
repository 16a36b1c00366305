#include "AuthorizationServer.h"


namespace velkor::node::auth {
namespace {

namespace bhttp = boost::beast::http;

constexpr const char* kAuthApiVersion = "v1.0";
constexpr const char* kProtoHttps = "https";
constexpr const char* kProtoHttp = "http";
// At most this many issuers asked for keys at once, whatever tokens arrive.
constexpr std::size_t kMostAskedAtOnce = 4;

}  // namespace

AuthorizationServer::AuthorizationServer(boost::asio::io_context& network, KeyStore& keys, Browse browse,
                                         AuthorizationServerOptions options, Note note, Clock clock)
    : network_(network),
      keys_(keys),
      options_(std::move(options)),
      note_(std::move(note)),
      clock_(std::move(clock)),
      random_(std::random_device{}()),
      nextBackoff_(options_.backoff),
      timer_(network),
      browser_(network, std::move(browse), [this](const std::vector<ServiceAdvert>& adverts) { browsed(adverts); }) {}

AuthorizationServer::~AuthorizationServer() { stop(); }

void AuthorizationServer::start() {
  running_ = true;
  if (options_.configuredIssuer.empty()) return browse();
  if (const std::optional<http::Url> url = metadataUrlOf(options_.configuredIssuer)) candidates_.push_back(*url);
  contact();
}

void AuthorizationServer::stop() {
  // A browse under way is left to end on its own (the resolver's time-outs): waiting for
  // it here would eat a stopping node's time to leave its registry.
  running_ = false;
  timer_.cancel();
}

void AuthorizationServer::browse() {
  if (running_) browser_.start();
}

void AuthorizationServer::browsed(const std::vector<ServiceAdvert>& adverts) {
  if (!running_) return;
  ServiceWanted wanted{kAuthApiVersion, {kProtoHttps}, std::nullopt};
  if (!options_.httpsOnly) wanted.protocols.push_back(kProtoHttp);
  candidates_.clear();
  current_ = 0;
  for (const ServiceCandidate& found : chooseServices(adverts, wanted, random_)) {
    const auto selector = found.txt.find(kTxtApiSelector);
    http::Url url{found.txt.at(kTxtApiProto) == kProtoHttps, found.host, std::to_string(found.port),
                  std::string(kMetadataPath)};
    if (selector != found.txt.end() && !selector->second.empty()) url.target += "/" + selector->second;
    candidates_.push_back(std::move(url));
  }
  if (candidates_.empty()) {
    if (lastProblem_ != "none") note_("no authorization server found; looking again");
    lastProblem_ = "none";
    timer_.expires_after(options_.rebrowse);
    timer_.async_wait([this](const boost::system::error_code& error) {
      if (!error) browse();
    });
    return;
  }
  contact();
}

void AuthorizationServer::contact() {
  if (!running_) return;
  if (current_ >= candidates_.size()) return failed("no authorization server answered");
  const http::Url url = candidates_[current_];
  fetchKeys(url, options_.requestLimit, {},
            [this, url](std::optional<ServerMetadata> metadata, std::string why) {
              if (!metadata) {
                note_("authorization server " + url.text() + " failed (" + why + ")" +
                      (keys_.empty() ? std::string() : "; the node keeps the keys it has"));
                ++current_;
                return contact();
              }
              trustedHosts_.insert(url.host);
              if (const std::optional<http::Url> issuer = http::parseUrl(metadata->issuer)) trustedHosts_.insert(issuer->host);
              const bool first = !metadata_ || metadata_->issuer != metadata->issuer;
              metadata_ = std::move(metadata);
              if (first) note_("authorization server " + metadata_->issuer + ": " + std::to_string(keys_.size()) + " keys");
              lastProblem_.clear();
              nextBackoff_ = options_.backoff;
              for (const auto& listener : metadataListeners_) listener(*metadata_);
              scheduleRefresh();
            });
}

void AuthorizationServer::failed(const std::string& why) {
  if (lastProblem_ != why) note_(why + "; looking again");
  lastProblem_ = why;
  // A random wait, so that nodes that lost the server together do not come back together.
  std::uniform_int_distribution<long> spread(nextBackoff_.count() / 2, nextBackoff_.count());
  timer_.expires_after(std::chrono::milliseconds(spread(random_)));
  nextBackoff_ = std::min(nextBackoff_ * 2, options_.longestBackoff);
  timer_.async_wait([this](const boost::system::error_code& error) {
    if (error) return;
    current_ = 0;
    if (options_.configuredIssuer.empty())
      browse();
    else
      contact();
  });
}

void AuthorizationServer::scheduleRefresh() {
  std::uniform_int_distribution<long> jitter(0, options_.refreshJitter.count());
  timer_.expires_after(options_.refresh + std::chrono::seconds(jitter(random_)));
  timer_.async_wait([this](const boost::system::error_code& error) {
    if (!error) contact();
  });
}

bool AuthorizationServer::mayAsk(const std::string& issuer) const {
  const std::optional<http::Url> url = http::parseUrl(issuerKey(issuer));
  if (!url) return false;
  if (url->tls) return options_.tls != nullptr;
  return !options_.httpsOnly && trustedHosts_.contains(url->host);
}

void AuthorizationServer::ask(const std::string& issuer) {
  const std::string key = issuerKey(issuer);
  const std::optional<http::Url> url = metadataUrlOf(key);
  if (!url || asking_.contains(key) || asking_.size() >= kMostAskedAtOnce || !mayAsk(key)) return;
  asking_.insert(key);
  fetchKeys(*url, options_.askLimit, key, [this, key](std::optional<ServerMetadata> metadata, std::string why) {
    asking_.erase(key);
    if (!metadata) {
      keys_.askFailed(key, clock_());
      note_("issuer " + key + " gave no keys (" + why + ")");
      return;
    }
    note_("issuer " + key + ": keys taken");
  });
}

http::ClientRequest AuthorizationServer::get(const http::Url& url, std::chrono::milliseconds limit) const {
  return {url.host, url.port, bhttp::verb::get, url.target, std::nullopt, limit, url.tls ? options_.tls : nullptr};
}

void AuthorizationServer::fetchKeys(const http::Url& metadataUrl, std::chrono::milliseconds limit,
                                    const std::string& expectedIssuer,
                                    std::function<void(std::optional<ServerMetadata>, std::string)> done) {
  if (metadataUrl.tls && !options_.tls) return done(std::nullopt, "no TLS to reach it by");
  if (options_.httpsOnly && !metadataUrl.tls) return done(std::nullopt, "not HTTPS");
  http::sendRequest(
      network_, get(metadataUrl, limit),
      [this, alive = std::weak_ptr(alive_), limit, expectedIssuer, done = std::move(done)](http::ClientResponse answer) mutable {
        if (alive.expired() || !running_) return;
        if (answer.status != 200)
          return done(std::nullopt, answer.status == 0 ? answer.error : "metadata: HTTP " + std::to_string(answer.status));
        MetadataRead read = readMetadata(answer.body);
        if (!read.metadata) return done(std::nullopt, "metadata: " + read.problem);
        if (!expectedIssuer.empty() && read.metadata->issuer != expectedIssuer)
          return done(std::nullopt, "its metadata names another issuer, " + read.metadata->issuer);
        const http::Url keysUrl = read.metadata->keys;
        if ((keysUrl.tls && !options_.tls) || (options_.httpsOnly && !keysUrl.tls))
          return done(std::nullopt, "its keys are not where the node may fetch them: " + keysUrl.text());
        http::sendRequest(network_, get(keysUrl, limit),
                          [this, alive, metadata = std::move(*read.metadata), done = std::move(done)](http::ClientResponse keys) mutable {
                            if (alive.expired() || !running_) return;
                            if (keys.status != 200)
                              return done(std::nullopt, keys.status == 0 ? keys.error : "keys: HTTP " + std::to_string(keys.status));
                            KeySetRead set = readKeySet(keys.body);
                            if (set.keys.empty())
                              return done(std::nullopt, set.problem.empty() ? "no RS512 key of 2048 bits or more" : set.problem);
                            keys_.take(metadata.issuer, std::move(set.keys), clock_());
                            done(std::move(metadata), {});
                          });
      });
}

}  // namespace velkor::node::auth

#include "Registration.h"

#include <boost/asio/post.hpp>
#include <cstdio>

#include "ApiProto.h"

namespace velkor::node {
namespace {

namespace bhttp = boost::beast::http;

constexpr const char* kRegistrationBase = "/x-nmos/registration/v1.3";
constexpr const char* kApiVersion = "v1.3";
constexpr unsigned kUnauthorized = 401;

bool failed(const http::ClientResponse& response) { return response.status == 0 || response.status >= 500; }

std::string describe(const http::ClientResponse& response) {
  return response.status == 0 ? response.error : "HTTP " + std::to_string(response.status);
}

void note(const std::string& line) { std::fprintf(stderr, "velkor-node: %s\n", line.c_str()); }

}  // namespace

Registration::Registration(boost::asio::io_context& network, ResourceStore& store, Browse browse,
                           RegistrationOptions options, std::function<void(bool)> noRegistry)
    : network_(network),
      store_(store),
      options_(options),
      noRegistry_(std::move(noRegistry)),
      random_(std::random_device{}()),
      nextBackoff_(options.rebrowse),
      heartbeatTimer_(network),
      retryTimer_(network),
      browser_(network, std::move(browse), [this](const std::vector<ServiceAdvert>& adverts) { browsed(adverts); }),
      leaving_(network) {
  store_.listen([this, alive = std::weak_ptr(alive_)](const std::string& deviceId, const nlohmann::json* resource) {
    if (alive.expired() || !running_) return;
    changes_.push_back({deviceId, resource ? std::optional(*resource) : std::nullopt});
    flush();
  });
}

Registration::~Registration() { stop(); }

void Registration::start() {
  running_ = true;
  browse();
}

void Registration::stop() {
  running_ = false;
  heartbeatTimer_.cancel();
  retryTimer_.cancel();
  browser_.wait();
}

void Registration::leave(std::chrono::milliseconds limit, std::function<void()> done) {
  const bool known = running_ && knownToRegistry_ && current_ < candidates_.size();
  // What is on its way is dropped when it answers; nothing new starts.
  running_ = false;
  heartbeatTimer_.cancel();
  retryTimer_.cancel();
  if (!known) {
    stop();
    return done();
  }
  // Children before their parent, so the registry never holds devices of no node.
  std::vector<std::string> paths;
  for (const std::string& id : store_.deviceIds()) paths.push_back("/resource/devices/" + id);
  paths.push_back("/resource/nodes/" + store_.self()["id"].get<std::string>());
  unregister(std::move(paths), 0, std::chrono::steady_clock::now() + limit, std::move(done));
}

void Registration::unregister(std::vector<std::string> paths, std::size_t next,
                              std::chrono::steady_clock::time_point deadline, std::function<void()> done) {
  const ServiceCandidate& registry = candidates_[current_];
  const std::string name = registry.host + ":" + std::to_string(registry.port);
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (next == paths.size() || left.count() <= 0) {
    note(next == paths.size() ? "left " + name : "gave up leaving " + name + ": out of time");
    stop();
    return done();
  }
  // Made before `paths` moves into the reply. One connection for them all: a name looked
  // up and a connection made once, not per delete, within a budget a loaded machine's
  // resolver would otherwise eat.
  http::ClientRequest request = requestTo(registry, bhttp::verb::delete_, paths[next], std::nullopt, left);
  leaving_.send(std::move(request),
                    [this, alive = std::weak_ptr(alive_), paths = std::move(paths), next, deadline,
                     done = std::move(done), name](const http::ClientResponse& response) mutable {
                      if (alive.expired()) return;
                      if (failed(response)) {
                        // The registry forgets the node when the heartbeats stop.
                        note("could not leave " + name + " (" + describe(response) + ")");
                        stop();
                        return done();
                      }
                      unregister(std::move(paths), next + 1, deadline, std::move(done));
                    });
}

std::string Registration::registry() const {
  if (!registered_ || current_ >= candidates_.size()) return {};
  return candidates_[current_].host + ":" + std::to_string(candidates_[current_].port);
}

void Registration::browse() {
  if (running_) browser_.start();
}

void Registration::browsed(const std::vector<ServiceAdvert>& adverts) {
  if (!running_) return;
  candidates_ = chooseServices(adverts, {kApiVersion, {apiProto(options_.tls != nullptr)}, options_.tokens != nullptr},
                               random_);
  current_ = 0;
  if (candidates_.empty() != lastBrowseEmpty_)
    note(candidates_.empty() ? "no registry found; looking again"
                             : std::to_string(candidates_.size()) + " registries found (" +
                                   std::to_string(adverts.size()) + " advertised)");
  lastBrowseEmpty_ = candidates_.empty();
  if (noRegistry_) noRegistry_(candidates_.empty());
  if (candidates_.empty()) {
    retryTimer_.expires_after(options_.rebrowse);
    retryTimer_.async_wait([this](const boost::system::error_code& error) {
      if (!error) browse();
    });
    return;
  }
  contact();
}

void Registration::contact() {
  if (current_ >= candidates_.size()) return backoff();
  if (options_.tokens && options_.tokens->authorization().empty()) {
    // Registries that ask for authorization refuse a node without a token: wait for one.
    if (!waitingForToken_) note("waiting for a token of the authorization server before registering");
    waitingForToken_ = true;
    retryTimer_.expires_after(options_.tokenWait);
    retryTimer_.async_wait([this](const boost::system::error_code& error) {
      if (!error && running_) contact();
    });
    return;
  }
  waitingForToken_ = false;
  // A registry of the same cluster may hold the node already: a heartbeat tells.
  if (knownToRegistry_)
    heartbeat();
  else
    registerNode(false);
}

void Registration::failover(const std::string& why) {
  const ServiceCandidate& left = candidates_[current_];
  note("registry " + left.host + ":" + std::to_string(left.port) + " failed (" + why + "); trying the next");
  registered_ = false;
  heartbeatTimer_.cancel();
  heartbeatDue_ = false;
  ++current_;
  contact();
}

void Registration::backoff() {
  // Every registry failed: look for registries again, waiting longer each time.
  registered_ = false;
  heartbeatTimer_.cancel();
  heartbeatDue_ = false;
  retryTimer_.expires_after(nextBackoff_);
  nextBackoff_ = std::min(nextBackoff_ * 2, options_.longestBackoff);
  retryTimer_.async_wait([this](const boost::system::error_code& error) {
    if (!error) browse();
  });
}

void Registration::registerNode(bool afterDelete) {
  const nlohmann::json body = {{"type", "node"}, {"data", store_.self()}};
  send(bhttp::verb::post, "/resource", body.dump(), [this, afterDelete](const http::ClientResponse& response) {
    if (failed(response)) return failover(describe(response));
    const std::string nodeId = store_.self()["id"];
    if (response.status == 200 && !afterDelete) {
      // The registry still holds a node of this id from before the restart, with
      // resources that may be stale: clear it and register afresh.
      return send(bhttp::verb::delete_, "/resource/nodes/" + nodeId, std::nullopt,
                  [this](const http::ClientResponse& deleted) {
                    if (failed(deleted)) return failover(describe(deleted));
                    registerNode(true);
                  });
    }
    if (response.status != 200 && response.status != 201) return failover("node refused: " + describe(response));
    knownToRegistry_ = true;
    scheduleHeartbeat();
    changes_.clear();
    registerDevices(store_.deviceIds(), 0);
  });
}

void Registration::registerDevices(std::vector<std::string> ids, std::size_t next) {
  while (next < ids.size() && store_.device(ids[next]) == nullptr) ++next;
  if (next == ids.size()) {
    registered_ = true;
    nextBackoff_ = options_.rebrowse;
    const ServiceCandidate& registry = candidates_[current_];
    note("registered with " + registry.host + ":" + std::to_string(registry.port));
    return idle();
  }
  const nlohmann::json body = {{"type", "device"}, {"data", *store_.device(ids[next])}};
  send(bhttp::verb::post, "/resource", body.dump(), [this, ids = std::move(ids), next](const http::ClientResponse& r) {
    if (failed(r)) return failover(describe(r));
    if (r.status == 404 || r.status == 400) note("device " + ids[next] + " refused: " + describe(r));
    registerDevices(ids, next + 1);
  });
}

void Registration::scheduleHeartbeat() {
  heartbeatTimer_.expires_after(options_.heartbeat);
  heartbeatTimer_.async_wait([this](const boost::system::error_code& error) {
    if (error || !running_) return;
    if (busy_)
      heartbeatDue_ = true;
    else
      heartbeat();
  });
}

void Registration::heartbeat() {
  heartbeatDue_ = false;
  if (current_ >= candidates_.size()) return;
  const std::string nodeId = store_.self()["id"];
  scheduleHeartbeat();
  send(bhttp::verb::post, "/health/nodes/" + nodeId, std::nullopt, [this](const http::ClientResponse& response) {
    if (failed(response)) return failover(describe(response));
    if (response.status == 404) {
      // Forgotten (missed heartbeats, or a restarted registry): everything again.
      heartbeatTimer_.cancel();
      registered_ = false;
      knownToRegistry_ = false;
      return registerNode(false);
    }
    if (!registered_) {
      registered_ = true;
      const ServiceCandidate& registry = candidates_[current_];
      note("heartbeating with " + registry.host + ":" + std::to_string(registry.port));
    }
    idle();
  });
}

void Registration::idle() {
  if (heartbeatDue_) return heartbeat();
  flush();
}

void Registration::flush() {
  if (!registered_ || busy_ || changes_.empty()) return;
  Change change = std::move(changes_.front());
  changes_.pop_front();
  auto retry = [this, change](const http::ClientResponse& response) {
    if (failed(response)) {
      changes_.push_front(change);
      return failover(describe(response));
    }
    idle();
  };
  if (change.resource) {
    const nlohmann::json body = {{"type", "device"}, {"data", *change.resource}};
    send(bhttp::verb::post, "/resource", body.dump(), retry);
  } else {
    send(bhttp::verb::delete_, "/resource/devices/" + change.deviceId, std::nullopt, retry);
  }
}

http::ClientRequest Registration::requestTo(const ServiceCandidate& registry, bhttp::verb method, const std::string& path,
                                            std::optional<std::string> body, std::chrono::milliseconds limit) const {
  http::ClientRequest request{registry.host, std::to_string(registry.port), method, kRegistrationBase + path,
                              std::move(body), limit, options_.tls};
  if (options_.tokens) request.authorization = options_.tokens->authorization();
  return request;
}

void Registration::send(bhttp::verb method, const std::string& path, std::optional<std::string> body, Reply reply) {
  busy_ = true;
  auto answered = [this, alive = std::weak_ptr(alive_), method, path, body, reply = std::move(reply)](
                      const http::ClientResponse& response) mutable {
    if (alive.expired()) return;
    if (!running_) {
      busy_ = false;
      return;
    }
    if (response.status != kUnauthorized || !options_.tokens) {
      busy_ = false;
      return reply(response);
    }
    // The registry refused the token (expired early, revoked): a new one, and the same
    // request once more with it; refused again, the registry is given up like one that
    // failed, never asked in a loop.
    options_.tokens->renew([this, alive, method, path, body, reply = std::move(reply)]() mutable {
      if (alive.expired()) return;
      if (!running_ || current_ >= candidates_.size()) {
        busy_ = false;
        return;
      }
      http::sendRequest(network_, requestTo(candidates_[current_], method, path, body, options_.requestLimit),
                        [this, alive, reply = std::move(reply)](const http::ClientResponse& again) {
                          if (alive.expired()) return;
                          busy_ = false;
                          if (!running_) return;
                          if (again.status == kUnauthorized) return reply({0, {}, "the registry refuses the node's token"});
                          reply(again);
                        });
    });
  };
  http::sendRequest(network_, requestTo(candidates_[current_], method, path, std::move(body), options_.requestLimit),
                    std::move(answered));
}

}  // namespace velkor::node

#include "MdnsBrowse.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>
#include <avahi-common/strlst.h>
#include <avahi-common/timeval.h>
#include <net/if.h>

#include <future>
#include <memory>

#include "DnsSdBrowse.h"

namespace velkor::node {
namespace {

// RFC 6763, 6.1: each TXT string is at most 255 bytes after its length byte.
constexpr std::size_t kLongestTxtString = 255;
// How long the caller waits past the browse's own limit for the loop to hand over what
// the browse found.
constexpr std::chrono::milliseconds kHandOverLimit{250};

std::string unavailable(int error) { return std::string("mDNS unavailable (avahi-daemon: ") + avahi_strerror(error) + ")"; }

// Why the node's client cannot browse now; empty when it can.
std::string unavailability(const AvahiContext& now) {
  if (now.poll == nullptr) return "mDNS unavailable: the node is stopping";
  if (now.client == nullptr) return unavailable(now.error);
  switch (avahi_client_get_state(now.client)) {
    case AVAHI_CLIENT_CONNECTING:
      return unavailable(AVAHI_ERR_NO_DAEMON);
    case AVAHI_CLIENT_FAILURE:
      return unavailable(avahi_client_errno(now.client));
    default:
      return {};
  }
}

// One browse, on the loop's thread, through a client of its own: everything the browse
// made goes with that client when it ends.
struct Search {
  std::string serviceType;
  std::chrono::steady_clock::time_point deadline;
  const AvahiPoll* poll = nullptr;
  AvahiClient* client = nullptr;
  AvahiTimeout* timer = nullptr;
  std::vector<ServiceAdvert> adverts;
  int resolving = 0;
  bool listed = false;  // the daemon has told all it knows for now
  bool failed = false;
  std::string problem;
  std::promise<MulticastBrowseResult> result;
  std::shared_ptr<Search> self;  // the search keeps itself while it runs

  void start(const std::shared_ptr<Search>& me, const AvahiContext& now);
  // From Avahi's callbacks, which must not free the client that calls them: the timer
  // ends the search at once instead.
  void endWhenComplete() {
    if (!failed && !(listed && resolving == 0)) return;
    timeval at{};
    poll->timeout_update(timer, avahi_elapse_time(&at, 0, 0));
  }
  static void onTimer(AvahiTimeout*, void* context) {
    auto* search = static_cast<Search*>(context);
    // Resolvers still waiting go with the client.
    avahi_client_free(search->client);
    search->poll->timeout_free(search->timer);
    search->result.set_value({std::move(search->adverts), search->problem});
    const std::shared_ptr<Search> last = std::move(search->self);  // lets go of it on return
  }
};

std::map<std::string, std::string> txtOf(AvahiStringList* list) {
  std::string wire;
  for (AvahiStringList* item = list; item != nullptr; item = avahi_string_list_get_next(item)) {
    const std::size_t size = avahi_string_list_get_size(item);
    if (size > kLongestTxtString) continue;  // cannot be one TXT string; the daemon never gives one
    wire.push_back(static_cast<char>(size));
    wire.append(reinterpret_cast<const char*>(avahi_string_list_get_text(item)), size);
  }
  return parseTxt(reinterpret_cast<const unsigned char*>(wire.data()), wire.size());
}

// The address as text the HTTP client connects to; a link-local IPv6 address only means
// something with its interface.
std::string addressText(const AvahiAddress& address, AvahiIfIndex interface) {
  char text[AVAHI_ADDRESS_STR_MAX] = {};
  if (avahi_address_snprint(text, sizeof text, &address) == nullptr) return {};
  std::string host = text;
  char interfaceName[IF_NAMESIZE] = {};
  if (address.proto == AVAHI_PROTO_INET6 && host.rfind("fe80:", 0) == 0 &&
      if_indextoname(static_cast<unsigned>(interface), interfaceName) != nullptr)
    host += std::string("%") + interfaceName;
  return host;
}

void resolved(AvahiServiceResolver* resolver, AvahiIfIndex interface, AvahiProtocol, AvahiResolverEvent event,
              const char*, const char*, const char*, const char*, const AvahiAddress* address, uint16_t port,
              AvahiStringList* txt, AvahiLookupResultFlags, void* context) {
  auto* search = static_cast<Search*>(context);
  if (event == AVAHI_RESOLVER_FOUND && address != nullptr) {
    // The address rather than the advertised host name: a ".local" name is resolved
    // only where the system resolver asks mDNS, which it often does not.
    const std::string host = addressText(*address, interface);
    if (!host.empty()) search->adverts.push_back({host, port, txtOf(txt)});
  }
  --search->resolving;
  avahi_service_resolver_free(resolver);
  search->endWhenComplete();
}

void browsed(AvahiServiceBrowser* browser, AvahiIfIndex interface, AvahiProtocol protocol, AvahiBrowserEvent event,
             const char* name, const char* type, const char* domain, AvahiLookupResultFlags, void* context) {
  auto* search = static_cast<Search*>(context);
  switch (event) {
    case AVAHI_BROWSER_NEW:
      // Each interface and protocol the service was seen on gives an address of its own.
      if (avahi_service_resolver_new(avahi_service_browser_get_client(browser), interface, protocol, name, type,
                                     domain, protocol, AvahiLookupFlags(0), resolved, search) != nullptr)
        ++search->resolving;
      break;
    case AVAHI_BROWSER_ALL_FOR_NOW:
      search->listed = true;
      break;
    case AVAHI_BROWSER_FAILURE:
      search->failed = true;
      search->problem =
          std::string("mDNS browse failed: ") + avahi_strerror(avahi_client_errno(avahi_service_browser_get_client(browser)));
      break;
    default:
      break;
  }
  search->endWhenComplete();
}

void Search::start(const std::shared_ptr<Search>& me, const AvahiContext& now) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) return result.set_value({{}, "mDNS unavailable: the browse waited its whole time"});
  if (std::string why = unavailability(now); !why.empty()) return result.set_value({{}, std::move(why)});
  poll = now.poll;
  // The daemon is there (the node's client says so), so this client is made at once;
  // without AVAHI_CLIENT_NO_FAIL it fails at once should the daemon have gone meanwhile.
  int error = AVAHI_OK;
  client = avahi_client_new(poll, AvahiClientFlags(0), nullptr, nullptr, &error);
  if (client == nullptr) return result.set_value({{}, unavailable(error)});
  if (avahi_service_browser_new(client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, serviceType.c_str(), "local",
                                AvahiLookupFlags(0), browsed, this) == nullptr) {
    std::string refused = std::string("mDNS browse refused: ") + avahi_strerror(avahi_client_errno(client));
    avahi_client_free(client);
    return result.set_value({{}, std::move(refused)});
  }
  timeval at{};
  timer = poll->timeout_new(poll, avahi_elapse_time(&at, static_cast<unsigned>(left.count()), 0), onTimer, this);
  if (timer == nullptr) {
    avahi_client_free(client);
    return result.set_value({{}, unavailable(AVAHI_ERR_NO_MEMORY)});
  }
  self = me;
}

}  // namespace

MulticastBrowseResult browseMulticast(AvahiLoop& loop, const std::string& serviceType, std::chrono::milliseconds limit) {
  auto search = std::make_shared<Search>();
  search->serviceType = serviceType;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  search->deadline = deadline;
  std::future<MulticastBrowseResult> found = search->result.get_future();
  loop.post([search](const AvahiContext& now) { search->start(search, now); });
  if (found.wait_until(deadline + kHandOverLimit) != std::future_status::ready)
    return {{}, "mDNS unavailable (avahi-daemon: no answer within " + std::to_string(limit.count()) + " ms)"};
  return found.get();
}

}  // namespace velkor::node

#include "MdnsBrowse.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>
#include <avahi-common/simple-watch.h>
#include <avahi-common/strlst.h>
#include <net/if.h>

#include <memory>

#include "DnsSdBrowse.h"

namespace velkor::node {
namespace {

// RFC 6763, 6.1: each TXT string is at most 255 bytes after its length byte.
constexpr std::size_t kLongestTxtString = 255;
// How long one turn of the event loop may sleep, so the time limit is looked at often.
constexpr int kTurnMilliseconds = 50;

struct PollDeleter {
  void operator()(AvahiSimplePoll* poll) const { avahi_simple_poll_free(poll); }
};
struct ClientDeleter {
  void operator()(AvahiClient* client) const { avahi_client_free(client); }
};

struct Search {
  std::vector<ServiceAdvert> adverts;
  int resolving = 0;
  bool listed = false;  // the daemon has told all it knows for now
  bool failed = false;
  std::string problem;
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
}

}  // namespace

MulticastBrowseResult browseMulticast(const std::string& serviceType, std::chrono::milliseconds limit) {
  MulticastBrowseResult result;
  const std::unique_ptr<AvahiSimplePoll, PollDeleter> poll(avahi_simple_poll_new());
  if (!poll) return {{}, "mDNS unavailable: out of memory"};
  int error = 0;
  // Without AVAHI_CLIENT_NO_FAIL the client fails at once when the daemon is not there,
  // rather than waiting for it.
  const std::unique_ptr<AvahiClient, ClientDeleter> client(
      avahi_client_new(avahi_simple_poll_get(poll.get()), AvahiClientFlags(0), nullptr, nullptr, &error));
  if (!client) return {{}, std::string("mDNS unavailable (avahi-daemon: ") + avahi_strerror(error) + ")"};

  Search search;
  AvahiServiceBrowser* browser = avahi_service_browser_new(client.get(), AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                                                           serviceType.c_str(), "local", AvahiLookupFlags(0), browsed,
                                                           &search);
  if (browser == nullptr)
    return {{}, std::string("mDNS browse refused: ") + avahi_strerror(avahi_client_errno(client.get()))};

  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!search.failed && !(search.listed && search.resolving == 0) && std::chrono::steady_clock::now() < deadline) {
    if (avahi_simple_poll_iterate(poll.get(), kTurnMilliseconds) != 0) break;  // quit or a poll error
  }
  // Resolvers still waiting are freed with the client.
  avahi_service_browser_free(browser);
  result.adverts = std::move(search.adverts);
  result.problem = search.problem;
  return result;
}

}  // namespace velkor::node

#include "MdnsAdvertiser.h"

#include <arpa/inet.h>
#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/domain.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>
#include <ifaddrs.h>
#include <net/if.h>

#include <boost/asio/ip/address.hpp>
#include <cstdio>
#include <optional>

namespace velkor::node {
namespace {

constexpr const char* kNodeService = "_nmos-node._tcp";
constexpr const char* kFallbackName = "velkor-node";

// The interface that holds `address`; nullopt when none does.
std::optional<int> interfaceOf(const boost::asio::ip::address& address) {
  ifaddrs* all = nullptr;
  if (getifaddrs(&all) != 0) return std::nullopt;
  std::optional<int> found;
  for (ifaddrs* entry = all; entry != nullptr && !found; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr) continue;
    char text[INET6_ADDRSTRLEN] = {};
    const int family = entry->ifa_addr->sa_family;
    const void* raw = family == AF_INET    ? static_cast<const void*>(&reinterpret_cast<sockaddr_in*>(entry->ifa_addr)->sin_addr)
                      : family == AF_INET6 ? static_cast<const void*>(&reinterpret_cast<sockaddr_in6*>(entry->ifa_addr)->sin6_addr)
                                           : nullptr;
    if (raw == nullptr || inet_ntop(family, raw, text, sizeof text) == nullptr) continue;
    boost::system::error_code error;
    if (boost::asio::ip::make_address(text, error) == address && !error)
      found = static_cast<int>(if_nametoindex(entry->ifa_name));
  }
  freeifaddrs(all);
  if (found && *found == 0) return std::nullopt;
  return found;
}

AvahiStringList* stringListOf(const std::vector<std::string>& txt) {
  AvahiStringList* list = nullptr;
  // Avahi puts each new string first: add them last to first to keep their order.
  for (auto it = txt.rbegin(); it != txt.rend(); ++it) list = avahi_string_list_add(list, it->c_str());
  return list;
}

}  // namespace

struct MdnsAdvertiser::State {
  struct Endpoint {
    int interfaceIndex;  // AVAHI_IF_UNSPEC for an address that means every address
    unsigned short port;
  };

  std::string name;
  std::optional<Endpoint> endpoint;  // none: no address peers can reach
  // Made through the client last told of; null once that client is gone, which takes
  // its groups with it.
  AvahiEntryGroup* group = nullptr;
  bool wanted = false;
  bool committed = false;
  std::vector<std::string> txt;
  std::string lastNote;

  void onClient(const AvahiContext& now) {
    if (now.client == nullptr) {
      group = nullptr;
      committed = false;
      // No poll: the loop has ended, which is no trouble to report.
      if (now.poll != nullptr) note(std::string("mDNS advertisement impossible: ") + avahi_strerror(now.error));
      return;
    }
    switch (avahi_client_get_state(now.client)) {
      case AVAHI_CLIENT_S_RUNNING:
      case AVAHI_CLIENT_CONNECTING:
        apply(now.client);
        break;
      case AVAHI_CLIENT_S_COLLISION:
      case AVAHI_CLIENT_S_REGISTERING:
        // The host name is being settled: what was published goes, and is put up again
        // once the daemon is running.
        if (group != nullptr) avahi_entry_group_reset(group);
        committed = false;
        break;
      case AVAHI_CLIENT_FAILURE:
        if (avahi_client_errno(now.client) == AVAHI_ERR_DISCONNECTED) {
          // The loop waits for the next daemon with a new client.
          note("avahi-daemon went away; the node advertises itself again when it is back");
          group = nullptr;
          committed = false;
        } else {
          note(std::string("mDNS advertisement failed: ") + avahi_strerror(avahi_client_errno(now.client)));
        }
        break;
    }
  }

  static void onGroup(AvahiEntryGroup* group, AvahiEntryGroupState state, void* context) {
    auto* self = static_cast<State*>(context);
    if (state == AVAHI_ENTRY_GROUP_COLLISION) {
      // Another service has this name: take Avahi's next one ("name #2") and publish again.
      char* next = avahi_alternative_service_name(self->name.c_str());
      if (next != nullptr) {
        self->note("mDNS name \"" + self->name + "\" is taken; advertising as \"" + next + "\"");
        self->name = next;
        avahi_free(next);
      }
      avahi_entry_group_reset(group);
      self->committed = false;
      self->apply(avahi_entry_group_get_client(group));
    } else if (state == AVAHI_ENTRY_GROUP_FAILURE) {
      self->note(std::string("mDNS advertisement failed: ") +
                 avahi_strerror(avahi_client_errno(avahi_entry_group_get_client(group))));
    }
  }

  // The group as wanted.
  void apply(AvahiClient* client) {
    if (avahi_client_get_state(client) != AVAHI_CLIENT_S_RUNNING) {
      if (wanted && avahi_client_get_state(client) == AVAHI_CLIENT_CONNECTING)
        note("avahi-daemon is not running; the node advertises itself once it is");
      return;
    }
    if (!wanted) {
      if (group != nullptr && committed) avahi_entry_group_reset(group);
      committed = false;
      return;
    }
    if (committed) return;
    if (!endpoint) {
      note("not advertised by mDNS: the Node API listens on no address peers can reach");
      return;
    }
    addServices(client);
  }

  void addServices(AvahiClient* client) {
    if (group == nullptr) group = avahi_entry_group_new(client, onGroup, this);
    if (group == nullptr) {
      note(std::string("mDNS advertisement impossible: ") + avahi_strerror(avahi_client_errno(client)));
      return;
    }
    AvahiStringList* list = stringListOf(txt);
    int result = avahi_entry_group_add_service_strlst(group, endpoint->interfaceIndex, AVAHI_PROTO_UNSPEC,
                                                      AvahiPublishFlags(0), name.c_str(), kNodeService, nullptr,
                                                      nullptr, endpoint->port, list);
    avahi_string_list_free(list);
    if (result == AVAHI_ERR_COLLISION) {
      // A service of ours on this host has the name already: the same as a collision on the link.
      return onGroup(group, AVAHI_ENTRY_GROUP_COLLISION, this);
    }
    if (result < 0 || (result = avahi_entry_group_commit(group)) < 0) {
      note(std::string("mDNS advertisement refused: ") + avahi_strerror(result));
      avahi_entry_group_reset(group);
      return;
    }
    committed = true;
    note("advertising the node by mDNS as \"" + name + "\"");
  }

  void updateTxt() {
    if (!committed || group == nullptr) return;
    AvahiStringList* list = stringListOf(txt);
    if (avahi_entry_group_update_service_txt_strlst(group, endpoint->interfaceIndex, AVAHI_PROTO_UNSPEC,
                                                    AvahiPublishFlags(0), name.c_str(), kNodeService, nullptr, list) < 0)
      note(std::string("mDNS advertisement not updated: ") +
           avahi_strerror(avahi_client_errno(avahi_entry_group_get_client(group))));
    avahi_string_list_free(list);
  }

  void note(const std::string& line) {
    // Once per change: a daemon that stays away is said once, not at every browse.
    if (line == lastNote) return;
    lastNote = line;
    std::fprintf(stderr, "velkor-node: %s\n", line.c_str());
  }
};

MdnsAdvertiser::MdnsAdvertiser(AvahiLoop& loop, std::string name,
                               const std::vector<std::pair<std::string, unsigned short>>& listening)
    : loop_(loop), state_(std::make_shared<State>()) {
  state_->name = avahi_is_valid_service_name(name.c_str()) ? std::move(name) : kFallbackName;
  // One service: a second one of the same name on the same link would collide with the
  // first. The first address peers can reach is the one they are given.
  for (const auto& [text, port] : listening) {
    boost::system::error_code error;
    const auto address = boost::asio::ip::make_address(text, error);
    if (error || address.is_loopback()) continue;
    // Advertised only on the link that holds the address: peers elsewhere could not reach it.
    const std::optional<int> interface = address.is_unspecified() ? std::optional<int>(AVAHI_IF_UNSPEC) : interfaceOf(address);
    if (!interface) continue;
    state_->endpoint = State::Endpoint{*interface, port};
    break;
  }
  loop_.watch([state = state_](const AvahiContext& now) { state->onClient(now); });
}

MdnsAdvertiser::~MdnsAdvertiser() { advertise(false); }

void MdnsAdvertiser::advertise(bool wanted) {
  loop_.post([state = state_, wanted](const AvahiContext& now) {
    if (wanted == state->wanted) return;
    state->wanted = wanted;
    if (now.client != nullptr) state->apply(now.client);
  });
}

void MdnsAdvertiser::setTxt(std::vector<std::string> txt) {
  loop_.post([state = state_, txt = std::move(txt)](const AvahiContext&) {
    state->txt = txt;
    state->updateTxt();
  });
}

}  // namespace velkor::node

#include "MdnsAdvertiser.h"

#include <arpa/inet.h>
#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/domain.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>
#include <avahi-common/thread-watch.h>
#include <ifaddrs.h>
#include <net/if.h>

#include <boost/asio/ip/address.hpp>
#include <cstdio>

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

MdnsAdvertiser::MdnsAdvertiser(std::string name, const std::vector<std::pair<std::string, unsigned short>>& listening)
    : name_(avahi_is_valid_service_name(name.c_str()) ? std::move(name) : kFallbackName) {
  // One service: a second one of the same name on the same link would collide with the
  // first. The first address peers can reach is the one they are given.
  for (const auto& [text, port] : listening) {
    boost::system::error_code error;
    const auto address = boost::asio::ip::make_address(text, error);
    if (error || address.is_loopback()) continue;
    // Advertised only on the link that holds the address: peers elsewhere could not reach it.
    const std::optional<int> interface = address.is_unspecified() ? std::optional<int>(AVAHI_IF_UNSPEC) : interfaceOf(address);
    if (!interface) continue;
    endpoint_ = Endpoint{*interface, port};
    break;
  }
  poll_ = avahi_threaded_poll_new();
  if (poll_ == nullptr) {
    note("mDNS advertisement impossible: out of memory");
    return;
  }
  connect();
  if (avahi_threaded_poll_start(poll_) < 0) note("mDNS advertisement impossible: its thread did not start");
}

MdnsAdvertiser::~MdnsAdvertiser() {
  if (poll_ == nullptr) return;
  avahi_threaded_poll_stop(poll_);
  // Freeing the client withdraws what it published: the daemon says goodbye for it.
  if (client_ != nullptr) avahi_client_free(client_);
  avahi_threaded_poll_free(poll_);
}

void MdnsAdvertiser::connect() {
  int error = 0;
  group_ = nullptr;
  committed_ = false;
  // AVAHI_CLIENT_NO_FAIL: without a daemon the client waits for one rather than failing.
  client_ = avahi_client_new(avahi_threaded_poll_get(poll_), AVAHI_CLIENT_NO_FAIL, onClient, this, &error);
  if (client_ == nullptr) note(std::string("mDNS advertisement impossible: ") + avahi_strerror(error));
}

void MdnsAdvertiser::advertise(bool wanted) {
  if (poll_ == nullptr) return;
  avahi_threaded_poll_lock(poll_);
  if (wanted != wanted_) {
    wanted_ = wanted;
    if (client_ != nullptr) apply(client_);
  }
  avahi_threaded_poll_unlock(poll_);
}

void MdnsAdvertiser::setTxt(std::vector<std::string> txt) {
  if (poll_ == nullptr) return;
  avahi_threaded_poll_lock(poll_);
  txt_ = std::move(txt);
  if (committed_ && group_ != nullptr) {
    AvahiStringList* list = stringListOf(txt_);
    if (avahi_entry_group_update_service_txt_strlst(group_, endpoint_->interfaceIndex, AVAHI_PROTO_UNSPEC,
                                                    AvahiPublishFlags(0), name_.c_str(), kNodeService, nullptr, list) < 0)
      note(std::string("mDNS advertisement not updated: ") + avahi_strerror(avahi_client_errno(client_)));
    avahi_string_list_free(list);
  }
  avahi_threaded_poll_unlock(poll_);
}

void MdnsAdvertiser::onClient(AvahiClient* client, AvahiClientState state, void* context) {
  auto* self = static_cast<MdnsAdvertiser*>(context);
  switch (state) {
    case AVAHI_CLIENT_S_RUNNING:
      self->apply(client);
      break;
    case AVAHI_CLIENT_S_COLLISION:
    case AVAHI_CLIENT_S_REGISTERING:
      // The host name is being settled: what was published goes, and is put up again
      // once the daemon is running.
      if (self->group_ != nullptr) avahi_entry_group_reset(self->group_);
      self->committed_ = false;
      break;
    case AVAHI_CLIENT_FAILURE:
      if (avahi_client_errno(client) == AVAHI_ERR_DISCONNECTED) {
        // The daemon went away: wait for the next one with a new client.
        self->note("avahi-daemon went away; the node advertises itself again when it is back");
        avahi_client_free(client);
        self->connect();
      } else {
        self->note(std::string("mDNS advertisement failed: ") + avahi_strerror(avahi_client_errno(client)));
      }
      break;
    case AVAHI_CLIENT_CONNECTING:
      self->apply(client);
      break;
    default:
      break;
  }
}

void MdnsAdvertiser::onGroup(AvahiEntryGroup* group, AvahiEntryGroupState state, void* context) {
  auto* self = static_cast<MdnsAdvertiser*>(context);
  if (state == AVAHI_ENTRY_GROUP_COLLISION) {
    // Another service has this name: take Avahi's next one ("name #2") and publish again.
    char* next = avahi_alternative_service_name(self->name_.c_str());
    if (next != nullptr) {
      self->note("mDNS name \"" + self->name_ + "\" is taken; advertising as \"" + next + "\"");
      self->name_ = next;
      avahi_free(next);
    }
    avahi_entry_group_reset(group);
    self->committed_ = false;
    self->apply(avahi_entry_group_get_client(group));
  } else if (state == AVAHI_ENTRY_GROUP_FAILURE) {
    self->note(std::string("mDNS advertisement failed: ") +
               avahi_strerror(avahi_client_errno(avahi_entry_group_get_client(group))));
  }
}

void MdnsAdvertiser::apply(AvahiClient* client) {
  if (avahi_client_get_state(client) != AVAHI_CLIENT_S_RUNNING) {
    if (wanted_ && avahi_client_get_state(client) == AVAHI_CLIENT_CONNECTING)
      note("avahi-daemon is not running; the node advertises itself once it is");
    return;
  }
  if (!wanted_) {
    if (group_ != nullptr && committed_) avahi_entry_group_reset(group_);
    committed_ = false;
    return;
  }
  if (committed_) return;
  if (!endpoint_) {
    note("not advertised by mDNS: the Node API listens on no address peers can reach");
    return;
  }
  addServices(client);
}

void MdnsAdvertiser::addServices(AvahiClient* client) {
  if (group_ == nullptr) group_ = avahi_entry_group_new(client, onGroup, this);
  if (group_ == nullptr) {
    note(std::string("mDNS advertisement impossible: ") + avahi_strerror(avahi_client_errno(client)));
    return;
  }
  AvahiStringList* list = stringListOf(txt_);
  int result = avahi_entry_group_add_service_strlst(group_, endpoint_->interfaceIndex, AVAHI_PROTO_UNSPEC,
                                                    AvahiPublishFlags(0), name_.c_str(), kNodeService, nullptr,
                                                    nullptr, endpoint_->port, list);
  avahi_string_list_free(list);
  if (result == AVAHI_ERR_COLLISION) {
    // A service of ours on this host has the name already: the same as a collision on the link.
    return onGroup(group_, AVAHI_ENTRY_GROUP_COLLISION, this);
  }
  if (result < 0 || (result = avahi_entry_group_commit(group_)) < 0) {
    note(std::string("mDNS advertisement refused: ") + avahi_strerror(result));
    avahi_entry_group_reset(group_);
    return;
  }
  committed_ = true;
  note("advertising the node by mDNS as \"" + name_ + "\"");
}

void MdnsAdvertiser::note(const std::string& line) {
  // Once per change: a daemon that stays away is said once, not at every browse.
  if (line == lastNote_) return;
  lastNote_ = line;
  std::fprintf(stderr, "velkor-node: %s\n", line.c_str());
}

}  // namespace velkor::node

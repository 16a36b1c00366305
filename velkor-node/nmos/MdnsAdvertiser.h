#pragma once
// The node's own `_nmos-node._tcp` advertisement through the host's avahi-daemon, for
// peers when there is no registry: put up and withdrawn on request, its TXT changed in
// place, renamed when another service already has the name, and put up again when the
// daemon comes (back). Avahi's event loop runs on a thread of its own; the methods may be
// called from any one other thread.

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/thread-watch.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velkor::node {

class MdnsAdvertiser {
 public:
  // `name`: the service instance name peers see. `listening`: the addresses and ports the
  // Node API listens on; the first that is not loopback is advertised.
  MdnsAdvertiser(std::string name, const std::vector<std::pair<std::string, unsigned short>>& listening);
  ~MdnsAdvertiser();
  MdnsAdvertiser(const MdnsAdvertiser&) = delete;
  MdnsAdvertiser& operator=(const MdnsAdvertiser&) = delete;

  void advertise(bool wanted);
  void setTxt(std::vector<std::string> txt);

 private:
  struct Endpoint {
    int interfaceIndex;  // AVAHI_IF_UNSPEC for an address that means every address
    unsigned short port;
  };
  static void onClient(AvahiClient* client, AvahiClientState state, void* self);
  static void onGroup(AvahiEntryGroup* group, AvahiEntryGroupState state, void* self);
  void connect();
  // The group as wanted; on Avahi's thread or with its lock held.
  void apply(AvahiClient* client);
  void addServices(AvahiClient* client);
  void note(const std::string& line);

  std::string name_;
  std::optional<Endpoint> endpoint_;  // none: no address peers can reach
  AvahiThreadedPoll* poll_ = nullptr;
  AvahiClient* client_ = nullptr;
  AvahiEntryGroup* group_ = nullptr;
  bool wanted_ = false;
  bool committed_ = false;
  std::vector<std::string> txt_;
  std::string lastNote_;
};

}  // namespace velkor::node

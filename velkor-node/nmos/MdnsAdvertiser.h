#pragma once
// The node's own `_nmos-node._tcp` advertisement through the host's avahi-daemon, for
// peers when there is no registry: put up and withdrawn on request, its TXT changed in
// place, renamed when another service already has the name, and put up again when the
// daemon comes (back). Every Avahi call runs on the node's Avahi loop: the methods hand
// it what is wanted and return at once, whatever the daemon does; they may be called
// from any one other thread.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "AvahiLoop.h"

namespace velkor::node {

class MdnsAdvertiser {
 public:
  // `name`: the service instance name peers see. `listening`: the addresses and ports the
  // Node API listens on; the first that is not loopback is advertised.
  MdnsAdvertiser(AvahiLoop& loop, std::string name,
                 const std::vector<std::pair<std::string, unsigned short>>& listening);
  // Withdraws the advertisement.
  ~MdnsAdvertiser();
  MdnsAdvertiser(const MdnsAdvertiser&) = delete;
  MdnsAdvertiser& operator=(const MdnsAdvertiser&) = delete;

  void advertise(bool wanted);
  void setTxt(std::vector<std::string> txt);

 private:
  struct State;  // the advertisement as it stands, on the loop's thread

  AvahiLoop& loop_;
  std::shared_ptr<State> state_;
};

}  // namespace velkor::node

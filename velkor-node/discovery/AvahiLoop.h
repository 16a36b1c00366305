#pragma once
// The node's one client of avahi-daemon, on a thread of its own. Every Avahi call is a
// D-Bus round trip, and D-Bus waits up to 25 s for an answer: when the daemon hangs, or
// the system bus starts it on demand and it never comes up, a call stalls that long.
// Made here, such a stall holds up mDNS alone, never the converters, the Node API or
// registration. Work comes as tasks, which the caller never waits for.
//
// The client is made with AVAHI_CLIENT_NO_FAIL, so it waits for a daemon that is not
// there; one that goes away is replaced by a new client, and a system bus that cannot be
// reached is tried again every few seconds.

#include <avahi-client/client.h>
#include <avahi-common/watch.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace velkor::node {

// What a task or a watch is given, on the loop's thread.
struct AvahiContext {
  const AvahiPoll* poll;  // for timers, and clients of one's own; null once the loop has ended
  AvahiClient* client;    // the node's client; null while there is none (no system bus)
  int error;              // why there is none (an AVAHI_ERR_* code)
};

class AvahiLoop {
 public:
  using Note = std::function<void(const std::string&)>;
  using Task = std::function<void(const AvahiContext&)>;

  explicit AvahiLoop(Note note);
  // Ends the thread. A thread held up in a call the daemon does not answer is waited for
  // only briefly, then left to end with the process.
  ~AvahiLoop();
  AvahiLoop(const AvahiLoop&) = delete;
  AvahiLoop& operator=(const AvahiLoop&) = delete;

  // Runs `task` on the loop's thread, in the order posted; every task runs once. Once
  // the loop has ended (or never started) it runs at once, here, with no client.
  void post(Task task);
  // `watch` is told of the client as it is now, then of every change of its state (and
  // of a client that could not be made, or is gone, as no client).
  void watch(Task watch);

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace velkor::node

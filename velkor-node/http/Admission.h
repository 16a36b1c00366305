#pragma once
// Who holds the server's connections: a cap on all of them and on those from one address,
// and at the cap a newcomer in place of the connection that has waited longest for a
// complete request. Slow or idle clients hold the server only until somebody else needs
// it, while a client that has just been let in keeps its place long enough to ask.

#include <boost/asio/ip/address.hpp>
#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

#include "ServerLimits.h"

namespace velkor::node::http {

class Admission {
 public:
  using Clock = std::chrono::steady_clock;
  using Address = boost::asio::ip::address;

  // A connection let in, which can be closed to make room for one from `newcomer`.
  class Member {
   public:
    virtual void replace(const Address& newcomer) = 0;

   protected:
    ~Member() = default;
  };

  enum class Verdict { Admitted, AddressLimit, ConnectionLimit };
  struct Decision {
    Verdict verdict;
    // With Admitted: the connection to close first, or null when there is room.
    Member* replaced = nullptr;
  };

  explicit Admission(const ServerLimits& limits) : limits_(limits) {}

  Decision decide(const Address& address, Clock::time_point now) const;

  // A connection let in now; it waits for its first request from now.
  void enter(Member& member, const Address& address, Clock::time_point now);
  // It has a complete request and waits for the server's answer: it keeps its place.
  void answering(Member& member);
  // Answered: it waits for its next request from `now`.
  void waiting(Member& member, Clock::time_point now);
  // Closed or handed on; nothing if it had already gone.
  void leave(const Member& member);

  std::size_t size() const { return members_.size(); }

 private:
  struct Entry {
    Member* member;
    Address address;
    std::optional<Clock::time_point> waitingSince;  // empty while it is being answered
  };
  std::vector<Entry>::iterator find(const Member& member);

  ServerLimits limits_;
  std::vector<Entry> members_;
};

}  // namespace velkor::node::http

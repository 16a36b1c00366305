#pragma once
// What the node's HTTP server allows a client: how much it may send, how long it may take,
// and how many connections it may hold. The defaults are sized for a node that answers a
// handful of controllers, a registry's tool and a scraper on a LAN, so that a few slow or
// idle clients can neither hold the server nor keep a newcomer out for long.

#include <chrono>
#include <cstddef>

namespace velkor::node::http {

struct ServerLimits {
  // The largest request header and body: the Node API's requests are a line and a few
  // fields, and nothing the node takes has a body larger than a small JSON document.
  std::size_t headerBytes = 8 * 1024;
  std::size_t bodyBytes = 64 * 1024;

  // A connection waiting for its next request (or its first) that sends nothing this long
  // is closed: long enough for a controller's or a scraper's keep-alive between requests.
  std::chrono::milliseconds idle{30'000};
  // Once a request's first byte has arrived, the whole request (header and body) must be
  // in by then: a LAN client sends one in milliseconds, and a client that dribbles its
  // header holds its connection this long at most instead of the idle limit.
  std::chrono::milliseconds requestDeadline{5'000};
  // An answer must be taken by the client within this: a client that asks and does not
  // read holds its connection no longer.
  std::chrono::milliseconds answerDeadline{5'000};
  // A TLS client that has not finished its handshake by then is closed.
  std::chrono::milliseconds handshake{10'000};

  // Connections at once; WebSocket connections, once handed on, are not counted here.
  std::size_t connections = 64;
  // Connections at once from one address: a quarter of the whole, so that one host,
  // however slow its clients, leaves room for the others.
  std::size_t connectionsPerAddress = 16;
  // At the cap a newcomer takes the place of the connection that has waited longest for
  // a complete request, if it has waited this long: long enough for any client that
  // connects to send its request, so that one newcomer never pushes out another.
  std::chrono::milliseconds replaceAfter{1'000};
  // After the system refuses an accept (out of descriptors, say), the next is tried this
  // much later instead of at once and in a loop.
  std::chrono::milliseconds acceptRetry{100};
};

}  // namespace velkor::node::http

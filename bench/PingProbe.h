#pragma once
// Plays the window manager's part of _NET_WM_PING against one of our windows: sends a
// ping, waits for the window's answer on the root window, sends the next one, on a
// thread and an X connection of its own. A desktop calls a window "not responding" when
// these answers stop coming; the longest wait is what an operator's desktop would see.

#include <atomic>
#include <cstdint>
#include <thread>

struct xcb_connection_t;

namespace velkor::bench {

class PingProbe {
 public:
  // `window`: the X window id of a top-level window shown on $DISPLAY.
  explicit PingProbe(std::uint32_t window);
  ~PingProbe();
  PingProbe(const PingProbe&) = delete;
  PingProbe& operator=(const PingProbe&) = delete;

  bool connected() const { return connection_ != nullptr; }
  // Pings from now until stop(); the longest wait for an answer, in seconds, counting a
  // ping still unanswered when stopped.
  void start();
  double stop();

 private:
  void run();
  bool ping(std::uint32_t stamp);
  double awaitAnswer(std::uint32_t stamp);

  xcb_connection_t* connection_ = nullptr;
  std::uint32_t window_;
  std::uint32_t root_ = 0;
  std::uint32_t protocolsAtom_ = 0;
  std::uint32_t pingAtom_ = 0;
  std::atomic<bool> running_{false};
  double longest_ = 0;
  std::thread thread_;
};

}  // namespace velkor::bench

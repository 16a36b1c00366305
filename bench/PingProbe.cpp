#include "PingProbe.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace velkor::bench {
namespace {

using Clock = std::chrono::steady_clock;

// The window manager's wait between one answer and the next ping.
constexpr std::chrono::milliseconds kPingGap{1};
// Longer than any stall worth measuring: a window silent this long has hung.
constexpr std::chrono::seconds kGiveUp{10};
// An X event's type with the "sent by a client" bit cleared.
constexpr std::uint8_t kEventTypeMask = 0x7f;

std::uint32_t internAtom(xcb_connection_t* connection, std::string_view name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data());
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  if (reply == nullptr) return 0;
  const std::uint32_t atom = reply->atom;
  std::free(reply);
  return atom;
}

double seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

}  // namespace

PingProbe::PingProbe(std::uint32_t window) : window_(window) {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection) != 0) {
    xcb_disconnect(connection);
    return;
  }
  connection_ = connection;
  root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
  protocolsAtom_ = internAtom(connection_, "WM_PROTOCOLS");
  pingAtom_ = internAtom(connection_, "_NET_WM_PING");
  // The window answers a ping by sending it to the root window, to whoever listens
  // there for the root's structure changes (or redirects its children's, which only
  // the window manager may).
  const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(connection_);
}

PingProbe::~PingProbe() {
  if (running_) stop();
  if (connection_ != nullptr) xcb_disconnect(connection_);
}

void PingProbe::start() {
  longest_ = 0;
  running_ = true;
  thread_ = std::thread([this] { run(); });
}

double PingProbe::stop() {
  running_ = false;
  if (thread_.joinable()) thread_.join();
  return longest_;
}

void PingProbe::run() {
  for (std::uint32_t stamp = 1; running_; ++stamp) {
    if (!ping(stamp)) return;
    longest_ = std::max(longest_, awaitAnswer(stamp));
    std::this_thread::sleep_for(kPingGap);
  }
}

bool PingProbe::ping(std::uint32_t stamp) {
  xcb_client_message_event_t message;
  std::memset(&message, 0, sizeof message);
  static_assert(sizeof message == 32, "an X event is 32 bytes on the wire");
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window_;
  message.type = protocolsAtom_;
  message.data.data32[0] = pingAtom_;
  message.data.data32[1] = stamp;  // the answer carries it back
  message.data.data32[2] = window_;
  xcb_send_event(connection_, 0, window_, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
  return xcb_flush(connection_) > 0;
}

// Until the answer with `stamp` arrives, the probe is stopped (the wait so far counts),
// or the connection fails.
double PingProbe::awaitAnswer(std::uint32_t stamp) {
  const Clock::time_point sent = Clock::now();
  pollfd descriptor{xcb_get_file_descriptor(connection_), POLLIN, 0};
  while (Clock::now() - sent < kGiveUp) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
      bool answered = false;
      if ((event->response_type & kEventTypeMask) == XCB_CLIENT_MESSAGE) {
        const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
        answered = message->window == root_ && message->data.data32[0] == pingAtom_ &&
                   message->data.data32[1] == stamp;
      }
      std::free(event);
      if (answered) return seconds(Clock::now() - sent);
    }
    if (xcb_connection_has_error(connection_) != 0) break;
    if (!running_) break;
    if (poll(&descriptor, 1, 1) < 0) break;
  }
  return seconds(Clock::now() - sent);
}

}  // namespace velkor::bench

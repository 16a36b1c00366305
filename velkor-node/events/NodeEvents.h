#pragma once
// What the node refused or dropped, and why: counted by kind and cause for /metrics, and
// told to the log at most once a minute for each cause, however many clients cause it,
// so that a flood never becomes a flood of log lines and an operator still hears of it.
// Lives on the network thread, like everything that records into it.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace velkor::node::events {

enum class Kind {
  ConnectionRefused,     // cause: the rule that turned it away at the door
  ConnectionDropped,     // cause: the limit it outlasted
  RequestRefused,        // cause: the HTTP status it was answered with
  ControllerDropped,     // cause: why its WebSocket was closed
  AuthorizationRefused,  // cause: what was wrong with its token
};
inline constexpr std::size_t kKinds = 5;

// How a kind is exposed: the metric's name, its label and its help text.
struct KindExposition {
  const char* metric;
  const char* label;
  const char* help;
};
const KindExposition& expositionOf(Kind kind);

class NodeEvents {
 public:
  using Note = std::function<void(const std::string&)>;
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  static constexpr std::chrono::seconds kLogInterval{60};

  explicit NodeEvents(Note note, Clock clock = [] { return std::chrono::steady_clock::now(); });
  NodeEvents(const NodeEvents&) = delete;
  NodeEvents& operator=(const NodeEvents&) = delete;

  // One event, counted under its kind and cause. `line` goes to the log unless the same
  // cause was logged less than a minute ago; those held back are told with the next line
  // of that cause.
  void record(Kind kind, std::string_view cause, const std::string& line);
  // Counted only, for events whose cause is logged elsewhere.
  void count(Kind kind, std::string_view cause);

  std::uint64_t countOf(Kind kind, std::string_view cause) const;
  // Each kind's counts by cause, causes in order.
  using Counts = std::map<std::string, std::uint64_t, std::less<>>;
  const Counts& counts(Kind kind) const { return counts_[static_cast<std::size_t>(kind)]; }

 private:
  struct LogState {
    std::chrono::steady_clock::time_point last;
    std::uint64_t heldBack = 0;
  };

  Note note_;
  Clock clock_;
  std::array<Counts, kKinds> counts_;
  std::array<std::map<std::string, LogState, std::less<>>, kKinds> logged_;
};

}  // namespace velkor::node::events

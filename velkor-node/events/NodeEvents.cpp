#include "NodeEvents.h"

namespace velkor::node::events {

const KindExposition& expositionOf(Kind kind) {
  static constexpr std::array<KindExposition, kKinds> kExpositions{{
      {"velkor_node_connections_refused_total", "reason", "Connections closed as soon as accepted, by the rule that refused them."},
      {"velkor_node_connections_dropped_total", "reason", "Connections closed by the node, by the limit they outlasted."},
      {"velkor_node_requests_refused_total", "status", "Requests answered with an error, by HTTP status."},
      {"velkor_node_controllers_dropped_total", "reason", "IS-12 controllers whose connection the node closed, by reason."},
      {"velkor_node_authorization_refusals_total", "reason", "Requests refused for authorization, by reason."},
  }};
  return kExpositions[static_cast<std::size_t>(kind)];
}

NodeEvents::NodeEvents(Note note, Clock clock) : note_(std::move(note)), clock_(std::move(clock)) {}

void NodeEvents::count(Kind kind, std::string_view cause) {
  Counts& counts = counts_[static_cast<std::size_t>(kind)];
  auto found = counts.find(cause);
  if (found == counts.end()) found = counts.emplace(std::string(cause), 0).first;
  ++found->second;
}

void NodeEvents::record(Kind kind, std::string_view cause, const std::string& line) {
  count(kind, cause);
  const auto now = clock_();
  auto& logged = logged_[static_cast<std::size_t>(kind)];
  auto found = logged.find(cause);
  if (found == logged.end()) {
    logged.emplace(std::string(cause), LogState{now, 0});
    if (note_) note_(line);
    return;
  }
  LogState& state = found->second;
  if (now - state.last < kLogInterval) {
    ++state.heldBack;
    return;
  }
  std::string text = line;
  if (state.heldBack > 0)
    text += " (and " + std::to_string(state.heldBack) + " more like it since the last such line)";
  state = {now, 0};
  if (note_) note_(text);
}

std::uint64_t NodeEvents::countOf(Kind kind, std::string_view cause) const {
  const Counts& counts = counts_[static_cast<std::size_t>(kind)];
  const auto found = counts.find(cause);
  return found == counts.end() ? 0 : found->second;
}

}  // namespace velkor::node::events

#include "Admission.h"

#include <algorithm>

namespace velkor::node::http {

Admission::Decision Admission::decide(const Address& address, Clock::time_point now) const {
  const auto fromAddress =
      std::count_if(members_.begin(), members_.end(), [&](const Entry& entry) { return entry.address == address; });
  if (static_cast<std::size_t>(fromAddress) >= limits_.connectionsPerAddress) return {Verdict::AddressLimit};
  if (members_.size() < limits_.connections) return {Verdict::Admitted};

  const Entry* longest = nullptr;
  for (const Entry& entry : members_) {
    if (!entry.waitingSince) continue;
    if (!longest || *entry.waitingSince < *longest->waitingSince) longest = &entry;
  }
  if (!longest || now - *longest->waitingSince < limits_.replaceAfter) return {Verdict::ConnectionLimit};
  return {Verdict::Admitted, longest->member};
}

void Admission::enter(Member& member, const Address& address, Clock::time_point now) {
  members_.push_back({&member, address, now});
}

void Admission::answering(Member& member) {
  if (const auto entry = find(member); entry != members_.end()) entry->waitingSince.reset();
}

void Admission::waiting(Member& member, Clock::time_point now) {
  if (const auto entry = find(member); entry != members_.end()) entry->waitingSince = now;
}

void Admission::leave(const Member& member) {
  if (const auto entry = find(member); entry != members_.end()) members_.erase(entry);
}

std::vector<Admission::Entry>::iterator Admission::find(const Member& member) {
  return std::find_if(members_.begin(), members_.end(), [&](const Entry& entry) { return entry.member == &member; });
}

}  // namespace velkor::node::http

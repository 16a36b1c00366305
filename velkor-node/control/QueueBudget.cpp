#include "QueueBudget.h"

#include <malloc.h>

#include <algorithm>

namespace velkor::node::control {
namespace {

// Trimming walks the heap: worth it once a connection's worth of answers was let go of,
// not for every answer written out or every connection that closes with a few bytes
// queued.
constexpr std::size_t kTrimAfterFreedBytes = 4 * kBytesPerMiB;

}  // namespace

QueueBudget::QueueBudget(boost::asio::any_io_executor executor, std::size_t limitBytes)
    : trim_(std::move(executor)), limit_(limitBytes) {}

void QueueBudget::join(Member& member) { members_.push_back(&member); }

void QueueBudget::leave(Member& member) {
  const auto found = std::find(members_.begin(), members_.end(), &member);
  if (found == members_.end()) return;
  members_.erase(found);
  release(member.queuedBytes());
}

bool QueueBudget::reserve(Member& member, std::size_t bytes) {
  // An answer larger than the whole budget would not fit were all the others dropped:
  // only its asker goes.
  if (bytes > limit_) {
    evict(member);
    return false;
  }
  while (used_ + bytes > limit_) {
    Member* slowest = &member;
    std::size_t most = member.queuedBytes() + bytes;
    for (Member* other : members_)
      if (other != &member && other->queuedBytes() > most) {
        slowest = other;
        most = other->queuedBytes();
      }
    evict(*slowest);
    if (slowest == &member) return false;
  }
  used_ += bytes;
  peak_ = std::max(peak_, used_);
  return true;
}

void QueueBudget::evict(Member& member) {
  member.dropForBudget();
  // Gone from the budget whatever the member did, so that the loop of reserve() ends.
  leave(member);
}

void QueueBudget::release(std::size_t bytes) {
  used_ -= std::min(bytes, used_);
  freedSinceTrim_ += bytes;
  if (freedSinceTrim_ >= kTrimAfterFreedBytes) returnFreedHeapSoon();
}

void QueueBudget::returnFreedHeapSoon() {
  if (trimPending_) return;
  trimPending_ = true;
  trim_.expires_after(kHeapTrimDelay);
  trim_.async_wait([this](boost::system::error_code error) {
    if (error) return;  // the budget is going
    trimPending_ = false;
    freedSinceTrim_ = 0;  // what was let go of while it waited goes back too
    // glibc keeps freed memory for the process; this hands its whole free pages back.
    // Its result says only whether there were any.
    malloc_trim(0);
  });
}

}  // namespace velkor::node::control

#pragma once
// The memory every controller of every converter may hold in answers it has not read
// yet, together. Each connection also has a cap of its own, but many connections that
// never read would still add up to far more than the host can spare: once queuing an
// answer would pass the budget, the connections with the most queued (the slowest
// readers, possibly the one asking) are dropped until it fits. One budget for the whole
// node, on the network thread, made before the endpoints and let go after them.
//
// Freed answers stay in the process's heap, ready for reuse, unless given back: once
// enough queued answers were let go of (written out, or dropped with their connection),
// the heap is trimmed a moment later, so that one trim follows a burst and takes in what
// the burst's last work let go of.

#include <chrono>
#include <cstddef>
#include <vector>

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/steady_timer.hpp>

namespace velkor::node::control {

inline constexpr std::size_t kBytesPerMiB = 1024 * 1024;
// What all the node's controllers may leave unread together unless configured otherwise.
inline constexpr std::size_t kDefaultQueueBudgetMiB = 64;

class QueueBudget {
 public:
  // A connection whose queued answers count against the budget.
  class Member {
   public:
    virtual std::size_t queuedBytes() const = 0;
    // Closes the connection for the budget's sake (and logs why).
    virtual void dropForBudget() = 0;

   protected:
    ~Member() = default;
  };

  // How long after a large release the heap is trimmed.
  static constexpr std::chrono::milliseconds kHeapTrimDelay{500};

  // The heap is trimmed on `executor` (the network thread's).
  QueueBudget(boost::asio::any_io_executor executor, std::size_t limitBytes);
  QueueBudget(const QueueBudget&) = delete;
  QueueBudget& operator=(const QueueBudget&) = delete;

  void join(Member& member);
  // The member is closed: its queued bytes are freed with it.
  void leave(Member& member);
  // Room for `bytes` more answers of `member`'s, made by dropping the members with the
  // most queued (counting `member` with the new bytes) until they fit. False when
  // `member` itself was dropped: it must not queue them.
  bool reserve(Member& member, std::size_t bytes);
  // Bytes a member wrote out.
  void release(std::size_t bytes);

  std::size_t limitBytes() const { return limit_; }
  std::size_t usedBytes() const { return used_; }
  // The most the members ever held together: never above the limit.
  std::size_t peakBytes() const { return peak_; }

 private:
  void evict(Member& member);
  void returnFreedHeapSoon();

  boost::asio::steady_timer trim_;
  std::size_t limit_;
  std::size_t used_ = 0;
  std::size_t peak_ = 0;
  std::size_t freedSinceTrim_ = 0;
  bool trimPending_ = false;
  std::vector<Member*> members_;
};

}  // namespace velkor::node::control

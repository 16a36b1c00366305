#pragma once
// The lock every program shares on one converter: flock(2) on its device node, which
// needs no file or permission beyond the node itself and which the kernel drops when a
// program dies.

#include <chrono>
#include <memory>
#include <string>

#include "../Transport.h"

namespace velkor {

class NodeLock {
 public:
  // Null when the node cannot be opened.
  static std::unique_ptr<NodeLock> open(const std::string& nodePath);
  ~NodeLock();
  NodeLock(const NodeLock&) = delete;
  NodeLock& operator=(const NodeLock&) = delete;

  // Waits at most `limit` for the lock.
  TurnOutcome take(std::chrono::milliseconds limit);
  void release();

 private:
  explicit NodeLock(int fd) : fd_(fd) {}
  // The program holding the node's lock, from the kernel's list of locks.
  std::string holder() const;

  int fd_;
};

}  // namespace velkor

#include "NodeLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

namespace velkor {
namespace {

// Waiting programs look again this often: short against an exchange through the kernel
// (milliseconds), long enough not to spin. flock has no time limit of its own.
constexpr std::chrono::milliseconds kFirstPoll{1};
constexpr std::chrono::milliseconds kLongestPoll{8};

constexpr const char* kKernelLocks = "/proc/locks";

// "velkorctl (process 4711)": the program's name as the kernel keeps it.
std::string programOf(const std::string& pid) {
  std::ifstream comm("/proc/" + pid + "/comm");
  std::string name;
  if (!std::getline(comm, name) || name.empty()) return "process " + pid;
  return name + " (process " + pid + ")";
}

}  // namespace

std::unique_ptr<NodeLock> NodeLock::open(const std::string& nodePath) {
  // Read-only is enough for flock, and opening takes nothing the program's own handle
  // on the node does not already have.
  const int fd = ::open(nodePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return nullptr;
  return std::unique_ptr<NodeLock>(new NodeLock(fd));
}

NodeLock::~NodeLock() { ::close(fd_); }

TurnOutcome NodeLock::take(std::chrono::milliseconds limit) {
  std::optional<std::chrono::steady_clock::time_point> deadline;  // read once the lock is found held
  auto pause = kFirstPoll;
  for (;;) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return {true, {}};
    if (errno != EWOULDBLOCK && errno != EINTR) return {false, std::string("its lock failed: ") + std::strerror(errno)};
    const auto now = std::chrono::steady_clock::now();
    if (!deadline) deadline = now + limit;
    if (now >= *deadline) return {false, holder()};
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, *deadline - now));
    pause = std::min(pause * 2, kLongestPoll);
  }
}

void NodeLock::release() { ::flock(fd_, LOCK_UN); }

std::string NodeLock::holder() const {
  struct stat node {};
  if (::fstat(fd_, &node) != 0) return {};
  // Lines read "1: FLOCK  ADVISORY  WRITE 4711 00:05:1234 0 EOF": the holder's process
  // and the locked file's device (major and minor in hexadecimal) and inode.
  std::ostringstream wanted;
  wanted << std::hex;
  wanted.width(2);
  wanted.fill('0');
  wanted << major(node.st_dev) << ':';
  wanted.width(2);
  wanted << minor(node.st_dev) << ':' << std::dec << node.st_ino;
  std::ifstream locks(kKernelLocks);
  std::string line;
  while (std::getline(locks, line)) {
    std::istringstream fields(line);
    std::string number, kind, advisory, access, pid, file;
    if (!(fields >> number >> kind)) continue;
    if (kind != "FLOCK") continue;  // another kind of lock, or a waiter ("->")
    if (!(fields >> advisory >> access >> pid >> file)) continue;
    if (file == wanted.str()) return programOf(pid);
  }
  return {};
}

}  // namespace velkor

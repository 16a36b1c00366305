#include "AvahiLoop.h"

#include <avahi-common/error.h>
#include <avahi-common/simple-watch.h>
#include <avahi-common/timeval.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

namespace velkor::node {
namespace {

// How long a stop waits for the thread. Freeing the client asks the daemon nothing (the
// daemon withdraws what the client published when its connection closes), so only a
// call that is already stalled takes longer.
constexpr std::chrono::milliseconds kStopLimit{1000};
// How soon a system bus that could not be reached is tried again.
constexpr unsigned kReconnectMilliseconds = 5000;

}  // namespace

struct AvahiLoop::Shared {
  Note note;
  int wake = -1;  // an eventfd: written to hand the thread new tasks or the stop
  AvahiSimplePoll* poll = nullptr;

  std::mutex lock;
  std::condition_variable ended;
  std::deque<Task> tasks;  // under the lock
  bool stopping = false;   // under the lock
  bool done = false;       // under the lock: the thread has ended, or never started

  // The loop's thread alone touches these.
  AvahiClient* client = nullptr;
  int error = AVAHI_OK;
  std::vector<Task> watches;
  AvahiTimeout* retry = nullptr;

  ~Shared() {
    if (poll != nullptr) avahi_simple_poll_free(poll);  // its watches and timeouts with it
    if (wake >= 0) ::close(wake);
  }

  AvahiContext context() const { return {avahi_simple_poll_get(poll), client, error}; }

  void tell() {
    const AvahiContext now = context();
    for (const Task& watch : watches) watch(now);
  }

  void connect() {
    int failure = AVAHI_OK;
    AvahiClient* made = avahi_client_new(avahi_simple_poll_get(poll), AVAHI_CLIENT_NO_FAIL, onClient, this, &failure);
    if (made != nullptr) return;  // the watches heard of it from onClient already
    client = nullptr;
    error = failure;
    tell();
    timeval when{};
    avahi_elapse_time(&when, kReconnectMilliseconds, 0);
    avahi_simple_poll_get(poll)->timeout_update(retry, &when);
  }

  static void onClient(AvahiClient* client, AvahiClientState state, void* context) {
    auto* self = static_cast<Shared*>(context);
    self->client = client;
    self->error = AVAHI_OK;
    self->tell();
    if (state == AVAHI_CLIENT_FAILURE && avahi_client_errno(client) == AVAHI_ERR_DISCONNECTED) {
      // The daemon went away, and what was made through this client with it: a new
      // client waits for the next daemon.
      avahi_client_free(client);
      self->client = nullptr;
      self->connect();
    }
  }

  static void onRetry(AvahiTimeout*, void* context) {
    auto* self = static_cast<Shared*>(context);
    if (self->client == nullptr) self->connect();
  }

  static void onWake(AvahiWatch*, int fd, AvahiWatchEvent, void* context) {
    auto* self = static_cast<Shared*>(context);
    std::uint64_t count = 0;
    // Nonblocking: nothing to read means another turn took the count already.
    if (::read(fd, &count, sizeof count) < 0 && errno != EAGAIN)
      self->note(std::string("mDNS loop: ") + std::strerror(errno));
    std::deque<Task> now;
    bool stop = false;
    {
      const std::lock_guard held(self->lock);
      now.swap(self->tasks);
      stop = self->stopping;
    }
    for (const Task& task : now) task(self->context());
    if (stop) avahi_simple_poll_quit(self->poll);
  }

  void run() {
    const AvahiPoll* api = avahi_simple_poll_get(poll);
    retry = api->timeout_new(api, nullptr, onRetry, this);
    if (retry == nullptr || api->watch_new(api, wake, AVAHI_WATCH_IN, onWake, this) == nullptr) {
      note("mDNS impossible: out of memory");
    } else {
      connect();
      while (avahi_simple_poll_iterate(poll, -1) == 0) {
      }
    }
    // Stopped: what the client published goes with it.
    if (client != nullptr) avahi_client_free(client);
    client = nullptr;
    const AvahiContext none{nullptr, nullptr, AVAHI_OK};
    for (const Task& watch : watches) watch(none);
    std::deque<Task> left;
    {
      const std::lock_guard held(lock);
      done = true;
      left.swap(tasks);
    }
    for (const Task& task : left) task(none);
    const std::lock_guard held(lock);
    ended.notify_all();
  }

  void wakeUp() const {
    const std::uint64_t one = 1;
    // Only a counter at its limit refuses, and a thread that far behind wakes anyway.
    if (::write(wake, &one, sizeof one) < 0 && errno != EAGAIN) note(std::string("mDNS loop: ") + std::strerror(errno));
  }
};

AvahiLoop::AvahiLoop(Note note) : shared_(std::make_shared<Shared>()) {
  shared_->note = std::move(note);
  shared_->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (shared_->wake >= 0) shared_->poll = avahi_simple_poll_new();
  if (shared_->poll == nullptr) {
    shared_->note(std::string("mDNS impossible: ") +
                  (shared_->wake < 0 ? std::strerror(errno) : avahi_strerror(AVAHI_ERR_NO_MEMORY)));
    shared_->done = true;
    return;
  }
  thread_ = std::thread([shared = shared_] { shared->run(); });
}

AvahiLoop::~AvahiLoop() {
  if (!thread_.joinable()) return;
  std::unique_lock held(shared_->lock);
  shared_->stopping = true;
  shared_->wakeUp();
  if (shared_->ended.wait_for(held, kStopLimit, [this] { return shared_->done; })) {
    held.unlock();
    thread_.join();
    return;
  }
  held.unlock();
  shared_->note("avahi-daemon does not answer; stopping without waiting for it");
  thread_.detach();
}

void AvahiLoop::post(Task task) {
  {
    const std::lock_guard held(shared_->lock);
    if (!shared_->done) {
      shared_->tasks.push_back(std::move(task));
      shared_->wakeUp();
      return;
    }
  }
  task(AvahiContext{nullptr, nullptr, AVAHI_OK});
}

void AvahiLoop::watch(Task watch) {
  post([shared = shared_.get(), watch = std::move(watch)](const AvahiContext& now) {
    // With no poll the loop has ended: there is nothing more to watch.
    if (now.poll != nullptr) shared->watches.push_back(watch);
    watch(now);
  });
}

}  // namespace velkor::node

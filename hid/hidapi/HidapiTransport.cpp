#include "HidapiTransport.h"

#include <hidapi/hidapi.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace velkor {
namespace {

constexpr int kGone = -1;

// What a device and its writer thread share. The thread holds it too, so that it can
// outlive a device closed while a write is stuck.
struct WriterState {
  explicit WriterState(hid_device* opened) : device(opened) {}

  hid_device* const device;
  std::mutex mutex;
  std::condition_variable wake;
  std::optional<std::vector<std::uint8_t>> job;
  bool busy = false;
  bool stopping = false;
  bool closed = false;
  std::uint64_t submitted = 0;
  std::uint64_t finished = 0;
  int lastResult = 0;
};

// Writes one job after another until told to stop, then closes the device: after the
// write in progress, if there is one.
void runWrites(WriterState& state) {
  std::unique_lock lock(state.mutex);
  for (;;) {
    state.wake.wait(lock, [&] { return state.stopping || state.job.has_value(); });
    if (state.stopping) break;
    const std::vector<std::uint8_t> report = std::move(*state.job);
    state.job.reset();
    state.busy = true;
    lock.unlock();
    const int result = hid_write(state.device, report.data(), report.size());
    lock.lock();
    state.busy = false;
    state.lastResult = result < 0 ? kGone : result;
    ++state.finished;
    state.wake.notify_all();
  }
  hid_close(state.device);
  state.closed = true;
  state.wake.notify_all();
}

// hid_write blocks on Linux for as long as the kernel lets it (seconds), so writes run
// on a thread of the device's own and the caller waits only for its limit. A write
// that overruns is left to finish there; the next write waits for it within its own
// limit. Closing waits for an idle writer to close the device, but not for a stuck
// write: the writer closes the device when that write returns.
class HidapiDevice final : public HidDevice {
 public:
  explicit HidapiDevice(hid_device* device) : state_(std::make_shared<WriterState>(device)) {
    std::thread([state = state_] { runWrites(*state); }).detach();
  }

  ~HidapiDevice() override {
    std::unique_lock lock(state_->mutex);
    state_->stopping = true;
    state_->wake.notify_all();
    if (!state_->busy) state_->wake.wait(lock, [this] { return state_->closed; });
  }

  std::optional<HidAttributes> attributes() override {
    const hid_device_info* info = hid_get_device_info(state_->device);
    if (info == nullptr) return std::nullopt;
    return HidAttributes{info->vendor_id, info->product_id, info->release_number};
  }

  WriteOutcome write(std::span<const std::uint8_t> report, std::chrono::milliseconds limit) override {
    WriterState& state = *state_;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::unique_lock lock(state.mutex);
    if (!state.wake.wait_until(lock, deadline, [&] { return !state.job.has_value() && !state.busy; }))
      return WriteOutcome::TimedOut;
    state.job.emplace(report.begin(), report.end());
    const std::uint64_t ticket = ++state.submitted;
    state.wake.notify_all();
    if (!state.wake.wait_until(lock, deadline, [&] { return state.finished >= ticket; })) return WriteOutcome::TimedOut;
    return state.lastResult == kGone ? WriteOutcome::Unavailable : WriteOutcome::Written;
  }

  ReadOutcome read(std::span<std::uint8_t> into, std::chrono::milliseconds limit) override {
    const int got = hid_read_timeout(state_->device, into.data(), into.size(), static_cast<int>(limit.count()));
    if (got > 0) return {ReadOutcome::Kind::Received, static_cast<std::size_t>(got)};
    if (got == 0) return {ReadOutcome::Kind::TimedOut, 0};
    return {ReadOutcome::Kind::Gone, 0};
  }

 private:
  std::shared_ptr<WriterState> state_;
};

// hidapi's hidraw backend lists a device once for every top-level usage of its report
// descriptor, all under one path: that is still one interface. Keeps the first listing
// of each path, and every listing without one.
std::vector<const hid_device_info*> onePerInterface(const hid_device_info* all) {
  std::vector<const hid_device_info*> listed;
  std::unordered_set<std::string> seen;
  for (const hid_device_info* info = all; info != nullptr; info = info->next)
    if (info->path == nullptr || seen.insert(info->path).second) listed.push_back(info);
  return listed;
}

}  // namespace

HidapiTransport::HidapiTransport() : initialised_(hid_init() == 0) {}

HidapiTransport::~HidapiTransport() {
  if (initialised_) hid_exit();
}

std::optional<std::vector<InterfacePath>> HidapiTransport::listInterfaces() {
  if (!initialised_) return std::nullopt;
  std::vector<InterfacePath> paths;
  hid_device_info* all = hid_enumerate(0, 0);
  for (const hid_device_info* info : onePerInterface(all))
    paths.push_back(info->path != nullptr ? InterfacePath(info->path) : std::nullopt);
  hid_free_enumeration(all);
  return paths;
}

std::vector<DeniedInterface> HidapiTransport::deniedInterfaces() {
  if (!initialised_) return {};
  // hidapi lists an interface from what the system knows of it, without opening it, and
  // does not say why an open failed: the device node's permissions do.
  std::vector<DeniedInterface> denied;
  hid_device_info* all = hid_enumerate(0, 0);
  for (const hid_device_info* info : onePerInterface(all)) {
    if (info->path == nullptr || ::access(info->path, R_OK | W_OK) == 0 || errno != EACCES) continue;
    denied.push_back({info->path, {info->vendor_id, info->product_id, info->release_number}});
  }
  hid_free_enumeration(all);
  return denied;
}

std::unique_ptr<HidDevice> HidapiTransport::open(const std::string& path) {
  if (!initialised_) return nullptr;
  hid_device* device = hid_open_path(path.c_str());
  if (device == nullptr) return nullptr;
  return std::make_unique<HidapiDevice>(device);
}

}  // namespace velkor

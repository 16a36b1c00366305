#include "HidapiTransport.h"

#include <hidapi/hidapi.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace velkor {
namespace {

constexpr int kGone = -1;

// hid_write blocks on Linux for as long as the kernel lets it (seconds), so writes run
// on a thread of the device's own and the caller waits only for its limit. A write
// that overruns is left to finish there; the next write waits for it within its own
// limit, and closing the device waits for it.
class HidapiDevice final : public HidDevice {
 public:
  explicit HidapiDevice(hid_device* device) : device_(device), writer_([this] { runWrites(); }) {}

  ~HidapiDevice() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    writer_.join();
    hid_close(device_);
  }

  std::optional<HidAttributes> attributes() override {
    const hid_device_info* info = hid_get_device_info(device_);
    if (info == nullptr) return std::nullopt;
    return HidAttributes{info->vendor_id, info->product_id, info->release_number};
  }

  WriteOutcome write(std::span<const std::uint8_t> report, std::chrono::milliseconds limit) override {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::unique_lock lock(mutex_);
    if (!wake_.wait_until(lock, deadline, [this] { return !job_.has_value() && !busy_; }))
      return WriteOutcome::TimedOut;
    job_.emplace(report.begin(), report.end());
    const std::uint64_t ticket = ++submitted_;
    wake_.notify_all();
    if (!wake_.wait_until(lock, deadline, [&] { return finished_ >= ticket; })) return WriteOutcome::TimedOut;
    return lastResult_ == kGone ? WriteOutcome::Unavailable : WriteOutcome::Written;
  }

  ReadOutcome read(std::span<std::uint8_t> into, std::chrono::milliseconds limit) override {
    const int got = hid_read_timeout(device_, into.data(), into.size(), static_cast<int>(limit.count()));
    if (got > 0) return {ReadOutcome::Kind::Received, static_cast<std::size_t>(got)};
    if (got == 0) return {ReadOutcome::Kind::TimedOut, 0};
    return {ReadOutcome::Kind::Gone, 0};
  }

 private:
  void runWrites() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stopping_ || job_.has_value(); });
      if (stopping_) return;
      const std::vector<std::uint8_t> report = std::move(*job_);
      job_.reset();
      busy_ = true;
      lock.unlock();
      const int result = hid_write(device_, report.data(), report.size());
      lock.lock();
      busy_ = false;
      lastResult_ = result < 0 ? kGone : result;
      ++finished_;
      wake_.notify_all();
    }
  }

  hid_device* device_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<std::vector<std::uint8_t>> job_;
  bool busy_ = false;
  bool stopping_ = false;
  std::uint64_t submitted_ = 0;
  std::uint64_t finished_ = 0;
  int lastResult_ = 0;
  std::thread writer_;  // last: it starts running at construction
};

}  // namespace

HidapiTransport::HidapiTransport() : initialised_(hid_init() == 0) {}

HidapiTransport::~HidapiTransport() {
  if (initialised_) hid_exit();
}

std::optional<std::vector<InterfacePath>> HidapiTransport::listInterfaces() {
  if (!initialised_) return std::nullopt;
  std::vector<InterfacePath> paths;
  // hidapi's hidraw backend lists a device once for every top-level usage of its
  // report descriptor, all under one path: that is still one interface.
  std::unordered_set<std::string> seen;
  hid_device_info* all = hid_enumerate(0, 0);
  for (const hid_device_info* info = all; info != nullptr; info = info->next) {
    if (info->path == nullptr) {
      paths.push_back(std::nullopt);
    } else if (seen.insert(info->path).second) {
      paths.push_back(InterfacePath(info->path));
    }
  }
  hid_free_enumeration(all);
  return paths;
}

std::vector<DeniedInterface> HidapiTransport::deniedInterfaces() {
  if (!initialised_) return {};
  // hidapi lists an interface from what the system knows of it, without opening it, and
  // does not say why an open failed: the device node's permissions do.
  std::vector<DeniedInterface> denied;
  std::unordered_set<std::string> seen;
  hid_device_info* all = hid_enumerate(0, 0);
  for (const hid_device_info* info = all; info != nullptr; info = info->next) {
    if (info->path == nullptr || !seen.insert(info->path).second) continue;
    if (::access(info->path, R_OK | W_OK) == 0 || errno != EACCES) continue;
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

#include "HidapiTransport.h"

#include <hidapi/hidapi.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "../Text.h"
#include "../WireFormat.h"
#include "NodeLock.h"

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
  HidapiDevice(hid_device* device, std::unique_ptr<NodeLock> lock)
      : state_(std::make_shared<WriterState>(device)), lock_(std::move(lock)) {
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

  std::size_t discardQueued() override {
    std::array<std::uint8_t, wire::kReplyAreaLength> scratch{};
    std::size_t dropped = 0;
    while (hid_read_timeout(state_->device, scratch.data(), scratch.size(), 0) > 0) ++dropped;
    return dropped;
  }

 private:
  TurnOutcome lockTurn(std::chrono::milliseconds limit) override { return lock_->take(limit); }
  void unlockTurn() override { lock_->release(); }

  std::shared_ptr<WriterState> state_;
  std::unique_ptr<NodeLock> lock_;
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

// The USB interface a hidraw node belongs to, as the kernel names it ("1-1.2:1.0": bus,
// port chain, configuration and interface): the parent of the node's HID device in
// sysfs. It stays with the port, while node numbers are handed out anew on every plug
// and reused. Empty for a node on no USB (uhid, Bluetooth) and for any other path.
std::string usbInterfaceOf(const std::filesystem::path& sysfs, const char* nodePath) {
  static const std::regex kHidrawNode("hidraw[0-9]+");
  static const std::regex kUsbInterface("[0-9]+-[0-9]+(\\.[0-9]+)*:[0-9]+\\.[0-9]+");
  const std::string node = std::filesystem::path(nodePath).filename().string();
  if (!std::regex_match(node, kHidrawNode)) return {};
  std::error_code error;
  const std::filesystem::path device = std::filesystem::canonical(sysfs / "class" / "hidraw" / node / "device", error);
  if (error) return {};
  std::string parent = device.parent_path().filename().string();
  return std::regex_match(parent, kUsbInterface) ? parent : std::string();
}

// A device's own text, for showing and matching: UTF-8, control characters as '?' so
// that a device cannot steer the terminal that lists it.
std::string shownText(const wchar_t* text) {
  std::u16string wide;
  for (; text != nullptr && *text != 0; ++text) {
    const auto c = static_cast<char32_t>(*text);
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
      wide += u'?';
    } else if (c >= 0x10000 && c <= 0x10FFFF) {
      wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      wide += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      wide += c <= 0xFFFF ? static_cast<char16_t>(c) : u'\uFFFD';
    }
  }
  return toUtf8(wide);
}

// Whether the node's permissions refuse this process, asked without opening it: hidapi
// does not say why an open failed.
bool accessDenied(const char* nodePath) {
  if (::access(nodePath, R_OK | W_OK) == 0) return false;
  return errno == EACCES || errno == EPERM;
}

}  // namespace

HidapiTransport::HidapiTransport(std::filesystem::path sysfs)
    : sysfs_(std::move(sysfs)), initialised_(hid_init() == 0) {}

HidapiTransport::~HidapiTransport() {
  if (initialised_) hid_exit();
}

std::optional<std::vector<ListedInterface>> HidapiTransport::listInterfaces() {
  if (!initialised_) return std::nullopt;
  hid_device_info* all = hid_enumerate(0, 0);
  const std::vector<const hid_device_info*> interfaces = onePerInterface(all);
  std::vector<ListedInterface> listing;
  listing.reserve(interfaces.size());
  for (const hid_device_info* info : interfaces) {
    ListedInterface& listed = listing.emplace_back();
    listed.attributes = {info->vendor_id, info->product_id, info->release_number};
    listed.serialNumber = shownText(info->serial_number);
    if (info->path == nullptr) continue;
    listed.path = info->path;
    listed.usbPort = usbInterfaceOf(sysfs_, info->path);
    listed.accessDenied = accessDenied(info->path);
  }
  hid_free_enumeration(all);
  return listing;
}

std::unique_ptr<HidDevice> HidapiTransport::open(const std::string& path) {
  if (!initialised_) return nullptr;
  // Without the node's lock the handle could not take turns with other programs.
  std::unique_ptr<NodeLock> lock = NodeLock::open(path);
  if (lock == nullptr) return nullptr;
  hid_device* device = hid_open_path(path.c_str());
  if (device == nullptr) return nullptr;
  return std::make_unique<HidapiDevice>(device, std::move(lock));
}

}  // namespace velkor

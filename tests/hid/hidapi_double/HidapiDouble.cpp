#include "HidapiDouble.h"

#include <gtest/gtest.h>
#include <hidapi/hidapi.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "Text.h"

using velkor::ConverterFault;
using velkor::VirtualConverter;
using velkor::test::HidapiDouble;

// Each open device is a reader of its converter's replies, as a hidraw file is.
struct hid_device_ {
  std::shared_ptr<VirtualConverter> converter;
  hid_device_info info{};
  VirtualConverter::ReaderId reader = converter->attachReader();
};

namespace velkor::test {

HidapiDouble& HidapiDouble::instance() {
  static HidapiDouble state;
  return state;
}

void HidapiDouble::reset() {
  std::lock_guard lock(mutex);
  converters.clear();
  initFails = false;
  nullPathAtFirst = false;
  listingsPerDevice = 1;
  mustNotOpen.clear();
  openedPaths.clear();
  writes.clear();
  reads.clear();
  polls = 0;
  stalled = false;
}

VirtualConverter& HidapiDouble::add(VirtualConverterSetup setup) {
  converters.push_back(std::make_shared<VirtualConverter>(std::move(setup)));
  return *converters.back();
}

void HidapiDouble::stallWrites(bool on) {
  {
    std::lock_guard lock(mutex);
    stalled = on;
  }
  released.notify_all();
}

}  // namespace velkor::test

namespace {

bool unplugged(const VirtualConverter& c) { return c.hasFault(ConverterFault::Unplugged); }

hid_device_info describe(const VirtualConverter& c) {
  hid_device_info info{};
  const auto attributes = c.attributes();
  info.vendor_id = attributes.vendorId;
  info.product_id = attributes.productId;
  info.release_number = attributes.versionNumber;
  return info;
}

// hidapi's wide text, from the setup's UTF-8; null for none, as hidapi gives it.
wchar_t* wideCopy(const std::string& text) {
  if (text.empty()) return nullptr;
  const std::u16string wide = velkor::fromUtf8(text);
  auto* copy = static_cast<wchar_t*>(std::calloc(wide.size() + 1, sizeof(wchar_t)));
  std::copy(wide.begin(), wide.end(), copy);
  return copy;
}

}  // namespace

extern "C" {

int hid_init(void) { return HidapiDouble::instance().initFails ? -1 : 0; }
int hid_exit(void) { return 0; }

hid_device_info* hid_enumerate(unsigned short, unsigned short) {
  HidapiDouble& d = HidapiDouble::instance();
  hid_device_info* first = nullptr;
  hid_device_info** link = &first;
  bool isFirst = true;
  for (const auto& c : d.converters) {
    if (unplugged(*c)) continue;
    for (int listing = 0; listing < d.listingsPerDevice; ++listing) {
      auto* info = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
      *info = describe(*c);
      info->path = (d.nullPathAtFirst && isFirst) ? nullptr : strdup(c->setup().path.c_str());
      info->serial_number = wideCopy(c->setup().serialNumber);
      isFirst = false;
      *link = info;
      link = &info->next;
    }
  }
  return first;
}

void hid_free_enumeration(hid_device_info* devs) {
  while (devs != nullptr) {
    hid_device_info* next = devs->next;
    std::free(devs->path);
    std::free(devs->serial_number);
    std::free(devs);
    devs = next;
  }
}

hid_device* hid_open_path(const char* path) {
  HidapiDouble& d = HidapiDouble::instance();
  d.openedPaths.emplace_back(path);
  if (d.mustNotOpen.contains(path)) ADD_FAILURE() << "opened " << path << ", which is no converter";
  for (const auto& c : d.converters) {
    if (c->setup().path != path || unplugged(*c) || !c->setup().openable || c->setup().permissionDenied) continue;
    auto* device = new hid_device_{c, describe(*c)};
    ++d.openDevices;
    return device;
  }
  return nullptr;
}

void hid_close(hid_device* device) {
  device->converter->detachReader(device->reader);
  --HidapiDouble::instance().openDevices;
  delete device;
}

hid_device_info* hid_get_device_info(hid_device* device) {
  return device->converter->setup().attributesReadable ? &device->info : nullptr;
}

int hid_write(hid_device* device, const unsigned char* data, size_t length) {
  HidapiDouble& d = HidapiDouble::instance();
  std::unique_lock lock(d.mutex);
  d.writes.push_back({length, length > 0 ? data[0] : std::uint8_t{0xFF}});
  d.released.wait(lock, [&] { return !d.stalled; });
  if (unplugged(*device->converter)) return -1;
  device->converter->receive(std::span(data, length), std::chrono::steady_clock::now());
  return static_cast<int>(length);
}

// Answers at once: a pending reply, or a time-out without waiting for it.
int hid_read_timeout(hid_device* device, unsigned char* data, size_t length, int milliseconds) {
  HidapiDouble& d = HidapiDouble::instance();
  std::lock_guard lock(d.mutex);
  if (milliseconds == 0)
    ++d.polls;
  else
    d.reads.push_back({length, milliseconds});
  if (unplugged(*device->converter)) return -1;
  const auto reply = device->converter->nextReply(device->reader, std::chrono::steady_clock::time_point::max());
  if (!reply) return 0;
  const std::size_t kept = std::min(reply->data.size(), length);
  std::copy_n(reply->data.begin(), kept, data);
  return static_cast<int>(kept);
}

}  // extern "C"

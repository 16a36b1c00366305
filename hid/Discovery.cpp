#include "Discovery.h"

#include <algorithm>
#include <cstring>

#include "DevicePath.h"
#include "Log.h"

namespace velkor {
namespace {

ParsedDevicePath parseAndLog(const std::string& path) {
  // The transports give the path as UTF-8, the wide form; it is read in its 8-bit form.
  logLine("devDetail->DevicePath: %s \n", path.c_str());
  const std::string converted = eightBitDevicePath(path);
  logLine("devDetail->DevicePath: %s \n", converted.c_str());
  ParsedDevicePath parsed = parseDevicePath(converted);
  logLine(" vid = %x,pid = %x,addr = %x,index = %d,id = %d \n", parsed.vendorId, parsed.productId, parsed.address,
          parsed.index, parsed.id);
  logLine(" %s ,%s \n", parsed.text.c_str(), parsed.tail.c_str());
  return parsed;
}

}  // namespace

int enumerateDevices(Transport& transport, DeviceTable& table) {
  const auto interfaces = transport.listInterfaces();
  if (!interfaces) return kNoInterfaceList;

  int count = 0;
  int skipped = 0;
  for (const InterfacePath& path : *interfaces) {
    if (!path) return kPathUnavailable;
    const std::unique_ptr<HidDevice> device = transport.open(*path);
    if (!device) continue;
    const auto attributes = device->attributes();
    if (!attributes) continue;
    if (attributes->vendorId == 0 || attributes->productId == 0) {
      logLine("usb_vid pid isn't right\n");
      continue;
    }
    logLine("the usb usb_vid=0x%04x, pid = 0x%04x \n", attributes->vendorId, attributes->productId);
    if (!isAcceptedPair(attributes->vendorId, attributes->productId)) {
      logLine("other dev type\n");
      continue;
    }
    logLine("the usb versionNum = 0x%04x\n", attributes->versionNumber);
    if (!isKnownModel(attributes->versionNumber)) continue;
    DeviceEntry* entry = table.entry(count + 1);
    if (entry == nullptr) {
      ++skipped;
      continue;
    }
    entry->vendorId = attributes->vendorId;
    entry->productId = attributes->productId;
    entry->versionNumber = attributes->versionNumber;
    const ParsedDevicePath parsed = parseAndLog(*path);
    logLine("\n");
    entry->address = parsed.address;
    std::copy_n(parsed.tail.begin(), std::min(parsed.tail.size(), kPathTailLength - 1), entry->pathTail.begin());
    ++count;
  }
  if (skipped > 0) logLine("device table full, %d more devices skipped \n", skipped);
  logLine("deviceCount = %d \n", count);
  return count;
}

int openDevice(Transport& transport, DeviceEntry& entry) {
  const auto interfaces = transport.listInterfaces();
  if (!interfaces) return kNoInterfaceList;

  std::unique_ptr<HidDevice> match;
  for (const InterfacePath& path : *interfaces) {
    if (!path) return kPathUnavailable;
    std::unique_ptr<HidDevice> device = transport.open(*path);
    if (!device) continue;
    const auto attributes = device->attributes();
    if (!attributes) continue;
    if (attributes->vendorId != entry.vendorId || attributes->productId != entry.productId) continue;
    const ParsedDevicePath parsed = parseAndLog(*path);
    // Only the parsed tail's length is compared, so an empty tail matches any entry.
    const bool sameTail = std::strncmp(entry.pathTail.data(), parsed.tail.c_str(), parsed.tail.size()) == 0;
    if (parsed.address == entry.address && sameTail) {
      logLine("open the right dev\n");
      match = std::move(device);
      break;
    }
    logLine("open dev fail\n");
  }
  entry.handle = std::move(match);
  logLine("open fun over \n");
  return 0;
}

}  // namespace velkor

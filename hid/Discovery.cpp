#include "Discovery.h"

#include <algorithm>
#include <cstring>

#include "DevicePath.h"
#include "Log.h"

namespace velkor {
namespace {

ParsedDevicePath identifyAndLog(const ListedInterface& listed) {
  // The transports give the path as UTF-8, the wide form; it is read in its 8-bit form.
  const std::string& path = *listed.path;
  logLine("devDetail->DevicePath: %s \n", path.c_str());
  logLine("devDetail->DevicePath: %s \n", eightBitDevicePath(path).c_str());
  ParsedDevicePath parsed = interfaceIdentity(listed);
  logLine(" vid = %x,pid = %x,addr = %x,index = %d,id = %d \n", parsed.vendorId, parsed.productId, parsed.address,
          parsed.index, parsed.id);
  logLine(" %s ,%s \n", parsed.text.c_str(), parsed.tail.c_str());
  return parsed;
}

// A converter swapped for one of the other model under the same identity must not get
// the panel of the first.
bool sameConverterKind(const HidAttributes& attributes, const DeviceEntry& entry) {
  return attributes.vendorId == entry.vendorId && attributes.productId == entry.productId &&
         attributes.versionNumber == entry.versionNumber;
}

}  // namespace

int enumerateDevices(Transport& transport, DeviceTable& table) {
  const auto interfaces = transport.listInterfaces();
  if (!interfaces) return kNoInterfaceList;

  // Everything needed is in the listing: no interface is opened, so a keyboard or a
  // security key is never touched, and a converter this user may not open is still found.
  int count = 0;
  int skipped = 0;
  for (const ListedInterface& listed : *interfaces) {
    if (!listed.path) return kPathUnavailable;
    const HidAttributes& attributes = listed.attributes;
    if (attributes.vendorId == 0 || attributes.productId == 0) {
      logLine("usb_vid pid isn't right\n");
      continue;
    }
    logLine("the usb usb_vid=0x%04x, pid = 0x%04x \n", attributes.vendorId, attributes.productId);
    if (!isAcceptedPair(attributes.vendorId, attributes.productId)) {
      logLine("other dev type\n");
      continue;
    }
    logLine("the usb versionNum = 0x%04x\n", attributes.versionNumber);
    if (!isKnownModel(attributes.versionNumber)) continue;
    DeviceEntry* entry = table.entry(count + 1);
    if (entry == nullptr) {
      ++skipped;
      continue;
    }
    entry->vendorId = attributes.vendorId;
    entry->productId = attributes.productId;
    entry->versionNumber = attributes.versionNumber;
    const ParsedDevicePath parsed = identifyAndLog(listed);
    logLine("\n");
    entry->address = parsed.address;
    std::copy_n(parsed.tail.begin(), std::min(parsed.tail.size(), kPathTailLength - 1), entry->pathTail.begin());
    entry->path = *listed.path;
    entry->serialNumber = listed.serialNumber;
    entry->accessDenied = listed.accessDenied;
    ++count;
  }
  if (skipped > 0) logLine("device table full, %d more devices skipped \n", skipped);
  logLine("deviceCount = %d \n", count);
  return count;
}

int openDevice(Transport& transport, DeviceEntry& entry) {
  const auto interfaces = transport.listInterfaces();
  if (!interfaces) return kNoInterfaceList;

  // Only the interface the entry describes, by its listing, is opened.
  std::unique_ptr<HidDevice> match;
  bool denied = false;
  for (const ListedInterface& listed : *interfaces) {
    if (!listed.path) return kPathUnavailable;
    if (!sameConverterKind(listed.attributes, entry)) continue;
    const ParsedDevicePath parsed = identifyAndLog(listed);
    // Only the parsed tail's length is compared, so an empty tail matches any entry.
    const bool sameTail = std::strncmp(entry.pathTail.data(), parsed.tail.c_str(), parsed.tail.size()) == 0;
    if (parsed.address == entry.address && sameTail) {
      if (listed.accessDenied) {
        denied = true;
      } else if (std::unique_ptr<HidDevice> device = transport.open(*listed.path)) {
        // The node may have gone to another device since the listing.
        const auto attributes = device->attributes();
        if (attributes && sameConverterKind(*attributes, entry)) {
          logLine("open the right dev\n");
          match = std::move(device);
          break;
        }
      }
    }
    logLine("open dev fail\n");
  }
  entry.handle = std::move(match);
  entry.accessDenied = entry.handle == nullptr && denied;
  logLine("open fun over \n");
  return entry.accessDenied ? kAccessDenied : 0;
}

}  // namespace velkor

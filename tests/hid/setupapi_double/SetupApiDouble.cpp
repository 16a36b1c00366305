#include "SetupApiDouble.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "Text.h"
#include "WireFormat.h"

using velkor::ConverterFault;
using velkor::VirtualConverter;
using velkor::test::SetupApiDouble;

namespace {

// NTSTATUS values the overlapped structure carries while a transfer is open.
constexpr ULONG_PTR kPending = 0x103;
constexpr ULONG_PTR kCancelled = 0xC0000120;

// Each open interface is a reader of its converter's replies, as a handle on a HID
// interface is.
struct FakeDevice {
  std::shared_ptr<VirtualConverter> converter;
  VirtualConverter::ReaderId reader = converter->attachReader();
};

// A listing: the converters present when it was made.
struct FakeList {
  std::vector<std::shared_ptr<VirtualConverter>> present;
};

bool unplugged(const VirtualConverter& c) { return c.hasFault(ConverterFault::Unplugged); }

std::wstring wide(const std::string& text) {
  const std::u16string converted = velkor::fromUtf8(text);
  return {converted.begin(), converted.end()};
}

std::string narrow(const wchar_t* text) {
  std::u16string converted;
  for (; *text != 0; ++text) converted += static_cast<char16_t>(*text);
  return velkor::toUtf8(converted);
}

// Copies a wide text (with its terminator, and a second one for a multi-string) into a
// caller's buffer, as the property functions do.
BOOL giveText(const std::wstring& text, bool multi, PBYTE buffer, DWORD size, PDWORD required) {
  const DWORD needed = static_cast<DWORD>((text.size() + (multi ? 2 : 1)) * sizeof(wchar_t));
  if (required != nullptr) *required = needed;
  if (buffer == nullptr || size < needed) {
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memset(buffer, 0, needed);
  std::memcpy(buffer, text.c_str(), text.size() * sizeof(wchar_t));
  return TRUE;
}

std::shared_ptr<VirtualConverter> listed(HDEVINFO set, DWORD index) {
  const auto* list = static_cast<const FakeList*>(set);
  return index < list->present.size() ? list->present[index] : nullptr;
}

std::wstring hardwareId(const VirtualConverter& c) {
  const auto attributes = c.attributes();
  wchar_t text[64];
  if (SetupApiDouble::instance().wineNames)
    std::swprintf(text, 64, L"HID\\VID_%04X&PID_%04X", attributes.vendorId, attributes.productId);
  else
    std::swprintf(text, 64, L"HID\\VID_%04X&PID_%04X&REV_%04X", attributes.vendorId, attributes.productId,
                  attributes.versionNumber);
  return text;
}

// A USB parent's instance ID: the serial number, or a number Windows makes up; wine's
// bus's instead, which tells no serial number.
std::wstring parentId(const VirtualConverter& c) {
  const auto attributes = c.attributes();
  wchar_t text[64];
  if (SetupApiDouble::instance().wineNames) {
    std::swprintf(text, 64, L"WINEBUS\\VID_%04X&PID_%04X&MI_00\\1&0000&0&0", attributes.vendorId,
                  attributes.productId);
    return text;
  }
  std::swprintf(text, 64, L"USB\\VID_%04X&PID_%04X\\", attributes.vendorId, attributes.productId);
  const std::string& serial = c.setup().serialNumber;
  return text + (serial.empty() ? std::wstring(L"5&2c6b1a3e&0&2") : wide(serial));
}

FakeDevice* fake(HANDLE handle) { return static_cast<FakeDevice*>(handle); }

// Completes a transfer at once: the event signalled, the bytes counted.
BOOL completed(LPOVERLAPPED overlapped, DWORD bytes) {
  overlapped->Internal = 0;
  overlapped->InternalHigh = bytes;
  ::SetEvent(overlapped->hEvent);
  return TRUE;
}

// Leaves a transfer open: the transport waits on its event, then cancels.
BOOL pending(LPOVERLAPPED overlapped) {
  overlapped->Internal = kPending;
  ::SetLastError(ERROR_IO_PENDING);
  return FALSE;
}

void WINAPI getHidGuid(LPGUID guid) { *guid = GUID{0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0, 0x11, 0x11, 0, 0, 0x30}}; }

HDEVINFO WINAPI getClassDevices(const GUID*, PCWSTR, HWND, DWORD) {
  SetupApiDouble& d = SetupApiDouble::instance();
  if (d.listFails) return INVALID_HANDLE_VALUE;
  auto* list = new FakeList;
  for (const auto& c : d.converters)
    if (!unplugged(*c)) list->present.push_back(c);
  return list;
}

BOOL WINAPI enumInterfaces(HDEVINFO set, PSP_DEVINFO_DATA, const GUID*, DWORD index, PSP_DEVICE_INTERFACE_DATA data) {
  if (listed(set, index) == nullptr) {
    ::SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  data->Reserved = index;
  return TRUE;
}

BOOL WINAPI interfaceDetail(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data, PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail,
                            DWORD size, PDWORD required, PSP_DEVINFO_DATA device) {
  const auto c = listed(set, static_cast<DWORD>(data->Reserved));
  const std::wstring path = wide(c->setup().path);
  const DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                                          (path.size() + 1) * sizeof(wchar_t));
  if (required != nullptr) *required = needed;
  if (detail == nullptr || size < needed) {
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(detail->DevicePath, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
  if (device != nullptr) device->Reserved = data->Reserved;
  return TRUE;
}

BOOL WINAPI registryProperty(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property, PDWORD, PBYTE buffer, DWORD size,
                             PDWORD required) {
  if (property != SPDRP_HARDWAREID) {
    ::SetLastError(ERROR_INVALID_DATA);
    return FALSE;
  }
  return giveText(hardwareId(*listed(set, static_cast<DWORD>(device->Reserved))), true, buffer, size, required);
}

BOOL WINAPI deviceProperty(HDEVINFO set, PSP_DEVINFO_DATA device, const DEVPROPKEY*, DEVPROPTYPE* type, PBYTE buffer,
                           DWORD size, PDWORD required, DWORD) {
  if (type != nullptr) *type = DEVPROP_TYPE_STRING;
  return giveText(parentId(*listed(set, static_cast<DWORD>(device->Reserved))), false, buffer, size, required);
}

BOOL WINAPI destroyList(HDEVINFO set) {
  delete static_cast<FakeList*>(set);
  return TRUE;
}

HANDLE WINAPI openDevice(LPCWSTR name, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
  SetupApiDouble& d = SetupApiDouble::instance();
  const std::string path = narrow(name);
  d.openedPaths.push_back(path);
  if (d.mustNotOpen.contains(path)) ADD_FAILURE() << "opened " << path << ", which is no converter";
  for (const auto& c : d.converters) {
    if (c->setup().path != path || unplugged(*c) || !c->setup().openable) continue;
    if (c->setup().permissionDenied) {
      ::SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
    ++d.openDevices;
    return new FakeDevice{c};
  }
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  return INVALID_HANDLE_VALUE;
}

BOOL WINAPI closeDevice(HANDLE handle) {
  FakeDevice* device = fake(handle);
  device->converter->detachReader(device->reader);
  --SetupApiDouble::instance().openDevices;
  delete device;
  return TRUE;
}

BOOLEAN WINAPI getAttributes(HANDLE handle, PHIDD_ATTRIBUTES attributes) {
  const VirtualConverter& c = *fake(handle)->converter;
  if (!c.setup().attributesReadable) return FALSE;
  const auto ids = c.attributes();
  attributes->VendorID = ids.vendorId;
  attributes->ProductID = ids.productId;
  attributes->VersionNumber = ids.versionNumber;
  return TRUE;
}

// The serial number string as the device gives it, cut to the caller's buffer.
BOOLEAN WINAPI getSerialNumber(HANDLE handle, PVOID buffer, ULONG size) {
  const std::wstring serial = wide(fake(handle)->converter->setup().serialNumber);
  if (serial.empty() || size < (serial.size() + 1) * sizeof(wchar_t)) return FALSE;
  std::memcpy(buffer, serial.c_str(), (serial.size() + 1) * sizeof(wchar_t));
  return TRUE;
}

BOOLEAN WINAPI getPreparsedData(HANDLE handle, PHIDP_PREPARSED_DATA* data) {
  *data = reinterpret_cast<PHIDP_PREPARSED_DATA>(handle);
  return TRUE;
}

// The converters' reports, input and output alike: the report ID and 576 bytes.
NTSTATUS WINAPI getCaps(PHIDP_PREPARSED_DATA, PHIDP_CAPS caps) {
  *caps = HIDP_CAPS{};
  caps->InputReportByteLength = velkor::wire::kFrameLength;
  caps->OutputReportByteLength = velkor::wire::kFrameLength;
  return HIDP_STATUS_SUCCESS;
}

BOOLEAN WINAPI freePreparsedData(PHIDP_PREPARSED_DATA) { return TRUE; }

BOOLEAN WINAPI flushQueue(HANDLE handle) {
  ++SetupApiDouble::instance().flushes;
  FakeDevice& device = *fake(handle);
  device.converter->dropArrived(device.reader, std::chrono::steady_clock::now());
  return TRUE;
}

BOOL WINAPI writeFile(HANDLE handle, LPCVOID data, DWORD length, LPDWORD, LPOVERLAPPED overlapped) {
  SetupApiDouble& d = SetupApiDouble::instance();
  d.writeLengths.push_back(length);
  VirtualConverter& c = *fake(handle)->converter;
  if (unplugged(c)) {
    ::SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return FALSE;
  }
  if (d.writesStall) return pending(overlapped);
  c.receive(std::span(static_cast<const std::uint8_t*>(data), length), std::chrono::steady_clock::now());
  return completed(overlapped, length);
}

// A reply already there comes at once, with its report ID first and padded to the
// report's length, as Windows gives it; otherwise the read stays open.
BOOL WINAPI readFile(HANDLE handle, LPVOID buffer, DWORD length, LPDWORD, LPOVERLAPPED overlapped) {
  FakeDevice& device = *fake(handle);
  if (unplugged(*device.converter)) {
    ::SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return FALSE;
  }
  const auto reply = device.converter->nextReply(device.reader, std::chrono::steady_clock::now());
  if (!reply) return pending(overlapped);
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  std::fill_n(bytes, length, 0);
  std::copy_n(reply->data.begin(), std::min<std::size_t>(reply->data.size(), length - 1), bytes + 1);
  return completed(overlapped, length);
}

BOOL WINAPI overlappedResult(HANDLE, LPOVERLAPPED overlapped, LPDWORD moved, BOOL) {
  if (overlapped->Internal != 0) {
    ::SetLastError(overlapped->Internal == kCancelled ? ERROR_OPERATION_ABORTED : ERROR_IO_INCOMPLETE);
    return FALSE;
  }
  *moved = static_cast<DWORD>(overlapped->InternalHigh);
  return TRUE;
}

BOOL WINAPI cancelIo(HANDLE, LPOVERLAPPED overlapped) {
  ++SetupApiDouble::instance().cancels;
  if (overlapped->Internal == kPending) overlapped->Internal = kCancelled;
  return TRUE;
}

}  // namespace

namespace velkor::test {

SetupApiDouble& SetupApiDouble::instance() {
  static SetupApiDouble state;
  return state;
}

void SetupApiDouble::reset() { *this = SetupApiDouble{}; }

const WindowsHid& SetupApiDouble::functions() {
  static const WindowsHid table{getHidGuid,  getClassDevices,   enumInterfaces,    interfaceDetail, registryProperty,
                                deviceProperty, destroyList,    openDevice,        closeDevice,     getAttributes,
                                getSerialNumber, getPreparsedData, getCaps,      freePreparsedData, flushQueue,      writeFile,
                                readFile,    overlappedResult,  cancelIo};
  return table;
}

VirtualConverter& SetupApiDouble::add(VirtualConverterSetup setup) {
  converters.push_back(std::make_shared<VirtualConverter>(std::move(setup)));
  return *converters.back();
}

}  // namespace velkor::test

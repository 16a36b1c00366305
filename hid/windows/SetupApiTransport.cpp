#include "SetupApiTransport.h"

#include "WindowsHid.h"
// initguid.h makes devpkey.h define the property keys rather than only declare them.
#include <initguid.h>
#include <devpkey.h>

#include <algorithm>
#include <cwctype>
#include <vector>

#include "../AcceptedDevices.h"
#include "../DevicePath.h"
#include "../Text.h"
#include "../HardwareId.h"

namespace velkor {
namespace {

std::string utf8(const wchar_t* text) {
  std::u16string wide;
  for (; text != nullptr && *text != 0; ++text) wide += static_cast<char16_t>(*text);
  return toUtf8(wide);
}

std::wstring wide(const std::string& text) {
  const std::u16string converted = fromUtf8(text);
  return {converted.begin(), converted.end()};
}

class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle = nullptr) : handle_(handle) {}
  ~OwnedHandle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// One overlapped transfer, waited for at most the limit and cancelled after it, so that
// a converter that stops answering never holds the caller.
enum class Transfer { Done, TimedOut, Failed };

Transfer finish(const WindowsHid& hid, HANDLE device, OVERLAPPED& overlapped, BOOL started,
                std::chrono::milliseconds limit, DWORD& moved) {
  if (!started && ::GetLastError() != ERROR_IO_PENDING) return Transfer::Failed;
  const DWORD waited = ::WaitForSingleObject(overlapped.hEvent, static_cast<DWORD>(limit.count()));
  if (waited == WAIT_TIMEOUT) {
    hid.cancelIo(device, &overlapped);
    // The buffer stays in use until the cancelled transfer has ended.
    const BOOL ended = hid.overlappedResult(device, &overlapped, &moved, TRUE);
    return ended ? Transfer::Done : Transfer::TimedOut;  // done just before the cancel
  }
  if (waited != WAIT_OBJECT_0) {
    hid.cancelIo(device, &overlapped);
    hid.overlappedResult(device, &overlapped, &moved, TRUE);
    return Transfer::Failed;
  }
  return hid.overlappedResult(device, &overlapped, &moved, FALSE) ? Transfer::Done : Transfer::Failed;
}

// The converter's turn: a named mutex per interface path, which Windows hands on when
// its holder dies (the next one sees it abandoned, which counts as taken).
std::wstring turnName(const std::string& path) {
  std::string lower = path;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  return L"Local\\velkor-converter-" + std::to_wstring(fnv1a32(lower));
}

class SetupApiDevice final : public HidDevice {
 public:
  SetupApiDevice(const WindowsHid& hid, HANDLE device, HANDLE turn, std::size_t inputLength)
      : hid_(hid), device_(device), turn_(turn), readEvent_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        writeEvent_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)), input_(std::max<std::size_t>(inputLength, 1)) {}
  ~SetupApiDevice() override { hid_.closeDevice(device_); }
  SetupApiDevice(const SetupApiDevice&) = delete;
  SetupApiDevice& operator=(const SetupApiDevice&) = delete;

  std::optional<HidAttributes> attributes() override {
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    if (!hid_.getAttributes(device_, &attributes)) return std::nullopt;
    return HidAttributes{attributes.VendorID, attributes.ProductID, attributes.VersionNumber};
  }

  WriteOutcome write(std::span<const std::uint8_t> report, std::chrono::milliseconds limit) override {
    if (writeEvent_.get() == nullptr) return WriteOutcome::Unavailable;
    OVERLAPPED overlapped{};
    overlapped.hEvent = writeEvent_.get();
    ::ResetEvent(overlapped.hEvent);
    DWORD written = 0;
    const BOOL started = hid_.writeFile(device_, report.data(), static_cast<DWORD>(report.size()), nullptr, &overlapped);
    switch (finish(hid_, device_, overlapped, started, limit, written)) {
      case Transfer::Done:
        return WriteOutcome::Written;
      case Transfer::TimedOut:
        return WriteOutcome::TimedOut;
      case Transfer::Failed:
        break;
    }
    return WriteOutcome::Unavailable;
  }

  // Windows gives the report with its ID byte first; the caller wants the data alone.
  ReadOutcome read(std::span<std::uint8_t> into, std::chrono::milliseconds limit) override {
    if (readEvent_.get() == nullptr) return {ReadOutcome::Kind::Gone, 0};
    OVERLAPPED overlapped{};
    overlapped.hEvent = readEvent_.get();
    ::ResetEvent(overlapped.hEvent);
    DWORD got = 0;
    const BOOL started = hid_.readFile(device_, input_.data(), static_cast<DWORD>(input_.size()), nullptr, &overlapped);
    switch (finish(hid_, device_, overlapped, started, limit, got)) {
      case Transfer::Done:
        break;
      case Transfer::TimedOut:
        return {ReadOutcome::Kind::TimedOut, 0};
      case Transfer::Failed:
        return {ReadOutcome::Kind::Gone, 0};
    }
    if (got <= 1) return {ReadOutcome::Kind::TimedOut, 0};
    const std::size_t length = std::min<std::size_t>(got - 1, into.size());
    std::copy_n(input_.begin() + 1, length, into.begin());
    return {ReadOutcome::Kind::Received, length};
  }

  // The HID class driver drops the queue at once, and does not say how many it held.
  std::size_t discardQueued() override {
    hid_.flushQueue(device_);
    return 0;
  }

 private:
  TurnOutcome lockTurn(std::chrono::milliseconds limit) override {
    const DWORD waited = ::WaitForSingleObject(turn_.get(), static_cast<DWORD>(limit.count()));
    return {waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED, {}};
  }
  void unlockTurn() override { ::ReleaseMutex(turn_.get()); }

  const WindowsHid& hid_;
  const HANDLE device_;
  OwnedHandle turn_;
  OwnedHandle readEvent_;
  OwnedHandle writeEvent_;
  std::vector<std::uint8_t> input_;
};

std::wstring registryText(const WindowsHid& hid, HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  std::vector<BYTE> buffer(512);
  DWORD needed = 0;
  if (!hid.registryProperty(set, &device, property, nullptr, buffer.data(), static_cast<DWORD>(buffer.size()),
                            &needed)) {
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
    buffer.resize(needed);
    if (!hid.registryProperty(set, &device, property, nullptr, buffer.data(), static_cast<DWORD>(buffer.size()),
                              nullptr))
      return {};
  }
  // A multi-string: the first one is the most specific ID.
  buffer.resize(buffer.size() + sizeof(wchar_t), 0);
  return reinterpret_cast<const wchar_t*>(buffer.data());
}

std::wstring parentId(const WindowsHid& hid, HDEVINFO set, SP_DEVINFO_DATA& device) {
  std::vector<wchar_t> buffer(512, L'\0');
  DEVPROPTYPE type = 0;
  if (!hid.deviceProperty(set, &device, &DEVPKEY_Device_Parent, &type, reinterpret_cast<BYTE*>(buffer.data()),
                          static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t)), nullptr, 0))
    return {};
  return buffer.data();
}

// USB string descriptors hold at most 126 UTF-16 units; one more ends the text.
constexpr std::size_t kSerialNumberUnits = 127;

// Wine's names carry no release number, and its HID devices' parents are its own bus,
// not USB: a converter's interface (only one of an accepted vendor/product pair, never a
// keyboard) is asked itself, opened with no access rights, which reads and writes
// nothing and works even while another program holds the converter.
void askInterface(const WindowsHid& hid, ListedInterface& listed) {
  const std::wstring name = wide(*listed.path);
  const HANDLE device =
      hid.openDevice(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return;
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof attributes;
  if (hid.getAttributes(device, &attributes)) listed.attributes.versionNumber = attributes.VersionNumber;
  if (listed.serialNumber.empty()) {
    std::vector<wchar_t> serial(kSerialNumberUnits + 1, L'\0');
    if (hid.getSerialNumber(device, serial.data(), static_cast<ULONG>(kSerialNumberUnits * sizeof(wchar_t))))
      listed.serialNumber = utf8(serial.data());
  }
  hid.closeDevice(device);
}

}  // namespace

std::optional<std::vector<ListedInterface>> SetupApiTransport::listInterfaces() {
  GUID hidClass{};
  hid_.getHidGuid(&hidClass);
  const HDEVINFO set = hid_.getClassDevices(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<ListedInterface> listing;
  SP_DEVICE_INTERFACE_DATA listedInterface{};
  listedInterface.cbSize = sizeof listedInterface;
  for (DWORD index = 0; hid_.enumInterfaces(set, nullptr, &hidClass, index, &listedInterface); ++index) {
    ListedInterface& listed = listing.emplace_back();
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    DWORD needed = 0;
    hid_.interfaceDetail(set, &listedInterface, nullptr, 0, &needed, nullptr);
    if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
    std::vector<std::uint8_t> detailBuffer(needed);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detailBuffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!hid_.interfaceDetail(set, &listedInterface, detail, needed, nullptr, &device)) continue;
    listed.path = utf8(detail->DevicePath);
    // From the names Windows keeps: there, no interface is opened during a scan.
    const auto attributes = attributesFromHardwareId(utf8(registryText(hid_, set, device, SPDRP_HARDWAREID).c_str()));
    if (attributes) listed.attributes = *attributes;
    listed.serialNumber = serialFromParentId(utf8(parentId(hid_, set, device).c_str()));
    if (attributes && attributes->versionNumber == 0 && isAcceptedPair(attributes->vendorId, attributes->productId))
      askInterface(hid_, listed);
  }
  hid_.destroyList(set);
  return listing;
}

std::unique_ptr<HidDevice> SetupApiTransport::open(const std::string& path) {
  const std::wstring name = wide(path);
  const HANDLE device = hid_.openDevice(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (device == INVALID_HANDLE_VALUE) return nullptr;
  std::size_t inputLength = 0;
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (hid_.getPreparsedData(device, &preparsed)) {
    HIDP_CAPS caps{};
    if (hid_.getCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS) inputLength = caps.InputReportByteLength;
    hid_.freePreparsedData(preparsed);
  }
  // Without the turn the handle could not take turns with other programs.
  const HANDLE turn = ::CreateMutexW(nullptr, FALSE, turnName(path).c_str());
  if (inputLength == 0 || turn == nullptr) {
    if (turn != nullptr) ::CloseHandle(turn);
    hid_.closeDevice(device);
    return nullptr;
  }
  return std::make_unique<SetupApiDevice>(hid_, device, turn, inputLength);
}

}  // namespace velkor

#include "HardwareId.h"

#include <regex>

namespace velkor {
namespace {

std::uint16_t hex16(const std::string& digits) { return static_cast<std::uint16_t>(std::stoul(digits, nullptr, 16)); }

}  // namespace

std::optional<HidAttributes> attributesFromHardwareId(const std::string& hardwareId) {
  static const std::regex kVendorProduct("VID_([0-9A-F]{4})&PID_([0-9A-F]{4})", std::regex::icase);
  static const std::regex kRelease("&REV_([0-9A-F]{4})", std::regex::icase);
  std::smatch found;
  if (!std::regex_search(hardwareId, found, kVendorProduct)) return std::nullopt;
  HidAttributes attributes{hex16(found[1]), hex16(found[2]), 0};
  if (std::regex_search(hardwareId, found, kRelease)) attributes.versionNumber = hex16(found[1]);
  return attributes;
}

std::string serialFromParentId(const std::string& instanceId) {
  if (!instanceId.starts_with("USB\\") && !instanceId.starts_with("usb\\")) return {};
  const std::size_t last = instanceId.rfind('\\');
  const std::string tail = instanceId.substr(last + 1);
  if (last <= 3 || tail.empty() || tail.find('&') != std::string::npos) return {};
  return tail;
}

}  // namespace velkor

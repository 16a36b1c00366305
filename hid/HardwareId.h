#pragma once
// What Windows' names for a HID interface tell without opening it: the vendor, product
// and release number from its hardware ID, the serial number from its USB parent's
// instance ID.

#include <optional>
#include <string>

#include "Transport.h"

namespace velkor {

// "HID\VID_2EE4&PID_001A&REV_0001&MI_00" (any case); nothing without VID and PID. The
// release number is 0 where the ID has none (wine 8's, on a USB parent or not).
std::optional<HidAttributes> attributesFromHardwareId(const std::string& hardwareId);

// "USB\VID_2EE4&PID_001A\A4410137" gives "A4410137". A tail with '&' is an instance
// number Windows made up for a device without a serial number: no serial then.
std::string serialFromParentId(const std::string& instanceId);

}  // namespace velkor

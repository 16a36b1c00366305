// What Windows' names for a HID interface tell without opening it.

#include <gtest/gtest.h>

#include "HardwareId.h"

namespace velkor::test {
namespace {

TEST(HardwareId, VendorProductAndReleaseNumber) {
  const struct {
    const char* id;
    std::optional<HidAttributes> attributes;
  } cases[] = {
      {"HID\\VID_2EE4&PID_001A&REV_0001&MI_00", HidAttributes{0x2ee4, 0x001a, 1}},
      {"hid\\vid_0483&pid_5750&rev_0002", HidAttributes{0x0483, 0x5750, 2}},
      {"HID\\VID_2EE4&PID_001B", HidAttributes{0x2ee4, 0x001b, 0}},  // wine, no USB parent
      {"HID\\VID_2EE4", std::nullopt},
      {"HID_DEVICE_SYSTEM_KEYBOARD", std::nullopt},
      {"HID\\VID_2EG4&PID_001A", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const auto got = attributesFromHardwareId(c.id);
    ASSERT_EQ(got.has_value(), c.attributes.has_value());
    if (!got) continue;
    EXPECT_EQ(got->vendorId, c.attributes->vendorId);
    EXPECT_EQ(got->productId, c.attributes->productId);
    EXPECT_EQ(got->versionNumber, c.attributes->versionNumber);
  }
}

TEST(HardwareId, SerialNumberFromTheUsbParent) {
  const struct {
    const char* parent;
    const char* serial;
  } cases[] = {
      {"USB\\VID_2EE4&PID_001A\\A4410137", "A4410137"},
      {"USB\\VID_2EE4&PID_001A\\5&2c6b1a3e&0&2", ""},  // made up by Windows: no serial number
      {"ROOT\\WINEBUS\\0000", ""},                      // no USB parent
      {"", ""},
      {"USB\\VID_2EE4&PID_001A\\", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(serialFromParentId(c.parent), c.serial) << c.parent;
}

}  // namespace
}  // namespace velkor::test

#include <gtest/gtest.h>

#include "DevicePath.h"

namespace velkor {
namespace {

TEST(DevicePath, ReadsTheInterfacePathForm) {
  const auto p =
      parseDevicePath("\\\\?\\hid#vid_0483&pid_5750#6&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}");
  EXPECT_EQ(p.vendorId, 0x0483u);
  EXPECT_EQ(p.productId, 0x5750u);
  EXPECT_EQ(p.address, 0x1a2b3c4du);
  EXPECT_EQ(p.index, 0);
  EXPECT_EQ(p.id, 0);
  EXPECT_EQ(p.text, "6");
  EXPECT_EQ(p.tail, "{4d1e55b2-f16f-11cf-88cb-001111000030}");
}

TEST(DevicePath, OtherFormsAreIdentifiedByTheirHash) {
  struct Case {
    const char* path;
  };
  for (const Case c : {Case{"/dev/hidraw3"}, Case{"\\\\?\\hid#VID_0483&PID_5750#6&1a&0&0#x"},
                       Case{"\\\\?\\hid#vid_0483&pid_5750&mi_00#6&1a&0&0#x"}, Case{""}}) {
    const auto p = parseDevicePath(c.path);
    EXPECT_EQ(p.address, fnv1a32(c.path)) << c.path;
    EXPECT_EQ(p.tail, c.path);
  }
  EXPECT_NE(parseDevicePath("/dev/hidraw3").address, parseDevicePath("/dev/hidraw4").address);
}

TEST(DevicePath, LongPartsStayWithinTheirLimits) {
  const std::string longTail(100, 't');
  const auto p = parseDevicePath("x#vid_1&pid_2#" + std::string(40, 's') + "&1&2&3#" + longTail);
  EXPECT_LE(p.text.size(), 15u);
  EXPECT_LE(p.tail.size(), 63u);

  const auto hashed = parseDevicePath("/dev/" + longTail);
  EXPECT_EQ(hashed.tail.size(), 63u);
}

TEST(Fnv1a, KnownVectors) {
  EXPECT_EQ(fnv1a32(""), 0x811c9dc5u);
  EXPECT_EQ(fnv1a32("a"), 0xe40c292cu);
}

}  // namespace
}  // namespace velkor

#include <gtest/gtest.h>

#include "ConverterFixture.h"
#include "DevicePath.h"

namespace velkor::test {
namespace {

class Discovery : public ConverterFixture {
 protected:
  VirtualConverter& addInterface(const std::string& path, UsbIdPair ids, std::uint16_t version) {
    VirtualConverterSetup setup;
    setup.path = path;
    setup.ids = ids;
    setup.versionNumber = version;
    return transport.addConverter(setup);
  }
};

TEST_F(Discovery, RecordsOnlyAcceptedPairsWithAKnownVersion) {
  addInterface("/dev/hidraw0", {0x2EE4, 0x001C}, 1);  // foreign product
  addInterface("/dev/hidraw1", {0x0483, 0x5750}, 1);
  addInterface("/dev/hidraw2", {0x2EE4, 0x001A}, 3);  // unknown model
  addInterface("/dev/hidraw3", {0x2EE4, 0x001B}, 2);
  addInterface("/dev/hidraw4", {0x0000, 0x001B}, 2);  // no vendor

  EXPECT_EQ(enumerateDevices(transport, record.deviceTable), 2);
  const DeviceEntry& first = *record.deviceTable.entry(1);
  EXPECT_EQ(first.vendorId, 0x0483);
  EXPECT_EQ(first.versionNumber, 1);
  EXPECT_EQ(first.address, fnv1a32("/dev/hidraw1"));
  EXPECT_STREQ(first.pathTail.data(), "/dev/hidraw1");
  EXPECT_EQ(first.handle, nullptr) << "a scan keeps nothing open";
  EXPECT_EQ(record.deviceTable.entry(2)->productId, 0x001B);
  EXPECT_EQ(record.deviceTable.entry(3)->vendorId, 0) << "entries fill without gaps";
  EXPECT_EQ(transport.openHandles(), 0);

  const std::string text = log.text();
  EXPECT_NE(text.find("the usb usb_vid=0x2ee4, pid = 0x001c \nother dev type\n"), std::string::npos);
  EXPECT_NE(text.find("the usb versionNum = 0x0003\n"), std::string::npos);
  EXPECT_NE(text.find("usb_vid pid isn't right\n"), std::string::npos);
  EXPECT_NE(text.find("devDetail->DevicePath: /dev/hidraw1 \n"), std::string::npos);
  EXPECT_NE(text.find("deviceCount = 2 \n"), std::string::npos);
}

TEST_F(Discovery, SkipsInterfacesThatCannotBeOpenedOrRead) {
  addInterface("/dev/hidraw0", kAcceptedPairs[0], 1);
  VirtualConverterSetup closed;
  closed.path = "/dev/hidraw1";
  closed.openable = false;
  transport.addConverter(closed);
  VirtualConverterSetup mute;
  mute.path = "/dev/hidraw2";
  mute.attributesReadable = false;
  transport.addConverter(mute);
  EXPECT_EQ(enumerateDevices(transport, record.deviceTable), 1);
  EXPECT_EQ(transport.openHandles(), 0);
}

TEST_F(Discovery, EndsEarlyWithoutInterfaceListOrPath) {
  addInterface("/dev/hidraw0", kAcceptedPairs[0], 1);
  VirtualConverterSetup unreadable;
  unreadable.path = "/dev/hidraw1";
  unreadable.pathReadable = false;
  transport.addConverter(unreadable);
  addInterface("/dev/hidraw2", kAcceptedPairs[0], 2);

  EXPECT_EQ(enumerateDevices(transport, record.deviceTable), kPathUnavailable);
  EXPECT_EQ(record.deviceTable.entry(1)->versionNumber, 1) << "entries found so far stay";
  EXPECT_EQ(record.deviceTable.entry(2)->versionNumber, 0);
  // An entry that the first interface does not match makes the open reach the bad path.
  DeviceEntry elsewhere;
  elsewhere.vendorId = kAcceptedPairs[0].vendorId;
  elsewhere.productId = kAcceptedPairs[0].productId;
  elsewhere.address = 1;
  EXPECT_EQ(openDevice(transport, elsewhere), kPathUnavailable);
  EXPECT_EQ(elsewhere.handle, nullptr);

  transport.setListingFails(true);
  record.deviceTable.clear();
  EXPECT_EQ(enumerateDevices(transport, record.deviceTable), kNoInterfaceList);
  EXPECT_EQ(openDevice(transport, *record.deviceTable.entry(1)), kNoInterfaceList);
}

TEST_F(Discovery, KeepsTheFirst128AndLogsTheRest) {
  for (int i = 0; i < 131; ++i) addInterface("/dev/hidraw" + std::to_string(i), kAcceptedPairs[0], 1);
  EXPECT_EQ(enumerateDevices(transport, record.deviceTable), 128);
  EXPECT_STREQ(record.deviceTable.entry(128)->pathTail.data(), "/dev/hidraw127");
  EXPECT_TRUE(log.contains("device table full, 3 more devices skipped \n"));
  EXPECT_TRUE(log.contains("deviceCount = 128 \n"));
}

TEST_F(Discovery, OpensTheSameConverterOfTwoOfOneModel) {
  addConverter(ConverterModel::TQ4410, "/dev/hidraw5", "first");
  addConverter(ConverterModel::TQ4410, "/dev/hidraw9", "second");
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 2);

  for (int number : {2, 1}) {
    log.clear();
    DeviceEntry& entry = *record.deviceTable.entry(number);
    ASSERT_EQ(openDevice(transport, entry), 0);
    ASSERT_NE(entry.handle, nullptr);
    record.selectedDevice = number;
    queryStatusA(record);
    EXPECT_EQ(record.customNameA, number == 1 ? u"first" : u"second");
  }
  EXPECT_TRUE(log.contains("open the right dev\n"));
  EXPECT_TRUE(log.contains("open fun over \n"));
}

TEST_F(Discovery, WindowsStylePathsMatchOnAddressAndTail) {
  addConverter(ConverterModel::TQ6630, "\\\\?\\hid#vid_0483&pid_5750#6&1a2b3c4d&0&0000#{guid}");
  addConverter(ConverterModel::TQ6630, "\\\\?\\hid#vid_0483&pid_5750#6&1a2b3c4e&0&0000#{guid}");
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 2);
  EXPECT_EQ(record.deviceTable.entry(2)->address, 0x1a2b3c4eu);
  EXPECT_STREQ(record.deviceTable.entry(2)->pathTail.data(), "{guid}");
  EXPECT_TRUE(log.contains(" vid = 483,pid = 5750,addr = 1a2b3c4d,index = 0,id = 0 \n 6 ,{guid} \n\n"));

  log.clear();
  ASSERT_EQ(openDevice(transport, *record.deviceTable.entry(2)), 0);
  EXPECT_NE(record.deviceTable.entry(2)->handle, nullptr);
  const std::string text = log.text();
  EXPECT_LT(text.find("open dev fail\n"), text.find("open the right dev\n")) << text;
}

// The path is logged as the system gives it, then read in its 8-bit form: Latin-1,
// '?' for anything beyond it, at most 511 bytes. Scan and open read it alike.
TEST_F(Discovery, PathsAreReadInTheirEightBitForm) {
  const std::string longPath = "/dev/" + std::string(600, 'p');
  const struct {
    std::string path;
    std::string converted;
  } cases[] = {
      {"/dev/hidraw0", "/dev/hidraw0"},
      {"/dev/caf\xC3\xA9", "/dev/caf\xE9"},
      {"/dev/\xE4\xB8\xAD", "/dev/?"},
      {longPath, longPath.substr(0, 511)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.substr(0, 20));
    transport = VirtualTransport(clock);
    record.deviceTable.clear();
    addConverter(ConverterModel::TQ4410, c.path, "n");
    log.clear();
    ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 1);
    EXPECT_TRUE(log.contains("devDetail->DevicePath: " + c.path + " \ndevDetail->DevicePath: " + c.converted + " \n"));
    EXPECT_EQ(record.deviceTable.entry(1)->address, fnv1a32(c.converted));
    ASSERT_EQ(openDevice(transport, *record.deviceTable.entry(1)), 0);
    EXPECT_NE(record.deviceTable.entry(1)->handle, nullptr);
    record.deviceTable.closeAll();
  }
}

TEST_F(Discovery, UnpluggedSinceTheScanLeavesTheHandleNull) {
  VirtualConverter& c = addConverter(ConverterModel::TQ4410, "/dev/hidraw0");
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 1);
  c.setFault(ConverterFault::Unplugged);
  EXPECT_EQ(openDevice(transport, *record.deviceTable.entry(1)), 0);
  EXPECT_EQ(record.deviceTable.entry(1)->handle, nullptr);

  record.selectedDevice = 1;
  log.clear();
  sendCommandA(record, 'Q', 1);
  EXPECT_EQ(log.text(), "get index = 1 \nthe handle is null\n");
}

}  // namespace
}  // namespace velkor::test

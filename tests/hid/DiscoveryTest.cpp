#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "ConverterFixture.h"
#include "DevicePath.h"
#include "Text.h"

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

// The scan reads the listing alone, so a converter that will not open is still found;
// only the open tells, and only a refusal of permission is told apart.
TEST_F(Discovery, ConvertersThatDoNotOpenAreFoundAndOnlyTheOpenFails) {
  const struct {
    const char* what;
    bool openable;
    bool attributesReadable;
    bool permissionDenied;
    int openResult;
  } cases[] = {
      {"opens", true, true, false, 0},
      {"does not open", false, true, false, 0},
      {"no attributes once open", true, false, false, 0},
      {"permission denied", true, true, true, kAccessDenied},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    transport = VirtualTransport(clock);
    record.deviceTable.clear();
    VirtualConverterSetup setup;
    setup.path = "/dev/hidraw1";
    setup.openable = c.openable;
    setup.attributesReadable = c.attributesReadable;
    setup.permissionDenied = c.permissionDenied;
    transport.addConverter(setup);
    ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 1);
    DeviceEntry& entry = *record.deviceTable.entry(1);
    EXPECT_EQ(entry.accessDenied, c.permissionDenied);
    EXPECT_EQ(entry.path, "/dev/hidraw1");
    EXPECT_EQ(openDevice(transport, entry), c.openResult);
    EXPECT_EQ(entry.handle != nullptr, c.openResult == 0 && c.openable && c.attributesReadable);
    EXPECT_EQ(transport.openHandles(), entry.handle != nullptr ? 1 : 0) << "nothing else is left open";
    entry.handle.reset();
  }
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

// On USB the kernel's port of the interface, with the serial number when there is one,
// is the identity, not the node the path names: node numbers change on every plug.
TEST_F(Discovery, AnInterfaceOnAUsbPortIsKnownByPortAndSerial) {
  const struct {
    std::string usbPort;
    std::string serial;
    std::string identity;
  } cases[] = {
      {"1-1.2:1.0", "", "1-1.2:1.0"},
      {"3-2.4.1:1.0", "A1B2", "3-2.4.1:1.0/A1B2"},
      {"1-1:1.0", "caf\xC3\xA9\xE4\xB8\xAD", "1-1:1.0/caf\xE9?"},
      {"1-1:1.0", std::string(80, 's'), "1-1:1.0/" + std::string(55, 's')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.identity);
    transport = VirtualTransport(clock);
    record.deviceTable.clear();
    VirtualConverterSetup setup;
    setup.path = "/dev/hidraw4";
    setup.usbPort = c.usbPort;
    setup.serialNumber = c.serial;
    transport.addConverter(setup);
    log.clear();
    ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 1);
    const DeviceEntry& entry = *record.deviceTable.entry(1);
    const std::string whole = c.usbPort + (c.serial.empty() ? "" : "/") + eightBitDevicePath(c.serial);
    EXPECT_EQ(entry.address, fnv1a32(whole.substr(0, 511)));
    EXPECT_EQ(entry.pathTail.data(), c.identity);
    EXPECT_EQ(entry.serialNumber, c.serial);
    char parseLines[160];
    std::snprintf(parseLines, sizeof parseLines, " vid = 0,pid = 0,addr = %x,index = 0,id = 0 \n  ,%s \n\n",
                  entry.address, c.identity.c_str());
    EXPECT_TRUE(log.contains("devDetail->DevicePath: /dev/hidraw4 \ndevDetail->DevicePath: /dev/hidraw4 \n" +
                             std::string(parseLines)))
        << log.text();
  }
}

// Between a scan and a choice converters are unplugged, replugged and swapped; the
// entry opens its own converter or none, never another.
TEST_F(Discovery, ReplugsAndSwapsNeverOpenAnotherConverterUnderAnOldEntry) {
  const struct {
    const char* what;
    bool serials;
    std::function<void(VirtualConverter& a, VirtualConverter& b)> change;
    const char* opened;  // name of the converter entry 1 opens; "" for none
  } cases[] = {
      {"nothing changed", false, [](auto&, auto&) {}, "A"},
      {"replugged at its port, new node", false, [](auto& a, auto&) { a.replug("/dev/hidraw7", "1-1.2:1.0"); }, "A"},
      {"gone, its node reused by the other at another port", false,
       [](auto& a, auto& b) {
         a.setFault(ConverterFault::Unplugged);
         b.replug("/dev/hidraw3", "1-1.4:1.0");
       },
       ""},
      {"replugged at another port, same node", false, [](auto& a, auto&) { a.replug("/dev/hidraw3", "1-1.5:1.0"); },
       ""},
      {"swapped between the ports, serials tell", true,
       [](auto& a, auto& b) {
         a.replug("/dev/hidraw5", "1-1.3:1.0");
         b.replug("/dev/hidraw6", "1-1.2:1.0");
       },
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    transport = VirtualTransport(clock);
    record.deviceTable.clear();
    const auto place = [&](const char* path, const char* port, const char* name) -> VirtualConverter& {
      VirtualConverterSetup setup;
      setup.path = path;
      setup.usbPort = port;
      setup.name = name;
      setup.serialNumber = c.serials ? std::string("S") + name : "";
      return transport.addConverter(setup);
    };
    VirtualConverter& a = place("/dev/hidraw3", "1-1.2:1.0", "A");
    VirtualConverter& b = place("/dev/hidraw4", "1-1.3:1.0", "B");
    ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 2);
    c.change(a, b);
    DeviceEntry& entry = *record.deviceTable.entry(1);
    ASSERT_EQ(openDevice(transport, entry), 0);
    ASSERT_EQ(entry.handle != nullptr, *c.opened != 0);
    if (entry.handle == nullptr) continue;
    record.selectedDevice = 1;
    queryStatusA(record);
    EXPECT_EQ(record.customNameA, fromUtf8(c.opened));
    entry.handle.reset();
  }
}

// The model is part of what the entry describes: a converter of the other model in the
// same place is not opened under it.
TEST_F(Discovery, AConverterOfTheOtherModelInTheSamePlaceIsNotOpened) {
  VirtualConverter& a = addConverter(ConverterModel::TQ4410, "/dev/hidraw3", "A");
  a.replug("/dev/hidraw3", "1-1.2:1.0");
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 1);
  a.setFault(ConverterFault::Unplugged);
  VirtualConverterSetup other = a.setup();
  other.model = ConverterModel::TQ6630;
  other.versionNumber = 0;  // the model's own
  transport.addConverter(other);
  EXPECT_EQ(openDevice(transport, *record.deviceTable.entry(1)), 0);
  EXPECT_EQ(record.deviceTable.entry(1)->handle, nullptr);
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

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "CommandSet.h"
#include "DeviceRecord.h"
#include "Discovery.h"
#include "HidapiTransport.h"
#include "LogCapture.h"
#include "hidapi_double/HidapiDouble.h"

namespace velkor::test {
namespace {

class HidapiBackend : public ::testing::Test {
 protected:
  void SetUp() override { fake.reset(); }
  void TearDown() override {
    record.deviceTable.closeAll();
    EXPECT_EQ(fake.openDevices.load(), 0) << "every handle is closed";
  }

  VirtualConverter& add(ConverterModel model, const std::string& path, std::string name) {
    VirtualConverterSetup setup;
    setup.model = model;
    setup.path = path;
    setup.name = std::move(name);
    return fake.add(setup);
  }

  void select(HidapiTransport& transport, int number) {
    ASSERT_EQ(openDevice(transport, *record.deviceTable.entry(number)), 0);
    ASSERT_NE(record.deviceTable.entry(number)->handle, nullptr);
    record.selectedDevice = number;
  }

  // One converter in use, with a request whose write is stuck in the "kernel".
  void stallAWrite(HidapiTransport& transport) {
    add(ConverterModel::TQ4410, "/dev/hidraw0", "");
    ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 1);
    select(transport, 1);
    fake.stallWrites(true);
    sendCommandA(record, 'Q', 1);
  }

  HidapiDouble& fake = HidapiDouble::instance();
  DeviceRecord record;
  LogCapture log;
};

TEST_F(HidapiBackend, ScansOpensAndTellsTwoConvertersApart) {
  add(ConverterModel::TQ4410, "/dev/hidraw2", "left");
  add(ConverterModel::TQ6630, "/dev/hidraw3", "right");
  add(ConverterModel::TQ4410, "/dev/hidraw4", "third");
  HidapiTransport transport;
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 3);
  EXPECT_EQ(record.deviceTable.entry(2)->versionNumber, 2) << "release_number is the model";
  EXPECT_EQ(fake.openDevices.load(), 0);

  select(transport, 3);
  queryStatusA(record);
  EXPECT_EQ(record.customNameA, u"third");
}

TEST_F(HidapiBackend, AConverterListedOncePerUsageIsScannedOnce) {
  add(ConverterModel::TQ4410, "/dev/hidraw2", "left");
  add(ConverterModel::TQ6630, "/dev/hidraw3", "right");
  fake.listingsPerDevice = 3;
  HidapiTransport transport;
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 2);
  EXPECT_EQ(record.deviceTable.entry(1)->versionNumber, 1);
  EXPECT_EQ(record.deviceTable.entry(2)->versionNumber, 2);
}

TEST_F(HidapiBackend, WritesTheFrameAsOneReportAndPlacesTheReplyAfterByteZero) {
  VirtualConverter& c = add(ConverterModel::TQ6630, "/dev/hidraw0", "Cam");
  c.state.firmwareHigh = 0x12;
  HidapiTransport transport;
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 1);
  select(transport, 1);
  queryStatusB(record);

  ASSERT_EQ(fake.writes.size(), 1u);
  EXPECT_EQ(fake.writes[0].length, 577u);
  EXPECT_EQ(fake.writes[0].firstByte, 0x00) << "byte 0 is the report ID";
  ASSERT_EQ(fake.reads.size(), 1u);
  EXPECT_EQ(fake.reads[0].length, 255u) << "the reply area less its report ID byte";
  EXPECT_EQ(fake.reads[0].milliseconds, 500);
  EXPECT_EQ(record.replyBuffer[0], 0);
  EXPECT_EQ(record.replyBuffer[1], 0xA5);
  EXPECT_EQ(record.statusB.firmwareHigh, 0x12);
  EXPECT_EQ(record.customNameB, u"Cam");
}

TEST_F(HidapiBackend, OversizedReportsAreCutAndSilenceIsATimeOut) {
  VirtualConverter& c = add(ConverterModel::TQ4410, "/dev/hidraw0", "");
  c.setFault(ConverterFault::OversizedReport);
  HidapiTransport transport;
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 1);
  select(transport, 1);
  queryStatusA(record);
  EXPECT_TRUE(log.contains("Capabilities.InputReportByteLength = 256\t \n"));

  c.setFault(ConverterFault::NoReply);
  log.clear();
  queryStatusA(record);
  EXPECT_TRUE(log.contains("recv ret = -3 \n"));
}

TEST_F(HidapiBackend, GoneDeviceAndUnreadablePaths) {
  VirtualConverter& c = add(ConverterModel::TQ4410, "/dev/hidraw0", "");
  HidapiTransport transport;
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 1);
  select(transport, 1);
  c.setFault(ConverterFault::Unplugged);
  queryStatusA(record);
  EXPECT_TRUE(log.contains("send ret = -2 \n"));

  c.setFault(ConverterFault::Unplugged, false);
  fake.nullPathAtFirst = true;
  record.deviceTable.clear();
  EXPECT_EQ(enumerateDevices(transport, record.deviceTable), kPathUnavailable);

  fake.initFails = true;
  HidapiTransport broken;
  EXPECT_EQ(enumerateDevices(broken, record.deviceTable), kNoInterfaceList);
}

TEST_F(HidapiBackend, AStalledWriteIsBoundedAndTheHandleStillClosesCleanly) {
  HidapiTransport transport;
  stallAWrite(transport);
  EXPECT_TRUE(log.contains("send ret = -3 \n"));
  EXPECT_TRUE(fake.reads.empty()) << "no read follows a write that did not complete";

  // The stuck write finishes later; the next exchange goes through.
  fake.stallWrites(false);
  log.clear();
  sendCommandA(record, 'Q', 2);
  EXPECT_TRUE(log.contains("send ret = 0 \n")) << log.text();
}

// Choosing another converter closes every handle: a write stuck in the kernel must not
// hold the window until the kernel gives up on it.
TEST_F(HidapiBackend, ClosingDuringAStalledWriteLeavesTheCloseToTheWriter) {
  HidapiTransport transport;
  stallAWrite(transport);
  record.deviceTable.closeAll();  // would never return if it waited for the write
  EXPECT_EQ(record.deviceTable.entry(1)->handle, nullptr);
  EXPECT_EQ(fake.openDevices.load(), 1) << "the stuck write still holds the device";

  fake.stallWrites(false);
  for (int i = 0; i < 1000 && fake.openDevices.load() != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace
}  // namespace velkor::test

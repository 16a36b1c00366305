// The SetupAPI transport against a double of SetupAPI, hid.dll and the device file
// functions, backed by virtual converters.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "CommandSet.h"
#include "DeviceRecord.h"
#include "Discovery.h"
#include "LogCapture.h"
#include "SetupApiTransport.h"
#include "setupapi_double/SetupApiDouble.h"

namespace velkor::test {
namespace {

using namespace std::chrono_literals;

// Interface paths as Windows gives them, one per USB port.
std::string interfacePath(const char* vidPid, const char* instance) {
  return std::string("\\\\?\\hid#") + vidPid + "#" + instance + "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

class SetupApiBackend : public ::testing::Test {
 protected:
  void SetUp() override { fake.reset(); }
  void TearDown() override {
    record.deviceTable.closeAll();
    EXPECT_EQ(fake.openDevices, 0) << "every handle is closed";
  }

  VirtualConverter& add(ConverterModel model, const std::string& path, const std::string& serial, std::string name) {
    VirtualConverterSetup setup;
    setup.model = model;
    setup.path = path;
    setup.serialNumber = serial;
    setup.name = std::move(name);
    setup.ids = model == ConverterModel::TQ4410 ? kAcceptedPairs[1] : kAcceptedPairs[2];
    return fake.add(setup);
  }

  void select(int number) {
    ASSERT_EQ(openDevice(transport, *record.deviceTable.entry(number)), 0);
    record.selectedDevice = number;
  }

  SetupApiDouble& fake = SetupApiDouble::instance();
  SetupApiTransport transport{SetupApiDouble::functions()};
  DeviceRecord record;
  LogCapture log;
};

// Vendor, product, release number and serial number come from the names Windows keeps
// (the hardware ID, the USB parent's instance ID): a scan opens nothing, not even the
// keyboard, and a choice opens its converter alone. Wine's names lack the release and
// serial numbers: its scan asks the converters themselves, and only them.
TEST_F(SetupApiBackend, AScanReadsWindowsNamesAndOpensNothing) {
  const std::string left = interfacePath("vid_2ee4&pid_001a", "7&1a2b3c4d&0&0000");
  const std::string right = interfacePath("vid_2ee4&pid_001b", "7&5e6f7a8b&0&0000");
  add(ConverterModel::TQ4410, left, "A4410137", "left");
  add(ConverterModel::TQ6630, right, "", "right");
  VirtualConverterSetup keyboard;
  keyboard.ids = {0x046D, 0xC31C};
  keyboard.path = interfacePath("vid_046d&pid_c31c&mi_00", "7&9a8b7c6d&0&0000");
  fake.mustNotOpen.insert(fake.add(keyboard).setup().path);

  const struct {
    bool wine;
    std::vector<std::string> opened;
  } cases[] = {{false, {}}, {true, {left, right}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wine ? "wine's names" : "Windows' names");
    fake.wineNames = c.wine;
    fake.openedPaths.clear();
    const auto listing = transport.listInterfaces();
    EXPECT_EQ(fake.openedPaths, c.opened);
    EXPECT_EQ(fake.openDevices, 0) << "every handle is closed";
    ASSERT_TRUE(listing.has_value());
    ASSERT_EQ(listing->size(), 3u);
    EXPECT_EQ((*listing)[0].path, left);
    EXPECT_EQ((*listing)[0].attributes.vendorId, 0x2ee4);
    EXPECT_EQ((*listing)[0].attributes.productId, 0x001a);
    EXPECT_EQ((*listing)[0].attributes.versionNumber, 1);
    EXPECT_EQ((*listing)[0].serialNumber, "A4410137");
    EXPECT_EQ((*listing)[1].attributes.versionNumber, 2);
    EXPECT_EQ((*listing)[1].serialNumber, "") << "an instance number Windows made up is no serial number";
    EXPECT_EQ((*listing)[2].attributes.vendorId, 0x046d);
  }
  fake.wineNames = false;
  fake.openedPaths.clear();
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 2);
  EXPECT_TRUE(fake.openedPaths.empty());

  select(2);
  queryStatusB(record);
  EXPECT_EQ(record.customNameB, u"right");
  EXPECT_EQ(fake.openedPaths, std::vector<std::string>{right});
  EXPECT_EQ(fake.writeLengths, std::vector<std::size_t>{wire::kFrameLength}) << "the frame as one output report";
}

TEST_F(SetupApiBackend, NoListingIsNoListAndAConverterThatCannotBeOpenedIsNotUsed) {
  fake.listFails = true;
  EXPECT_EQ(transport.listInterfaces(), std::nullopt);
  fake.listFails = false;
  VirtualConverter& held = add(ConverterModel::TQ4410, interfacePath("vid_2ee4&pid_001a", "7&1&0&0000"), "", "x");
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 1);
  // Held by a program that does not share it: Windows says so only at the open, which
  // leaves the entry without a handle.
  const_cast<VirtualConverterSetup&>(held.setup()).permissionDenied = true;
  EXPECT_EQ(openDevice(transport, *record.deviceTable.entry(1)), 0);
  EXPECT_EQ(record.deviceTable.entry(1)->handle, nullptr);
  EXPECT_EQ(fake.openDevices, 0);
}

// Each transfer is bounded by its limit and cancelled after it; a device gone answers
// at once.
TEST_F(SetupApiBackend, TransfersAreBoundedCancelledAndGoneDevicesAnswerAtOnce) {
  VirtualConverter& converter = add(ConverterModel::TQ4410, interfacePath("vid_2ee4&pid_001a", "7&2&0&0000"), "", "x");
  const std::unique_ptr<HidDevice> device = transport.open(converter.setup().path);
  ASSERT_NE(device, nullptr);
  std::array<std::uint8_t, wire::kReplyAreaLength> reply{};

  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(device->read(reply, 50ms).kind, ReadOutcome::Kind::TimedOut) << "nothing sent, nothing to read";
  EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
  EXPECT_EQ(fake.cancels, 1);

  fake.writesStall = true;
  const std::vector<std::uint8_t> frame(wire::kFrameLength, 0);
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(device->write(frame, 50ms), WriteOutcome::TimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  EXPECT_EQ(fake.cancels, 2);
  fake.writesStall = false;

  converter.setFault(ConverterFault::Unplugged);
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(device->write(frame, 500ms), WriteOutcome::Unavailable);
  EXPECT_EQ(device->read(reply, 500ms).kind, ReadOutcome::Kind::Gone);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 400ms);
}

// The report comes with its ID first; the caller gets the data alone, cut to its buffer.
TEST_F(SetupApiBackend, TheReplyLosesItsReportIdAndWhatWasQueuedIsDropped) {
  VirtualConverter& converter = add(ConverterModel::TQ6630, interfacePath("vid_2ee4&pid_001b", "7&3&0&0000"), "", "Cam");
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 1);
  select(1);
  queryStatusB(record);
  EXPECT_EQ(record.customNameB, u"Cam");

  // Replies meant for another program: dropped before the next request.
  const std::vector<std::uint8_t> request = converter.receivedFrames().front();
  converter.receive(request, std::chrono::steady_clock::now());
  converter.receive(request, std::chrono::steady_clock::now());
  HidDevice& device = *record.deviceTable.entry(1)->handle;
  const int flushed = fake.flushes;
  device.discardQueued();
  EXPECT_EQ(fake.flushes, flushed + 1);
  std::array<std::uint8_t, 16> small{};
  EXPECT_EQ(device.read(small, 20ms).kind, ReadOutcome::Kind::TimedOut) << "nothing left queued";
}

// Handles on one converter take turns, across threads as across programs.
TEST_F(SetupApiBackend, HandlesTakeTurnsOnOneConverter) {
  VirtualConverter& converter = add(ConverterModel::TQ4410, interfacePath("vid_2ee4&pid_001a", "7&4&0&0000"), "", "x");
  const std::unique_ptr<HidDevice> first = transport.open(converter.setup().path);
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(first->takeTurn(50ms).taken);
  std::thread([&] {
    const std::unique_ptr<HidDevice> second = transport.open(converter.setup().path);
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(second->takeTurn(50ms).taken) << "the first holds it";
  }).join();
  first->endTurn();
  std::thread([&] {
    const std::unique_ptr<HidDevice> second = transport.open(converter.setup().path);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->takeTurn(50ms).taken);
    second->endTurn();
  }).join();
}

}  // namespace
}  // namespace velkor::test

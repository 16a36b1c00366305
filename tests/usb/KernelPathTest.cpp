// The protocol core and the hidapi transport against gadget converters through the
// Linux kernel: USB descriptors, usbhid, hidraw and hidapi's hidraw backend, with the
// kernel's own time-outs. Runs only in the test machine (scripts/test-usb.sh).

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <thread>

#include "CommandSet.h"
#include "DeviceRecord.h"
#include "Discovery.h"
#include "GadgetControl.h"
#include "HidapiTransport.h"
#include "LogCapture.h"

namespace velkor::test {
namespace {

using namespace std::chrono;
using Clock = steady_clock;

// Each exchange is a write and a read of at most 500 ms each; some slack for a slow
// emulated machine.
constexpr milliseconds kExchangeBound{1300};
constexpr GadgetDevice kDevices[] = {kStudioA, kObTruck, kStageLeft};

class KernelPath : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const GadgetDevice& d : kDevices) {
      GadgetControl::send("reset " + std::to_string(d.number));
      GadgetControl::send("name " + std::to_string(d.number) + " " + d.name);
    }
    ASSERT_TRUE(GadgetControl::waitForHidraw(kConverterCount + 1));
  }
  void TearDown() override { record.deviceTable.closeAll(); }

  int scan() {
    record.deviceTable.closeAll();
    record.deviceTable.clear();
    return enumerateDevices(transport, record.deviceTable);
  }
  bool select(int number) {
    DeviceEntry* entry = record.deviceTable.entry(number);
    if (entry == nullptr || openDevice(transport, *entry) != 0 || entry->handle == nullptr) return false;
    record.selectedDevice = number;
    return true;
  }
  // Asks the device in use for its status; the name it gave, empty when no reply.
  std::u16string query() {
    const DeviceEntry& entry = *record.deviceTable.entry(record.selectedDevice);
    if (entry.versionNumber == kVersionModelA) {
      queryStatusA(record);
      return record.customNameA;
    }
    queryStatusB(record);
    return record.customNameB;
  }
  // Which gadget converter the entry reaches: the one whose count of frames grows.
  int reachedBy(int number) {
    if (!select(number)) return 0;
    int before[kConverterCount];
    for (int k = 0; k < kConverterCount; ++k) before[k] = GadgetControl::frames(k + 1);
    query();
    int reached = 0;
    for (int k = 0; k < kConverterCount; ++k)
      if (GadgetControl::frames(k + 1) != before[k]) reached = reached == 0 ? k + 1 : -1;
    return reached;
  }
  template <typename Step>
  milliseconds timed(Step step) {
    const auto start = Clock::now();
    step();
    return duration_cast<milliseconds>(Clock::now() - start);
  }
  int entryOf(const GadgetDevice& device) {
    for (int k = 1; k <= kConverterCount; ++k)
      if (reachedBy(k) == device.number) return k;
    return 0;
  }

  LogCapture log;
  HidapiTransport transport;
  DeviceRecord record;
};

// Every converter is found once, by its model, and each entry reaches its own, the two
// of one model included.
TEST_F(KernelPath, ConvertersFoundAndToldApart) {
  ASSERT_EQ(scan(), kConverterCount) << log.text();
  std::set<int> reached;
  std::multiset<std::uint16_t> versions;
  for (int k = 1; k <= kConverterCount; ++k) {
    versions.insert(record.deviceTable.entry(k)->versionNumber);
    const int gadget = reachedBy(k);
    ASSERT_GE(gadget, 1) << "entry " << k << " reached no converter or several";
    reached.insert(gadget);
    const GadgetDevice& device = kDevices[gadget - 1];
    const std::string name = device.name;
    EXPECT_EQ(query(), std::u16string(name.begin(), name.end())) << "entry " << k;
  }
  EXPECT_EQ(reached.size(), std::size_t{kConverterCount}) << "two entries reached one converter";
  EXPECT_EQ(versions, (std::multiset<std::uint16_t>{kVersionModelA, kVersionModelA, kVersionModelB}));
}

// Settings travel the whole way: the converter holds what was sent, and reports it.
TEST_F(KernelPath, ASettingAndANameReachTheConverter) {
  ASSERT_EQ(scan(), kConverterCount);
  const int a = entryOf(kObTruck);
  const int b = entryOf(kStageLeft);
  ASSERT_TRUE(select(a));
  query();
  sendCommandA(record, wire::kCmdAvOutputTypeA, 1);
  EXPECT_EQ(GadgetControl::state(kObTruck.number).at("settings"), "0,0,0,0,1,0,0,0");
  record.customNameA = u"Truck \u00e9";
  sendNameA(record);
  EXPECT_EQ(GadgetControl::state(kObTruck.number).at("name"), "Truck \xe9");
  ASSERT_TRUE(select(b));
  query();
  record.statusB.outputFormat = 9;
  applySettingsB(record);
  EXPECT_EQ(GadgetControl::state(kStageLeft.number).at("settings").substr(0, 2), "9,");
  EXPECT_EQ(query(), u"Stage Left");
  GadgetControl::send("settings 2 0,0,0,0,0,0,0,0");
  GadgetControl::send("settings 3 0,0,0,0,0,0,0,0");
}

// No reply: the read gives up at its limit, and the converter answers again later.
TEST_F(KernelPath, NoReplyEndsAtTheReadLimit) {
  ASSERT_EQ(scan(), kConverterCount);
  ASSERT_TRUE(select(entryOf(kStudioA)));
  GadgetControl::send("fault 1 no-reply on");
  std::u16string name = u"?";
  const milliseconds took = timed([&] { name = query(); });
  EXPECT_GE(took, milliseconds(450));
  EXPECT_LE(took, kExchangeBound);
  EXPECT_TRUE(name.empty());
  GadgetControl::send("fault 1 no-reply off");
  EXPECT_EQ(query(), u"Studio A");
}

// A converter that stops taking output reports: the kernel holds a write for seconds,
// ours still ends at its limit, and once the converter reads again so does the program.
TEST_F(KernelPath, StalledOutputEndsAtTheWriteLimitAndRecovers) {
  ASSERT_EQ(scan(), kConverterCount);
  ASSERT_TRUE(select(entryOf(kStageLeft)));
  GadgetControl::send("fault 3 stalled-out on");
  std::string times;
  for (int k = 0; k < 8; ++k) {
    const milliseconds took = timed([&] { query(); });
    EXPECT_LE(took, kExchangeBound) << "exchange " << k << " outlasted its limits";
    times += " " + std::to_string(took.count());
  }
  GadgetControl::send("fault 3 stalled-out off");
  // What the kernel held goes through now; its replies come and go.
  std::u16string name;
  int tries = 0;
  while (tries < 12 && name != u"Stage Left") {
    name = query();
    ++tries;
  }
  EXPECT_EQ(name, u"Stage Left");
  std::printf("stalled: exchanges took%s ms; %d exchanges after it read again\n", times.c_str(), tries);
}

// Unplugged while in use: the exchange ends at once or at its limits, the program goes
// on, and the next scan shows only what is there.
TEST_F(KernelPath, UnplugDuringASessionAndTheNextScan) {
  ASSERT_EQ(scan(), kConverterCount);
  ASSERT_TRUE(select(entryOf(kObTruck)));
  GadgetControl::send("unplug 2");
  ASSERT_TRUE(GadgetControl::waitForHidraw(kConverterCount));
  std::u16string name = u"?";
  EXPECT_LE(timed([&] { name = query(); }), kExchangeBound);
  EXPECT_TRUE(name.empty());
  EXPECT_EQ(scan(), kConverterCount - 1);
  for (int k = 1; k < kConverterCount; ++k) EXPECT_NE(reachedBy(k), kObTruck.number);
  GadgetControl::send("replug 2");
  ASSERT_TRUE(GadgetControl::waitForHidraw(kConverterCount + 1));
  EXPECT_EQ(scan(), kConverterCount);
}

// Two converters of one model, unplugged after a scan and plugged in again in the
// other order, swap hidraw nodes: the old entry must open its own
// converter or none, never the other.
TEST_F(KernelPath, ReplugBetweenScanAndChoiceNeverOpensAnotherConverter) {
  ASSERT_EQ(scan(), kConverterCount);
  // The kernel gives a new device the lowest free node: plugging the converter with
  // the higher node in first hands it the other's.
  const bool studioLower = GadgetControl::hidrawOf(kStudioA.serial) < GadgetControl::hidrawOf(kObTruck.serial);
  const GadgetDevice& lower = studioLower ? kStudioA : kObTruck;
  const GadgetDevice& higher = studioLower ? kObTruck : kStudioA;
  const std::string lowerNode = GadgetControl::hidrawOf(lower.serial);
  const int lowerEntry = entryOf(lower);
  record.deviceTable.closeAll();
  GadgetControl::send("unplug " + std::to_string(lower.number));
  GadgetControl::send("unplug " + std::to_string(higher.number));
  ASSERT_TRUE(GadgetControl::waitForHidraw(kConverterCount - 1));
  GadgetControl::send("replug " + std::to_string(higher.number));
  ASSERT_TRUE(GadgetControl::waitForHidraw(kConverterCount));
  GadgetControl::send("replug " + std::to_string(lower.number));
  ASSERT_TRUE(GadgetControl::waitForHidraw(kConverterCount + 1));
  ASSERT_EQ(GadgetControl::hidrawOf(higher.serial), lowerNode) << "the nodes did not swap; nothing was tried";

  const int before = GadgetControl::frames(higher.number);
  if (select(lowerEntry)) {
    const std::string name = lower.name;
    EXPECT_EQ(query(), std::u16string(name.begin(), name.end())) << "the old entry opened another converter";
  }
  EXPECT_EQ(GadgetControl::frames(higher.number), before) << "a frame reached the converter now at the old node";
}

// A scan reads the system's listing: it opens no HID device, least of all a keyboard.
TEST_F(KernelPath, ScanNeverOpensTheKeyboard) {
  const std::string keyboard = GadgetControl::hidrawOf(kKeyboardSerial);
  ASSERT_FALSE(keyboard.empty());
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, keyboard.c_str(), IN_OPEN), 0);
  EXPECT_EQ(scan(), kConverterCount);
  char events[4096];
  EXPECT_LT(::read(watch, events, sizeof events), 0) << "the scan opened " << keyboard;
  ::close(watch);
}

// Replies the converters should not send go through the kernel too: none of them
// holds an exchange past its limits or changes what the converter holds.
TEST_F(KernelPath, BadRepliesEndInTime) {
  ASSERT_EQ(scan(), kConverterCount);
  ASSERT_TRUE(select(entryOf(kStudioA)));
  for (const char* fault : {"late-reply", "wrong-sync", "unknown-reply-code", "oversized-report", "unclosed-name"}) {
    GadgetControl::send(std::string("fault 1 ") + fault + " on");
    milliseconds longest{0};
    std::u16string name;
    for (int k = 0; k < 3; ++k) longest = std::max(longest, timed([&] { name = query(); }));
    EXPECT_LE(longest, kExchangeBound) << fault;
    const std::string shown(name.begin(), name.end());
    std::printf("%s: %d bytes of name read, \"%.20s\"; longest exchange %lld ms\n", fault,
                static_cast<int>(name.size()), shown.c_str(), static_cast<long long>(longest.count()));
    GadgetControl::send(std::string("fault 1 ") + fault + " off");
    std::this_thread::sleep_for(milliseconds(700));  // a late reply still on its way
    name.clear();
    for (int k = 0; k < 4 && name != u"Studio A"; ++k) name = query();
    EXPECT_EQ(name, u"Studio A") << "after " << fault;
  }
}

}  // namespace
}  // namespace velkor::test

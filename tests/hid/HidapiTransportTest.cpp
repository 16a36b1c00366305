#include <fcntl.h>
#include <csignal>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "CommandSet.h"
#include "DevicePath.h"
#include "ExchangeTurn.h"
#include "DeviceRecord.h"
#include "Discovery.h"
#include "HidapiTransport.h"
#include "LogCapture.h"
#include "hidapi_double/HidapiDouble.h"

namespace velkor::test {
namespace {

namespace fs = std::filesystem;

// hidapi's listing comes from the double; what the backend reads beside it, the device
// nodes and the kernel's description of them in sysfs, is a tree of the test's own.
class HidapiBackend : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.reset();
    ::umask(022);  // the tree must stay readable for the tests that drop privileges
    char name[] = "/tmp/velkor-hidapi-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    root = name;
    // Readable by anyone, for the tests that run as a user without privileges.
    fs::permissions(root, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec |
                              fs::perms::group_read | fs::perms::others_read);
    fs::create_directories(root / "dev");
  }
  void TearDown() override {
    record.deviceTable.closeAll();
    EXPECT_EQ(fake.openDevices.load(), 0) << "every handle is closed";
    fs::remove_all(root);
  }

  fs::path node(const std::string& name) const { return root / "dev" / name; }

  // A listed interface on hidraw node `nodeName`, plugged into `usbPort` ("1-1.2:1.0";
  // empty: a HID device on no USB, such as one made through uhid).
  VirtualConverter& plug(VirtualConverterSetup setup, const std::string& nodeName, const std::string& usbPort) {
    setup.path = node(nodeName).string();
    setup.usbPort = usbPort;
    VirtualConverter& c = fake.add(setup);
    place(c);
    return c;
  }

  VirtualConverter& add(ConverterModel model, const std::string& path, std::string name,
                        const std::string& usbPort = "") {
    VirtualConverterSetup setup;
    setup.model = model;
    setup.name = std::move(name);
    return plug(setup, fs::path(path).filename().string(), usbPort);
  }

  // The node and its sysfs description where the converter's setup says; the kernel
  // drops a node's description when it goes.
  void place(const VirtualConverter& c) {
    const fs::path nodePath = c.setup().path;
    std::ofstream(nodePath).put('\0');
    fs::permissions(nodePath, c.setup().permissionDenied
                                  ? fs::perms::none
                                  : fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                        fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
    const std::string port = c.setup().usbPort;
    const fs::path parent = port.empty() ? root / "sys/devices/virtual/misc/uhid"
                                         : root / "sys/devices/pci0000:00/usb1" / port.substr(0, port.find(':')) / port;
    char hidDevice[32];
    std::snprintf(hidDevice, sizeof hidDevice, "0003:%04X:%04X.%04X", c.attributes().vendorId, c.attributes().productId,
                  ++hidDevices);
    fs::create_directories(parent / hidDevice);
    const fs::path classDir = root / "sys/class/hidraw" / nodePath.filename();
    fs::remove_all(classDir);
    fs::create_directories(classDir);
    fs::create_directory_symlink(parent / hidDevice, classDir / "device");
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
  fs::path root;
  int hidDevices = 0;
  DeviceRecord record;
  LogCapture log;
};

TEST_F(HidapiBackend, ScansOpensAndTellsTwoConvertersApart) {
  add(ConverterModel::TQ4410, "/dev/hidraw2", "left");
  add(ConverterModel::TQ6630, "/dev/hidraw3", "right");
  add(ConverterModel::TQ4410, "/dev/hidraw4", "third");
  HidapiTransport transport(root / "sys");
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 3);
  EXPECT_EQ(record.deviceTable.entry(2)->versionNumber, 2) << "release_number is the model";
  EXPECT_EQ(fake.openDevices.load(), 0);

  select(transport, 3);
  queryStatusA(record);
  EXPECT_EQ(record.customNameA, u"third");
}

// A scan reads hidapi's listing and opens nothing: no keyboard, no security key, no
// other product on a shared vendor/product pair. A choice opens its converter alone.
TEST_F(HidapiBackend, AScanOpensNothingAndAChoiceOpensOnlyItsConverter) {
  VirtualConverterSetup keyboard;
  keyboard.ids = {0x046D, 0xC31C};
  keyboard.versionNumber = 0x0110;
  VirtualConverterSetup sharedPair;  // another product of the converters' pair 0483:5750
  sharedPair.ids = {0x0483, 0x5750};
  sharedPair.versionNumber = 0x0200;
  fake.mustNotOpen.insert(plug(keyboard, "hidraw0", "1-1.1:1.0").setup().path);
  fake.mustNotOpen.insert(plug(sharedPair, "hidraw5", "1-1.5:1.0").setup().path);
  VirtualConverterSetup onUsb;
  onUsb.name = "Port";
  onUsb.serialNumber = "SN-7";
  plug(onUsb, "hidraw1", "1-1.2:1.0");
  add(ConverterModel::TQ6630, "/dev/hidraw2", "Uhid");  // on no USB port

  HidapiTransport transport(root / "sys");
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 2);
  EXPECT_TRUE(fake.openedPaths.empty()) << "a scan opens nothing";
  EXPECT_STREQ(record.deviceTable.entry(1)->pathTail.data(), "1-1.2:1.0/SN-7");
  EXPECT_EQ(record.deviceTable.entry(1)->serialNumber, "SN-7");
  EXPECT_EQ(record.deviceTable.entry(2)->address, fnv1a32(node("hidraw2").string())) << "known by its path";

  select(transport, 2);
  EXPECT_EQ(fake.openedPaths, std::vector<std::string>{node("hidraw2").string()});
  queryStatusB(record);
  EXPECT_EQ(record.customNameB, u"Uhid");
  record.deviceTable.closeAll();
  select(transport, 1);
  EXPECT_EQ(fake.openedPaths.back(), node("hidraw1").string());
  EXPECT_EQ(fake.openedPaths.size(), 2u);
}

// Root passes every permission check, so the check runs as nobody in a child process.
TEST_F(HidapiBackend, AConverterThisUserMayNotOpenIsListedAndNamedAtTheOpen) {
  VirtualConverterSetup locked;
  locked.model = ConverterModel::TQ6630;
  locked.permissionDenied = true;
  plug(locked, "hidraw3", "1-1.3:1.0");
  add(ConverterModel::TQ4410, "/dev/hidraw4", "Free", "1-1.4:1.0");
  EXPECT_EXIT(
      {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
          std::_Exit(2);
        HidapiTransport transport(root / "sys");
        const int found = enumerateDevices(transport, record.deviceTable);
        DeviceEntry& denied = *record.deviceTable.entry(1);
        DeviceEntry& free = *record.deviceTable.entry(2);
        const bool listedDenied = denied.accessDenied;
        const int deniedOpen = openDevice(transport, denied);
        const int freeOpen = openDevice(transport, free);
        std::fprintf(stderr, "found %d; denied: listed %d, open %d; free: listed %d, open %d, handle %d; opens %zu\n",
                     found, listedDenied, deniedOpen, free.accessDenied, freeOpen, free.handle != nullptr,
                     fake.openedPaths.size());
        record.deviceTable.closeAll();
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "found 2; denied: listed 1, open -4; free: listed 0, open 0, handle 1; opens 1");
}

// hidraw node numbers are handed out anew on every plug and reused: the entry follows
// the port, never the node.
TEST_F(HidapiBackend, AConverterIsFoundAgainAtItsPortWhateverNodeItGets) {
  VirtualConverter& a = add(ConverterModel::TQ4410, "/dev/hidraw3", "A", "1-1.2:1.0");
  VirtualConverter& b = add(ConverterModel::TQ4410, "/dev/hidraw4", "B", "1-1.3:1.0");
  HidapiTransport transport(root / "sys");
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 2);

  // A goes; B is replugged at another port and gets A's old node.
  a.setFault(ConverterFault::Unplugged);
  b.replug(node("hidraw3").string(), "1-1.4:1.0");
  place(b);
  EXPECT_EQ(openDevice(transport, *record.deviceTable.entry(1)), 0);
  EXPECT_EQ(record.deviceTable.entry(1)->handle, nullptr);
  EXPECT_TRUE(fake.openedPaths.empty()) << "B is not even opened";

  // A comes back at its port, on a new node.
  a.setFault(ConverterFault::Unplugged, false);
  a.replug(node("hidraw9").string(), "1-1.2:1.0");
  place(a);
  select(transport, 1);
  EXPECT_EQ(fake.openedPaths, std::vector<std::string>{node("hidraw9").string()});
  queryStatusA(record);
  EXPECT_EQ(record.customNameA, u"A");
}

TEST_F(HidapiBackend, AConverterListedOncePerUsageIsScannedOnce) {
  add(ConverterModel::TQ4410, "/dev/hidraw2", "left");
  add(ConverterModel::TQ6630, "/dev/hidraw3", "right");
  fake.listingsPerDevice = 3;
  HidapiTransport transport(root / "sys");
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 2);
  EXPECT_EQ(record.deviceTable.entry(1)->versionNumber, 1);
  EXPECT_EQ(record.deviceTable.entry(2)->versionNumber, 2);
}

TEST_F(HidapiBackend, WritesTheFrameAsOneReportAndPlacesTheReplyAfterByteZero) {
  VirtualConverter& c = add(ConverterModel::TQ6630, "/dev/hidraw0", "Cam");
  c.state.firmwareHigh = 0x12;
  HidapiTransport transport(root / "sys");
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 1);
  select(transport, 1);
  queryStatusB(record);

  ASSERT_EQ(fake.writes.size(), 1u);
  EXPECT_EQ(fake.writes[0].length, 577u);
  EXPECT_EQ(fake.writes[0].firstByte, 0x00) << "byte 0 is the report ID";
  ASSERT_EQ(fake.reads.size(), 1u);
  EXPECT_EQ(fake.reads[0].length, 255u) << "the reply area less its report ID byte";
  EXPECT_EQ(fake.reads[0].milliseconds, 500);
  EXPECT_EQ(fake.polls, 1) << "what was queued before the request is dropped without waiting";
  EXPECT_EQ(record.replyBuffer[0], 0);
  EXPECT_EQ(record.replyBuffer[1], 0xA5);
  EXPECT_EQ(record.statusB.firmwareHigh, 0x12);
  EXPECT_EQ(record.customNameB, u"Cam");
}

TEST_F(HidapiBackend, OversizedReportsAreCutAndSilenceIsATimeOut) {
  VirtualConverter& c = add(ConverterModel::TQ4410, "/dev/hidraw0", "");
  c.setFault(ConverterFault::OversizedReport);
  HidapiTransport transport(root / "sys");
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
  HidapiTransport transport(root / "sys");
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
  HidapiTransport broken(root / "sys");
  EXPECT_EQ(enumerateDevices(broken, record.deviceTable), kNoInterfaceList);
}

TEST_F(HidapiBackend, AStalledWriteIsBoundedAndTheHandleStillClosesCleanly) {
  HidapiTransport transport(root / "sys");
  stallAWrite(transport);
  EXPECT_TRUE(log.contains("send ret = -3 \n"));
  EXPECT_TRUE(fake.reads.empty()) << "no read follows a write that did not complete";

  // The stuck write finishes later; the next exchange goes through.
  fake.stallWrites(false);
  log.clear();
  sendCommandA(record, 'Q', 2);
  EXPECT_TRUE(log.contains("send ret = 0 \n")) << log.text();
}

// Another program in the middle of a transaction on the converter: a process of its
// own holding the node's lock until it is told to let go or is killed.
class LockHolder {
 public:
  explicit LockHolder(const fs::path& node) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    EXPECT_EQ(::pipe(release_), 0);
    pid_ = ::fork();
    if (pid_ == 0) {
      const int fd = ::open(node.c_str(), O_RDONLY);
      char go = 0;
      if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(ready[1], "h", 1) != 1) ::_exit(1);
      const ssize_t got = ::read(release_[0], &go, 1);  // until told, or killed
      ::_exit(got == 1 ? 0 : 1);
    }
    char held = 0;
    EXPECT_EQ(::read(ready[0], &held, 1), 1) << "the holder took the lock";
    ::close(ready[0]);
    ::close(ready[1]);
  }
  ~LockHolder() {
    if (pid_ > 0) kill();
    ::close(release_[0]);
    ::close(release_[1]);
  }
  void kill() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int release_[2] = {-1, -1};
};

TEST_F(HidapiBackend, ProgramsTakeTurnsByTheNodesLockAndADeadHolderBlocksNobody) {
  VirtualConverter& c = add(ConverterModel::TQ4410, "/dev/hidraw0", "Cam");
  HidapiTransport transport(root / "sys");
  ASSERT_EQ(enumerateDevices(transport, record.deviceTable), 1);
  select(transport, 1);
  HidDevice& handle = *record.deviceTable.entry(1)->handle;

  LockHolder other(node("hidraw0"));
  const auto start = std::chrono::steady_clock::now();
  queryStatusA(record);
  EXPECT_GE(std::chrono::steady_clock::now() - start, kTurnLimit);
  EXPECT_TRUE(log.contains("send ret = -4 \n")) << log.text();
  EXPECT_TRUE(c.receivedFrames().empty());
  const TurnOutcome waited = handle.takeTurn(std::chrono::milliseconds(20));
  EXPECT_FALSE(waited.taken);
  EXPECT_NE(waited.holder.find("(process " + std::to_string(other.pid()) + ")"), std::string::npos)
      << waited.holder;

  // Killed in the middle of its transaction, it leaves the converter free.
  other.kill();
  log.clear();
  queryStatusA(record);
  EXPECT_TRUE(log.contains("recv ret = 0 \n")) << log.text();
  EXPECT_EQ(record.customNameA, u"Cam");
}

// Choosing another converter closes every handle: a write stuck in the kernel must not
// hold the window until the kernel gives up on it.
TEST_F(HidapiBackend, ClosingDuringAStalledWriteLeavesTheCloseToTheWriter) {
  HidapiTransport transport(root / "sys");
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

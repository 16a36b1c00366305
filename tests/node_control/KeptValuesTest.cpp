// What the node keeps of what controllers set that no converter holds (user labels and
// the like): the file's format and what it refuses; restored after a restart, each
// converter its own; a Set answered once the file is on disk, and refused, naming the
// file, when it cannot be kept; a damaged or foreign file set aside, never fatal.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <boost/asio/io_context.hpp>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "KeptValueFile.h"
#include "KeptValueStore.h"
#include "ScratchFolder.h"
#include "SessionFixture.h"

namespace velkor::node::testing {
namespace {

namespace fs = std::filesystem;
using control::KeptKey;
using control::KeptValues;
using nlohmann::json;

constexpr control::ElementId kUserLabel{1, 6};
constexpr control::ElementId kInventoryCode{3, 5};
constexpr control::ElementId kReportingDelay{3, 3};
constexpr control::ElementId kMembers{2, 2};
constexpr int kOutputOid = 4;  // TQ4410: output, audio, overlay

ConverterInfo converterAt(const std::string& identity, const std::string& deviceId) {
  ConverterInfo info;
  info.deviceId = deviceId;
  info.identity = identity;
  info.versionNumber = kVersionModelA;
  info.modelWord = "TQ4410";
  return info;
}
// Two TQ4410 on two ports.
const ConverterInfo kLeft = converterAt("1-1.2:1.0/A4410137", "0f0c1e2d-3b4a-5c6d-8e7f-000000000001");
const ConverterInfo kRight = converterAt("1-1.3:1.0/A4410138", "0f0c1e2d-3b4a-5c6d-8e7f-000000000002");

std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

const KeptValues kSome{
    {{{"root"}, kUserLabel}, "Rack 3, left"},
    {{{"root", "DeviceManager"}, kInventoryCode}, "INV-0042"},
    {{{"root", "status"}, kReportingDelay}, 7},
};

TEST(KeptValueFile, ReadsBackWhatItWroteAndBoundsItsSize) {
  const control::KeptFileText made = control::keptFileText(kLeft, kSome, control::kKeptFileBytes);
  ASSERT_TRUE(made.problem.empty()) << made.problem;
  const control::KeptFileRead read = control::parseKeptFile(made.text, kLeft.deviceId);
  EXPECT_TRUE(read.problem.empty()) << read.problem;
  EXPECT_EQ(read.values, kSome);

  const control::KeptFileText over = control::keptFileText(kLeft, kSome, made.text.size() - 1);
  EXPECT_NE(over.problem.find("more than the " + std::to_string(made.text.size() - 1)), std::string::npos)
      << over.problem;
}

// A file as the node writes it for kLeft, with some fields changed (null: left out).
std::string fileWith(const json& changes) {
  json document = json::parse(control::keptFileText(kLeft, kSome, control::kKeptFileBytes).text);
  document.merge_patch(changes);
  return document.dump();
}
const json kLabelEntry = {{"rolePath", {"root"}}, {"propertyId", {{"level", 1}, {"index", 6}}}, {"value", "x"}};

struct DamagedFile {
  const char* what;
  std::string text;
  const char* why;
};

const DamagedFile kDamaged[] = {
    {"empty", "", "not JSON"},
    {"cut short", fileWith(json::object()).substr(0, 40), "not JSON (it goes wrong at byte"},
    {"not UTF-8", "{\"kind\": \"\xff\"}", "not JSON"},
    {"another program's JSON", R"({"name": "studio"})", "not a file of velkor-node's kept values"},
    {"a list", "[1, 2]", "not a file of velkor-node's kept values"},
    {"a later node's layout", fileWith({{"version", 2}}), "version 2, which this velkor-node does not read"},
    {"no version", fileWith({{"version", nullptr}}), "no version number"},
    {"a version wrapping to ours", fileWith({{"version", 4294967297}}), "version 4294967297, which"},
    {"another converter's", fileWith({{"device", kRight.deviceId}}), "kept for another converter"},
    {"values not a list", fileWith({{"values", {{"root", "x"}}}}), "no list of values"},
    {"a value without its property", fileWith({{"values", {{{"rolePath", {"root"}}, {"value", "x"}}}}}),
     "value 1 is not {rolePath, propertyId, value}"},
    {"a role path of numbers",
     fileWith({{"values", {{{"rolePath", {1}}, {"propertyId", {{"level", 1}, {"index", 6}}}, {"value", "x"}}}}}),
     "value 1 is not"},
    {"a value twice", fileWith({{"values", {kLabelEntry, kLabelEntry}}}), "value 2 repeats root property 1p6"},
    {"a property level past int",
     fileWith({{"values", {{{"rolePath", {"root"}}, {"propertyId", {{"level", 4294967297}, {"index", 6}}}, {"value", "x"}}}}}),
     "value 1 is not"},
};

TEST(KeptValueFile, RefusesWhatTheNodeDidNotWriteForThatConverter) {
  for (const DamagedFile& c : kDamaged) {
    const control::KeptFileRead read = control::parseKeptFile(c.text, kLeft.deviceId);
    EXPECT_NE(read.problem.find(c.why), std::string::npos) << c.what << ": " << read.problem;
    EXPECT_TRUE(read.values.empty()) << c.what;
  }
}

// A state folder, with a store on it that the test may take down and bring up again as a
// node restart does.
class KeptValueStoreTest : public ::testing::Test {
 protected:
  KeptValueStoreTest() { start(); }
  ~KeptValueStoreTest() override {
    store.reset();
    fs::remove_all(root);
  }
  // The store goes, every write on its way reaching the disk first; a new one reads the folder.
  void restart() {
    store.reset();
    start();
  }
  void start() {
    store = std::make_unique<control::KeptValueStore>(io, folder,
                                                      [this](const std::string& line) { notes.push_back(line); });
  }
  fs::path fileOf(const ConverterInfo& converter) const { return folder / (converter.deviceId + ".json"); }

  boost::asio::io_context io;
  const fs::path root = test::makeScratchFolder("velkor-kept-");
  const fs::path folder = root / "labels";  // made by the first value kept
  std::unique_ptr<control::KeptValueStore> store;
  std::vector<std::string> notes;
};

TEST_F(KeptValueStoreTest, WhatControllersSetComesBackAfterARestart) {
  {
    SessionFixture f(kVersionModelA, store->converter(kLeft), io);
    EXPECT_EQ(f.set(control::kRootOid, kUserLabel, "Rack 3, left")["status"], 200);
    EXPECT_EQ(f.set(kOutputOid, kUserLabel, "Monitor feed")["status"], 200);
    EXPECT_EQ(f.set(control::kDeviceManagerOid, kInventoryCode, "INV-0042")["status"], 200);
    EXPECT_EQ(f.set(f.oidOf("status"), kReportingDelay, 7)["status"], 200);
  }
  restart();
  SessionFixture f(kVersionModelA, store->converter(kLeft), io);
  EXPECT_EQ(f.get(control::kRootOid, kUserLabel)["value"], "Rack 3, left");
  EXPECT_EQ(f.get(kOutputOid, kUserLabel)["value"], "Monitor feed");
  EXPECT_EQ(f.get(control::kDeviceManagerOid, kInventoryCode)["value"], "INV-0042");
  EXPECT_EQ(f.get(f.oidOf("status"), kReportingDelay)["value"], 7);
  // What a controller browsing the root block sees.
  const json members = f.get(control::kRootOid, kMembers)["value"];
  for (const json& member : members) {
    if (member["oid"] == kOutputOid) {
      EXPECT_EQ(member["userLabel"], "Monitor feed");
    }
  }
  // One file, whole: nothing left over from writing it.
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path().filename().string());
  EXPECT_EQ(files, std::vector<std::string>{kLeft.deviceId + ".json"});
  EXPECT_TRUE(notes.empty());
}

TEST_F(KeptValueStoreTest, EachConverterOfAModelKeepsItsOwn) {
  {
    SessionFixture left(kVersionModelA, store->converter(kLeft), io);
    SessionFixture right(kVersionModelA, store->converter(kRight), io);
    EXPECT_EQ(left.set(kOutputOid, kUserLabel, "Program")["status"], 200);
    EXPECT_EQ(right.set(kOutputOid, kUserLabel, "Preview")["status"], 200);
  }
  restart();
  SessionFixture right(kVersionModelA, store->converter(kRight), io);
  SessionFixture left(kVersionModelA, store->converter(kLeft), io);
  EXPECT_EQ(left.get(kOutputOid, kUserLabel)["value"], "Program");
  EXPECT_EQ(right.get(kOutputOid, kUserLabel)["value"], "Preview");
}

// The converter replugged while its label is on the way to the disk: the model made for
// it since learns of the label once it is kept, and tells its controllers.
TEST_F(KeptValueStoreTest, AModelMadeWhileAChangeIsOnItsWayLearnsOfIt) {
  auto unplugged = std::make_unique<SessionFixture>(kVersionModelA, store->converter(kLeft), io);
  unplugged->send(kOutputOid, {1, 2}, {{"id", kUserLabel.toJson()}, {"value", "Replugged"}});
  unplugged.reset();
  SessionFixture replugged(kVersionModelA, store->converter(kLeft), io);
  replugged.session.receive(json{{"messageType", 3}, {"subscriptions", {kOutputOid}}}.dump());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (replugged.notifications().empty() && std::chrono::steady_clock::now() < deadline) {
    io.restart();
    io.run_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(replugged.notifications().size(), 1u);
  EXPECT_EQ(replugged.notifications()[0]["eventData"]["value"], "Replugged");
  EXPECT_EQ(replugged.get(kOutputOid, kUserLabel)["value"], "Replugged");
}

struct DamagedOnDisk {
  const char* what;
  void (*make)(const fs::path& file);
  const char* why;
};

const DamagedOnDisk kOnDisk[] = {
    {"text that is no JSON", [](const fs::path& file) { std::ofstream(file) << "label = Rack 3\n"; },
     "refused: not JSON"},
    {"another converter's file",
     [](const fs::path& file) {
       std::ofstream(file) << control::keptFileText(kRight, kSome, control::kKeptFileBytes).text;
     },
     "refused: kept for another converter"},
    {"too large", [](const fs::path& file) { std::ofstream(file) << std::string(control::kKeptFileBytes + 1, ' '); },
     "refused: larger than the 65536 bytes"},
    {"a symbolic link", [](const fs::path& file) { fs::create_symlink("/etc/hostname", file); },
     "refused: a symbolic link"},
    {"a folder", [](const fs::path& file) { fs::create_directory(file); }, "refused: a directory, not a file"},
};

TEST_F(KeptValueStoreTest, ADamagedOrForeignFileIsSetAsideAndTheConverterStartsEmpty) {
  fs::create_directories(folder);
  for (const DamagedOnDisk& c : kOnDisk) {
    SCOPED_TRACE(c.what);
    notes.clear();
    fs::remove_all(fileOf(kLeft));
    fs::remove_all(fileOf(kLeft).string() + ".refused");
    c.make(fileOf(kLeft));
    restart();
    SessionFixture f(kVersionModelA, store->converter(kLeft), io);
    EXPECT_EQ(f.get(kOutputOid, kUserLabel)["value"], nullptr);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].rfind(fileOf(kLeft).string() + " " + c.why, 0), 0u) << notes[0];
    EXPECT_NE(notes[0].find("set aside as " + kLeft.deviceId + ".json.refused"), std::string::npos) << notes[0];
    EXPECT_TRUE(fs::exists(fs::symlink_status(fileOf(kLeft).string() + ".refused")));
    // The converter is served, and takes a label again.
    EXPECT_EQ(f.set(kOutputOid, kUserLabel, "Again")["status"], 200);
    EXPECT_TRUE(control::parseKeptFile(readAll(fileOf(kLeft)), kLeft.deviceId).problem.empty());
  }
}

TEST_F(KeptValueStoreTest, ValuesThatNoLongerFitTheModelAreDroppedAndSaid) {
  fs::create_directories(folder);
  const KeptValues onDisk{
      {{{"root", "output"}, kUserLabel}, "Monitor feed"},
      {{{"root", "output"}, {1, 7}}, "touchpoints are not kept"},
      {{{"root", "gone"}, kUserLabel}, "a page no model has"},
      {{{"root", "audio"}, kUserLabel}, std::string(control::kKeptTextCharacters + 1, 'x')},
      {{{"root", "overlay"}, kUserLabel}, 42},
  };
  std::ofstream(fileOf(kLeft)) << control::keptFileText(kLeft, onDisk, control::kKeptFileBytes).text;
  SessionFixture f(kVersionModelA, store->converter(kLeft), io);
  EXPECT_EQ(f.get(kOutputOid, kUserLabel)["value"], "Monitor feed");
  EXPECT_EQ(f.get(f.oidOf("audio"), kUserLabel)["value"], nullptr);
  EXPECT_EQ(f.get(f.oidOf("overlay"), kUserLabel)["value"], nullptr);
  ASSERT_EQ(notes.size(), 4u);
  for (const std::string& note : notes) EXPECT_EQ(note.rfind(fileOf(kLeft).string() + ": root.", 0), 0u) << note;
  EXPECT_NE(notes[0].find("root.audio property 1p6 dropped: longer than 256 characters"), std::string::npos)
      << notes[0];
  // The next change writes the file without them.
  EXPECT_EQ(f.set(control::kRootOid, kUserLabel, "Rack 3")["status"], 200);
  EXPECT_EQ(control::parseKeptFile(readAll(fileOf(kLeft)), kLeft.deviceId).values.size(), 2u);
}

struct Unwritable {
  const char* what;
  void (*make)(const fs::path& folder, const fs::path& file);
  const char* why;
};

const Unwritable kUnwritable[] = {
    {"a read-only file",
     [](const fs::path& folder, const fs::path& file) {
       fs::create_directories(folder);
       std::ofstream(file) << control::keptFileText(kLeft, {}, control::kKeptFileBytes).text;
       fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
     },
     ": the file is read-only"},
    {"a state folder that is a file",
     [](const fs::path& folder, const fs::path&) { std::ofstream(folder) << "not a folder\n"; },
     "cannot make the folder "},
};

TEST_F(KeptValueStoreTest, ASetThatCannotBeKeptIsRefusedAndChangesNothing) {
  for (const Unwritable& c : kUnwritable) {
    SCOPED_TRACE(c.what);
    fs::remove_all(folder);
    c.make(folder, fileOf(kLeft));
    restart();
    SessionFixture f(kVersionModelA, store->converter(kLeft), io);
    f.session.receive(json{{"messageType", 3}, {"subscriptions", {kOutputOid}}}.dump());
    const json set = f.set(kOutputOid, kUserLabel, "Not kept");
    EXPECT_EQ(set["status"], 500);
    const std::string message = set.value("errorMessage", "");
    EXPECT_NE(message.find(c.why), std::string::npos) << message;
    EXPECT_NE(message.find(fileOf(kLeft).string()), std::string::npos) << message;
    EXPECT_NE(message.find("the value stays as it was"), std::string::npos) << message;
    EXPECT_EQ(f.get(kOutputOid, kUserLabel)["value"], nullptr);
    EXPECT_TRUE(f.notifications().empty());
  }
}

}  // namespace
}  // namespace velkor::node::testing

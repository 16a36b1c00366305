// What a controller finds on each model, and that a Set of each setting sends the very
// request the panel's Auto Apply sends: one table per model, as the panel's pages are.

#include <set>

#include <gtest/gtest.h>

#include "SessionFixture.h"
#include "SettingLists.h"
#include "WireFormat.h"

namespace velkor::node::testing {
namespace {

using nlohmann::json;

struct SettingCase {
  const char* role;
  const char* property;
  std::uint8_t value;  // a code other than the default 0, so that a wrong byte shows
  std::uint8_t command;
  std::size_t offset;
  std::size_t listLength;  // 0 for a margin
};

const SettingCase kTQ4410[] = {
    {"output", "outputFormat", 15, wire::kCmdOutputFormatA, offsetof(StatusBlockA, outputFormat), 16},
    {"output", "hdmiColorSpace", 3, wire::kCmdHdmiColorSpaceA, offsetof(StatusBlockA, hdmiColorSpace), 4},
    {"output", "avOutputType", 1, wire::kCmdAvOutputTypeA, offsetof(StatusBlockA, avOutputType), 2},
    {"audio", "deembedPair", 7, wire::kCmdDeembedPairA, offsetof(StatusBlockA, deembedPair), 8},
    {"audio", "embedSource", 3, wire::kCmdEmbedSourceA, offsetof(StatusBlockA, embedSource), 4},
    {"overlay", "overlaysEnable", 2, wire::kCmdOverlaysEnableA, offsetof(StatusBlockA, overlaysEnable), 3},
    {"overlay", "verticalMargin", 100, wire::kCmdVerticalMarginA, offsetof(StatusBlockA, verticalMargin), 0},
    {"overlay", "horizontalMargin", 37, wire::kCmdHorizontalMarginA, offsetof(StatusBlockA, horizontalMargin), 0},
};

const SettingCase kTQ6630[] = {
    {"output", "outputFormat", 13, wire::kCmdOutputFormatB, offsetof(StatusBlockB, outputFormat), 16},
    {"output", "outputSource", 1, wire::kCmdOutputSourceB, offsetof(StatusBlockB, outputSource), 2},
    {"output", "audioSource", 2, wire::kCmdAudioSourceB, offsetof(StatusBlockB, audioSource), 3},
    {"overlay", "overlaysEnable", 1, wire::kCmdOverlaysEnableB, offsetof(StatusBlockB, overlaysEnable), 3},
    {"overlay", "verticalMargin", 1, wire::kCmdVerticalMarginB, offsetof(StatusBlockB, verticalMargin), 0},
    {"overlay", "horizontalMargin", 99, wire::kCmdHorizontalMarginB, offsetof(StatusBlockB, horizontalMargin), 0},
    {"overlay", "imageFlip", 3, wire::kCmdMirrorImageB, offsetof(StatusBlockB, mirrorImage), 4},
    {"overlay", "screenFreeze", 1, wire::kCmdScreenFreezeB, offsetof(StatusBlockB, screenFreeze), 2},
};

struct ModelCase {
  std::uint16_t versionNumber;
  std::span<const SettingCase> settings;
  std::set<std::string> roles;
};

class ModelTables : public ::testing::TestWithParam<ModelCase> {
 protected:
  SessionFixture f{GetParam().versionNumber};

  json classOf(int oid, bool inherited = false) {
    const json classId = f.get(oid, {1, 1})["value"];
    return f.call(control::kClassManagerOid, {3, 1}, {{"classId", classId}, {"includeInherited", inherited}})["value"];
  }
  json propertyDescriptor(int oid, const std::string& name) {
    const json properties = classOf(oid)["properties"];
    for (const json& p : properties)
      if (p["name"] == name) return p;
    ADD_FAILURE() << "no property " << name;
    return nullptr;
  }
};

TEST_P(ModelTables, EverySettingSendsThePanelsRequestAndReadsBack) {
  for (const SettingCase& setting : GetParam().settings) {
    SCOPED_TRACE(setting.property);
    const int oid = f.oidOf(setting.role);
    const json descriptor = propertyDescriptor(oid, setting.property);
    const control::ElementId id{descriptor["id"]["level"], descriptor["id"]["index"]};
    f.converter.expectSetting(setting.command, setting.offset, setting.value);
    EXPECT_EQ(f.set(oid, id, setting.value)["status"], 200);
    EXPECT_EQ(f.get(oid, id)["value"], setting.value);
    EXPECT_FALSE(descriptor["isReadOnly"].get<bool>());
  }
}

TEST_P(ModelTables, ListsAreEnumerationsWithThePanelsWordsAndCodes) {
  for (const SettingCase& setting : GetParam().settings) {
    SCOPED_TRACE(setting.property);
    const json descriptor = propertyDescriptor(f.oidOf(setting.role), setting.property);
    if (setting.listLength == 0) {
      EXPECT_EQ(descriptor["typeName"], "NcUint16");
      EXPECT_EQ(descriptor["constraints"]["minimum"], 0);
      EXPECT_EQ(descriptor["constraints"]["maximum"], lists::kMarginMaximum);
      continue;
    }
    const json type = f.call(control::kClassManagerOid, {3, 2},
                             {{"name", descriptor["typeName"]}, {"includeInherited", false}})["value"];
    ASSERT_EQ(type["type"], 3);
    ASSERT_EQ(type["items"].size(), setting.listLength);
    std::set<std::string> names;
    for (std::size_t code = 0; code < setting.listLength; ++code) {
      EXPECT_EQ(type["items"][code]["value"], code);
      const std::string name = type["items"][code]["name"];
      EXPECT_TRUE(names.insert(name).second) << "two items named " << name;
      EXPECT_EQ(name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_"),
                std::string::npos)
          << name;
    }
  }
}

TEST_P(ModelTables, OwnClassesCarryAnAuthorityKeyAndNoStandardName) {
  std::set<std::string> roles;
  const json members = f.get(control::kRootOid, {2, 2})["value"];
  for (const json& member : members) {
    roles.insert(member["role"]);
    const std::vector<int> classId = member["classId"];
    const json descriptor = classOf(member["oid"]);
    const bool standard = std::find_if(classId.begin(), classId.end(), [](int i) { return i <= 0; }) == classId.end();
    EXPECT_EQ(descriptor["name"].get<std::string>().starts_with("Nc"), standard) << descriptor["name"];
  }
  for (const std::string& role : GetParam().roles) EXPECT_TRUE(roles.contains(role)) << role;
}

// Every type a class or datatype names is one the class manager lists: a controller
// can resolve the whole model from it.
TEST_P(ModelTables, ClassManagerListsEveryDatatypeUsed) {
  const json datatypes = f.get(control::kClassManagerOid, {3, 2})["value"];
  std::set<std::string> listed;
  for (const json& d : datatypes) listed.insert(d["name"]);
  const auto check = [&](const json& typeName, const std::string& where) {
    if (typeName.is_string()) {
      EXPECT_TRUE(listed.contains(typeName)) << typeName << " in " << where;
    }
  };
  const json classes = f.get(control::kClassManagerOid, {3, 1})["value"];
  for (const json& c : classes) {
    for (const json& p : c["properties"]) check(p["typeName"], c["name"]);
    for (const json& m : c["methods"]) {
      check(m["resultDatatype"], c["name"]);
      for (const json& a : m["parameters"]) check(a["typeName"], c["name"]);
    }
  }
  for (const json& d : datatypes) {
    check(d.value("parentType", json()), d["name"]);
    for (const json& field : d.value("fields", json::array())) check(field["typeName"], d["name"]);
  }
}

INSTANTIATE_TEST_SUITE_P(Models, ModelTables,
                         ::testing::Values(ModelCase{kVersionModelA, kTQ4410,
                                                     {"DeviceManager", "ClassManager", "output", "audio", "overlay",
                                                      "customSlots", "status"}},
                                           ModelCase{kVersionModelB, kTQ6630,
                                                     {"DeviceManager", "ClassManager", "output", "overlay",
                                                      "customSlots", "status"}}),
                         [](const auto& info) { return info.param.versionNumber == kVersionModelA ? "TQ4410" : "TQ6630"; });

}  // namespace
}  // namespace velkor::node::testing

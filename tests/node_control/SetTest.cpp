// What a Set answers: values checked against their type and constraints before anything
// is sent, the converter's answer mapped to a status of its own, the node's read-only
// mode refusing every change, and a controller's rights (from its token) deciding object
// by object.

#include <gtest/gtest.h>

#include "SessionFixture.h"
#include "WireFormat.h"

namespace velkor::node::testing {
namespace {

using nlohmann::json;

constexpr control::ElementId kOutputFormat{3, 1};
constexpr control::ElementId kVerticalMargin{3, 2};
constexpr control::ElementId kDeviceName{3, 6};
constexpr control::ElementId kOid{1, 2};
constexpr control::ElementId kUserLabel{1, 6};
constexpr control::ElementId kMembers{2, 2};
constexpr int kOutputOid = 4;
constexpr int kOverlayOid = 6;  // TQ4410: output, audio, overlay

struct RefusedValue {
  const char* what;
  int oid;
  control::ElementId property;
  json value;
  int status;
};

// None of these reaches the converter: the strict converter fails on any exchange.
const RefusedValue kRefused[] = {
    {"margin below 0", kOverlayOid, kVerticalMargin, -1, 417},
    {"margin above 100", kOverlayOid, kVerticalMargin, 101, 417},
    {"margin not whole", kOverlayOid, kVerticalMargin, 50.5, 417},
    {"margin as text", kOverlayOid, kVerticalMargin, "50", 417},
    {"margin null", kOverlayOid, kVerticalMargin, nullptr, 417},
    {"format past the list", kOutputOid, kOutputFormat, 16, 417},
    {"format as its word", kOutputOid, kOutputFormat, "1080p60", 417},
    {"name of 16 characters", control::kDeviceManagerOid, kDeviceName, "0123456789abcdef", 417},
    {"name with '#'", control::kDeviceManagerOid, kDeviceName, "Studio #1", 417},
    {"name outside Latin-1", control::kDeviceManagerOid, kDeviceName, "Studio \u20ac", 417},
    {"name with a control character", control::kDeviceManagerOid, kDeviceName, "Studio\n1", 417},
    {"label longer than the node keeps", kOutputOid, kUserLabel, std::string(control::kKeptTextCharacters + 1, 'x'), 417},
    {"label that is no text", kOutputOid, kUserLabel, 7, 417},
    {"read-only property", kOutputOid, kOid, 9, 405},
    {"read-only sequence", control::kRootOid, kMembers, json::array(), 405},
    {"unknown property", kOutputOid, {3, 99}, 1, 502},
    {"unknown object", 999, kUserLabel, "x", 404},
};

TEST(Set, RefusesWhatDoesNotFitBeforeSendingAnything) {
  for (const RefusedValue& c : kRefused) {
    SCOPED_TRACE(c.what);
    SessionFixture f(kVersionModelA);
    const json result = f.set(c.oid, c.property, c.value);
    EXPECT_EQ(result["status"], c.status);
    EXPECT_FALSE(result.value("errorMessage", "").empty());
  }
}

TEST(Set, TakesTheEdgesOfEveryConstraint) {
  SessionFixture f(kVersionModelA);
  f.converter.expectSetting(wire::kCmdVerticalMarginA, offsetof(StatusBlockA, verticalMargin), 0);
  EXPECT_EQ(f.set(kOverlayOid, kVerticalMargin, 0)["status"], 200);
  f.converter.expectSetting(wire::kCmdVerticalMarginA, offsetof(StatusBlockA, verticalMargin), 100);
  EXPECT_EQ(f.set(kOverlayOid, kVerticalMargin, 100)["status"], 200);
  f.converter.expectName(u"Caf\u00e9 du Studio");
  EXPECT_EQ(f.set(control::kDeviceManagerOid, kDeviceName, "Caf\u00e9 du Studio")["status"], 200);
  EXPECT_EQ(f.get(control::kDeviceManagerOid, kDeviceName)["value"], "Caf\u00e9 du Studio");
  // Counted in characters, not bytes: "\u00e9" is two bytes of UTF-8.
  const std::string longest = std::string(control::kKeptTextCharacters - 1, 'x') + "\u00e9";
  EXPECT_EQ(f.set(kOutputOid, kUserLabel, longest)["status"], 200);
  EXPECT_EQ(f.get(kOutputOid, kUserLabel)["value"], longest);
}

struct ConverterAnswer {
  ExchangeResult result;
  int status;
};

const ConverterAnswer kAnswers[] = {
    {ExchangeResult::Done, 200},     {ExchangeResult::Refused, 409}, {ExchangeResult::NoAnswer, 504},
    {ExchangeResult::Busy, 423},     {ExchangeResult::Gone, 500},
};

TEST(Set, AnswersWithWhatTheConverterDid) {
  for (const ConverterAnswer& c : kAnswers) {
    SCOPED_TRACE(static_cast<int>(c.result));
    SessionFixture f(kVersionModelA);
    f.converter.expectSetting(wire::kCmdOutputFormatA, offsetof(StatusBlockA, outputFormat), 3, c.result);
    const json set = f.set(kOutputOid, kOutputFormat, 3);
    EXPECT_EQ(set["status"], c.status);
    EXPECT_EQ(set.contains("errorMessage"), c.status != 200);
    EXPECT_EQ(f.get(kOutputOid, kOutputFormat)["value"], c.result == ExchangeResult::Done ? 3 : 0);
  }
}

TEST(Set, StoreCustomTakesSlotOneOrTwoOnly) {
  SessionFixture f(kVersionModelB);
  const int slots = f.oidOf("customSlots");
  f.converter.expectStoreCustom(2);
  EXPECT_EQ(f.call(slots, control::kStoreCustomMethod, {{"slot", 2}})["status"], 200);
  for (const json& slot : {json(0), json(3), json("1"), json()})
    EXPECT_EQ(f.call(slots, control::kStoreCustomMethod, {{"slot", slot}})["status"], 417) << slot;
  f.converter.expectStoreCustom(1, ExchangeResult::Busy);
  const json busy = f.call(slots, control::kStoreCustomMethod, {{"slot", 1}});
  EXPECT_EQ(busy["status"], 423);
  EXPECT_EQ(busy["errorMessage"], "busy: velkorctl (process 4711) has had it for over 2 s; try again");
}

TEST(Set, ReadOnlyNodeRefusesEveryChange) {
  SessionFixture f(kVersionModelA, /*readOnly=*/true);
  EXPECT_EQ(f.set(kOutputOid, kOutputFormat, 1)["status"], 406);
  EXPECT_EQ(f.set(kOutputOid, kUserLabel, "label")["status"], 406);
  EXPECT_EQ(f.set(control::kDeviceManagerOid, kDeviceName, "x")["status"], 406);
  EXPECT_EQ(f.call(f.oidOf("customSlots"), control::kStoreCustomMethod, {{"slot", 1}})["status"], 406);
  EXPECT_EQ(f.get(kOutputOid, kOutputFormat)["status"], 200);
}

// Rights by role path, as a token gives them: read all but the audio page, change the
// output page alone. Nothing refused reaches the converter (the strict converter fails
// on any exchange).
TEST(Set, RightsDecideObjectByObject) {
  control::Permissions rights{[](const std::string& path) { return path != "root.audio"; },
                              [](const std::string& path) { return path == "root.output"; }};
  SessionFixture f(kVersionModelA, false, std::move(rights));
  const int audio = f.oidOf("audio");
  EXPECT_EQ(f.set(kOutputOid, kUserLabel, "main out")["status"], 200);
  const json refused = f.set(kOverlayOid, kUserLabel, "logo");
  EXPECT_EQ(refused["status"], 401);
  EXPECT_EQ(refused["errorMessage"], "no write right for root.overlay");
  EXPECT_EQ(f.set(kOverlayOid, kVerticalMargin, 5)["status"], 401);
  EXPECT_EQ(f.call(f.oidOf("customSlots"), control::kStoreCustomMethod, {{"slot", 1}})["status"], 401);
  EXPECT_EQ(f.set(control::kDeviceManagerOid, kDeviceName, "x")["status"], 401);
  EXPECT_EQ(f.get(audio, kUserLabel)["status"], 401);
  EXPECT_EQ(f.get(kOverlayOid, kVerticalMargin)["status"], 200);
  EXPECT_EQ(f.set(999, kUserLabel, "x")["status"], 404);  // no such object, whatever the rights
  // Subscriptions only to what may be read.
  f.session.receive(json{{"messageType", 3}, {"subscriptions", {kOutputOid, audio}}}.dump());
  EXPECT_EQ(f.sent.back()["subscriptions"], json::array({kOutputOid}));
}

TEST(Set, SequenceReadsAreBounded) {
  SessionFixture f(kVersionModelA);
  const json length = f.call(control::kRootOid, {1, 7}, {{"id", kMembers.toJson()}});
  ASSERT_EQ(length["status"], 200);
  const int members = length["value"];
  EXPECT_EQ(f.call(control::kRootOid, {1, 3}, {{"id", kMembers.toJson()}, {"index", members - 1}})["status"], 200);
  EXPECT_EQ(f.call(control::kRootOid, {1, 3}, {{"id", kMembers.toJson()}, {"index", members}})["status"], 414);
}

}  // namespace
}  // namespace velkor::node::testing

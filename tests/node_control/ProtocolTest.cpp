// The IS-12 messages themselves: what a malformed message gets back, how a message's
// answers travel, and which changes reach a controller as notifications.

#include <gtest/gtest.h>

#include "SessionFixture.h"
#include "WireFormat.h"

namespace velkor::node::testing {
namespace {

using nlohmann::json;

struct BadMessage {
  const char* what;
  std::string text;
  int messageType;  // 5: an error message; 1: a command response
  int status;
};

std::string command(const json& handle, const json& oid, const json& methodId) {
  return json{{"messageType", 0},
              {"commands", json::array({{{"handle", handle}, {"oid", oid}, {"methodId", methodId},
                                         {"arguments", {{"id", {{"level", 1}, {"index", 1}}}}}}})}}
      .dump();
}

std::string manyCommands(std::size_t count) {
  json commands = json::array();
  for (std::size_t i = 1; i <= count; ++i)
    commands.push_back({{"handle", i}, {"oid", 1}, {"methodId", {{"level", 1}, {"index", 1}}},
                        {"arguments", {{"id", {{"level", 1}, {"index", 1}}}}}});
  return json{{"messageType", 0}, {"commands", commands}}.dump();
}

const json kGet = {{"level", 1}, {"index", 1}};

const BadMessage kBadMessages[] = {
    {"not JSON", "{\"messageType\": 0,", 5, 400},
    {"not an object", "[0]", 5, 400},
    {"no message type", "{\"not_a\": \"valid_command\"}", 5, 400},
    {"unknown message type", "{\"messageType\": 7}", 5, 400},
    // Integers past int must not pass for the small ones they wrap to.
    {"message type wrapping to a command",
     R"({"messageType":4294967296,"commands":[{"handle":1,"oid":1,"methodId":{"level":1,"index":1},)"
     R"("arguments":{"id":{"level":1,"index":1}}}]})",
     5, 400},
    {"message type wrapping to a subscription", R"({"messageType":4294967299,"subscriptions":[1]})", 5, 400},
    {"handle wrapping to 1", command(4294967297, 1, kGet), 5, 400},
    {"method level wrapping to 1", command(7, 1, {{"level", 4294967297}, {"index", 1}}), 1, 400},
    {"method index wrapping to 1", command(7, 1, {{"level", 1}, {"index", 18446744073709551615u}}), 1, 400},
    {"a type only the device sends", "{\"messageType\": 2, \"notifications\": []}", 5, 400},
    {"commands not a list", "{\"messageType\": 0, \"commands\": {}}", 5, 400},
    {"handle 0", command(0, 1, kGet), 5, 400},
    {"handle past 65535", command(65536, 1, kGet), 5, 400},
    {"handle as text", command("1", 1, kGet), 5, 400},
    {"too many commands", manyCommands(control::kMaxCommandsPerMessage + 1), 5, 413},
    {"subscriptions not a list", "{\"messageType\": 3, \"subscriptions\": 1}", 5, 400},
    {"subscription not an oid", "{\"messageType\": 3, \"subscriptions\": [\"1\"]}", 5, 400},
    {"oid as text", command(7, "1", kGet), 1, 400},
    {"method id not an element id", command(7, 1, "1m1"), 1, 400},
    {"unknown oid", command(7, 4000000000, kGet), 1, 404},
    {"unknown method", command(7, 1, {{"level", 1}, {"index", 99}}), 1, 501},
    {"arguments not an object",
     R"({"messageType":0,"commands":[{"handle":7,"oid":1,"methodId":{"level":1,"index":1},"arguments":[1]}]})", 1, 400},
    {"property id malformed",
     R"({"messageType":0,"commands":[{"handle":7,"oid":1,"methodId":{"level":1,"index":1},"arguments":{"id":{"level":"x"}}}]})",
     1, 417},
};

TEST(Protocol, EveryBadMessageGetsItsStatusAndAMessage) {
  for (const BadMessage& c : kBadMessages) {
    SCOPED_TRACE(c.what);
    SessionFixture f(kVersionModelA);
    f.session.receive(c.text);
    ASSERT_EQ(f.sent.size(), 1u);
    const json& reply = f.sent.front();
    EXPECT_EQ(reply["messageType"], c.messageType);
    const json& status = c.messageType == 5 ? reply : reply["responses"][0]["result"];
    EXPECT_EQ(status["status"], c.status);
    EXPECT_FALSE(status.value("errorMessage", "").empty());
  }
}

// The answers a message's commands have at once go back in one message, in the order of
// the commands; an answer the converter gives later follows on its own.
TEST(Protocol, AnswersReadyTogetherTravelInOneMessage) {
  const json getRole = {{"methodId", {{"level", 1}, {"index", 1}}}, {"arguments", {{"id", {{"level", 1}, {"index", 5}}}}}};
  const json setFormat = {{"methodId", {{"level", 1}, {"index", 2}}},
                          {"arguments", {{"id", {{"level", 3}, {"index", 1}}}, {"value", 3}}}};
  const json unknownMethod = {{"methodId", {{"level", 1}, {"index", 99}}}, {"arguments", json::object()}};
  const struct {
    const char* what;
    std::vector<std::pair<int, json>> commands;  // handle, command without handle and oid
    std::vector<int> atOnce;
    std::vector<int> later;
  } cases[] = {
      {"two Gets", {{1, getRole}, {2, getRole}}, {1, 2}, {}},
      {"eight Gets, handles out of order", {{8, getRole}, {3, getRole}, {5, getRole}, {1, getRole},
                                            {2, getRole}, {9, getRole}, {4, getRole}, {7, getRole}},
       {8, 3, 5, 1, 2, 9, 4, 7}, {}},
      {"a failure among them", {{1, getRole}, {2, unknownMethod}, {3, getRole}}, {1, 2, 3}, {}},
      {"a Set the converter answers later", {{1, getRole}, {2, setFormat}, {3, getRole}}, {1, 3}, {2}},
  };
  const auto handlesOf = [](const json& message) {
    std::vector<int> handles;
    for (const json& response : message["responses"]) handles.push_back(response["handle"]);
    return handles;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SessionFixture f(kVersionModelA);
    const int output = f.oidOf("output");
    f.sent.clear();
    json commands = json::array();
    for (const auto& [handle, command] : c.commands) {
      json full = command;
      full["handle"] = handle;
      full["oid"] = command == setFormat ? output : control::kRootOid;
      commands.push_back(std::move(full));
    }
    if (!c.later.empty())
      f.converter.expectSetting(wire::kCmdOutputFormatA, offsetof(StatusBlockA, outputFormat), 3);
    f.session.receive(json{{"messageType", 0}, {"commands", commands}}.dump());
    ASSERT_EQ(f.sent.size(), 1u);
    EXPECT_EQ(f.sent[0]["messageType"], 1);
    EXPECT_EQ(handlesOf(f.sent[0]), c.atOnce);
    f.converter.answerAll();
    ASSERT_EQ(f.sent.size(), c.later.empty() ? 1u : 2u);
    if (!c.later.empty()) {
      EXPECT_EQ(handlesOf(f.sent[1]), c.later);
    }
  }
}

TEST(Protocol, SubscriptionsKeepOnlyObjectsThatExist) {
  SessionFixture f(kVersionModelA);
  f.session.receive(R"({"messageType": 3, "subscriptions": [1, 4, 4, 999, -1, 4294967297]})");
  ASSERT_EQ(f.sent.size(), 1u);
  EXPECT_EQ(f.sent[0]["messageType"], 4);
  EXPECT_EQ(f.sent[0]["subscriptions"], json::array({1, 4}));
  // A new subscription message replaces the set.
  f.session.receive(R"({"messageType": 3, "subscriptions": []})");
  EXPECT_TRUE(f.session.subscriptions().empty());
}

TEST(Protocol, ChangesSeenByThePollReachSubscribersOnly) {
  SessionFixture f(kVersionModelA);
  const int output = f.oidOf("output");
  f.session.receive(json{{"messageType", 3}, {"subscriptions", {output}}}.dump());
  f.converter.pollSees(offsetof(StatusBlockA, outputFormat), 5);  // velkorctl set 1080p24
  f.converter.pollSees(offsetof(StatusBlockA, verticalMargin), 30);  // overlay: not subscribed
  const auto notifications = f.notifications();
  ASSERT_EQ(notifications.size(), 1u);
  EXPECT_EQ(notifications[0]["oid"], output);
  EXPECT_EQ(notifications[0]["eventId"], json({{"level", 1}, {"index", 1}}));
  EXPECT_EQ(notifications[0]["eventData"]["propertyId"], json({{"level", 3}, {"index", 1}}));
  EXPECT_EQ(notifications[0]["eventData"]["value"], 5);
  EXPECT_EQ(notifications[0]["eventData"]["changeType"], 0);
}

TEST(Protocol, AnAppliedSetIsNotifiedAndAFailedOneIsNot) {
  SessionFixture f(kVersionModelA);
  const int output = f.oidOf("output");
  f.session.receive(json{{"messageType", 3}, {"subscriptions", {output}}}.dump());
  f.converter.expectSetting(wire::kCmdOutputFormatA, offsetof(StatusBlockA, outputFormat), 2, ExchangeResult::Refused);
  f.set(output, {3, 1}, 2);
  EXPECT_TRUE(f.notifications().empty());
  f.converter.expectSetting(wire::kCmdOutputFormatA, offsetof(StatusBlockA, outputFormat), 2);
  f.set(output, {3, 1}, 2);
  ASSERT_EQ(f.notifications().size(), 1u);
  EXPECT_EQ(f.notifications()[0]["eventData"]["value"], 2);
  // A label is held by the node: its change is notified too.
  f.set(output, {1, 6}, "Stage left");
  ASSERT_EQ(f.notifications().size(), 2u);
  EXPECT_EQ(f.notifications()[1]["eventData"]["value"], "Stage left");
}

TEST(Protocol, StatusMonitorFollowsSignalAndAnswers) {
  SessionFixture f(kVersionModelA);
  const int status = f.oidOf("status");
  f.session.receive(json{{"messageType", 3}, {"subscriptions", {status}}}.dump());
  const auto overall = [&] { return f.get(status, {3, 1})["value"].get<int>(); };
  EXPECT_EQ(overall(), 0);  // inactive: no input signal
  EXPECT_EQ(f.get(status, {4, 1})["value"], false);
  f.converter.pollSees(offsetof(StatusBlockA, inputFormat), 31);
  EXPECT_EQ(overall(), 1);  // healthy
  EXPECT_EQ(f.get(status, {4, 2})["value"], "1080p60");
  f.converter.setAnswering(false);
  EXPECT_EQ(overall(), 3);  // unhealthy
  EXPECT_FALSE(f.get(status, {3, 2})["value"].get<std::string>().empty());
  bool toldUnhealthy = false;
  for (const json& n : f.notifications())
    toldUnhealthy = toldUnhealthy || (n["eventData"]["propertyId"] == json({{"level", 3}, {"index", 1}}) &&
                                      n["eventData"]["value"] == 3);
  EXPECT_TRUE(toldUnhealthy);
  // A converter that does not answer fails its Sets with its own status.
  f.converter.expectSetting(wire::kCmdOutputFormatA, offsetof(StatusBlockA, outputFormat), 1, ExchangeResult::NoAnswer);
  EXPECT_EQ(f.set(f.oidOf("output"), {3, 1}, 1)["status"], 504);
}

}  // namespace
}  // namespace velkor::node::testing

// The hub against virtual converters: converters found without opening any, polled by
// their workers, removed when unplugged and back under the same id when replugged.

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>

#include "ConverterHub.h"
#include "DemoConverters.h"
#include "Metrics.h"
#include "VirtualTransport.h"

namespace velkor::node {
namespace {

constexpr std::chrono::seconds kPatience{5};

class ConverterHubTest : public ::testing::Test {
 protected:
  ConverterHubTest() { addDemoConverters(transport); }

  // Runs the network thread until `done` holds, or fails after a while.
  template <typename Condition>
  bool runUntil(Condition done) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      network.restart();
      network.run_for(std::chrono::milliseconds(10));
    }
    return true;
  }

  SteadyClock clock;
  VirtualTransport transport{clock};
  boost::asio::io_context network;
  ConverterHub hub{network, transport, {std::chrono::milliseconds(50), std::chrono::milliseconds(50), false}};
};

TEST_F(ConverterHubTest, FollowsConvertersAsTheyAreUnpluggedAndReplugged) {
  std::vector<std::string> added;
  std::vector<std::string> removed;
  hub.watch({[&](ConverterAccess& c) { added.push_back(c.info().deviceId); },
             [&](const ConverterInfo& info) { removed.push_back(info.deviceId); }});
  hub.start();
  ASSERT_EQ(hub.converters().size(), 3u);
  // Found from the listing alone.
  EXPECT_EQ(added.size(), 3u);
  ASSERT_TRUE(runUntil([&] {
    for (ConverterAccess* c : hub.converters())
      if (!c->state().answering) return false;
    return true;
  }));
  ConverterAccess* studio = nullptr;
  for (ConverterAccess* c : hub.converters())
    if (c->info().identity == "1-1.1:1.0/A4410137") studio = c;
  ASSERT_NE(studio, nullptr);
  EXPECT_EQ(studio->state().name, u"Studio A");
  EXPECT_EQ(studio->info().modelWord, "TQ4410");
  const std::string studioId = studio->info().deviceId;

  VirtualConverter& plug = *transport.converters()[0];
  plug.setFault(ConverterFault::Unplugged);
  ASSERT_TRUE(runUntil([&] { return removed.size() == 1; }));
  EXPECT_EQ(removed[0], studioId);
  EXPECT_EQ(hub.find(studioId), nullptr);
  ASSERT_TRUE(runUntil([&] { return hub.retiringCount() == 0; }));

  plug.setFault(ConverterFault::Unplugged, false);
  ASSERT_TRUE(runUntil([&] { return added.size() == 4; }));
  EXPECT_EQ(added[3], studioId);
  ASSERT_TRUE(runUntil([&] { return hub.find(studioId) && hub.find(studioId)->state().answering; }));
}

TEST_F(ConverterHubTest, SettingIsSentReadBackAndReported) {
  hub.start();
  ConverterAccess* stage = nullptr;
  for (ConverterAccess* c : hub.converters())
    if (c->info().modelWord == "TQ6630") stage = c;
  ASSERT_NE(stage, nullptr);
  int changes = 0;
  stage->listen([&](const ConverterState&) { ++changes; });
  std::optional<ExchangeResult> result;
  const std::size_t flip = offsetof(StatusBlockB, mirrorImage);
  stage->sendSetting(wire::kCmdMirrorImageB, flip, 1, [&](ExchangeResult r, const ConverterState&) { result = r; });
  ASSERT_TRUE(runUntil([&] { return result.has_value(); }));
  EXPECT_EQ(*result, ExchangeResult::Done);
  EXPECT_EQ(stage->state().block[flip], 1);
  EXPECT_GE(changes, 1);

  // Not at "Controls-PC": answered, but the read-back holds the old value.
  transport.converters()[2]->state.controlsPc = false;
  result.reset();
  stage->sendSetting(wire::kCmdMirrorImageB, flip, 2, [&](ExchangeResult r, const ConverterState&) { result = r; });
  ASSERT_TRUE(runUntil([&] { return result.has_value(); }));
  EXPECT_EQ(*result, ExchangeResult::Refused);
}

TEST_F(ConverterHubTest, SilentConverterIsDownInTheMetrics) {
  transport.converters()[1]->setFault(ConverterFault::NoReply);
  hub.start();
  ASSERT_TRUE(runUntil([&] {
    int failing = 0;
    for (ConverterAccess* c : hub.converters()) failing += c->state().failures > 0 ? 1 : 0;
    return failing == 1 && hub.converters()[0]->state().exchanges > 0;
  }));
  const std::string text = metricsText(hub);
  EXPECT_NE(text.find("velkor_converter_up{device_id=\"" + hub.converters()[0]->info().deviceId), std::string::npos);
  EXPECT_NE(text.find("identity=\"1-1.2:1.0\"} 0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("# TYPE velkor_converter_exchange_seconds histogram"), std::string::npos);
}

}  // namespace
}  // namespace velkor::node

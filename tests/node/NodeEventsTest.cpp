#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "NodeEvents.h"

namespace velkor::node::events {
namespace {

using namespace std::chrono_literals;

TEST(NodeEventsTest, CountsEveryEventAndLogsEachCauseOnceAMinute) {
  std::vector<std::string> log;
  std::chrono::steady_clock::time_point now{};
  NodeEvents events([&](const std::string& line) { log.push_back(line); }, [&] { return now; });

  for (int i = 0; i < 1000; ++i) events.record(Kind::ConnectionRefused, "address_limit", "refused 10.0.0.9");
  events.record(Kind::ConnectionRefused, "connection_limit", "refused 10.0.0.8");
  events.record(Kind::RequestRefused, "address_limit", "same cause, another kind");
  events.count(Kind::RequestRefused, "400");
  EXPECT_EQ(log, (std::vector<std::string>{"refused 10.0.0.9", "refused 10.0.0.8", "same cause, another kind"}));

  now += 59s;
  events.record(Kind::ConnectionRefused, "address_limit", "refused 10.0.0.9");
  EXPECT_EQ(log.size(), 3u);
  now += 1s;
  events.record(Kind::ConnectionRefused, "address_limit", "refused 10.0.0.10");
  ASSERT_EQ(log.size(), 4u);
  // What was held back is told with the next line, so that the log still says how many.
  EXPECT_EQ(log.back(), "refused 10.0.0.10 (and 1000 more like it since the last such line)");

  EXPECT_EQ(events.countOf(Kind::ConnectionRefused, "address_limit"), 1002u);
  EXPECT_EQ(events.countOf(Kind::RequestRefused, "400"), 1u);
  EXPECT_EQ(events.countOf(Kind::ControllerDropped, "queue_limit"), 0u);
  EXPECT_EQ(events.counts(Kind::ConnectionRefused).size(), 2u);
}

}  // namespace
}  // namespace velkor::node::events

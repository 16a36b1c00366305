// What the node takes from DNS-SD and what it advertises there: unicast before mDNS, a
// missing avahi-daemon said once and never waited for, and the TXT records peers read.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "AvahiLoop.h"
#include "DnsSdSources.h"
#include "MdnsBrowse.h"
#include "NodeAdvertTxt.h"

namespace velkor::node {
namespace {

ServiceAdvert registryAt(const std::string& host) { return {host, 8235, {{"pri", "10"}}}; }

std::vector<std::string> hostsOf(const std::vector<ServiceAdvert>& adverts) {
  std::vector<std::string> hosts;
  for (const ServiceAdvert& advert : adverts) hosts.push_back(advert.host);
  return hosts;
}

TEST(DnsSdSourcesTest, AsksMulticastOnlyWhenUnicastFoundNone) {
  struct Case {
    const char* what;
    std::vector<ServiceAdvert> unicast;
    std::vector<ServiceAdvert> multicast;
    std::vector<std::string> expected;
    bool multicastAsked;
  };
  const std::vector<Case> cases = {
      {"unicast answers", {registryAt("dns")}, {registryAt("link")}, {"dns"}, false},
      {"unicast silent", {}, {registryAt("link"), registryAt("link2")}, {"link", "link2"}, true},
      {"neither", {}, {}, {}, true},
  };
  for (const Case& c : cases) {
    bool asked = false;
    const Browse browse = unicastThenMulticast(
        [&] { return c.unicast; },
        [&] {
          asked = true;
          return MulticastBrowseResult{c.multicast, {}};
        },
        [](const std::string&) {});
    EXPECT_EQ(hostsOf(browse()), c.expected) << c.what;
    EXPECT_EQ(asked, c.multicastAsked) << c.what;
  }
}

TEST(DnsSdSourcesTest, NotesMulticastTroubleOncePerChange) {
  const std::vector<std::string> problems = {"no daemon", "no daemon", "", "", "bus refused", "no daemon"};
  std::size_t next = 0;
  std::vector<std::string> notes;
  const Browse browse = unicastThenMulticast(
      [] { return std::vector<ServiceAdvert>{}; },
      [&] { return MulticastBrowseResult{{}, problems[next++]}; },
      [&](const std::string& line) { notes.push_back(line); });
  for (std::size_t i = 0; i < problems.size(); ++i) browse();
  EXPECT_EQ(notes, (std::vector<std::string>{"no daemon", "mDNS available again", "bus refused", "no daemon"}));
}

TEST(MdnsBrowseTest, WithoutADaemonSaysSoAtOnce) {
  // A system bus nobody listens on: as on a host without avahi-daemon (or D-Bus).
  const char* saved = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  const std::string previous = saved ? saved : "";
  ASSERT_EQ(setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/velkor-test-bus", 1), 0);
  std::vector<std::string> notes;
  MulticastBrowseResult result;
  const auto started = std::chrono::steady_clock::now();
  {
    AvahiLoop loop([&notes](const std::string& line) { notes.push_back(line); });
    result = browseMulticast(loop, "_nmos-register._tcp", std::chrono::milliseconds(5000));
  }
  const auto took = std::chrono::steady_clock::now() - started;
  if (saved)
    setenv("DBUS_SYSTEM_BUS_ADDRESS", previous.c_str(), 1);
  else
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
  EXPECT_TRUE(result.adverts.empty());
  EXPECT_NE(result.problem.find("avahi-daemon"), std::string::npos) << result.problem;
  EXPECT_EQ(result.problem.find('\n'), std::string::npos);
  EXPECT_LT(took, std::chrono::seconds(1));
  EXPECT_TRUE(notes.empty());
}

TEST(NodeAdvertTxtTest, NamesTheApiAndEachCounterAsANumber) {
  ResourceCounters counters;
  counters.devices = 65;  // 'A' if it were written as a character
  counters.self = 255;
  ++counters.self;  // wraps to 0, as peers expect after 255
  counters.receivers = 9;
  EXPECT_EQ(nodeAdvertTxt(counters, false, false),
            (std::vector<std::string>{"api_proto=http", "api_ver=v1.3", "api_auth=false", "ver_slf=0", "ver_src=0",
                                      "ver_flw=0", "ver_dvc=65", "ver_snd=0", "ver_rcv=9"}));
  EXPECT_EQ(nodeAdvertTxt(counters, true, false).front(), "api_proto=https");
  EXPECT_EQ(nodeAdvertTxt(counters, false, true)[2], "api_auth=true");
}

}  // namespace
}  // namespace velkor::node

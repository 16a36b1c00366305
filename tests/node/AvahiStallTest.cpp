// velkor-node on a host whose system bus starts avahi-daemon on demand but whose daemon
// never comes up, so that the bus holds every D-Bus call about Avahi for 25 s: the mDNS
// advertisement's calls return at once and a browse within its limit, the stop waits
// only a moment, and the node program serves its converters and registers at once. The
// bus is the test's own, for the whole process (D-Bus takes its address once); the
// node's traffic stays on the loopback of a network namespace of the test's own.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "AvahiLoop.h"
#include "HttpServer.h"
#include "MdnsAdvertiser.h"
#include "MdnsBrowse.h"
#include "NodeProcess.h"
#include "PrivateNetwork.h"
#include "ScratchFolder.h"

extern char** environ;

namespace velkor::node {
namespace {

namespace bhttp = boost::beast::http;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kDbusDaemon = "/usr/bin/dbus-daemon";
constexpr auto kBrowseLimit = 500ms;
// Far below the bus's 25 s, and room enough for a loaded machine.
constexpr auto kNoWait = 3s;
// A port of the test's own namespace: nothing else listens there.
constexpr unsigned short kNodePort = 18080;

// A dbus-daemon of the test's own as the system bus, whose org.freedesktop.Avahi is
// started on demand by a program that never takes the name. It and what it starts share
// a process group, ended with the tests.
class HangingAvahiBus : public ::testing::Environment {
 public:
  static inline bool up = false;
  static inline bool privateNetwork = false;

  void SetUp() override {
    folder_ = test::makeScratchFolder("velkor-bus-");
    std::filesystem::create_directory(folder_ / "services");
    std::ofstream(folder_ / "services" / "org.freedesktop.Avahi.service")
        << "[D-BUS Service]\nName=org.freedesktop.Avahi\nExec=/bin/sleep 120\nUser=root\n";
    std::ofstream(folder_ / "bus.conf")
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>system</type><listen>unix:path="
        << (folder_ / "bus").string() << "</listen><auth>EXTERNAL</auth><servicedir>" << (folder_ / "services").string()
        << "</servicedir><policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
           "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>\n";
    if (::access(kDbusDaemon, X_OK) == 0) start();
    // After the bus: a namespace of our own may map this user to another, whom the bus
    // would not let in.
    privateNetwork = testing::enterPrivateNetwork();
  }

  void TearDown() override {
    if (pid_ > 0) {
      ::kill(-pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

 private:
  void start() {
    const std::string config = "--config-file=" + (folder_ / "bus.conf").string();
    char* arguments[] = {const_cast<char*>(kDbusDaemon), const_cast<char*>(config.c_str()),
                         const_cast<char*>("--nofork"), const_cast<char*>("--nopidfile"), nullptr};
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0) return;
    if (posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP) != 0 ||
        posix_spawnattr_setpgroup(&attributes, 0) != 0 ||
        posix_spawn(&pid_, kDbusDaemon, nullptr, &attributes, arguments, environ) != 0)
      pid_ = -1;
    posix_spawnattr_destroy(&attributes);
    const auto deadline = Clock::now() + 10s;
    while (pid_ > 0 && !std::filesystem::exists(folder_ / "bus") && Clock::now() < deadline)
      std::this_thread::sleep_for(20ms);
    up = pid_ > 0 && std::filesystem::exists(folder_ / "bus") &&
         setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + (folder_ / "bus").string()).c_str(), 1) == 0;
  }

  std::filesystem::path folder_;
  pid_t pid_ = -1;
};
const auto* const kBus = ::testing::AddGlobalTestEnvironment(new HangingAvahiBus);

class AvahiStallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HangingAvahiBus::up) GTEST_SKIP() << "needs dbus-daemon (" << kDbusDaemon << ")";
  }
};

struct Notes {
  std::mutex lock;
  std::vector<std::string> lines;
  AvahiLoop::Note collector() {
    return [this](const std::string& line) {
      const std::lock_guard held(lock);
      lines.push_back(line);
    };
  }
  bool has(const std::string& line) {
    const std::lock_guard held(lock);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
};

TEST_F(AvahiStallTest, NoCallWaitsForTheDaemon) {
  Notes notes;
  auto loop = std::make_unique<AvahiLoop>(notes.collector());
  const auto started = Clock::now();
  {
    MdnsAdvertiser advertiser(*loop, "velkor-test", {{"0.0.0.0", kNodePort}});
    advertiser.setTxt({"api_ver=v1.3"});
    advertiser.advertise(true);
    EXPECT_LT(Clock::now() - started, kNoWait) << "the advertisement waited for the daemon";

    const auto browsing = Clock::now();
    const MulticastBrowseResult result = browseMulticast(*loop, "_nmos-register._tcp", kBrowseLimit);
    EXPECT_LT(Clock::now() - browsing, kBrowseLimit + kNoWait) << "the browse waited past its limit";
    EXPECT_TRUE(result.adverts.empty());
    EXPECT_EQ(result.problem, "mDNS unavailable (avahi-daemon: no answer within 500 ms)");
  }
  const auto stopping = Clock::now();
  loop.reset();
  EXPECT_LT(Clock::now() - stopping, kNoWait) << "the stop waited for the daemon";
  // The loop was still held up by the bus when it stopped: the stall was there.
  EXPECT_TRUE(notes.has("avahi-daemon does not answer; stopping without waiting for it"));
}

// A registry that takes everything, on a thread of its own, and counts the registrations.
class Registry {
 public:
  Registry() {
    listened_ = server_.listen({boost::asio::ip::make_address("127.0.0.1"), 0});
    thread_ = std::thread([this] { io_.run(); });
  }
  ~Registry() {
    work_.reset();
    boost::asio::post(io_, [this] { server_.stop(); });
    thread_.join();
  }
  const std::string& listened() const { return listened_; }
  unsigned short port() const { return server_.port(); }
  int registrations() {
    const std::lock_guard held(lock_);
    return registrations_;
  }

 private:
  boost::asio::io_context io_;
  boost::asio::executor_work_guard<boost::asio::io_context::executor_type> work_ = boost::asio::make_work_guard(io_);
  std::mutex lock_;
  int registrations_ = 0;
  events::NodeEvents events_{nullptr};
  http::HttpServer server_{io_, events_, [this](const http::Request& request, const http::ClientAddress&) {
                             const bool registration =
                                 request.method() == bhttp::verb::post && request.target().ends_with("/resource");
                             if (registration) {
                               const std::lock_guard held(lock_);
                               ++registrations_;
                             }
                             http::Response response{registration ? bhttp::status::created : bhttp::status::ok, 11};
                             if (request.method() == bhttp::verb::delete_) response.result(bhttp::status::no_content);
                             response.prepare_payload();
                             return response;
                           }};
  std::string listened_;
  std::thread thread_;
};

std::string readWhole(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(AvahiStallTest, TheNodeServesItsConvertersAndRegistersAtOnce) {
  if (!HangingAvahiBus::privateNetwork) GTEST_SKIP() << "no network namespace of our own could be made";
  Registry registry;
  ASSERT_EQ(registry.listened(), "");
  const std::filesystem::path folder = test::makeScratchFolder("velkor-stall-");
  std::ofstream(folder / "node.conf") << "registry = 127.0.0.1:" << registry.port() << "\n";
  const auto started = Clock::now();
  {
    testing::NodeProcess node({"--virtual", "--config", (folder / "node.conf").string(), "--state-dir",
                               (folder / "state").string(), "--listen", "127.0.0.1:" + std::to_string(kNodePort)},
                              folder / "node.log");
    ASSERT_TRUE(node.started());
    // The node, then each of the three converters; a converter whose firmware version is
    // read after its first registration is posted again, so four at least.
    while (registry.registrations() < 4 && Clock::now() - started < 30s) std::this_thread::sleep_for(20ms);
    const auto registered = Clock::now() - started;
    EXPECT_GE(registry.registrations(), 4);
    EXPECT_LT(registered, kNoWait) << "registered after "
                                   << std::chrono::duration_cast<std::chrono::milliseconds>(registered).count()
                                   << " ms";
    EXPECT_NE(readWhole(folder / "node.log").find(" serving 3 converters"), std::string::npos);

    const auto stopping = Clock::now();
    node.signal(SIGTERM);
    EXPECT_EQ(node.waitFor(30s), 0);
    EXPECT_LT(Clock::now() - stopping, kNoWait) << "the stop waited for the daemon";
  }
  const std::string log = readWhole(folder / "node.log");
  EXPECT_NE(log.find("avahi-daemon does not answer; stopping without waiting for it"), std::string::npos) << log;
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace velkor::node

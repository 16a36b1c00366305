#include "GadgetControl.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace velkor::test {
namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

std::string GadgetControl::send(const std::string& command) {
  const std::string socketPath = environment("VELKOR_GADGET_SOCKET");
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (fd < 0 || socketPath.empty() || socketPath.size() >= sizeof address.sun_path) {
    ADD_FAILURE() << "no gadget control socket (VELKOR_GADGET_SOCKET)";
    if (fd >= 0) ::close(fd);
    return {};
  }
  socketPath.copy(address.sun_path, socketPath.size());
  std::string answer;
  const std::string line = command + "\n";
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size())) {
    ::shutdown(fd, SHUT_WR);
    char chunk[1024];
    for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0;) answer.append(chunk, static_cast<std::size_t>(got));
  }
  ::close(fd);
  EXPECT_TRUE(answer.starts_with("ok\n")) << command << ": " << answer;
  return answer.starts_with("ok\n") ? answer.substr(3) : answer;
}

std::map<std::string, std::string> GadgetControl::state(int number) {
  std::map<std::string, std::string> values;
  std::istringstream lines(send("state " + std::to_string(number)));
  for (std::string line; std::getline(lines, line);) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

std::string GadgetControl::hidrawOf(const std::string& serial) {
  namespace fs = std::filesystem;
  std::error_code error;
  for (const auto& node : fs::directory_iterator("/sys/class/hidraw", error)) {
    std::ifstream uevent(node.path() / "device" / "uevent");
    for (std::string line; std::getline(uevent, line);)
      if (line == "HID_UNIQ=" + serial) return "/dev/" + node.path().filename().string();
  }
  return {};
}

bool GadgetControl::waitForHidraw(int count) {
  namespace fs = std::filesystem;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    int present = 0;
    std::error_code error;
    for (const auto& node : fs::directory_iterator("/sys/class/hidraw", error)) {
      (void)node;
      ++present;
    }
    if (present == count) {
      // udev is not running here: the node appears from devtmpfs a moment later.
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace velkor::test

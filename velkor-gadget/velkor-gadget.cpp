// velkor-gadget: converters as real USB devices. On a Linux machine with a USB device
// controller (or the dummy_hcd module's local ones) it presents each converter named
// on the command line as a USB HID device with a real one's identity, answering from
// the same firmware model as the virtual converters, and takes changes to their state
// and faults on a control socket while it runs. The same program sends one command to
// a running one (--send).

#include <CLI/CLI.hpp>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "GadgetCommands.h"
#include "GadgetConverter.h"
#include "GadgetFunction.h"
#include "ReportDescriptors.h"

namespace {

using namespace velkor;
using namespace velkor::gadget;

constexpr const char* kManufacturer = "Velkor";
constexpr int kAcceptTick = 200;  // ms between looks at the stop flag
constexpr std::size_t kCommandLimit = 4096;
// How long one client may take to read its answer (a frame list runs to megabytes)
// before the socket serves the next.
constexpr int kAnswerLimitMs = 2000;

std::atomic<bool> stopRequested{false};

struct ConverterSpec {
  ConverterModel model;
  UsbIdPair ids;
  std::string serial;
  std::string name;
};

UsbIdPair parsePair(const std::string& text) {
  unsigned vendor = 0, product = 0;
  char end = 0;
  if (std::sscanf(text.c_str(), "%4x:%4x%c", &vendor, &product, &end) != 2)
    throw CLI::ValidationError("expected VENDOR:PRODUCT in hexadecimal, not \"" + text + "\"");
  return {static_cast<std::uint16_t>(vendor), static_cast<std::uint16_t>(product)};
}

// MODEL,VENDOR:PRODUCT,SERIAL[,NAME]
ConverterSpec parseConverter(const std::string& text) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, ',');) parts.push_back(part);
  if (parts.size() < 3 || parts.size() > 4)
    throw CLI::ValidationError("--converter takes MODEL,VENDOR:PRODUCT,SERIAL[,NAME], not \"" + text + "\"");
  ConverterSpec spec;
  if (parts[0] == "tq4410")
    spec.model = ConverterModel::TQ4410;
  else if (parts[0] == "tq6630")
    spec.model = ConverterModel::TQ6630;
  else
    throw CLI::ValidationError("no model \"" + parts[0] + "\" (tq4410 or tq6630)");
  spec.ids = parsePair(parts[1]);
  if (!isAcceptedPair(spec.ids.vendorId, spec.ids.productId))
    throw CLI::ValidationError(parts[1] + " is not a converter's vendor:product pair");
  spec.serial = parts[2];
  if (parts.size() == 4) spec.name = parts[3];
  return spec;
}

int send(const std::string& socketPath, const std::string& command) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (fd < 0 || socketPath.size() >= sizeof address.sun_path) {
    std::cerr << "velkor-gadget: cannot reach " << socketPath << "\n";
    return 1;
  }
  std::strcpy(address.sun_path, socketPath.c_str());
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::cerr << "velkor-gadget: cannot reach " << socketPath << ": " << std::strerror(errno) << "\n";
    ::close(fd);
    return 1;
  }
  const std::string line = command + "\n";
  if (::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
    ::close(fd);
    return 1;
  }
  ::shutdown(fd, SHUT_WR);
  std::string answer;
  char chunk[1024];
  for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0;) answer.append(chunk, static_cast<std::size_t>(got));
  ::close(fd);
  std::cout << answer;
  return answer.starts_with("ok\n") ? 0 : 1;
}

std::string readCommand(int client) {
  std::string line;
  char chunk[512];
  pollfd watch{client, POLLIN, 0};
  while (line.find('\n') == std::string::npos && line.size() < kCommandLimit && ::poll(&watch, 1, 1000) > 0) {
    const ssize_t got = ::read(client, chunk, sizeof chunk);
    if (got <= 0) break;
    line.append(chunk, static_cast<std::size_t>(got));
  }
  return line.substr(0, line.find('\n'));
}

// The whole answer, or what stopped it: a client that went away (no SIGPIPE then) or
// stopped reading for longer than the limit.
std::string sendAnswer(int client, const std::string& answer) {
  std::size_t sent = 0;
  pollfd watch{client, POLLOUT, 0};
  while (sent < answer.size()) {
    if (::poll(&watch, 1, kAnswerLimitMs) <= 0)
      return "the client read nothing for " + std::to_string(kAnswerLimitMs) + " ms";
    const ssize_t put = ::send(client, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (put < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (put < 0) return std::strerror(errno);
    sent += static_cast<std::size_t>(put);
  }
  return {};
}

int serve(const std::string& socketPath, std::vector<std::unique_ptr<GadgetConverter>>& converters) {
  const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (server < 0 || socketPath.size() >= sizeof address.sun_path) {
    std::cerr << "velkor-gadget: cannot make the control socket " << socketPath << "\n";
    return 1;
  }
  std::strcpy(address.sun_path, socketPath.c_str());
  ::unlink(socketPath.c_str());
  if (::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(server, 8) != 0) {
    std::cerr << "velkor-gadget: cannot listen on " << socketPath << ": " << std::strerror(errno) << "\n";
    ::close(server);
    return 1;
  }
  std::cout << "velkor-gadget: ready, control socket " << socketPath << std::endl;
  while (!stopRequested) {
    pollfd watch{server, POLLIN, 0};
    if (::poll(&watch, 1, kAcceptTick) <= 0) continue;
    const int client = ::accept4(server, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    const std::string answer = runCommand(readCommand(client), converters);
    if (const std::string lost = sendAnswer(client, answer); !lost.empty())
      std::cerr << "velkor-gadget: an answer was lost: " << lost << "\n";
    ::close(client);
  }
  ::close(server);
  ::unlink(socketPath.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App cli{"Presents converters as USB HID devices through the kernel's USB gadget framework."};
  std::string socketPath = "/run/velkor-gadget.sock";
  std::vector<std::string> converterTexts, keyboardTexts, controllers;
  bool noOutEndpoint = false;
  std::string command;
  cli.add_option("--control", socketPath, "the control socket")->capture_default_str();
  cli.add_option("--converter", converterTexts, "MODEL,VENDOR:PRODUCT,SERIAL[,NAME]; MODEL is tq4410 or tq6630");
  cli.add_option("--keyboard", keyboardTexts, "VENDOR:PRODUCT of a plain keyboard to present beside them");
  cli.add_option("--udc", controllers, "the device controllers to use, in order (default: all there are)");
  cli.add_flag("--no-out-endpoint", noOutEndpoint, "output reports as SET_REPORT on the control pipe");
  cli.add_option("--send", command, "send COMMAND to a running velkor-gadget and print its answer");
  CLI11_PARSE(cli, argc, argv);
  if (!command.empty()) return send(socketPath, command);

  std::vector<ConverterSpec> specs;
  std::vector<UsbIdPair> keyboards;
  try {
    for (const std::string& t : converterTexts) specs.push_back(parseConverter(t));
    for (const std::string& t : keyboardTexts) keyboards.push_back(parsePair(t));
  } catch (const CLI::ValidationError& error) {
    std::cerr << "velkor-gadget: " << error.what() << "\n";
    return 2;
  }
  if (specs.empty()) {
    std::cerr << "velkor-gadget: name at least one --converter\n";
    return 2;
  }
  if (controllers.empty()) controllers = deviceControllers();
  if (controllers.size() < specs.size() + keyboards.size()) {
    std::cerr << "velkor-gadget: each device needs a USB device controller of its own: "
              << specs.size() + keyboards.size() << " devices, " << controllers.size() << " controllers"
              << " (load dummy_hcd with num=N where there is no real one)\n";
    return 1;
  }

  struct sigaction stop {};
  stop.sa_handler = [](int) { stopRequested = true; };
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);

  std::vector<std::unique_ptr<GadgetConverter>> converters;
  std::vector<std::unique_ptr<GadgetFunction>> others;
  try {
    std::size_t next = 0;
    for (const ConverterSpec& spec : specs) {
      VirtualConverterSetup setup;
      setup.model = spec.model;
      setup.ids = spec.ids;
      setup.name = spec.name;
      setup.path = spec.serial;
      const bool modelA = spec.model == ConverterModel::TQ4410;
      const UsbIdentity identity{spec.ids, modelA ? kVersionModelA : kVersionModelB, kManufacturer,
                                 modelA ? "TQ4410" : "TQ6630", spec.serial};
      const HidFunctionSetup hid{converterReportDescriptor(), kConverterReportLength, 0, 0, !noOutEndpoint};
      const std::string& controller = controllers[next++];
      auto function = std::make_unique<GadgetFunction>("velkor" + std::to_string(next), identity, hid, controller);
      converters.push_back(std::make_unique<GadgetConverter>(setup, std::move(function)));
      std::cout << "velkor-gadget: converter " << converters.size() << " " << identity.product << " serial "
                << spec.serial << " on " << controller << " (" << converters.back()->function().devicePath()
                << ")" << std::endl;
    }
    for (const UsbIdPair& ids : keyboards) {
      const UsbIdentity identity{ids, 0x0100, "Generic", "USB Keyboard", "KBD" + std::to_string(others.size() + 1)};
      const HidFunctionSetup hid{keyboardReportDescriptor(), kKeyboardReportLength, kBootInterfaceSubclass,
                                 kKeyboardProtocol, true};
      const std::string& controller = controllers[next++];
      others.push_back(std::make_unique<GadgetFunction>("velkor" + std::to_string(next), identity, hid, controller));
      std::cout << "velkor-gadget: keyboard on " << controller << std::endl;
    }
  } catch (const std::exception& error) {
    std::cerr << "velkor-gadget: " << error.what() << "\n";
    return 1;
  }
  return serve(socketPath, converters);
}

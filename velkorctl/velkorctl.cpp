// velkorctl: the converters from the command line, on the same core as the panel.

#include <unistd.h>

#include <iostream>
#include <memory>

#include "CommandLine.h"
#include "StandardStreams.h"
#include "SystemTransport.h"
#include "VirtualState.h"
#include "virtual/Clock.h"
#include "virtual/DemoConverters.h"
#include "virtual/VirtualTransport.h"

namespace {

using namespace velkor;

// The demo's converters, as earlier runs left them; with --verbose every frame they take
// and send shows in hex.
class VirtualConverters {
 public:
  VirtualConverters(Clock& clock, bool verbose) : transport_(clock), statePath_(ctl::virtualStatePath()) {
    addDemoConverters(transport_);
    if (verbose) transport_.setTrace(hexTrace(stderr));
    if (!statePath_) return;
    lock_.emplace(*statePath_);
    std::string problem = lock_->problem();
    if (problem.empty()) problem = ctl::restoreVirtualState(*statePath_, transport_);
    if (problem.empty()) keep_ = true;
    else std::cerr << "velkorctl: " << problem << std::endl;
  }
  // A state file that could not be read is left for the user to look at.
  ~VirtualConverters() {
    if (!keep_) return;
    if (const std::string problem = ctl::keepVirtualState(*statePath_, transport_); !problem.empty())
      std::cerr << "velkorctl: " << problem << std::endl;
  }
  VirtualConverters(const VirtualConverters&) = delete;
  VirtualConverters& operator=(const VirtualConverters&) = delete;

  Transport& transport() { return transport_; }

 private:
  VirtualTransport transport_;
  std::optional<std::filesystem::path> statePath_;
  std::optional<ctl::VirtualStateLock> lock_;
  bool keep_ = false;
};

std::string resetVirtualConverters() {
  const auto path = ctl::virtualStatePath();
  return path ? ctl::forgetVirtualState(*path) : std::string();
}

}  // namespace

int main(int argc, char** argv) {
  ctl::useBinaryStandardStreams();
  SteadyClock clock;
  std::unique_ptr<Transport> hardware;
  std::unique_ptr<VirtualConverters> demo;
  const auto openTransport = [&](bool useVirtual, bool verbose) -> Transport& {
    if (!useVirtual) {
      hardware = systemTransport();
      return *hardware;
    }
    demo = std::make_unique<VirtualConverters>(clock, verbose);
    return demo->transport();
  };
  const int exitCode = ctl::runCommandLine(argc, argv, {std::cout, std::cerr, openTransport, STDIN_FILENO, resetVirtualConverters});
  demo.reset();  // keeps what the converters were told, before the clock goes
  return exitCode;
}

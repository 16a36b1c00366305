// velkorctl: the converters from the command line, on the same core as the panel.

#include <iostream>
#include <memory>

#include "CommandLine.h"
#include "HidapiTransport.h"
#include "virtual/Clock.h"
#include "virtual/DemoConverters.h"
#include "virtual/VirtualTransport.h"

namespace {

using namespace velkor;

// The demo's converters; with --verbose every frame they take and send shows in hex.
std::unique_ptr<Transport> virtualConverters(Clock& clock, bool verbose) {
  auto transport = std::make_unique<VirtualTransport>(clock);
  addDemoConverters(*transport);
  if (verbose) transport->setTrace(hexTrace(stderr));
  return transport;
}

}  // namespace

int main(int argc, char** argv) {
  SteadyClock clock;
  std::unique_ptr<Transport> transport;
  const auto openTransport = [&](bool useVirtual, bool verbose) -> Transport& {
    transport = useVirtual ? virtualConverters(clock, verbose) : std::make_unique<HidapiTransport>();
    return *transport;
  };
  return ctl::runCommandLine(argc, argv, {std::cout, std::cerr, openTransport});
}

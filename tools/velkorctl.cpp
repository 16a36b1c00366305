// velkorctl: the converters from the command line, on the same core as the panel.

#include <iostream>
#include <memory>

#include "CommandLine.h"
#include "HidapiTransport.h"
#include "virtual/Clock.h"
#include "virtual/DemoConverters.h"
#include "virtual/VirtualTransport.h"

int main(int argc, char** argv) {
  using namespace velkor;
  SteadyClock clock;
  std::unique_ptr<Transport> transport;
  const ctl::Environment environment{std::cout, std::cerr, [&](bool virtualConverters, bool verbose) -> Transport& {
                                       if (virtualConverters) {
                                         auto demo = std::make_unique<VirtualTransport>(clock);
                                         addDemoConverters(*demo);
                                         if (verbose) demo->setTrace(hexTrace(stderr));
                                         transport = std::move(demo);
                                       } else {
                                         transport = std::make_unique<HidapiTransport>();
                                       }
                                       return *transport;
                                     }};
  return ctl::runCommandLine(argc, argv, environment);
}

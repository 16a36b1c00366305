// velkor-node: the converters of this host as an AMWA NMOS node.

#include <memory>

#include "DemoConverters.h"
#include "HidapiTransport.h"
#include "Log.h"
#include "NodeConfig.h"
#include "NodeProgram.h"
#include "VirtualTransport.h"

int main(int argc, char** argv) {
  velkor::node::CommandLineResult parsed = velkor::node::parseCommandLine(argc, argv);
  if (parsed.exitNow) return *parsed.exitNow;
  const velkor::node::NodeConfig& config = parsed.config;
  // The core's protocol lines are for finding faults, not for the journal.
  velkor::setLogStream(config.verbose ? stderr : nullptr);

  velkor::SteadyClock clock;
  std::unique_ptr<velkor::Transport> transport;
  if (config.virtualConverters) {
    auto virtualTransport = std::make_unique<velkor::VirtualTransport>(clock);
    velkor::addDemoConverters(*virtualTransport);
    transport = std::move(virtualTransport);
  } else {
    transport = std::make_unique<velkor::HidapiTransport>();
  }
  return velkor::node::runNode(config, *transport);
}

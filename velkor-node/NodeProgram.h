#pragma once
// The node put together: the hub over a transport, the resources, the HTTP server with
// the Node API and the metrics, and the registration; run until SIGINT or SIGTERM.

#include "NodeConfig.h"
#include "Transport.h"

namespace velkor::node {

// The process's exit status.
int runNode(const NodeConfig& config, Transport& transport);

}  // namespace velkor::node

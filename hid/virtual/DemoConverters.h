#pragma once
// The converters the demo and `--virtual` runs show: two TQ4410 and one TQ6630, all
// taking commands from the computer, each with its own name, firmware and signal.

#include <cstdio>

#include "VirtualTransport.h"

namespace velkor {

void addDemoConverters(VirtualTransport& transport);

// Prints each report a converter takes and each reply it sends, in hex, one line each.
VirtualTransport::Trace hexTrace(std::FILE* stream);

}  // namespace velkor

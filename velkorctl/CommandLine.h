#pragma once
// velkorctl's command line: its options and commands, parsed with CLI11, and the
// dispatch to the commands. main() only supplies the world.

#include <functional>
#include <ostream>
#include <string>

#include "Transport.h"

namespace velkor::ctl {

struct Environment {
  std::ostream& out;
  std::ostream& err;
  // The converters to work with: the virtual demo set or the real ones. Asked once, by
  // the commands that need converters.
  std::function<Transport&(bool virtualConverters, bool verbose)> transport;
  // What `load -` reads.
  int in = 0;
  // Makes the virtual converters start from the demo's state again: what went wrong, or
  // nothing.
  std::function<std::string()> resetVirtualConverters;
};

// The exit code of the whole run.
int runCommandLine(int argc, const char* const* argv, const Environment& environment);

}  // namespace velkor::ctl

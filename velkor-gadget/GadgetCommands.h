#pragma once
// The commands a running velkor-gadget takes on its control socket, one line each:
//   list                         one line per converter
//   state N                      what converter N holds, key=value lines
//   frames N FROM                the frames it received, from number FROM (0 is the
//                                first), one line of hexadecimal each
//   fault N FAULT on|off         FAULT: no-reply late-reply wrong-sync unknown-reply-code
//                                stalled-out oversized-report unclosed-name unplugged
//   reset N                      every fault off (plugged in again)
//   unplug N / replug N          the same as the fault unplugged on / off
//   dip N on|off                 the DIP switch at "Controls-PC" or not
//   name N TEXT                  the custom name (Latin-1 bytes)
//   settings N B0,...,B7         the settable bytes, in the apply frame's order
//   delay N MS                   how late a late reply comes
// The answer's first line is "ok" or "error: " and the reason.

#include <memory>
#include <string>
#include <vector>

#include "GadgetConverter.h"

namespace velkor::gadget {

std::string runCommand(const std::string& line, std::vector<std::unique_ptr<GadgetConverter>>& converters);

}  // namespace velkor::gadget

#pragma once
// A stand-in for SetupAPI, hid.dll and the device file functions, handed to the
// SetupAPI transport in its tests in place of the system's. Its "system" is a list of
// virtual converters, each an interface with a hardware ID and a USB parent; it records
// how the transport calls it. Transfers that cannot complete stay pending, so the
// transport's own waits and cancels run against the system's events.

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "WindowsHid.h"
#include "virtual/VirtualConverter.h"

namespace velkor::test {

struct SetupApiDouble {
  static SetupApiDouble& instance();
  void reset();
  // The functions, as the transport takes them.
  static const WindowsHid& functions();

  VirtualConverter& add(VirtualConverterSetup setup);

  // The system state the functions see.
  std::vector<std::shared_ptr<VirtualConverter>> converters;
  bool listFails = false;
  // Wine 8's names: hardware IDs without a release number, and every HID device's
  // parent on wine's own bus rather than USB.
  bool wineNames = false;
  bool writesStall = false;
  // Interfaces that are no converter (a keyboard, say): a test fails at once when the
  // transport opens one.
  std::set<std::string> mustNotOpen;

  // What the transport asked for.
  std::vector<std::string> openedPaths;  // every open, whatever its outcome
  std::vector<std::size_t> writeLengths;
  int cancels = 0;
  int flushes = 0;
  int openDevices = 0;
};

}  // namespace velkor::test

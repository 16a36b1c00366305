#pragma once
// A stand-in for the hidapi library, linked into the hidapi transport's tests in place
// of the real one. Its "system" is a list of virtual converters; it records how the
// transport calls it.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "virtual/VirtualConverter.h"

namespace velkor::test {

struct HidapiDouble {
  struct Write {
    std::size_t length;
    std::uint8_t firstByte;
  };
  struct Read {
    std::size_t length;
    int milliseconds;
  };

  static HidapiDouble& instance();
  void reset();

  VirtualConverter& add(VirtualConverterSetup setup);

  // The system state the functions see.
  std::vector<std::shared_ptr<VirtualConverter>> converters;
  bool initFails = false;
  bool nullPathAtFirst = false;
  // How often each converter is listed: hidapi's hidraw backend lists a device once
  // for every top-level usage of its report descriptor, all under one path.
  int listingsPerDevice = 1;

  // Interfaces that are no converter (a keyboard, say): a test fails at once when the
  // transport opens one.
  std::set<std::string> mustNotOpen;

  // Writes block while stalled, until released.
  void stallWrites(bool stalled);

  // What the transport asked for.
  std::vector<std::string> openedPaths;  // every hid_open_path, whatever its outcome
  std::vector<Write> writes;
  std::vector<Read> reads;  // each read that may wait
  int polls = 0;            // reads that may not (a limit of 0 ms)
  std::atomic<int> openDevices = 0;  // closed from the device's writer thread

  std::mutex mutex;
  std::condition_variable released;
  bool stalled = false;
};

}  // namespace velkor::test

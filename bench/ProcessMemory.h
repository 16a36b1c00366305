#pragma once
// The process's resident memory, for the benchmarks that report what a fleet or a flood
// costs: now, and the most it held since the peak was last started over.

#include <fstream>
#include <string>
#include <string_view>

namespace velkor::bench {

// A "Name:   1234 kB" line of /proc/self/status, in KiB; 0 when there is none.
inline long statusKiB(std::string_view name) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.starts_with(name)) return std::stol(line.substr(name.size()));
  return 0;
}

inline long residentKiB() { return statusKiB("VmRSS:"); }
inline long peakResidentKiB() { return statusKiB("VmHWM:"); }

// Starts the peak over from what is resident now; false where the kernel does not let it.
inline bool restartPeakResident() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return clear.good();
}

}  // namespace velkor::bench

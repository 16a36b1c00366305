#pragma once
// The process's resident memory, for the benchmarks that report what a fleet costs.

#include <fstream>
#include <string>

namespace velkor::bench {

inline long residentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

}  // namespace velkor::bench

#pragma once
// Prints, after Google Benchmark's own table, each figure beside its floor: the two
// were measured in the same run, so the ratio holds on any machine. Run with
// --benchmark_repetitions=N --benchmark_enable_random_interleaving=true, the medians are
// compared, so that a busy moment of a shared machine falls on figure and floor alike.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace velkor::bench {

struct Comparison {
  std::string figure;  // benchmark name
  std::string floor;   // benchmark name of its floor
  double maxRatio;     // figure / floor we hold ourselves to; 0: none
  double maxExtraNs;   // figure - floor we hold ourselves to; 0: none
};

class RatioReporter final : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(std::vector<Comparison> comparisons)
      : ConsoleReporter(OO_None), comparisons_(std::move(comparisons)) {}

  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

 private:
  std::vector<Comparison> comparisons_;
  std::map<std::string, double> nanoseconds_;  // per iteration, by benchmark name
};

// Runs the benchmarks named on the command line, then prints the comparisons.
int runWithRatios(int argc, char** argv, std::vector<Comparison> comparisons);

}  // namespace velkor::bench

#include "RatioReporter.h"

#include <cstdio>

namespace velkor::bench {

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    // With repetitions, a figure is its median: on a shared machine one repetition can
    // fall on a busy moment that its floor's did not.
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    if (!median && (run.run_type != Run::RT_Iteration || run.iterations == 0)) continue;
    nanoseconds_[run.run_name.str()] =
        run.GetAdjustedRealTime() * 1e9 / static_cast<double>(benchmark::GetTimeUnitMultiplier(run.time_unit));
  }
}

void RatioReporter::Finalize() {
  ConsoleReporter::Finalize();
  std::printf("\n%-28s %-30s %14s %14s %7s %12s  %s\n", "figure", "floor", "ns", "floor ns", "ratio", "extra ns",
              "target");
  for (const Comparison& c : comparisons_) {
    const auto figure = nanoseconds_.find(c.figure);
    const auto floor = nanoseconds_.find(c.floor);
    if (figure == nanoseconds_.end() || floor == nanoseconds_.end() || floor->second <= 0) continue;
    const double ratio = figure->second / floor->second;
    const double extra = figure->second - floor->second;
    const bool held = (c.maxRatio == 0 || ratio <= c.maxRatio) && (c.maxExtraNs == 0 || extra <= c.maxExtraNs);
    const std::string target = c.maxRatio != 0 ? "ratio <= " + std::to_string(c.maxRatio).substr(0, 4)
                                               : "extra <= " + std::to_string(static_cast<long long>(c.maxExtraNs)) + " ns";
    std::printf("%-28s %-30s %14.1f %14.1f %7.2f %12.1f  %s%s\n", c.figure.c_str(), c.floor.c_str(), figure->second,
                floor->second, ratio, extra, target.c_str(), held ? "" : "  MISSED");
  }
}

int runWithRatios(int argc, char** argv, std::vector<Comparison> comparisons) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter(std::move(comparisons));
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace velkor::bench

// A console reporter that also keeps every run's CPU time per iteration (the
// median when runs are repeated with --benchmark_repetitions=N), so that a
// benchmark can end with ratios against baselines measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace cavra::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  struct Ratio {
    std::string what, name, baseline;
    double target = 0;  // 0: no target, only reported
  };

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }

  // CPU time of a benchmark run, 0 when it did not run.
  double Time(const std::string& name) const {
    auto it = times_.find(name + "_median");
    if (it == times_.end()) it = times_.find(name);
    return it == times_.end() ? 0 : it->second;
  }

  // Prints one line per ratio whose two runs ran; returns how many missed
  // their target.
  int PrintRatios(const std::vector<Ratio>& ratios) const {
    int missed = 0;
    std::printf("\n%-40s %10s %8s\n", "ratio (CPU time)", "measured", "target");
    for (const Ratio& r : ratios) {
      const double a = Time(r.name), b = Time(r.baseline);
      if (a <= 0 || b <= 0) continue;
      const double ratio = a / b;
      if (r.target > 0) {
        const bool ok = ratio <= r.target;
        missed += !ok;
        std::printf("%-40s %10.2f %8.2f  %s\n", r.what.c_str(), ratio, r.target, ok ? "ok" : "MISSED");
      } else {
        std::printf("%-40s %10.2f %8s\n", r.what.c_str(), ratio, "-");
      }
    }
    return missed;
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace cavra::bench

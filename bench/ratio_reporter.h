// A console reporter that also keeps every run's CPU time, real time and
// counters (the median when runs are repeated with --benchmark_repetitions=N),
// so that a benchmark can end with ratios against baselines measured in the
// same run.
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
  // A ratio of two measures: `of` of name over `of_baseline` of baseline,
  // each "cpu" (CPU time per iteration), "real" (real or manual time per
  // iteration) or the name of a counter of the run.
  struct Measured {
    std::string what, name, of, baseline, of_baseline;
    double target = 0;
  };

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      Measures& m = runs_[run.benchmark_name()];
      m["cpu"] = run.GetAdjustedCPUTime();
      m["real"] = run.GetAdjustedRealTime();
      for (const auto& [counter, value] : run.counters) m[counter] = value.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // A measure of a benchmark run, 0 when it did not run.
  double Value(const std::string& name, const std::string& of = "cpu") const {
    auto it = runs_.find(name + "_median");
    if (it == runs_.end()) it = runs_.find(name);
    if (it == runs_.end()) return 0;
    auto v = it->second.find(of);
    return v == it->second.end() ? 0 : v->second;
  }
  double Time(const std::string& name) const { return Value(name, "cpu"); }

  // Prints one line per ratio whose two runs ran; returns how many missed
  // their target.
  int PrintRatios(const std::vector<Ratio>& ratios) const {
    std::vector<Measured> measured;
    for (const Ratio& r : ratios) measured.push_back({r.what, r.name, "cpu", r.baseline, "cpu", r.target});
    return PrintRatios(measured, "ratio (CPU time)");
  }

  int PrintRatios(const std::vector<Measured>& ratios, const char* heading) const {
    int missed = 0;
    std::printf("\n%-40s %10s %8s\n", heading, "measured", "target");
    for (const Measured& r : ratios) {
      const double a = Value(r.name, r.of), b = Value(r.baseline, r.of_baseline);
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
  using Measures = std::map<std::string, double>;
  std::map<std::string, Measures> runs_;
};

}  // namespace cavra::bench

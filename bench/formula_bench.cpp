// A template formula over 100k body lines: the compiled path (the library's
// calculator) against the text path (a host's calculator, which receives the
// substituted text and parses it per line), with the ratio printed at the
// end. A third run creates the calculator through the registry per line,
// as a caller that does not keep one per pass would.
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "components/calculator.h"
#include "components/defaults.h"
#include "data/formula.h"

namespace {

constexpr std::size_t kLines = 100000;

// Quantities, prices and a header tax rate as a body stores them.
const std::vector<std::vector<cavra::FormulaValue>>& Lines() {
  static const auto lines = [] {
    std::mt19937 random(42);
    std::vector<std::vector<cavra::FormulaValue>> out;
    for (std::size_t i = 0; i < kLines; ++i) {
      out.push_back({{std::to_string(random() % 500 + 1), true},
                     {std::to_string(random() % 100000) + "." + std::to_string(random() % 100), true},
                     {"13", true}});
    }
    return out;
  }();
  return lines;
}

const cavra::Formula& TheFormula() {
  static const cavra::Formula formula("cdbl([Bqty] * [Bprice] * (1 + [TTaxRate] / 100))");
  return formula;
}

class HostCalculator : public cavra::ICalculator {
 public:
  void Calculatet(const std::string& expression, double& result) override {
    inner_.Calculatet(expression, result);
  }

 private:
  cavra::Calculator inner_;
};

void EvaluateAll(benchmark::State& state, cavra::ICalculator* calculator) {
  const auto& lines = Lines();
  const cavra::Formula& formula = TheFormula();
  for (auto _ : state) {
    for (const auto& values : lines) {
      std::string out = formula.Evaluate(values, false, calculator);
      benchmark::DoNotOptimize(out);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLines));
}

void BM_CompiledPath(benchmark::State& state) {
  cavra::Calculator calculator;
  EvaluateAll(state, &calculator);
}
BENCHMARK(BM_CompiledPath)->Unit(benchmark::kMillisecond);

void BM_TextPath(benchmark::State& state) {
  HostCalculator calculator;
  EvaluateAll(state, &calculator);
}
BENCHMARK(BM_TextPath)->Unit(benchmark::kMillisecond);

void BM_CompiledPathCalculatorPerLine(benchmark::State& state) {
  cavra::RegisterDefaultComponents();
  const auto& lines = Lines();
  const cavra::Formula& formula = TheFormula();
  for (auto _ : state) {
    for (const auto& values : lines) {
      std::string out = formula.Evaluate(values, false);
      benchmark::DoNotOptimize(out);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLines));
}
BENCHMARK(BM_CompiledPathCalculatorPerLine)->Unit(benchmark::kMillisecond);


}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  cavra::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios({{"text path / compiled path", "BM_TextPath", "BM_CompiledPath"},
                        {"calculator per line / compiled", "BM_CompiledPathCalculatorPerLine", "BM_CompiledPath"}});
  benchmark::Shutdown();
  return 0;
}

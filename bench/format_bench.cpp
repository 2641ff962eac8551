// Cell formatting over a body's worth of values: NumberPicture::Format
// against std::to_chars of the same doubles (the ratio is printed at the
// end), plus the date picture and the exact column sum. The allocs/op
// counter counts every operator new while a benchmark's loop runs.
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"

#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "data/date_format.h"
#include "data/decimal.h"
#include "data/field_format.h"
#include "data/number_format.h"

namespace {

std::atomic<std::int64_t> g_allocations{0};

}  // namespace

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr std::size_t kCells = 4096;

// Amounts with up to 4 decimals, as doubles and as the texts a data
// document stores for them (the shortest round-trip text).
struct Amounts {
  std::vector<double> values;
  std::vector<std::string> texts;
  Amounts() {
    std::mt19937_64 random(42);
    std::uniform_int_distribution<std::int64_t> units(-10'000'000'000, 10'000'000'000);
    for (std::size_t i = 0; i < kCells; ++i) {
      const double d = static_cast<double>(units(random)) / 10000.0;
      char buf[64];
      const auto r = std::to_chars(buf, buf + sizeof buf, d);
      values.push_back(d);
      texts.emplace_back(buf, r.ptr);
    }
  }
};

const Amounts& TheAmounts() {
  static const Amounts amounts;
  return amounts;
}

void CountAllocations(benchmark::State& state, std::int64_t before) {
  state.counters["allocs/op"] = benchmark::Counter(
      static_cast<double>(g_allocations.load() - before), benchmark::Counter::kAvgIterations);
  state.SetItemsProcessed(state.iterations());
}

void BM_ToCharsBaseline(benchmark::State& state) {
  const Amounts& a = TheAmounts();
  std::size_t i = 0;
  const std::int64_t before = g_allocations.load();
  for (auto _ : state) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, a.values[i++ % kCells], std::chars_format::fixed, 2);
    std::string out(buf, r.ptr);
    benchmark::DoNotOptimize(out);
  }
  CountAllocations(state, before);
}
BENCHMARK(BM_ToCharsBaseline);

void BM_NumberPictureFormat(benchmark::State& state) {
  const Amounts& a = TheAmounts();
  const cavra::NumberPicture picture("###,###,####0.00");
  std::size_t i = 0;
  const std::int64_t before = g_allocations.load();
  for (auto _ : state) {
    std::string out = picture.Format(a.texts[i++ % kCells]);
    benchmark::DoNotOptimize(out);
  }
  CountAllocations(state, before);
}
BENCHMARK(BM_NumberPictureFormat);

// A result too long for the small-string buffer: exactly one allocation.
void BM_NumberPictureFormatLong(benchmark::State& state) {
  const cavra::NumberPicture picture("###,###,####0.0000");
  const std::int64_t before = g_allocations.load();
  for (auto _ : state) {
    std::string out = picture.Format("-123456789012.34567");
    benchmark::DoNotOptimize(out);
  }
  CountAllocations(state, before);
}
BENCHMARK(BM_NumberPictureFormatLong);

void BM_FieldFormatDate(benchmark::State& state) {
  const cavra::FieldFormat format(5, 0, "YYYY-MM-DD", false);
  const std::int64_t before = g_allocations.load();
  for (auto _ : state) {
    std::string out = format.Apply("2024-03-05T14:07:09");
    benchmark::DoNotOptimize(out);
  }
  CountAllocations(state, before);
}
BENCHMARK(BM_FieldFormatDate);

void BM_DatePictureFormat(benchmark::State& state) {
  const cavra::DatePicture picture("YYYY年MM月DD日 HH:mm");
  const std::int64_t before = g_allocations.load();
  for (auto _ : state) {
    std::string out = picture.Format("2024-03-05T14:07:09");
    benchmark::DoNotOptimize(out);
  }
  CountAllocations(state, before);
}
BENCHMARK(BM_DatePictureFormat);

void BM_ColumnSumAdd(benchmark::State& state) {
  const Amounts& a = TheAmounts();
  cavra::ColumnSum sum;
  std::size_t i = 0;
  const std::int64_t before = g_allocations.load();
  for (auto _ : state) benchmark::DoNotOptimize(sum.Add(a.texts[i++ % kCells]));
  CountAllocations(state, before);
}
BENCHMARK(BM_ColumnSumAdd);


}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  cavra::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios({{"number picture / std::to_chars", "BM_NumberPictureFormat", "BM_ToCharsBaseline"}});
  benchmark::Shutdown();
  return 0;
}

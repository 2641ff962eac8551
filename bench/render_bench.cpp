// Render benchmarks: the generated Chinese sales order of the render tests at
// 120 and 10,000 lines, laid out and written to PDF and to HTML in process,
// and as whole processes against a browser printing our HTML. Ratios, with
// their targets:
//   PDF pages per second, 10,000 lines / 120 lines                  >= 0.8
//   (layout and drawing are linear in the pages)
//   headless Chromium printing our HTML to PDF / render_job writing
//   the PDF of the same job, 120 lines, wall time of each process    >= 5
// and, without a target, the same for HTML, and the process ratio at 10,000
// lines (--benchmark_filter=Process.*10000 to run it alone; Chromium takes
// minutes on it).
// Run: build/<dir>/bench/render_bench [--benchmark_repetitions=3]
// Times are CPU times in process and wall times for whole processes (a child
// process's CPU time is not the bench's own).
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "render/document.h"
#include "render/html_writer.h"
#include "render/layout.h"
#include "render/pdf_writer.h"
#include "sales_order.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace cavra::render;

// The scratch folder, with each size's documents written once.
struct Scratch {
  fs::path dir;
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "cavra-render-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data())) dir = pattern;
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  struct Job {
    std::string style, data;         // texts
    std::string styleFile, dataFile;  // the same, as files
  };
  const Job& Get(int lines) {
    auto [it, added] = jobs.try_emplace(lines);
    if (added) {
      cavra::testing::SalesOrder order;
      order.lines = lines;
      it->second.style = order.Style();
      it->second.data = order.Data();
      it->second.styleFile = (dir / ("style-" + std::to_string(lines) + ".xml")).string();
      it->second.dataFile = (dir / ("data-" + std::to_string(lines) + ".xml")).string();
      std::ofstream(it->second.styleFile, std::ios::binary) << it->second.style;
      std::ofstream(it->second.dataFile, std::ios::binary) << it->second.data;
    }
    return it->second;
  }
  std::map<int, Job> jobs;
};

Scratch& Files() {
  static Scratch scratch;
  return scratch;
}

template <typename Writer>
void InProcess(benchmark::State& state, const char* extension) {
  const int lines = static_cast<int>(state.range(0));
  const Scratch::Job& job = Files().Get(lines);
  const std::string out = (Files().dir / (std::string("out") + extension)).string();
  std::size_t pages = 0;
  for (auto _ : state) {
    StyleDocument style;
    DataDocument data;
    DocumentError error;
    if (!ReadStyleDocument(job.style, style, error) || !ReadDataDocument(job.data, data, error)) {
      state.SkipWithError(error.reason.c_str());
      return;
    }
    Writer writer;
    if (!writer.Open(out, style.paperWidth, style.paperHeight)) {
      state.SkipWithError(writer.reason().c_str());
      return;
    }
    PangoMeasure measure;
    pages = Layout(style, data, measure, [&writer](Page&& page) { writer.AddPage(page); });
    if (!writer.Finish()) {
      state.SkipWithError(writer.reason().c_str());
      return;
    }
  }
  state.counters["pages"] = static_cast<double>(pages);
  state.counters["bytes"] = static_cast<double>(fs::file_size(out));
}

void BM_Pdf(benchmark::State& state) { InProcess<PdfWriter>(state, ".pdf"); }
void BM_Html(benchmark::State& state) { InProcess<HtmlWriter>(state, ".html"); }

// Runs argv with output to /dev/null; the wall time in seconds, or -1 when it fails.
double Spawn(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void TimeProcess(benchmark::State& state, const std::vector<std::string>& args, const std::string& out) {
  for (auto _ : state) {
    std::error_code ec;
    fs::remove(out, ec);
    const double seconds = Spawn(args);
    if (seconds < 0 || !fs::exists(out)) {
      state.SkipWithError(("failed: " + args[0]).c_str());
      return;
    }
    state.SetIterationTime(seconds);
  }
}

// render_job writing the PDF from the two document files.
void BM_ProcessOurPdf(benchmark::State& state) {
  const Scratch::Job& job = Files().Get(static_cast<int>(state.range(0)));
  const std::string out = (Files().dir / "job.pdf").string();
  TimeProcess(state, {CAVRA_RENDER_JOB, job.styleFile, job.dataFile, out}, out);
}

// Headless Chromium printing the HTML of the same job (written beforehand,
// untimed) to PDF, with a profile folder of its own.
void BM_ProcessChromium(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const Scratch::Job& job = Files().Get(lines);
  const std::string html = (Files().dir / ("job-" + std::to_string(lines) + ".html")).string();
  if (!fs::exists(html) && Spawn({CAVRA_RENDER_JOB, job.styleFile, job.dataFile, html}) < 0) {
    state.SkipWithError("render_job cannot write the HTML");
    return;
  }
  const std::string out = (Files().dir / "chromium.pdf").string();
  TimeProcess(state,
              {"chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-pdf-header-footer",
               "--user-data-dir=" + (Files().dir / "chromium-profile").string(), "--print-to-pdf=" + out,
               "file://" + html},
              out);
}

BENCHMARK(BM_Pdf)->Arg(120)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Html)->Arg(120)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessOurPdf)->Arg(120)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessChromium)->Arg(120)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Registered only when asked for by name: minutes of Chromium.
void RegisterLong(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]).find("10000") != std::string::npos &&
        std::string(argv[i]).find("Process") != std::string::npos) {
      BENCHMARK(BM_ProcessOurPdf)->Arg(10000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
      BENCHMARK(BM_ProcessChromium)->Arg(10000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
      return;
    }
}

}  // namespace

int main(int argc, char** argv) {
  RegisterLong(argc, argv);
  benchmark::Initialize(&argc, argv);
  cavra::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  // Higher is better for all of these, so they are printed here rather than
  // through PrintRatios (which checks "at most").
  struct Ratio {
    const char* what;
    double value, target;
  };
  auto perPage = [&](const std::string& name) {
    const double pages = reporter.Value(name, "pages"), time = reporter.Time(name);
    return pages > 0 && time > 0 ? pages / time : 0;
  };
  auto over = [](double a, double b) { return a > 0 && b > 0 ? a / b : 0; };
  const Ratio ratios[] = {
      {"PDF pages/s 10,000 lines / 120 lines", over(perPage("BM_Pdf/10000"), perPage("BM_Pdf/120")), 0.8},
      {"HTML pages/s 10,000 lines / 120 lines", over(perPage("BM_Html/10000"), perPage("BM_Html/120")), 0},
      {"HTML / PDF time, 10,000 lines", over(reporter.Time("BM_Html/10000"), reporter.Time("BM_Pdf/10000")), 0},
      {"Chromium / our PDF process, 120 lines",
       over(reporter.Value("BM_ProcessChromium/120/iterations:5/manual_time", "real"),
            reporter.Value("BM_ProcessOurPdf/120/iterations:5/manual_time", "real")),
       5},
      {"Chromium / our PDF process, 10,000 lines",
       over(reporter.Value("BM_ProcessChromium/10000/iterations:1/manual_time", "real"),
            reporter.Value("BM_ProcessOurPdf/10000/iterations:1/manual_time", "real")),
       5},
  };
  int missed = 0;
  std::printf("\n%-44s %10s %8s\n", "ratio (higher is better)", "measured", "target");
  for (const Ratio& r : ratios) {
    if (r.value <= 0) continue;
    if (r.target > 0) {
      const bool ok = r.value >= r.target;
      missed += !ok;
      std::printf("%-44s %10.2f %8.2f  %s\n", r.what, r.value, r.target, ok ? "ok" : "MISSED");
    } else {
      std::printf("%-44s %10.2f %8s\n", r.what, r.value, "-");
    }
  }
  if (missed > 0) std::printf("%d target(s) missed\n", missed);
  benchmark::Shutdown();
  return 0;
}

// Peak memory of cavra-voucher on a large voucher. A scratch SQLite database
// gets one sales order of N generated lines (100,000 by default; --lines=N or
// CAVRA_BENCH_LINES=N for another size, 10000 for a quick run) through the
// library's own writer; `cavra-voucher show` and `calc --save` then run on it
// as child processes. Ratios, with their targets:
//   show peak resident memory / XML bytes of the voucher's documents   <= 4
//   calc --save peak resident memory / XML bytes                       <= 5
//   show wall time / the library's load plus display pass              <= 2
// The XML bytes are the head and body documents the service hands back after
// loading the voucher, serialised unindented. The load plus display pass is
// setVoucherDataXML of the documents read from the database, then bodyText of
// every visible body cell, timed in a process of its own.
//
// Every measured piece runs in a child process whose peak is read with wait4.
// The parent stays small: a child's peak starts from the size of the process
// it was forked from. calc --save runs on a fresh copy of the database each
// time, so that every run has the same lines to write.
//
// The floor under the memory ratios: the service holds the body as a pugixml
// document, whose attribute records take 40 bytes each while this voucher's
// XML spends about 16 bytes on an attribute; parsed in place, with its text,
// the document alone is about 3.6 times the XML. A save that compares the
// loaded rows with a copy of the current ones holds three documents.
//
// Run: build/<dir>/bench/memory_bench [--lines=N] [--benchmark_repetitions=3]
// (CAVRA_BENCH_KEEP=1 keeps the scratch database, to profile the tool on it.)
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "cavra/cavra.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace cavra;
using Clock = std::chrono::steady_clock;

constexpr const char* kVoucher = "1000002";
constexpr const char* kSampleVoucher = "1000001";

struct Setup {
  int lines = 100000;
  fs::path dir, db;
  std::string tool;
  double xml_bytes = 0;
};
Setup g;

// What a child reports: a few numbers through a pipe, and its peak.
struct ChildRun {
  bool ok = false;
  double peak_bytes = 0, seconds = 0;
  std::vector<double> values;
};

double PeakBytes(const rusage& usage) { return static_cast<double>(usage.ru_maxrss) * 1024.0; }

// Runs work in a forked child; the numbers it returns come back to the parent.
ChildRun InChild(const std::function<std::vector<double>()>& work) {
  ChildRun run;
  int fds[2];
  if (pipe(fds) != 0) return run;
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    int code = 0;
    try {
      const std::vector<double> values = work();
      const std::size_t bytes = values.size() * sizeof(double);
      if (write(fds[1], values.data(), bytes) != static_cast<ssize_t>(bytes)) code = 3;
    } catch (const VbError& e) {
      std::fprintf(stderr, "memory_bench: error %d: %s\n", e.number(), e.description().c_str());
      code = 2;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "memory_bench: %s\n", e.what());
      code = 2;
    }
    std::fflush(nullptr);
    _exit(code);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return run;
  }
  double value;
  while (read(fds[0], &value, sizeof value) == static_cast<ssize_t>(sizeof value))
    run.values.push_back(value);
  close(fds[0]);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.peak_bytes = PeakBytes(usage);
  return run;
}

// Runs the tool with args, standard output into out and standard error into
// err; ok when it exits 0.
ChildRun Tool(const std::vector<std::string>& args, const fs::path& out, const fs::path& err) {
  ChildRun run;
  std::vector<std::string> all{g.tool};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const auto start = Clock::now();
  const int failed = posix_spawn(&pid, g.tool.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) return run;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.peak_bytes = PeakBytes(usage);
  return run;
}

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::size_t LinesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::size_t n = 0;
  for (std::string line; std::getline(in, line);) ++n;
  return n;
}

pugi::xml_node DataOf(const DomPtr& doc) { return doc->document_element().child("rs:data"); }

RecordsetPtr Query(SqlDataSource& ds, const std::string& sql, const std::string& id) {
  Result<RecordsetPtr> rs = ds.QuerySql(sql, {Variant(id)});
  if (!rs.ok()) throw std::runtime_error(sql + ": " + rs.error().description());
  return *std::move(rs);
}

DomPtr HeadOf(SqlDataSource& ds, const std::string& id) {
  return RecordsetToRowset(*Query(ds, "select * from SO_SOMain where ID=?", id));
}
DomPtr BodyOf(SqlDataSource& ds, const std::string& id) {
  return RecordsetToRowset(*Query(ds, "select * from SO_SODetails where ID=? order by AutoID", id));
}

// The sample database, and one more voucher of g.lines lines made from the
// sample's lines: quantities vary and the amounts are the sample's, so that
// calc has every line to recompute and write.
void CreateDatabase() {
  SqlDataSourcePtr ds = OpenSqliteDataSource(g.db, true).value();
  DomPtr head = HeadOf(*ds, kSampleVoucher);
  pugi::xml_node h = DataOf(head).child("z:row");
  h.attribute("ID") = kVoucher;
  h.attribute("cSOCode") = "SO-LARGE";
  h.append_attribute("editprop") = "A";

  DomPtr body = BodyOf(*ds, kSampleVoucher);
  pugi::xml_node data = DataOf(body);
  std::vector<pugi::xml_node> samples(data.children("z:row").begin(), data.children("z:row").end());
  if (samples.empty()) throw std::runtime_error("the sample voucher has no lines");
  pugi::xml_document kept;
  for (pugi::xml_node row : samples) kept.append_copy(row), data.remove_child(row);
  std::vector<pugi::xml_node> patterns(kept.children().begin(), kept.children().end());
  char buf[32];
  for (int i = 1; i <= g.lines; ++i) {
    pugi::xml_node row = data.append_copy(patterns[static_cast<std::size_t>(i) % patterns.size()]);
    row.attribute("AutoID") = 5000000 + i;
    row.attribute("ID") = kVoucher;
    row.attribute("irowno") = i;
    std::snprintf(buf, sizeof buf, "%d.%d", 1 + i % 97, i % 10);
    row.attribute("iQuantity") = buf;
    row.append_attribute("editprop") = "A";
  }
  const Result<void> written =
      ds->WriteRowsets({{"SO_SOMain", {"ID"}, head.get()}, {"SO_SODetails", {"AutoID"}, body.get()}});
  if (!written.ok()) throw std::runtime_error("writing the voucher: " + written.error().description());
}

struct CountingWriter : pugi::xml_writer {
  std::size_t bytes = 0;
  void write(const void*, size_t size) override { bytes += size; }
};

// A service with the sample template, over the scratch database.
struct Loaded {
  SqlDataSourcePtr ds = OpenSqliteDataSource(g.db, false).value();
  ScopedComponent source{"DataSourceKit.DefaultDataSource", [this] { return ds; }};
  clsVoucherService svc;
  Loaded() {
    svc.SetDataSource(ds);
    const Result<RecordsetPtr> tpl = LoadTemplateRecordset(*ds, "17", 12);
    if (!tpl.ok()) throw std::runtime_error("no template: " + tpl.error().description());
    svc.setTemplateData(*tpl);
  }
};

// The XML bytes of the documents the service holds after loading the voucher.
double XmlBytes() {
  Loaded l;
  l.svc.setVoucherDataXML(HeadOf(*l.ds, kVoucher), BodyOf(*l.ds, kVoucher));
  DomPtr head, body;
  l.svc.getVoucherDataXML(head, body);
  const auto rows = DataOf(body).children("z:row");
  if (std::distance(rows.begin(), rows.end()) != g.lines)
    throw std::runtime_error("the service did not load every line");
  CountingWriter w;
  head->save(w, "", pugi::format_raw, pugi::encoding_utf8);
  body->save(w, "", pugi::format_raw, pugi::encoding_utf8);
  return static_cast<double>(w.bytes);
}

// The library's own work for show: load, then read every visible body cell.
std::vector<double> LoadAndDisplay() {
  Loaded l;
  DomPtr head = HeadOf(*l.ds, kVoucher), body = BodyOf(*l.ds, kVoucher);
  std::vector<Variant> columns;
  for (std::int32_t i = 1; i <= l.svc.BodyInfoCount(); ++i)
    if (ItemPtr item = l.svc.ItemState(Variant(i), sibody); item && !item->Reserve6.empty())
      columns.emplace_back(item->sFieldName);
  const auto start = Clock::now();
  l.svc.setVoucherDataXML(head, body);
  std::size_t bytes = 0;
  for (std::int32_t line = 1; line <= g.lines; ++line)
    for (const Variant& column : columns) {
      const Variant text = l.svc.bodyText(line, column);
      if (text.IsString()) bytes += text.AsString().size();
    }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (bytes == 0) throw std::runtime_error("the display pass read nothing");
  return {seconds};
}

void Report(benchmark::State& state, const ChildRun& run) {
  state.SetIterationTime(run.seconds);
  state.counters["peak"] = benchmark::Counter(run.peak_bytes, benchmark::Counter::kAvgIterations,
                                              benchmark::Counter::kIs1024);
  state.counters["xml"] = benchmark::Counter(g.xml_bytes, benchmark::Counter::kDefaults,
                                             benchmark::Counter::kIs1024);
}

void BM_LoadDisplay(benchmark::State& state) {
  for (auto _ : state) {
    ChildRun run = InChild(LoadAndDisplay);
    if (!run.ok || run.values.size() != 1) return state.SkipWithError("the load and display pass failed");
    run.seconds = run.values[0];
    Report(state, run);
  }
}

void BM_Show(benchmark::State& state) {
  const fs::path out = g.dir / "show.out", err = g.dir / "show.err";
  for (auto _ : state) {
    const ChildRun run = Tool({"show", "--db", g.db.string(), "--voucher", kVoucher}, out, err);
    if (!run.ok) return state.SkipWithError(("show failed: " + FileText(err)).c_str());
    if (LinesOf(out) < static_cast<std::size_t>(g.lines))
      return state.SkipWithError("show printed fewer lines than the voucher has");
    Report(state, run);
  }
}

// The database files (the main one and the attached ones beside it) copied
// into dir.
fs::path CopyDatabase(const fs::path& dir) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const auto& entry : fs::directory_iterator(g.dir))
    if (entry.is_regular_file() && entry.path().filename().string().rfind(g.db.stem().string(), 0) == 0)
      fs::copy_file(entry.path(), dir / entry.path().filename());
  return dir / g.db.filename();
}

void BM_CalcSave(benchmark::State& state) {
  const fs::path out = g.dir / "calc.out", err = g.dir / "calc.err";
  for (auto _ : state) {
    const fs::path db = CopyDatabase(g.dir / "calc");
    const ChildRun run = Tool({"calc", "--db", db.string(), "--voucher", kVoucher, "--save"}, out, err);
    if (!run.ok) return state.SkipWithError(("calc --save failed: " + FileText(err)).c_str());
    if (FileText(out).find("wrote voucher") == std::string::npos)
      return state.SkipWithError("calc --save did not say what it wrote");
    Report(state, run);
  }
}

int LinesOption(int& argc, char** argv) {
  int lines = 100000;
  if (const char* env = std::getenv("CAVRA_BENCH_LINES")) lines = std::atoi(env);
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--lines=", 8) == 0)
      lines = std::atoi(argv[i] + 8);
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  g.lines = LinesOption(argc, argv);
  if (g.lines < 1) {
    std::fprintf(stderr, "memory_bench: --lines needs a positive number\n");
    return 2;
  }
  const char* tool = std::getenv("CAVRA_VOUCHER_TOOL");
  g.tool = tool ? tool : CAVRA_VOUCHER_TOOL;
  benchmark::Initialize(&argc, argv);

  char tmpl[] = "/tmp/cavra-memory-bench-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  g.dir = tmpl;
  g.db = g.dir / "cavra.db";
  int code = 0;
  std::fprintf(stderr, "memory_bench: creating a voucher of %d lines in %s ...\n", g.lines, g.dir.c_str());
  if (!InChild([] { return CreateDatabase(), std::vector<double>{}; }).ok) {
    code = 1;
  } else if (ChildRun xml = InChild([] { return std::vector<double>{XmlBytes()}; }); !xml.ok) {
    code = 1;
  } else {
    g.xml_bytes = xml.values.at(0);
    const std::string n = std::to_string(g.lines);
    using Fn = void (*)(benchmark::State&);
    const std::pair<const char*, Fn> benchmarks[] = {
        {"BM_LoadDisplay", BM_LoadDisplay}, {"BM_Show", BM_Show}, {"BM_CalcSave", BM_CalcSave}};
    for (const auto& [name, fn] : benchmarks)
      benchmark::RegisterBenchmark(name, fn)->Arg(g.lines)->Iterations(1)->UseManualTime()->Unit(
          benchmark::kMillisecond);

    cavra::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // The names the runs are reported under.
    auto run = [&](const char* name) { return std::string(name) + "/" + n + "/iterations:1/manual_time"; };
    const std::string show = run("BM_Show"), calc = run("BM_CalcSave"), lib = run("BM_LoadDisplay");
    std::printf("\nXML bytes of the voucher's documents: %.0f (%d lines)\n", g.xml_bytes, g.lines);
    reporter.PrintRatios(
        std::vector<cavra::bench::RatioReporter::Measured>{
            {"show peak memory / XML bytes", show, "peak", show, "xml", 4},
            {"calc --save peak memory / XML bytes", calc, "peak", calc, "xml", 5},
            {"show time / load + display pass", show, "real", lib, "real", 2},
            {"(library) load + display peak / XML", lib, "peak", lib, "xml", 0},
            {"(calc --save time / show time)", calc, "real", show, "real", 0},
        },
        "ratio");
  }
  benchmark::Shutdown();
  std::error_code ignored;
  if (std::getenv("CAVRA_BENCH_KEEP"))
    std::fprintf(stderr, "memory_bench: the database stays in %s\n", g.dir.c_str());
  else
    fs::remove_all(g.dir, ignored);
  return code;
}

// The whole export of a 300-company bureau, as the window runs it: an App loaded on the
// installation, every company selected, CMDAVVIO_Click. Beside it, a plain read of every input
// file once (what cat would do), so the export's time and the bytes it reads through Files can
// be set against the size of what it could have read. Run: zr_bench --benchmark_filter=Export
// (stderr shows the bureau, the bytes read per file and the files written).
#include "export_bench.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "benchapp.h"
#include "bureau.h"
#include "counting_files.h"
#include "export/run.h"
#include "shell/app.h"
#include "shell/startup.h"

namespace zr::bench {

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// What one export cost: the load of the window, then the run itself.
struct ExportCost {
  double loadSeconds = 0;
  double runSeconds = 0;
  std::uint64_t loadBytes = 0;     // read through Files by the load
  std::uint64_t runBytes = 0;      // read through Files by the run
  std::uint64_t reads = 0;         // read calls of load and run
  std::uint64_t writes = 0;        // write calls of the run
  std::uint64_t writeBytes = 0;    // bytes those calls wrote (numbering passes rewrite)
  std::uint64_t writtenBytes = 0;  // the export files' final size
  std::map<std::string, std::uint64_t> byFile;  // bytes read per file, load and run
  std::vector<WrittenFile> written;
};

// Loads an App on the bureau as the window does, selects every company and runs the export.
// Anything but a finished run is an exception saying what the program showed.
ExportCost exportOnce(const Bureau& bureau) {
  ExportCost cost;
  // The counter outlives the App, which gets a plain forwarder to it: the files the App still
  // holds at its end are counted as it closes them.
  auto host = platform::makeHostFiles(bureau.root());
  CountingFiles counter(*host);

  const auto loadStart = Clock::now();
  auto loaded = std::make_unique<BureauApp>(bureau, counter);
  cost.loadSeconds = since(loadStart);
  cost.loadBytes = counter.bytesRead();
  cost.reads = counter.reads();
  counter.reset();
  loaded->ui().clear();

  loaded->selectAll();
  std::vector<WrittenFile> written;
  const auto runStart = Clock::now();
  RunOutcome outcome = RunOutcome::Failed;
  try {
    outcome = CMDAVVIO_Click(loaded->app(), &written);
  } catch (const ProgramEnd& e) {
    throw std::runtime_error("the run ended the program (" + std::to_string(e.status) +
                             "):" + loaded->dialogsText());
  }
  cost.runSeconds = since(runStart);
  cost.runBytes = counter.bytesRead();
  cost.reads += counter.reads();
  cost.writes = counter.writes();
  cost.writeBytes = counter.bytesWritten();
  if (outcome != RunOutcome::Done)
    throw std::runtime_error("the export did not finish:" + loaded->dialogsText());
  for (const auto& w : written) {
    if (w.records == 0) throw std::runtime_error(w.name + " is empty");
    cost.writtenBytes += w.records * w.recordLength;
  }
  cost.written = std::move(written);
  loaded.reset();  // before the host files it forwards to; closes what it held open
  cost.byFile = counter.byFile();
  return cost;
}

// Reads every input file once from start to end, as cat does; returns the bytes read.
std::uint64_t readAll(const std::vector<std::filesystem::path>& files) {
  std::vector<char> buffer(128 * 1024);
  std::uint64_t total = 0;
  for (const auto& p : files) {
    std::FILE* f = std::fopen(p.c_str(), "rb");
    if (!f) throw std::runtime_error("cannot open " + p.string());
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) total += got;
    std::fclose(f);
  }
  return total;
}

// Mean seconds of a few plain reads of the inputs, each checked for the full size.
double catSeconds(const Bureau& bureau, int passes) {
  double seconds = 0;
  for (int i = 0; i < passes; ++i) {
    const auto start = Clock::now();
    const std::uint64_t got = readAll(bureau.inputs());
    seconds += since(start);
    if (got != bureau.inputBytes()) throw std::runtime_error("the inputs changed size");
  }
  return seconds / passes;
}

// Where one export's reads went: bytes read from each file against the file's size (a file the
// run wrote itself, such as an export file's temporary read back for numbering, has none left).
// Returns the bytes read from the bureau's input files alone.
std::uint64_t reportReads(const Bureau& bureau, const ExportCost& cost) {
  auto host = platform::makeHostFiles(bureau.root());
  const auto& inputs = bureau.inputs();
  std::uint64_t fromInputs = 0;
  std::fprintf(stderr, "one export (load and run) read, per file:\n");
  for (const auto& [path, bytes] : cost.byFile) {
    if (bytes == 0) continue;
    const std::filesystem::path hostPath = host->resolve(path);
    const bool input = std::binary_search(inputs.begin(), inputs.end(), hostPath);
    if (input) fromInputs += bytes;
    std::error_code ec;
    const auto size = std::filesystem::file_size(hostPath, ec);
    std::fprintf(stderr, "  %12llu of %12llu bytes (%8.3fx)  %s%s\n",
                 static_cast<unsigned long long>(bytes),
                 static_cast<unsigned long long>(ec ? 0 : size),
                 !ec && size ? static_cast<double>(bytes) / static_cast<double>(size) : 0.0,
                 path.c_str(), input ? "" : "  (written by the run)");
  }
  for (const auto& w : cost.written)
    std::fprintf(stderr, "wrote %s: %llu records of %zu\n", w.name.c_str(),
                 static_cast<unsigned long long>(w.records), w.recordLength);
  return fromInputs;
}

void announce(const Bureau& bureau) {
  const BureauSummary& s = bureau.summary();
  std::fprintf(stderr,
               "bureau of %d companies (%d presented by another, %d with the shifted year), "
               "%d F24 records, %d local-tax table rows, %d employees: built in %.1f s, "
               "%zu input files, %.1f MB\n",
               s.companies, s.substitutes, s.shiftedYear, s.f24Records, s.localTaxRows, s.employees,
               s.buildSeconds, bureau.inputs().size(),
               static_cast<double>(bureau.inputBytes()) / 1e6);
}

// The shared bureau, or nothing (the benchmark skipped with the reason) when it cannot be built.
const Bureau* bureauOrSkip(benchmark::State& state, ExportBenchmarks& owner) {
  try {
    return &owner.bureau();
  } catch (const std::exception& e) {
    state.SkipWithError((std::string("the bureau could not be built: ") + e.what()).c_str());
    return nullptr;
  }
}

void exportBenchmark(benchmark::State& state, ExportBenchmarks& owner) {
  const Bureau* built = bureauOrSkip(state, owner);
  if (!built) return;
  const Bureau& bureau = *built;
  ExportCost sum;
  try {
    for (auto _ : state) {
      ExportCost c = exportOnce(bureau);
      sum.loadSeconds += c.loadSeconds;
      sum.runSeconds += c.runSeconds;
      sum.loadBytes += c.loadBytes;
      sum.runBytes += c.runBytes;
      sum.reads += c.reads;
      sum.writes += c.writes;
      sum.writeBytes += c.writeBytes;
      sum.writtenBytes = c.writtenBytes;
      sum.byFile = std::move(c.byFile);
      sum.written = std::move(c.written);
    }
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  const auto n = static_cast<double>(state.iterations());
  const double input = static_cast<double>(bureau.inputBytes());
  const double exportSeconds = (sum.loadSeconds + sum.runSeconds) / n;
  double cat = 0;
  try {
    cat = catSeconds(bureau, 3);
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  const auto fromInputs = static_cast<double>(reportReads(bureau, sum));
  state.counters["export_s"] = exportSeconds;
  state.counters["load_s"] = sum.loadSeconds / n;
  state.counters["run_s"] = sum.runSeconds / n;
  state.counters["cat_s"] = cat;
  state.counters["export_per_cat"] = cat > 0 ? exportSeconds / cat : 0;
  state.counters["read_per_input"] = static_cast<double>(sum.loadBytes + sum.runBytes) / n / input;
  state.counters["run_read_per_input"] = static_cast<double>(sum.runBytes) / n / input;
  state.counters["inputs_read_per_input"] = fromInputs / input;  // the last export's
  state.counters["writes"] = static_cast<double>(sum.writes) / n;
  state.counters["write_MB"] = static_cast<double>(sum.writeBytes) / n / 1e6;
  state.counters["reads"] = static_cast<double>(sum.reads) / n;
  state.counters["input_MB"] = input / 1e6;
  state.counters["written_MB"] = static_cast<double>(sum.writtenBytes) / 1e6;
}

void catBenchmark(benchmark::State& state, ExportBenchmarks& owner) {
  const Bureau* built = bureauOrSkip(state, owner);
  if (!built) return;
  const Bureau& bureau = *built;
  try {
    for (auto _ : state)
      if (readAll(bureau.inputs()) != bureau.inputBytes())
        throw std::runtime_error("the inputs changed size");
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bureau.inputBytes()));
}

}  // namespace

ExportBenchmarks::ExportBenchmarks() = default;
ExportBenchmarks::~ExportBenchmarks() = default;

const Bureau& ExportBenchmarks::bureau() {
  if (!bureau_) {
    bureau_ = std::make_unique<Bureau>();
    announce(*bureau_);
  }
  return *bureau_;
}

void registerExportBenchmarks(ExportBenchmarks& owner) {
  benchmark::RegisterBenchmark("BM_Export",
                               [&owner](benchmark::State& s) { exportBenchmark(s, owner); })
      ->Unit(benchmark::kMillisecond)
      ->Iterations(3)
      ->UseRealTime();
  benchmark::RegisterBenchmark("BM_ExportInputCat", [&owner](benchmark::State& s) {
    catBenchmark(s, owner);
  })->Unit(benchmark::kMillisecond);
}

}  // namespace zr::bench

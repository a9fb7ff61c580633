// The ISAM index under load: an index of 100,000 nine-character keys built once through the
// insert mode in a temporary folder, then exact lookups of random keys and full ordered walks.
// This file also holds zr_bench's main, which runs every registered benchmark (the export
// benchmarks among them).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/isam.h"
#include "export_bench.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "scenarios.h"

namespace {

constexpr int kBase = 378;
constexpr int kKeyLength = 9;
constexpr int kKeys = 100000;

// Key of data record r: nine digits, ten apart, so that keys in between are absent.
std::string keyOf(double record) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%09d", (static_cast<int>(record) - 1) * 10);
  return buf;
}

class BenchIndex {
 public:
  BenchIndex() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "zr-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
    std::filesystem::create_directories(dir_ / "ARC");
    writeCatalogue();
    config_.PERCORSOARCHIVI = "C:\\ARC";
    files_ = zr::platform::makeHostFiles(dir_.string());
    lib_ = std::make_unique<zr::ArchiveLib>(*files_, ui_, clock_, config_);

    std::vector<double> order(kKeys);
    std::iota(order.begin(), order.end(), 1.0);
    std::shuffle(order.begin(), order.end(), std::mt19937(77));
    auto start = std::chrono::steady_clock::now();
    if (zr::CERCAISAM(*lib_, kBase, "", 9, 0) != 1) throw std::runtime_error("create failed");
    for (double r : order)
      if (zr::CERCAISAM(*lib_, kBase, keyOf(r), 1, r) != r) throw std::runtime_error("insert");
    buildSeconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  ~BenchIndex() {
    lib_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  BenchIndex(const BenchIndex&) = delete;
  BenchIndex& operator=(const BenchIndex&) = delete;

  zr::ArchiveLib& lib() { return *lib_; }
  bool quiet() const { return ui_.dialogs().empty(); }
  double buildSeconds() const { return buildSeconds_; }
  std::uintmax_t indexBytes() const {
    return std::filesystem::file_size(dir_ / "ARC" / "ISAM.K78");
  }

 private:
  void writeCatalogue() {
    std::string catalogue(static_cast<std::size_t>(kBase) * 79, ' ');
    std::string rec = "   ISAM.K78";
    rec.resize(32, ' ');
    rec += std::to_string((kKeyLength + 7) * 128);  // 2048: four digits and a blank
    rec.resize(79, ' ');
    catalogue.replace(static_cast<std::size_t>(kBase - 1) * 79, 79, rec);
    std::ofstream(dir_ / "ARC" / "TRBASE.DAT", std::ios::binary) << catalogue;
  }

  std::filesystem::path dir_;
  zr::Config config_;
  zr::platform::ScriptedUi ui_;
  zr::platform::FixedClock clock_{std::chrono::year_month_day{
      std::chrono::year{2024}, std::chrono::month{1}, std::chrono::day{1}}};
  std::unique_ptr<zr::platform::Files> files_;
  std::unique_ptr<zr::ArchiveLib> lib_;
  double buildSeconds_ = 0;
};

void exactLookup(benchmark::State& state, BenchIndex& index) {
  std::vector<double> probes(4096);
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> pick(1, kKeys);
  for (auto& p : probes) p = pick(rng);
  std::vector<std::string> keys;
  for (double p : probes) keys.push_back(keyOf(p));

  auto readsBefore = index.lib().recordsRead();
  std::size_t i = 0;
  for (auto _ : state) {
    double r = zr::CERCAISAM(index.lib(), kBase, keys[i], 2, 0);
    if (r != probes[i]) {
      state.SkipWithError("wrong record");
      break;
    }
    i = (i + 1) % probes.size();
  }
  auto reads = static_cast<double>(index.lib().recordsRead() - readsBefore);
  auto n = static_cast<double>(state.iterations());
  state.counters["lookups_per_s"] = benchmark::Counter(n, benchmark::Counter::kIsRate);
  state.counters["records_per_lookup"] = n > 0 ? reads / n : 0;
}

void fullWalk(benchmark::State& state, BenchIndex& index) {
  auto readsBefore = index.lib().recordsRead();
  double keys = 0;
  for (auto _ : state) {
    std::string key(kKeyLength, ' ');
    double expected = 1;
    for (;;) {
      double r = zr::CERCAISAM(index.lib(), kBase, key, 4, 0);
      if (r == 999999) break;
      if (r != expected++) {
        state.SkipWithError("walk out of order");
        return;
      }
      key = keyOf(r);
      keys += 1;
    }
    if (expected != kKeys + 1) state.SkipWithError("walk lost keys");
  }
  auto reads = static_cast<double>(index.lib().recordsRead() - readsBefore);
  state.counters["keys_per_s"] = benchmark::Counter(keys, benchmark::Counter::kIsRate);
  state.counters["records_per_key"] = keys > 0 ? reads / keys : 0;
}

// The index is built on the first benchmark that uses it: a filter that leaves both out costs
// nothing.
class LazyIndex {
 public:
  BenchIndex& get() {
    if (!index_) {
      index_ = std::make_unique<BenchIndex>();
      std::fprintf(stderr, "index of %d keys built through inserts in %.2f s, %ju bytes\n", kKeys,
                   index_->buildSeconds(), index_->indexBytes());
    }
    return *index_;
  }
  bool quiet() const { return !index_ || index_->quiet(); }

 private:
  std::unique_ptr<BenchIndex> index_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  LazyIndex index;
  benchmark::RegisterBenchmark("BM_ExactLookup",
                               [&](benchmark::State& s) { exactLookup(s, index.get()); });
  benchmark::RegisterBenchmark("BM_FullWalk", [&](benchmark::State& s) {
    fullWalk(s, index.get());
  })->Unit(benchmark::kMillisecond);
  zr::bench::ExportBenchmarks exports;
  zr::bench::registerExportBenchmarks(exports);
  zr::bench::ScenarioBenchmarks scenarios;
  scenarios.registerAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  scenarios.printTable();
  if (!index.quiet()) {
    std::fprintf(stderr, "the index showed messages\n");
    return 1;
  }
  return 0;
}

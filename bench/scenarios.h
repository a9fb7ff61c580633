// The scenarios of the performance table: built bureaus of three sizes (cached under the build
// folder), and on each the export of every company, the payment-date verification and every
// control list, each run twice: the real zorir770 in a child process (wall and CPU time, peak
// memory) and in-process through counting Files (bytes, calls, opens, bytes printed). Beside
// them, cat over the bureau's input files: the floor of reading the data once. The table with
// its ratios is printed after the benchmarks have run. Owns the bureaus and the figures.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bureau.h"

namespace zr::bench {

// What one run cost.
struct RunFigures {
  double wallSeconds = 0, cpuSeconds = 0;
  double peakMegabytes = 0;                       // the child's maximum resident set
  std::uint64_t bytesRead = 0, bytesWritten = 0;  // through Files (a copy counts both ways)
  std::uint64_t reads = 0, writes = 0, opens = 0;
  std::uint64_t printed = 0;  // the lists' text
};

struct ScenarioRow {
  std::string scenario;  // "export", "verify", "list erario", ...
  RunFigures figures;
};

struct SizeFigures {
  BureauShape shape;
  std::uint64_t inputBytes = 0;
  std::size_t inputFiles = 0;
  double buildSeconds = 0;  // 0 when it came from the cache
  RunFigures cat;
  std::vector<ScenarioRow> rows;
};

class ScenarioBenchmarks {
 public:
  // The three sizes of the table, or those of $ZR_BENCH_SIZES ("50x20,300x50").
  ScenarioBenchmarks();
  ~ScenarioBenchmarks();
  ScenarioBenchmarks(const ScenarioBenchmarks&) = delete;
  ScenarioBenchmarks& operator=(const ScenarioBenchmarks&) = delete;

  // Registers BM_Scenario/<companies>x<employees>/<scenario>, cat first, for every size.
  void registerAll();
  // The table and its ratios on stdout; nothing when no scenario ran.
  void printTable() const;

 private:
  Bureau& bureau(std::size_t size);
  void runScenario(std::size_t size, const std::string& scenario, RunFigures& out);

  std::vector<BureauShape> shapes_;
  std::vector<std::unique_ptr<Bureau>> bureaus_;
  std::vector<SizeFigures> figures_;
};

}  // namespace zr::bench

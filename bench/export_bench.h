// The whole export on a large bureau: the benchmarks and the bureau they share, built on first
// use so that a filter leaving them out costs nothing. Owns that bureau for zr_bench's main.
#pragma once

#include <memory>

namespace zr::bench {

class Bureau;

class ExportBenchmarks {
 public:
  ExportBenchmarks();
  ~ExportBenchmarks();
  ExportBenchmarks(const ExportBenchmarks&) = delete;
  ExportBenchmarks& operator=(const ExportBenchmarks&) = delete;

  const Bureau& bureau();  // built on the first call

 private:
  std::unique_ptr<Bureau> bureau_;
};

// Registers BM_Export and BM_ExportInputCat over `owner`, which must outlive the run.
void registerExportBenchmarks(ExportBenchmarks& owner);

}  // namespace zr::bench

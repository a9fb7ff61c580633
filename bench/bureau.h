// A large payroll bureau for the export benchmarks: 300 companies with every F24 row of every
// month filled, built once through the installation builder in a temporary drive root that is
// removed with it. Owns that folder and nothing else.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zr::bench {

struct BureauShape {
  int companies = 300;
  int employees = 2;  // per company
  std::uint64_t seed = 770;
};

// What the build wrote, for the benchmark's report.
struct BureauSummary {
  int companies = 0;
  int substitutes = 0;  // presented by another company (T326)
  int shiftedYear = 0;  // T596 = 1
  int f24Records = 0;
  int localTaxRows = 0;  // F24ENTILOCICI rows beyond the record's ten
  int employees = 0;
  double buildSeconds = 0;
};

class Bureau {
 public:
  explicit Bureau(const BureauShape& shape = {});
  ~Bureau();
  Bureau(const Bureau&) = delete;
  Bureau& operator=(const Bureau&) = delete;

  const std::string& root() const { return root_; }
  // The registry stand-in that the builder wrote.
  const std::string& registryPath() const { return registry_; }
  const BureauSummary& summary() const { return summary_; }
  // Every regular file under the root as the build left it: what an export may read.
  const std::vector<std::filesystem::path>& inputs() const { return inputs_; }
  std::uintmax_t inputBytes() const { return inputBytes_; }

 private:
  std::string root_;
  std::string registry_;
  BureauSummary summary_;
  std::vector<std::filesystem::path> inputs_;
  std::uintmax_t inputBytes_ = 0;
};

}  // namespace zr::bench

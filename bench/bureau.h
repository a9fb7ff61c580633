// A large payroll bureau for the benchmarks: companies with every F24 row of every month filled
// and their employees, built through the installation builder either in a temporary drive root
// removed with it, or once into a cache folder (kept, keyed by shape and builder version) that
// later runs reuse. Owns that folder and nothing else.
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

// Bumped whenever what a bureau of a given shape holds changes, so that a cached one of an
// older build is built again instead of measured.
inline constexpr int kBureauVersion = 1;

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
  // In a temporary folder, removed with the object.
  explicit Bureau(const BureauShape& shape = {});
  // In cacheFolder/<shape and version>: reused when a complete build is there, else built.
  Bureau(const BureauShape& shape, const std::filesystem::path& cacheFolder);
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
  // Whether this object built the bureau (false: found complete in the cache).
  bool built() const { return built_; }

 private:
  void build(const BureauShape& shape);
  void listInputs();
  void sizeInputs();
  void writeManifest() const;
  bool readManifest();

  std::string root_;
  std::string registry_;
  BureauSummary summary_;
  std::vector<std::filesystem::path> inputs_;
  std::uintmax_t inputBytes_ = 0;
  bool temporary_ = true;
  bool built_ = false;
};

}  // namespace zr::bench

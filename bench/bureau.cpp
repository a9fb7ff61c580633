#include "bureau.h"

#include <stdlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string_view>

#include "builder.h"
#include "demo_parts.h"
#include "fields.h"
#include "random.h"

namespace zr::bench {

namespace {

using demo::amountText;
using demo::ddmmyyyy;
using demo::Fields;
using demo::Random;
using platform::Value;

constexpr int kYear = 2023;
constexpr int kFirstF24Year = 2007, kLastF24Year = 2030;
constexpr std::array<std::string_view, demo::fld::kErarioRows> kErarioCodes{
    "1001", "1002", "1004", "1012", "1040", "1038", "1627", "1631", "1701", "1712",
    "1713", "1601", "1602", "1655", "1634", "1668", "1914", "1920", "1050", "1052"};
constexpr std::array<std::string_view, demo::fld::kRegionRows> kRegionCodes{"3802", "3796", "1669",
                                                                            "3801"};
constexpr std::array<std::string_view, 4> kLocalCodes{"3847", "3848", "3797", "1671"};
// Months of the reference year whose local-tax rows run past the record into the database.
constexpr std::array<int, 3> kCrowdedMonths{3, 6, 9};
constexpr int kTableRows = 3;  // rows 11..13

std::string two(int n) {
  return std::string(n < 10 ? "0" : "") + std::to_string(n);
}
std::string three(int n) {
  return std::string(n < 100 ? "0" : "") + two(n);
}

bool presentedByPrevious(int code) {
  return code % 20 == 0;
}
bool shifted(int code) {
  return code % 30 == 7;
}

void add(Fields& f, std::string_view descriptor, std::string value, int k = 0) {
  f.push_back({std::string(descriptor), std::move(value), k});
}

demo::CompanyRecord companyRecord(int code, Random& rng) {
  demo::CompanyRecord c;
  c.code = code;
  // A natural person now and then: a 16-character fiscal code, the VAT number beside it.
  const std::string fiscal = code % 9 == 4 ? "RSSMRA80A01H" + rng.digits(3) + "X" : rng.digits(11);
  add(c.fields, demo::fld::T002, "AZIENDA DI PROVA " + three(code));
  add(c.fields, demo::fld::T012, fiscal);
  add(c.fields, demo::fld::T013, rng.digits(11));
  add(c.fields, demo::fld::T008, "VIA ROMA " + std::to_string(code));
  add(c.fields, demo::fld::T010, "MILANO");
  add(c.fields, demo::fld::T011, "MI");
  add(c.fields, demo::fld::T326, std::to_string(presentedByPrevious(code) ? code - 1 : 0));
  add(c.fields, demo::fld::T596, shifted(code) ? "1" : "0");
  return c;
}

// Every row of every section of one month's payment, each with a debit, a credit and its three
// complementary amounts.
Fields fullF24(int year, int month, Random& rng) {
  namespace fld = demo::fld;
  Fields f;
  add(f, fld::A003, ddmmyyyy(16, month, year));
  const std::string period = "00" + two(month) + std::to_string(year);
  for (int k = 1; k <= fld::kErarioRows; ++k) {
    add(f, fld::erarioCode, std::string(kErarioCodes[k - 1]), k);
    add(f, fld::erarioPeriod, period, k);
    add(f, fld::erarioDebit, amountText(rng.amount(50, 5000)), k);
    add(f, fld::erarioCredit, amountText(rng.amount(0, 300)), k);
    for (int j = 1; j <= 3; ++j)
      add(f, fld::f24Amount(fld::AmountRun::AA, 3 * (k - 1) + j), amountText(rng.amount(1, 900)));
  }
  for (int b = 0; b < fld::kRegionBlocks; ++b)
    for (int k = 1; k <= fld::kRegionRows; ++k) {
      using fld::RegionField;
      add(f, fld::regionField(RegionField::Code, b), std::string(kRegionCodes[k - 1]), k);
      add(f, fld::regionField(RegionField::Year, b), k % 2 ? "  2023" : "  2022", k);
      add(f, fld::regionField(RegionField::Debit, b), amountText(rng.amount(5, 600)), k);
      add(f, fld::regionField(RegionField::Credit, b), amountText(rng.amount(0, 50)), k);
      for (int j = 1; j <= 3; ++j)
        add(f, fld::regionAmount(12 * b + 3 * (k - 1) + j), amountText(rng.amount(1, 300)));
    }
  for (int i = 0; i < static_cast<int>(fld::kLocalRows.size()); ++i) {
    const auto& row = fld::kLocalRows[static_cast<std::size_t>(i)];
    add(f, row.code, std::string(kLocalCodes[static_cast<std::size_t>(i) % kLocalCodes.size()]));
    add(f, row.year, i % 2 ? "  2022" : "  2023");
    add(f, row.debit, amountText(rng.amount(3, 400)));
    add(f, row.credit, amountText(rng.amount(0, 40)));
    for (int j = 1; j <= 3; ++j)
      add(f, fld::f24Amount(fld::AmountRun::AF, 3 * i + j), amountText(rng.amount(1, 200)));
  }
  return f;
}

void tableRows(std::vector<demo::LocalTaxRow>& out, int code, int year, int month, Random& rng) {
  for (int row = 11; row < 11 + kTableRows; ++row)
    out.push_back({three(code), std::to_string(year) + two(month), row,
                   std::string(kLocalCodes[static_cast<std::size_t>(row) % kLocalCodes.size()]),
                   "2023", Value(rng.amount(3, 400)), Value(rng.amount(0, 40)),
                   Value(rng.amount(1, 200)), Value(rng.amount(1, 200)), Value(0.0)});
}

Fields employeeFields(Random& rng) {
  Fields f;
  for (std::string_view q : demo::fld::kEmployeeAmounts)
    if (rng.chance(30)) add(f, q, amountText(rng.amount(5, 900)));
  return f;
}

constexpr const char* kManifest = ".bureau";

std::string makeTempRoot() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "zr-bench-bureau-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  return tmpl;
}

}  // namespace

Bureau::Bureau(const BureauShape& shape) : root_(makeTempRoot()) {
  try {
    build(shape);
  } catch (...) {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
    throw;
  }
  listInputs();
}

Bureau::Bureau(const BureauShape& shape, const std::filesystem::path& cacheFolder)
    : temporary_(false) {
  char key[96];
  std::snprintf(key, sizeof key, "c%03d-e%03d-s%llu-v%d", shape.companies, shape.employees,
                static_cast<unsigned long long>(shape.seed), kBureauVersion);
  const std::filesystem::path root = cacheFolder / key;
  root_ = root.string();
  if (readManifest()) return;
  // Whatever a build cut short left there is not a bureau.
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root);
  try {
    build(shape);
    listInputs();
    writeManifest();
  } catch (...) {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    throw;
  }
}

void Bureau::build(const BureauShape& shape) {
  const auto start = std::chrono::steady_clock::now();
  demo::InstallationBuilder b(root_);
  // Every yearly database already there, as after the program's first start: no load copies
  // the template, so every timed load does the same work.
  demo::SkeletonOptions skeleton;
  skeleton.f24Years.clear();
  for (int year = kFirstF24Year; year <= kLastF24Year; ++year) skeleton.f24Years.push_back(year);
  b.writeSkeleton(skeleton);
  Random rng(shape.seed);
  std::vector<demo::LocalTaxRow> rows2023, rows2024;
  for (int code = 1; code <= shape.companies; ++code) {
    b.putCompany(companyRecord(code, rng));
    ++summary_.companies;
    summary_.substitutes += presentedByPrevious(code);
    summary_.shiftedYear += shifted(code);
    for (int month = 1; month <= 12; ++month)
      b.putF24({code, kYear, month, fullF24(kYear, month, rng)});
    b.putF24({code, kYear + 1, 1, fullF24(kYear + 1, 1, rng)});
    summary_.f24Records += 13;
    for (int month : kCrowdedMonths) tableRows(rows2023, code, kYear, month, rng);
    if (shifted(code)) tableRows(rows2024, code, kYear + 1, 1, rng);
    for (int n = 1; n <= shape.employees; ++n) b.putEmployee({code, n, employeeFields(rng)});
    summary_.employees += shape.employees;
  }
  b.addLocalTaxRows(kYear, rows2023);
  b.addLocalTaxRows(kYear + 1, rows2024);
  summary_.localTaxRows = static_cast<int>(rows2023.size() + rows2024.size());
  b.close();
  built_ = true;
  summary_.buildSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Bureau::listInputs() {
  registry_ = (std::filesystem::path(root_) / "registry.ini").string();
  inputs_.clear();
  for (const auto& e : std::filesystem::recursive_directory_iterator(root_))
    if (e.is_regular_file() && e.path().filename() != kManifest) inputs_.push_back(e.path());
  std::sort(inputs_.begin(), inputs_.end());
  sizeInputs();
}

void Bureau::sizeInputs() {
  inputBytes_ = 0;
  for (const auto& p : inputs_) inputBytes_ += std::filesystem::file_size(p);
}

// The manifest: the summary, then the input files (relative paths) as the build left them.
void Bureau::writeManifest() const {
  const std::filesystem::path path = std::filesystem::path(root_) / kManifest;
  std::ofstream out(path, std::ios::trunc);
  const BureauSummary& s = summary_;
  out << s.companies << ' ' << s.substitutes << ' ' << s.shiftedYear << ' ' << s.f24Records << ' '
      << s.localTaxRows << ' ' << s.employees << ' ' << s.buildSeconds << '\n';
  for (const auto& p : inputs_) out << std::filesystem::relative(p, root_).string() << '\n';
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

bool Bureau::readManifest() {
  std::ifstream in(std::filesystem::path(root_) / kManifest);
  BureauSummary& s = summary_;
  if (!(in >> s.companies >> s.substitutes >> s.shiftedYear >> s.f24Records >> s.localTaxRows >>
        s.employees >> s.buildSeconds))
    return false;
  std::string line;
  std::getline(in, line);
  inputs_.clear();
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    const auto p = std::filesystem::path(root_) / line;
    if (!std::filesystem::is_regular_file(p)) return false;
    inputs_.push_back(p);
  }
  if (inputs_.empty()) return false;
  registry_ = (std::filesystem::path(root_) / "registry.ini").string();
  // Runs rewrite the task file: the sizes are those of now.
  sizeInputs();
  return true;
}

Bureau::~Bureau() {
  if (!temporary_) return;
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

}  // namespace zr::bench

// The export report: what each ".V24" file of a set holds per company, compared with the set it
// replaced, and what a careful operator would check before filing. The summary of a run is made
// from its records as the run writes them (ExportWatcher); that of a set on disk from its files.
// Reads files only through platform::Files; never writes one.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "archive/installation.h"
#include "export/exportfiles.h"

namespace zr::report {

using Cents = std::int64_t;

// A quadro's records of one company and the sum of their paid amounts.
struct Quadro {
  std::uint64_t records = 0;
  Cents paid = 0;
  bool operator==(const Quadro&) const = default;
};

// The SX boxes the report follows, by their positions in the record.
inline constexpr std::array<int, 4> kSxBoxes = {80, 94, 136, 192};

struct CompanySummary {
  std::string code;  // "002"
  std::string name;  // from its front page or substitute record
  bool front = false;       // FRONTE.V24 holds its front page
  bool substitute = false;  // SOSTITUT.V24 its registry record
  std::string declarant;    // a substitute's presenting company
  // Digests of the two records, so that a front page that changed in any field shows.
  std::uint64_t frontDigest = 0, substituteDigest = 0;
  Quadro st;                            // F24 rows of QUADST.V24
  std::array<Cents, 2> stBySection{};   // Erario (0), Regioni (1)
  Quadro sv;                            // QUADSV.V24
  bool sx = false;                      // Q770ULTE.V24 holds its record
  std::array<Cents, 4> sxBoxes{};       // at kSxBoxes
  Quadro selfEmployment;                // the QUADROCU4 rows of QUADST.V24
  bool operator==(const CompanySummary&) const = default;
};

// Which rows a detail line stands for.
enum class Part { ST, SV, SelfEmployment };

// The rows of a company that share a section, a period and a tribute code.
struct RowKey {
  std::string company;
  Part part = Part::ST;
  char section = '0';  // ST: '0' Erario, '1' Regioni; blank for SV
  std::string period;  // YYYYMM
  std::string code;    // tribute code as written
  auto operator<=>(const RowKey&) const = default;
};
struct RowPayment {
  std::string date;  // YYYYMMDD as written ("00000000" none)
  Cents paid = 0;
  auto operator<=>(const RowPayment&) const = default;
};
struct RowGroup {
  std::vector<RowPayment> payments;  // sorted
  Cents paid() const;
  bool operator==(const RowGroup&) const = default;
};

// One ".V24" file of a set: its name and what it held.
struct FileFacts {
  std::string stem;
  std::size_t recordLength = 0;
  bool present = false;
  std::uint64_t records = 0;
  bool operator==(const FileFacts&) const = default;
};

// A company's quadro rows in one set: how many, a digest of them that does not depend on their
// order, and the records that hold them. Only a company whose rows differ between two sets is
// read again for its row groups, so a set's summary stays small whatever its size.
struct RecordRange {
  std::uint64_t first = 0, last = 0;  // record numbers, 1-based, inclusive
  bool operator==(const RecordRange&) const = default;
};
struct CompanyRows {
  std::uint64_t count = 0;
  std::uint64_t digest = 0;  // the sum of the rows' own digests
  std::map<std::string, std::vector<RecordRange>, std::less<>> ranges;  // by file stem
  bool operator==(const CompanyRows&) const = default;
};

struct SetSummary {
  bool present = false;  // at least one file of the set exists
  std::vector<FileFacts> files;
  std::map<std::string, CompanySummary> companies;  // by code
  std::map<std::string, CompanyRows> rows;          // by company code
  // The file each stem's records were read from (a system path): where row groups are read.
  std::map<std::string, std::string> paths;
  // Paid F24 rows without a payment date, by company and period.
  std::map<std::pair<std::string, std::string>, std::int64_t> undated;
  // What could not be read as a record says it should (a file cut short, an amount that is
  // not one): the summary still holds the rest.
  std::vector<std::string> problems;
};

// What the quadro producers saw of a company's F24 payments besides their records.
struct F24Notes {
  bool shiftedYear = false;
  std::set<std::string> periods;             // YYYYMM of the F24 records read
  std::map<std::string, std::uint64_t> skipped;  // rows left out because A + P = 0, by period
};

enum class WarningKind {
  UndatedPayment,              // rows paid with payment date "00000000"
  MissingMonth,                // a month of the year without an F24 record
  MissingNextJanuary,          // a shifted-year company without January of the next year
  SkippedRows,                 // rows left out because A + P = 0
  SubstituteWithoutDeclarant,  // its presenting company has no front page in the set
};
struct Warning {
  WarningKind kind;
  std::string company;
  std::string period;  // YYYYMM; empty when the warning is not about a month
  std::uint64_t count = 0;
  std::string text;  // Italian, CP1252
};

enum class Status { New, Gone, Changed, Unchanged };
struct RowChange {
  RowKey key;
  std::optional<RowGroup> before, after;  // only after: added; only before: removed
};
struct CompanyComparison {
  std::string code;
  Status status = Status::Unchanged;
  std::optional<CompanySummary> before, after;
  std::vector<RowChange> rows;
};

struct ExportReport {
  SetSummary current;
  // The set that the export replaced (or, for the report command, the copy it compares with).
  std::optional<SetSummary> previous;
  std::string previousUnreadable;  // why the previous set could not be read, when it could not
  bool fromRun = false;  // the F24 notes below exist only for a run
  std::map<std::string, F24Notes> f24;
  std::vector<CompanyComparison> comparison;  // every company of either set, by code
  std::vector<Warning> warnings;
};

// The summary of a run's records, made as the producers write them. Hand it to
// ExportFiles::watch before the producers run.
class RunCollector : public ExportWatcher {
 public:
  RunCollector();
  ~RunCollector() override;
  RunCollector(const RunCollector&) = delete;
  RunCollector& operator=(const RunCollector&) = delete;

  void fileCreated(std::string_view stem, std::size_t recordLength) override;
  void recordsWritten(std::string_view stem, double first, std::string_view bytes,
                      std::string_view replaced) override;
  void rowSkipped(std::string_view company, std::string_view period,
                  std::string_view code) override;
  void f24Company(std::string_view company, bool shiftedYear) override;
  void f24Read(std::string_view company, std::string_view period) override;

  // `paths`: the file each stem's records are in now (the run's temporaries), where the
  // comparison reads the row groups of a company that changed.
  SetSummary summary(const std::map<std::string, std::string>& paths) const;
  const std::map<std::string, F24Notes>& f24() const { return f24_; }

 private:
  struct File;
  File& file(std::string_view stem);
  std::vector<std::unique_ptr<File>> files_;
  std::map<std::string, F24Notes> f24_;
};

// The export files of a run or of a set on disk, in the order the run creates them.
std::vector<inst::ExportFileFact> setFiles();

// The summary of the ".V24" set in `folder` (a system path, or a native one starting with
// "/"); a set with none of its files is not present. Errors reading a file are RuntimeErrors.
SetSummary readSet(platform::Files& files, const std::string& folder);

// The row groups of one company in a set, read from the records its summary points to.
std::map<RowKey, RowGroup> rowGroupsOf(platform::Files& files, const SetSummary& set,
                                       const std::string& company);

// Compares and warns: fills comparison and warnings from current, previous and the F24 notes.
// The row groups of a company whose rows differ are read from the sets' files through `files`.
void completeReport(ExportReport& report, platform::Files& files);

// One figure of a company in the two sets, as the report's table shows it: an amount (cents), a
// count or a yes/no (1/0). A company absent from a set counts zero there.
struct Measure {
  enum Kind { Money, Count, Flag };
  std::string_view label;  // "Quadro ST versato"
  std::string_view key;    // its JSON name, "st_versato"
  Kind kind;
  std::int64_t before = 0, after = 0;
  std::int64_t difference() const { return after - before; }
};
// The figures of one company, in the report's order; `before` or `after` may be null.
std::vector<Measure> measures(const CompanySummary* before, const CompanySummary* after);
// The row groups added, removed and changed.
struct RowCounts {
  std::size_t added = 0, removed = 0, changed = 0;
};
RowCounts countRows(const CompanyComparison& c);
// A change of one row group as a line of text: "+ ST sez.0 03/2023 1001 ..." (CP1252).
std::string rowChangeText(const RowChange& change);

// Amounts as the printed lists show them ("#########0.#0", right-aligned in 14).
std::string listMoney(Cents c);
// A difference with its sign ("+20,00", "-3,10", "0,00").
std::string signedMoney(Cents c);
// YYYYMM as "MM/YYYY".
std::string monthText(std::string_view period);
std::string statusText(Status s);  // "NUOVA", "NON PIU' PRESENTE", "VARIATA", "INVARIATA"
std::string partText(Part p);      // "ST", "SV", "ST LAV.AUT."

}  // namespace zr::report

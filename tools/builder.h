// The installation builder: writes a consistent payroll installation under a drive root (path
// files, task file, registry stand-in, catalogue, semaphore, archives with their ISAM indexes,
// F24 and certification databases). Archives go through ArchiveLib, CERCAISAM and the
// repository; databases through the sqlite3 API. Touches nothing outside the drive root.
#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "archive/archive.h"
#include "archive/config.h"
#include "archive/installation.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "repository/repository.h"

namespace zr::demo {

class QuietUi;

inline constexpr int kF24KeyLength = 9;        // company 3 + year 4 + month 2
inline constexpr int kEmployeeKeyLength = 10;  // company 3 + 7 digits
// Companies from this code on would begin every F24 record of theirs with the void mark "99".
inline constexpr int kFirstVoidingCompany = 990;

// One catalogue record of TRBASE.DAT.
struct CatalogueEntry {
  int base = 0;
  std::string pattern;  // up to 29 characters, placeholders as the catalogue allows
  int recordLength = 0;
};

// What the skeleton holds; tests switch pieces off to build broken installations.
struct SkeletonOptions {
  std::string archivesFolder = "C:\\KORVANTE\\ARCHIVI";
  std::string programsFolder = "C:\\KORVANTE\\PROGRAMMI";
  bool pathFiles = true;  // C:\RORIZIDO\TRPERARK.TRP and TRPERPRO.TRP
  bool registry = true;   // ROOT/registry.ini
  // The archives folder the registry names, when it should differ from archivesFolder.
  std::optional<std::string> registryArchivesFolder;
  bool programsFolderFilled = true;  // a file in the programs folder
  // C:\ZAVUVOD\ZAVUVOD.INI's first line (padded to 100); none = no task file.
  std::optional<std::string> taskLine = "01";
  bool semaphore = true;    // TRSEMA.DAT
  bool archives = true;     // empty archives and indexes of the base numbers opened
  bool f24Template = true;  // SF24XXXX.MDB
  std::vector<int> f24Years = {2023, 2024};  // yearly SF24YYYY.MDB written
  // RELEASE.RELEASE of the yearly databases (0 is a release too); none = an empty table.
  // dropF24Table removes the table itself.
  std::optional<int> releaseValue = 1;
  bool certificationDatabase = true;    // TRCER24P.MDB
  bool certificationTemplate = true;    // TRUNCE24X.MDB
  // A real Access file (a host path): every database above is then a byte copy of it.
  std::optional<std::string> accessDatabase;
  // Catalogue records; empty means defaultCatalogue().
  std::vector<CatalogueEntry> catalogue;
};

// A field stored through RepoW: descriptor ("DITX$,00003,03,N,0,T001"), value as RepoW takes
// it (numbers as plain decimal text, "." or ","), repeat index. An empty value leaves the field
// blank, as fields never given are.
struct FieldValue {
  std::string descriptor;
  std::string value;
  int k = 0;
};
using Fields = std::vector<FieldValue>;

// The descriptor of the same field with type "A", through which RepoW stores a value as it
// stands (left-aligned, blank-padded): a date of blanks, "  032023" or "12AB2023".
std::string asText(std::string_view descriptor);

// A company record; its record number is its code. T001 is filled from the code unless given.
struct CompanyRecord {
  int code = 0;
  Fields fields;
  bool voidRecord = false;  // "99" in columns 1-2
};

// An F24 record of a company and month; appended to the F24 archive and indexed by
// company(3)+year(4)+month(2) unless `indexed` is false. The key fields (A001, A567, A568) are
// stored from company, year and month before `fields`.
struct F24Record {
  int company = 0;
  int year = 2023;
  int month = 1;
  Fields fields;
  bool voidRecord = false;  // "99" in columns 1-2 (still indexed)
  bool indexed = true;
};

// An employee record; appended to the employee archive and indexed by its code
// company(3) + number(7) unless `indexed` is false.
struct EmployeeRecord {
  int company = 0;
  int number = 1;
  Fields fields;
  bool indexed = true;
};

// A database row: column name and value (Null, number or text).
using Columns = std::vector<std::pair<std::string, platform::Value>>;

// A row of F24ENTILOCICI (local taxes beyond the archive's ten rows; row >= 11).
struct LocalTaxRow {
  std::string company;                        // KDITTA "001"
  std::string period;                         // KPERIODO "202303"
  int row = 11;                               // KRIGO
  std::string code;                           // F24ELI_7 tribute code
  std::string yearField;                      // F24ELI_9
  platform::Value debit;                      // F24ELI_10
  platform::Value credit;                     // F24ELI_11
  platform::Value amountA, amountB, amountC;  // F24ELI_12..14
};

// A row of F24REGIONI (rows after block b: KRIGO (b+1)*1000+5 .. +10).
struct RegionRow {
  std::string company;
  std::string period;
  int row = 1005;
  std::string code;        // F24REG_1
  platform::Value debit;   // F24REG_4
  platform::Value credit;  // F24REG_5
};

class InstallationBuilder {
 public:
  // Opens host Files on root, a quiet Ui, a fixed clock, ArchiveLib and Repository. The
  // configuration takes the skeleton's defaults until writeSkeleton says otherwise.
  explicit InstallationBuilder(std::string root);
  ~InstallationBuilder();
  InstallationBuilder(const InstallationBuilder&) = delete;
  InstallationBuilder& operator=(const InstallationBuilder&) = delete;

  void writeSkeleton(const SkeletonOptions& options = {});

  // Archives (after writeSkeleton, or on an installation written before). Each call writes
  // through at once; an archive closed by close() is opened again. Company codes run from 1 to
  // kFirstVoidingCompany - 1 (std::invalid_argument otherwise, nothing written).
  void putCompany(const CompanyRecord& company);  // record number = code
  double putF24(const F24Record& f24);            // returns the record number written
  double putEmployee(const EmployeeRecord& employee);
  // Index damage: an F24 index entry for the key company(3)+year(4)+month(2) pointing at
  // `record`, whatever is there (past the end of the archive, a void record, another month's
  // record). A key already indexed, or a record number not whole in 1..999998 (999999 marks
  // the index's end), is std::invalid_argument.
  void indexF24At(int company, int year, int month, double record);

  // F24 database rows of a year (SF24YYYY.MDB, which must have been written), each call one
  // transaction.
  void addLocalTaxRows(int year, const std::vector<LocalTaxRow>& rows);
  void addRegionRows(int year, const std::vector<RegionRow>& rows);
  void addLocalTaxRow(int year, const LocalTaxRow& row) { addLocalTaxRows(year, {row}); }
  void addRegionRow(int year, const RegionRow& row) { addRegionRows(year, {row}); }
  // Any row into a yearly F24 database table (RELEASE, or a table's extra columns).
  void addF24Rows(int year, std::string_view table, const std::vector<Columns>& rows);
  // A yearly F24 database without one of its tables ("RELEASE", a row table).
  void dropF24Table(int year, std::string_view table);
  // Certification database TRCER24P.MDB rows of a table (QUADROCU1, QUADROCU4, ...).
  void addCertificationRows(std::string_view table, const std::vector<Columns>& rows);
  void addCertificationRow(std::string_view table, const Columns& row) {
    addCertificationRows(table, {row});
  }

  // Closes every archive (also done by the destructor).
  void close();

  std::string root() const { return root_; }
  std::string archivesPath() const;  // "C:\\KORVANTE\\ARCHIVI"
  // The system path of a file in the archives folder ("C:\\KORVANTE\\ARCHIVI\\" + name).
  std::string archivePath(std::string_view name) const;
  // The host path of a system path.
  std::string hostPath(std::string_view systemPath) const;
  // The registry stand-in: ROOT/registry.ini.
  std::string registryPath() const;

  platform::Files& files() { return *files_; }
  ArchiveLib& lib() { return *lib_; }
  Repository& repo() { return *repo_; }
  const Config& config() const { return config_; }

  static std::vector<CatalogueEntry> defaultCatalogue();

 private:
  // Runs a library call; what the library would have shown and ended on becomes an exception
  // naming `what`.
  template <class F>
  auto library(std::string_view what, F&& body) -> decltype(body());
  void writeConfiguration(const SkeletonOptions& o);
  void createArchives();
  void writeDatabases(const SkeletonOptions& o);
  std::string fillRecord(Family family, double length, const Fields& keyFields,
                         const Fields& fields);
  double openLength(int base);  // opens the archive when it is closed
  double nextRecord(int base);  // the record number after the last one
  void writeRecord(int base, double record, std::string_view bytes);
  void checkUnindexed(int base, const std::string& key);  // refuses a key already there
  void index(int base, const std::string& key, double record);

  std::string root_;
  std::unique_ptr<platform::Files> files_;
  std::unique_ptr<QuietUi> ui_;
  std::unique_ptr<platform::Clock> clock_;
  Config config_;
  std::unique_ptr<ArchiveLib> lib_;
  std::unique_ptr<Repository> repo_;
  std::vector<CatalogueEntry> catalogue_;
};

// A key of the F24 index.
struct F24Key {
  int company = 0;
  int year = 0;
  int month = 0;
  auto operator<=>(const F24Key&) const = default;
};

// The demo's deliberate cases, each on one indexed F24 record (random months may hold more).
// "Row 1" is the first row of the Erario section, of the company's home region and of the
// local-tax section.
enum class DemoCase {
  ComplementaryBC,   // row 1 with complementary amounts 2 and 3 besides 1
  PaidZero,          // row 1 paid 0 with complementary amount 1
  Negative,          // row 1 with a negative complementary amount 2 (Erario), 1 (region), 3 (local)
  MinusPaid,         // row 1 with complementary amount 1 = -paid
  Credit1713,        // January 2024: a "1713" row paid and with a credit
  Credit1713Only,    // January 2024: a "1713" row with a credit and nothing paid
  BlankDate,         // payment date of eight blanks
  PartlyBlankDate,   // payment date "  MMYYYY"
  LettersInDate,     // payment date "12ABYYYY"
  TenLocalRows,      // exactly ten local-tax rows in the record, none in F24ENTILOCICI
  TableRows,         // local-tax rows 11 to 13 in F24ENTILOCICI, F24ELI_12..14 all set
  TableGap,          // local-tax rows 11 and 13 in F24ENTILOCICI, 12 missing
  PeriodOfJanuary,   // a March 2023 record whose A568/A567 say 01/2023, with a "1713" row
  PeriodOfDecember,  // the January 2023 record whose A568/A567 say 12/2022, with a "1713" row
  // Credits of the codes the SX totals gather, each with a credit and nothing paid:
  CreditsInRows,   // Erario 1627, 1631, 1633, 1701; home region 1669, 3796; local 1671, 3797
  Credit6781,      // January 2024: an Erario "6781" row
  CreditsInTables, // 2023 database: F24REGIONI 1669 and 3796, F24ENTILOCICI 3797 and 1671
                   // (rows 11 and 12 beyond a full record)
};

// The demo's deliberate certification rows, by the company that holds them.
enum class CertificationCase {
  Cu1Nulls,         // QUADROCU1 rows where each of CU1_55/61/73/94/96/104 is Null in one row
  Cu1Below1701,     // QUADROCU1 sum of CU1_94 + CU1_96 + CU1_104 below the 2023 "1701" credits
  Cu4EmployeesOnly, // QUADROCU4 rows, none with CODIP "0000000000"
  // Rows with CODIP "0000000000" stored in SEQ order 3, 1, 4, 2:
  Cu4OutOfOrder,
  Cu4ZeroAmount,       // "CU4_27" of 0
  Cu4FiveDigitPeriod,  // "CU4_28" of five digits
  Cu4EmptyDate,        // "CU4_25" empty
  Cu4TextDate,         // "CU4_25" not a number
};

// Options of the demo bureau.
struct Options {
  int companies = 8;
  int employees = 4;  // per company (more in one, none in the one without F24)
  std::uint64_t seed = 1;
};

// What the demo bureau holds (for tests and the tool's summary).
struct DemoSummary {
  std::vector<int> companies;                    // codes of the live companies, ascending
  std::vector<int> voidCompanies;                // codes of void records
  std::vector<std::pair<int, int>> substitutes;  // (substitute, presenting company)
  std::vector<int> naturalPersons;               // companies that are natural persons (T023)
  std::vector<int> shiftedYear;                  // companies with the shifted year (T596 = 1)
  std::vector<int> withoutF24;                   // companies without any F24 record
  std::vector<int> withoutNextJanuary;  // companies with F24 records but none of January 2024
  std::map<DemoCase, F24Key> cases;     // the cases the number of companies leaves room for
  // Companies without employees and without any certification row (also without F24).
  std::vector<int> withoutEmployees;
  std::vector<int> withoutCertifications;
  // A company with more employees than one index leaf holds, written out of key order; 0 when
  // the options ask for no employees.
  int manyEmployees = 0;
  // Adjacent employee codes of two companies ("0049999999", "0050000001"); empty when absent.
  std::vector<std::string> neighbourEmployees;
  std::map<CertificationCase, int> certificationCases;  // company codes
  int f24Records = 0;                   // records written, deleted ones (out of the index) included
  int employees = 0;
  int localTaxRows = 0;
  int regionRows = 0;
  int certificationRows = 0;
};

// Writes the whole demo bureau under root; deterministic for a given seed.
DemoSummary buildDemo(const std::string& root, const Options& options = {});

}  // namespace zr::demo

// The row tables of the yearly F24 databases: F24ENTILOCICI (local-tax rows beyond the
// archive record's ten) and F24REGIONI (regional rows beyond its blocks), both keyed by the
// index "CHIAVE" over KDITTA, KPERIODO and KRIGO. Lookups bind their values; no value is ever
// pasted into a query's text.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/database.h"

namespace zr {

inline constexpr std::string_view kLocalTaxTable = "F24ENTILOCICI";
inline constexpr std::string_view kRegionTable = "F24REGIONI";
inline constexpr std::string_view kRowIndex = "CHIAVE";

// A numeric column holding a text that is not a number: the row cannot be read without
// guessing an amount. The text names the database, table, column, company, period and row.
class F24ValueError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where a row was read, for F24ValueError.
struct RowPlace {
  std::string database;  // the database's path as opened
  std::string_view table;
  std::string company;  // KDITTA
  std::string period;   // KPERIODO (left out of the text when empty: tables without one)
  double row = 0;       // KRIGO, or a table's own sequence number
};

// A text column: Trim(value & ""), Null giving "".
std::string rowText(const platform::Value& v);
// A numeric column: Null gives 0, a number itself, a text that is wholly a number (blanks
// around it, one sign, "." or "," as decimal point, an exponent) its value; any other text,
// or one too large for a double, throws F24ValueError naming `column` at `place`.
double rowNumber(const platform::Value& v, std::string_view column, const RowPlace& place);

// One row of F24ENTILOCICI as the producers and lists read it.
struct LocalTaxTableRow {
  double row = 0;         // KRIGO
  std::string code;       // F24ELI_7, trimmed
  std::string yearField;  // F24ELI_9, trimmed
  double debit = 0;       // F24ELI_10
  double credit = 0;      // F24ELI_11
  double amountA = 0, amountB = 0, amountC = 0;  // F24ELI_12 .. F24ELI_14
};
// The current row of a recordset on F24ENTILOCICI of database `database`.
LocalTaxTableRow readLocalTaxRow(const platform::Recordset& rs, const std::string& database);

// One row of F24REGIONI.
struct RegionTableRow {
  double row = 0;     // KRIGO
  std::string code;   // F24REG_1, trimmed
  double debit = 0;   // F24REG_4
  double credit = 0;  // F24REG_5
};
RegionTableRow readRegionRow(const platform::Recordset& rs, const std::string& database);

// Every F24ENTILOCICI row of company and period whose KRIGO is at least `firstRow`, in KRIGO
// order: one query, whatever gaps the row numbers have.
std::vector<LocalTaxTableRow> localTaxRows(platform::Database& db, std::string_view company,
                                           std::string_view period, double firstRow = 0);
// Every F24REGIONI row of company and period, in KRIGO order.
std::vector<RegionTableRow> regionRows(platform::Database& db, std::string_view company,
                                       std::string_view period);

// Every row of a company in the table, all periods, in KPERIODO and KRIGO order.
std::vector<LocalTaxTableRow> localTaxRowsOfCompany(platform::Database& db,
                                                    std::string_view company);
std::vector<RegionTableRow> regionRowsOfCompany(platform::Database& db, std::string_view company);

// A table recordset on one row table of one year with "CHIAVE" current, for exact lookups.
class RowTable {
 public:
  // Opens `table` of `db` as a table recordset and makes "CHIAVE" current; the platform's
  // error (missing table 3078, missing index 3800) goes to the caller.
  RowTable(platform::Database& db, std::string_view table);
  ~RowTable();  // closes, tolerating a recordset already closed
  RowTable(const RowTable&) = delete;
  RowTable& operator=(const RowTable&) = delete;

  // Seek "=" on (company, period, row); true when a row matches, which is then current.
  bool seek(std::string_view company, std::string_view period, double row);
  const platform::Recordset& current() const { return *rs_; }
  const std::string& database() const { return database_; }
  // Close, ignoring errors 91 and 3420 (never opened, already closed).
  void close();

 private:
  std::unique_ptr<platform::Recordset> rs_;
  std::string database_;
  bool closed_ = false;
};

}  // namespace zr

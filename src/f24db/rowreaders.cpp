#include "f24db/rowreaders.h"

#include "platform/errors.h"
#include "platform/numtext.h"
#include "platform/text.h"

namespace zr {

namespace {

using platform::Value;

constexpr std::string_view kLocalTaxQuery =
    "SELECT * FROM F24ENTILOCICI WHERE KDITTA = ? AND KPERIODO = ? AND KRIGO >= ? "
    "ORDER BY KRIGO";
constexpr std::string_view kCompanyLocalTaxQuery =
    "SELECT * FROM F24ENTILOCICI WHERE KDITTA = ? ORDER BY KPERIODO, KRIGO";
constexpr std::string_view kCompanyRegionQuery =
    "SELECT * FROM F24REGIONI WHERE KDITTA = ? ORDER BY KPERIODO, KRIGO";
constexpr std::string_view kRegionQuery =
    "SELECT * FROM F24REGIONI WHERE KDITTA = ? AND KPERIODO = ? ORDER BY KRIGO";

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// One sign, digits with at most one "." or "," among them, an exponent with digits of its own,
// and nothing else: "12abc" or "1.234,50" is not an amount we may guess at.
bool isWholeNumber(std::string_view s) {
  std::size_t i = 0;
  auto sign = [&] {
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  };
  auto digits = [&] {
    const std::size_t from = i;
    while (i < s.size() && isDigit(s[i])) ++i;
    return i - from;
  };
  sign();
  std::size_t mantissa = digits();
  if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    sign();
    if (digits() == 0) return false;
  }
  return i == s.size();
}

// " nella colonna C della tabella T del database D (ditta X, periodo P, riga R)".
std::string placeText(std::string_view column, const RowPlace& place) {
  return " nella colonna " + platform::shownName(column) + " della tabella " +
         std::string(place.table) + " del database " + platform::shownName(place.database) +
         " (ditta " + platform::shownName(place.company) +
         (place.period.empty() ? "" : ", periodo " + platform::shownName(place.period)) +
         ", riga " + platform::shortText(place.row) + ")";
}

// The key of the current row, for messages; KRIGO itself is read by the numeric rule.
RowPlace placeOf(const platform::Recordset& rs, std::string_view table,
                 const std::string& database) {
  RowPlace place{database, table, rowText(rs.field("KDITTA")), rowText(rs.field("KPERIODO")), 0};
  place.row = rowNumber(rs.field("KRIGO"), "KRIGO", place);
  return place;
}

}  // namespace

std::string rowText(const Value& v) {
  return platform::trimmed(v.asText());
}

double rowNumber(const Value& v, std::string_view column, const RowPlace& place) {
  if (!v.isText()) return v.asNumber();
  const std::string text = v.asText();
  const std::string number = platform::trimmed(text);
  if (!isWholeNumber(number)) {
    throw F24ValueError("valore non numerico \"" + platform::shownName(text) + "\"" +
                        placeText(column, place));
  }
  try {
    return platform::fieldNumber(number);
  } catch (const RuntimeError& e) {
    if (e.number() != 6) throw;
    throw F24ValueError("valore numerico fuori misura \"" + platform::shownName(text) + "\"" +
                        placeText(column, place));
  }
}

LocalTaxTableRow readLocalTaxRow(const platform::Recordset& rs, const std::string& database) {
  const RowPlace place = placeOf(rs, kLocalTaxTable, database);
  auto number = [&](std::string_view column) { return rowNumber(rs.field(column), column, place); };
  LocalTaxTableRow row;
  row.row = place.row;
  row.code = rowText(rs.field("F24ELI_7"));
  row.yearField = rowText(rs.field("F24ELI_9"));
  row.debit = number("F24ELI_10");
  row.credit = number("F24ELI_11");
  row.amountA = number("F24ELI_12");
  row.amountB = number("F24ELI_13");
  row.amountC = number("F24ELI_14");
  return row;
}

RegionTableRow readRegionRow(const platform::Recordset& rs, const std::string& database) {
  const RowPlace place = placeOf(rs, kRegionTable, database);
  RegionTableRow row;
  row.row = place.row;
  row.code = rowText(rs.field("F24REG_1"));
  row.debit = rowNumber(rs.field("F24REG_4"), "F24REG_4", place);
  row.credit = rowNumber(rs.field("F24REG_5"), "F24REG_5", place);
  return row;
}

namespace {

template <class Row, class Read>
std::vector<Row> allRows(platform::Database& db, std::string_view sql,
                         const std::vector<Value>& params, Read read) {
  auto rs = db.query(sql, params);
  std::vector<Row> rows;
  for (; !rs->eof(); rs->moveNext()) rows.push_back(read(*rs, db.path()));
  return rows;
}

}  // namespace

std::vector<LocalTaxTableRow> localTaxRows(platform::Database& db, std::string_view company,
                                           std::string_view period, double firstRow) {
  return allRows<LocalTaxTableRow>(
      db, kLocalTaxQuery,
      {Value(std::string(company)), Value(std::string(period)), Value(firstRow)}, readLocalTaxRow);
}

std::vector<RegionTableRow> regionRows(platform::Database& db, std::string_view company,
                                       std::string_view period) {
  return allRows<RegionTableRow>(
      db, kRegionQuery, {Value(std::string(company)), Value(std::string(period))}, readRegionRow);
}

std::vector<LocalTaxTableRow> localTaxRowsOfCompany(platform::Database& db,
                                                    std::string_view company) {
  return allRows<LocalTaxTableRow>(db, kCompanyLocalTaxQuery, {Value(std::string(company))},
                                   readLocalTaxRow);
}

std::vector<RegionTableRow> regionRowsOfCompany(platform::Database& db, std::string_view company) {
  return allRows<RegionTableRow>(db, kCompanyRegionQuery, {Value(std::string(company))},
                                 readRegionRow);
}

RowTable::RowTable(platform::Database& db, std::string_view table)
    : rs_(db.openTable(table)), database_(db.path()) {
  rs_->setIndex(kRowIndex);
}

RowTable::~RowTable() {
  close();
}

bool RowTable::seek(std::string_view company, std::string_view period, double row) {
  rs_->seek("=", {Value(std::string(company)), Value(std::string(period)), Value(row)});
  return !rs_->noMatch();
}

void RowTable::close() {
  if (closed_) return;
  closed_ = true;
  try {
    rs_->close();
  } catch (const RuntimeError&) {
    // 91 and 3420 are a recordset already gone; any other failure comes after the rows were
    // read, so nothing that was reported depends on it.
  }
}

}  // namespace zr

// The row tables of the yearly F24 databases on an installation built on disk: the row queries,
// the CHIAVE lookups opened by year, and the text and number rules of the columns.
#include "f24db/rowreaders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "builder.h"
#include "f24db/f24db.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/test_util.h"
#include "platform/ui.h"
#include "support/tempdir.h"

namespace zr {
namespace {

using platform::Value;
using ::testing::ElementsAreArray;
using testing::errorOf;
using testing::runSql;

constexpr const char* kDb2023 = "C:\\KORVANTE\\ARCHIVI\\SF242023.MDB";

// The KRIGO and tribute code of each row, the two things that tell rows apart here.
template <class Row>
std::vector<std::pair<double, std::string>> keysOf(const std::vector<Row>& rows) {
  std::vector<std::pair<double, std::string>> keys;
  for (const auto& r : rows) keys.emplace_back(r.row, r.code);
  return keys;
}

// An installation with the 2023 and 2024 databases, opened as an export run opens them.
class RowReadersTest : public ::testing::Test {
 protected:
  RowReadersTest() {
    builder.writeSkeleton();
    // Company 001, March 2023: rows 11 and 13 (12 was never written), written out of order,
    // one row inside the archive record's ten, and the neighbours that must stay out.
    builder.addLocalTaxRows(
        2023, {
                  {"001", "202303", 13, " 3847 ", " 2023 ", 40.0, Value(), 1.0, 2.0, 3.0},
                  {"001", "202303", 11, "3848", "2022", Value(), 7.5, Value("12,50"),
                   Value(" -2,5 "), Value()},
                  {"001", "202303", 4, "3801", "2023", 1.0, 0.0, 0.0, 0.0, 0.0},
                  {"002", "202303", 12, "3902", "2023", 1.0, 0.0, 0.0, 0.0, 0.0},
                  {"001", "202304", 11, "3903", "2023", 1.0, 0.0, 0.0, 0.0, 0.0},
                  {"0'1", "202303", 11, "3904", "2023", 1.0, 0.0, 0.0, 0.0, 0.0},
              });
    builder.addLocalTaxRow(2024, {"001", "202401", 11, "3905", "2024", 9.0, 0.0, 0.0, 0.0, 0.0});
    builder.addRegionRows(2023, {
                                    {"001", "202303", 2006, " 3802 ", 15.0, Value()},
                                    {"001", "202303", 1005, "3801", Value(), Value("4,25")},
                                    {"001", "202302", 1005, "3803", 1.0, 0.0},
                                    {"003", "202303", 1007, "3805", 1.0, 0.0},
                                });
    // The other 22 years come from the template, as at the start of a run.
    if (!f24.PREPARAF24()) ADD_FAILURE() << "no template";
    f24.APRIF24();
  }
  ~RowReadersTest() override { f24.CHIUDIF24(); }

  // Runs SQL on a yearly database behind the program's back (the builder's own sqlite3 use).
  void alter(int year, const std::string& sql) {
    runSql(builder.hostPath(builder.archivePath("SF24" + std::to_string(year) + ".MDB")), sql);
  }

  testing::TempDir dir;
  demo::InstallationBuilder builder{dir.str()};
  std::unique_ptr<platform::Files> files = platform::makeHostFiles(dir.str());
  platform::ScriptedUi ui;
  platform::FixedClock clock{std::chrono::year{2024} / 2 / 20};
  Config config = [this] {
    Config c;
    c.PERCORSOARCHIVI = builder.archivesPath();
    c.CODICETASK = "01";
    return c;
  }();
  ArchiveLib lib{*files, ui, clock, config};
  std::unique_ptr<platform::DatabaseEngine> engine = platform::makeDatabaseEngine(*files);
  F24Databases f24{lib, *engine};
};

TEST_F(RowReadersTest, QueriesGiveOneCompanyAndPeriodFromTheFirstRowInRowOrder) {
  using Keys = std::vector<std::pair<double, std::string>>;
  const struct {
    int year;
    std::string company, period;
    double firstRow;
    Keys expected;
  } cases[] = {
      {2023, "001", "202303", 11, {{11, "3848"}, {13, "3847"}}},
      {2023, "001", "202303", 12, {{13, "3847"}}},
      {2023, "001", "202303", 0, {{4, "3801"}, {11, "3848"}, {13, "3847"}}},
      {2023, "001", "202303", 14, {}},
      {2023, "001", "202304", 11, {{11, "3903"}}},
      {2023, "002", "202303", 11, {{12, "3902"}}},
      {2023, "001", "202401", 11, {}},
      {2024, "001", "202401", 11, {{11, "3905"}}},
      // A quote in the company is a value like any other: it finds its own row and cannot
      // widen the condition.
      {2023, "0'1", "202303", 11, {{11, "3904"}}},
      {2023, "001' OR '1'='1", "202303", 0, {}},
      {2023, "001", "202303' OR KPERIODO <> '", 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.company + " " + c.period + " " + std::to_string(c.firstRow));
    EXPECT_THAT(keysOf(localTaxRows(f24.DBF24(c.year), c.company, c.period, c.firstRow)),
                ElementsAreArray(c.expected));
  }

  const struct {
    std::string company, period;
    Keys expected;
  } regionCases[] = {
      {"001", "202303", {{1005, "3801"}, {2006, "3802"}}},
      {"001", "202302", {{1005, "3803"}}},
      {"003", "202303", {{1007, "3805"}}},
      {"002", "202303", {}},
      {"001' OR '1'='1", "202303", {}},
  };
  for (const auto& c : regionCases) {
    SCOPED_TRACE(c.company + " " + c.period);
    EXPECT_THAT(keysOf(regionRows(f24.DBF24(2023), c.company, c.period)),
                ElementsAreArray(c.expected));
  }
}

TEST_F(RowReadersTest, ColumnsAreTrimmedTextsAndNumbersWithNullAsZero) {
  // The numeric texts really are texts in the file, so the text rule is what reads them.
  auto raw = f24.DBF24(2023).query(
      "SELECT F24ELI_12, F24ELI_13 FROM F24ENTILOCICI WHERE KDITTA = ? AND KRIGO = ?",
      {Value("001"), Value(11.0)});
  ASSERT_FALSE(raw->eof());
  ASSERT_TRUE(raw->field("F24ELI_12").isText() && raw->field("F24ELI_13").isText());

  const auto local = localTaxRows(f24.DBF24(2023), "001", "202303", 11);
  ASSERT_EQ(local.size(), 2u);
  const LocalTaxTableRow& r11 = local[0];
  EXPECT_EQ(r11.row, 11);
  EXPECT_EQ(r11.debit, 0);  // Null
  EXPECT_EQ(r11.credit, 7.5);
  EXPECT_EQ(r11.amountA, 12.5);  // "12,50"
  EXPECT_EQ(r11.amountB, -2.5);  // " -2,5 "
  EXPECT_EQ(r11.amountC, 0);     // Null
  const LocalTaxTableRow& r13 = local[1];
  EXPECT_EQ(r13.code, "3847");  // " 3847 "
  EXPECT_EQ(r13.yearField, "2023");
  EXPECT_EQ(r13.debit, 40);
  EXPECT_EQ(r13.credit, 0);
  EXPECT_EQ(std::vector<double>({r13.amountA, r13.amountB, r13.amountC}),
            std::vector<double>({1, 2, 3}));

  const auto regions = regionRows(f24.DBF24(2023), "001", "202303");
  ASSERT_EQ(regions.size(), 2u);
  EXPECT_EQ(regions[0].debit, 0);  // Null
  EXPECT_EQ(regions[0].credit, 4.25);
  EXPECT_EQ(regions[1].code, "3802");
  EXPECT_EQ(regions[1].debit, 15);
  EXPECT_EQ(regions[1].credit, 0);

  // The rules on their own, including what the SQLite files cannot keep as text.
  const RowPlace place{kDb2023, kLocalTaxTable, "001", "202303", 11};
  const std::pair<Value, double> numbers[] = {
      {Value(), 0},       {Value(7.25), 7.25},  {Value("12,50"), 12.5}, {Value(" 3.5 "), 3.5},
      {Value("-4"), -4},  {Value("+0,5"), 0.5}, {Value("1e3"), 1000},   {Value("2,5E-1"), 0.25},
      {Value(",5"), 0.5}, {Value("12."), 12},   {Value("007"), 7},
  };
  for (const auto& [value, expected] : numbers) {
    SCOPED_TRACE(value.asText());
    EXPECT_EQ(rowNumber(value, "F24ELI_10", place), expected);
  }
  const std::pair<Value, std::string> texts[] = {
      {Value(), ""}, {Value(12.5), "12.5"}, {Value("  ab c  "), "ab c"}, {Value("   "), ""}};
  for (const auto& [value, expected] : texts) EXPECT_EQ(rowText(value), expected);
}

TEST_F(RowReadersTest, ATextThatIsNotANumberFailsNamingWhereItIs) {
  builder.addF24Rows(
      2023, "F24ENTILOCICI",
      {{{"KDITTA", "004"}, {"KPERIODO", "202303"}, {"KRIGO", 11.0}, {"F24ELI_10", "12abc"}},
       {{"KDITTA", "004"}, {"KPERIODO", "202305"}, {"KRIGO", 12.0}, {"F24ELI_14", ""}},
       {{"KDITTA", "004"}, {"KPERIODO", "202306"}, {"KRIGO", 15.0}, {"F24ELI_11", "1.234,50"}}});
  builder.addF24Rows(
      2023, "F24REGIONI",
      {{{"KDITTA", "005"}, {"KPERIODO", "202312"}, {"KRIGO", 1006.0}, {"F24REG_5", "abc"}},
       {{"KDITTA", "005"}, {"KPERIODO", "202311"}, {"KRIGO", 1005.0}, {"F24REG_4", "1e"}}});
  const std::string where = " della tabella F24ENTILOCICI del database " + std::string(kDb2023);
  const std::string whereRegion = " della tabella F24REGIONI del database " + std::string(kDb2023);
  const struct {
    const char* name;
    std::function<void()> read;
    std::string message;
  } cases[] = {
      {"query", [&] { localTaxRows(f24.DBF24(2023), "004", "202303", 11); },
       "valore non numerico \"12abc\" nella colonna F24ELI_10" + where +
           " (ditta 004, periodo 202303, riga 11)"},
      {"empty", [&] { localTaxRows(f24.DBF24(2023), "004", "202305", 11); },
       "valore non numerico \"\" nella colonna F24ELI_14" + where +
           " (ditta 004, periodo 202305, riga 12)"},
      {"two points", [&] { localTaxRows(f24.DBF24(2023), "004", "202306", 0); },
       "valore non numerico \"1.234,50\" nella colonna F24ELI_11" + where +
           " (ditta 004, periodo 202306, riga 15)"},
      {"seek",
       [&] {
         f24.APRIENTILOCALI("2023");
         ASSERT_TRUE(f24.RSENTILOCALI->seek("004", "202303", 11));
         readLocalTaxRow(f24.RSENTILOCALI->current(), f24.RSENTILOCALI->database());
       },
       "valore non numerico \"12abc\" nella colonna F24ELI_10" + where +
           " (ditta 004, periodo 202303, riga 11)"},
      {"region", [&] { regionRows(f24.DBF24(2023), "005", "202312"); },
       "valore non numerico \"abc\" nella colonna F24REG_5" + whereRegion +
           " (ditta 005, periodo 202312, riga 1006)"},
      {"exponent without digits", [&] { regionRows(f24.DBF24(2023), "005", "202311"); },
       "valore non numerico \"1e\" nella colonna F24REG_4" + whereRegion +
           " (ditta 005, periodo 202311, riga 1005)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.read();
      ADD_FAILURE() << "no F24ValueError";
    } catch (const F24ValueError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }

  const RowPlace place{kDb2023, kRegionTable, "005", "202312", 1006};
  for (const char* bad : {"12abc", "abc", "   ", "--1", "1 000", "1,5,0", "+", "."}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(rowNumber(Value(bad), "F24REG_5", place), F24ValueError);
  }
  try {
    rowNumber(Value("1e999"), "F24REG_5", place);
    ADD_FAILURE() << "no F24ValueError";
  } catch (const F24ValueError& e) {
    EXPECT_THAT(e.what(), ::testing::HasSubstr("\"1e999\" nella colonna F24REG_5"));
  }
}

TEST_F(RowReadersTest, TablesOpenByYearSeekAndCloseHarmlessly) {
  f24.CHIUDIENTILOCALI();  // never opened: nothing happens
  f24.CHIUDIREGIONI();
  f24.APRIENTILOCALI("2023");
  f24.APRIREGIONI("2023");
  ASSERT_TRUE(f24.RSENTILOCALI && f24.RSREGIONI);
  EXPECT_EQ(f24.RSENTILOCALI->database(), kDb2023);

  RowTable& local = *f24.RSENTILOCALI;
  const struct {
    std::string company, period;
    double row;
    const char* code;  // nullptr: no such row
  } seeks[] = {
      {"001", "202303", 13, "3847"}, {"001", "202303", 12, nullptr},
      {"001", "202303", 11, "3848"}, {"001", "202304", 13, nullptr},
      {"0'1", "202303", 11, "3904"}, {"001", "202401", 11, nullptr},
      {"002", "202303", 12, "3902"},
  };
  for (const auto& s : seeks) {
    SCOPED_TRACE(s.company + " " + s.period + " " + std::to_string(s.row));
    const bool found = local.seek(s.company, s.period, s.row);
    ASSERT_EQ(found, s.code != nullptr);
    EXPECT_EQ(local.current().noMatch(), !found);
    if (found) {
      EXPECT_EQ(readLocalTaxRow(local.current(), local.database()).code, s.code);
      EXPECT_EQ(readLocalTaxRow(local.current(), local.database()).row, s.row);
    } else {
      // No current row: a reader that ignored the answer would fail, not read a stale row.
      EXPECT_EQ(errorOf([&] { local.current().field("F24ELI_7"); }).number(), 3021);
    }
  }
  ASSERT_TRUE(f24.RSREGIONI->seek("001", "202303", 2006));
  const RegionTableRow region = readRegionRow(f24.RSREGIONI->current(), kDb2023);
  EXPECT_EQ(region.code, "3802");
  EXPECT_EQ(region.debit, 15);
  EXPECT_FALSE(f24.RSREGIONI->seek("001", "202303", 1006));

  // A year outside 2007..2030 opens nothing and keeps the table held.
  for (const char* year : {"2006", "2031", "", "abcd", "0"}) {
    SCOPED_TRACE(year);
    RowTable* held = f24.RSENTILOCALI.get();
    f24.APRIENTILOCALI(year);
    f24.APRIREGIONI(year);
    EXPECT_EQ(f24.RSENTILOCALI.get(), held);
    EXPECT_TRUE(f24.RSENTILOCALI->seek("001", "202303", 13));
    EXPECT_TRUE(f24.RSREGIONI->seek("001", "202303", 1005));
  }
  // The next year's table replaces it.
  f24.APRIENTILOCALI("2024");
  EXPECT_TRUE(f24.RSENTILOCALI->seek("001", "202401", 11));
  EXPECT_FALSE(f24.RSENTILOCALI->seek("001", "202303", 13));

  // Closing twice, and closing a table whose database was closed first, are harmless; a
  // closed table is not read from.
  f24.CHIUDIENTILOCALI();
  f24.CHIUDIENTILOCALI();
  EXPECT_EQ(errorOf([&] { f24.RSENTILOCALI->seek("001", "202401", 11); }).number(), 3420);
  f24.CHIUDIF24();
  f24.CHIUDIREGIONI();
  f24.CHIUDIREGIONI();
  EXPECT_EQ(errorOf([&] { f24.RSREGIONI->seek("001", "202303", 1005); }).number(), 3420);
  EXPECT_TRUE(ui.dialogs().empty());
}

TEST_F(RowReadersTest, AMissingDatabaseTableOrIndexIsThePlatformsError) {
  f24.APRIREGIONI("2023");
  RowTable* held = f24.RSREGIONI.get();
  f24.CHIUDIF24();
  builder.addLocalTaxRows(2024, {{"001", "202401", 15, "3906", "2024", 1.0, 0.0, 0.0, 0.0, 0.0},
                                 {"001", "202401", 12, "3907", "2024", 1.0, 0.0, 0.0, 0.0, 0.0}});
  alter(2024, "DROP TABLE F24REGIONI; DROP INDEX F24ENTILOCICI_CHIAVE");
  // Databases not open: the year's database is not set.
  EXPECT_EQ(errorOf([&] { f24.APRIENTILOCALI("2023"); }).number(), 91);
  EXPECT_FALSE(f24.RSENTILOCALI);

  f24.APRIF24();
  const struct {
    const char* name;
    std::function<void()> call;
    int number;
  } cases[] = {
      {"table", [&] { f24.APRIREGIONI("2024"); }, 3078},
      {"index", [&] { f24.APRIENTILOCALI("2024"); }, 3800},
      {"query", [&] { regionRows(f24.DBF24(2024), "001", "202401"); }, 3078},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RuntimeError e = errorOf(c.call);
    EXPECT_EQ(e.number(), c.number);
    EXPECT_THAT(e.description(), ::testing::HasSubstr("SF242024.MDB"));
  }
  EXPECT_EQ(f24.RSREGIONI.get(), held);  // the failed open left the old table in place
  EXPECT_FALSE(f24.RSENTILOCALI);
  // The year's other table is still read, in row order even with no index to walk.
  EXPECT_THAT(keysOf(localTaxRows(f24.DBF24(2024), "001", "202401", 11)),
              ElementsAreArray(std::vector<std::pair<double, std::string>>{
                  {11, "3905"}, {12, "3907"}, {15, "3906"}}));
  EXPECT_TRUE(ui.dialogs().empty());
}

}  // namespace
}  // namespace zr

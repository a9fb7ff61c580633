// The Access reader process run on real Access files (the shared test data, whose README
// states the facts checked here) and on copies of them damaged on purpose.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>

#include "stream.h"

namespace zr::testing {
namespace {

using jf::ColumnType;
using jf::ValueKind;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string bytesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// Days since 1899-12-30, as Access stores a date.
double serial(int y, unsigned m, unsigned d) {
  using namespace std::chrono;
  return (sys_days{year{y} / month{m} / day{d}} - sys_days{year{1899} / 12 / 30}).count();
}

int type(ColumnType t) {
  return static_cast<int>(t);
}

std::vector<std::string> names(const std::vector<Column>& cols) {
  std::vector<std::string> n;
  for (const auto& c : cols) n.push_back(c.name);
  return n;
}

void expectComplete(const Stream& s) {
  EXPECT_EQ(s.exit, 0);
  EXPECT_FALSE(s.error) << *s.error;
  ASSERT_TRUE(s.rowCount && s.end);
  EXPECT_EQ(*s.rowCount, static_cast<std::int64_t>(s.rows.size()));
  EXPECT_EQ(*s.end, static_cast<std::int64_t>(s.rows.size()));
  for (const auto& row : s.rows) EXPECT_EQ(row.size(), s.columns.size());
}

TEST(MdbReaderTest, ListsTheUserTablesOfEachFileInCatalogueOrder) {
  const std::vector<std::string> four = {"Table1", "Table2", "Table3", "Table4"};
  const struct {
    const char* file;
    int jet;
    std::vector<std::string> tables;
  } cases[] = {{"V1997-test.mdb", 3, four},           {"V2000-test.mdb", 4, four},
               {"V2003-test.mdb", 4, four},           {"V2000-empty.mdb", 4, {}},
               {"V2003-numeric.mdb", 4, {"test"}},    {"V1997-compindex.mdb", 3, {"Table1"}},
               {"V2000-compindex.mdb", 4, {"Table1"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Stream s = runReader({"list", kJet + c.file});
    EXPECT_EQ(s.exit, 0);
    EXPECT_FALSE(s.error);
    EXPECT_EQ(s.jet, c.jet);
    EXPECT_EQ(s.tables, c.tables);
    EXPECT_EQ(s.end, static_cast<std::int64_t>(c.tables.size()));
  }
}

TEST(MdbReaderTest, Table1HasEveryTypeAndBothRowsInEachVersion) {
  const struct {
    const char* file;
    const char* asked;  // the name is matched without regard to case
    std::uint32_t textA, textB;
    bool reversed;
  } cases[] = {{"V1997-test.mdb", "Table1", 50, 100, true},
               {"V2000-test.mdb", "table1", 100, 200, false},
               {"V2003-test.mdb", "TABLE1", 100, 200, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Stream s = runReader({"table", kJet + c.file, c.asked});
    expectComplete(s);
    ASSERT_EQ(names(s.columns),
              (std::vector<std::string>{"A", "B", "C", "D", "E", "F", "G", "H", "I"}));
    const ColumnType types[] = {ColumnType::Text,     ColumnType::Text,     ColumnType::Byte,
                                ColumnType::Integer,  ColumnType::Long,     ColumnType::Double,
                                ColumnType::DateTime, ColumnType::Currency, ColumnType::Boolean};
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(s.columns[i].type, type(types[i])) << i;
    EXPECT_EQ(s.columns[0].size, c.textA);
    EXPECT_EQ(s.columns[1].size, c.textB);
    ASSERT_EQ(s.rows.size(), 2u);
    const auto& full = s.rows[c.reversed ? 1 : 0];
    const auto& slim = s.rows[c.reversed ? 0 : 1];

    const struct {
      const std::vector<Value>& row;
      const char *a, *b;
      std::int64_t byte, integer, longInt, currency;
      double dbl, date;
      bool flag;
    } expected[] = {{full, "abcdefg", "hijklmnop", 2, 222, 333333333, 35000, 444.555,
                     serial(1974, 9, 21), true},
                    {slim, "a", "b", 0, 0, 0, 0, 0, serial(1981, 12, 12), false}};
    for (const auto& e : expected) {
      SCOPED_TRACE(e.a);
      const auto& r = e.row;
      EXPECT_EQ(r[0].kind, ValueKind::Text);
      EXPECT_EQ(r[0].text, e.a);
      EXPECT_EQ(r[1].kind, ValueKind::Text);
      EXPECT_EQ(r[1].text, e.b);
      for (int i : {2, 3, 4}) EXPECT_EQ(r[i].kind, ValueKind::Integer) << i;
      EXPECT_EQ(r[2].integer, e.byte);
      EXPECT_EQ(r[3].integer, e.integer);
      EXPECT_EQ(r[4].integer, e.longInt);
      EXPECT_EQ(r[5].kind, ValueKind::Float);
      EXPECT_EQ(r[5].number, e.dbl);
      EXPECT_EQ(r[6].kind, ValueKind::Date);
      EXPECT_EQ(r[6].number, e.date);
      EXPECT_EQ(r[7].kind, ValueKind::Currency);
      EXPECT_EQ(r[7].integer, e.currency);
      EXPECT_EQ(r[8].kind, ValueKind::Boolean);
      EXPECT_EQ(r[8].integer, e.flag ? 1 : 0);
    }
    EXPECT_EQ(serial(1974, 9, 21), 27293);  // the README's own figure for G
  }
}

TEST(MdbReaderTest, Table2HasEightyNineTextColumns) {
  const std::pair<const char*, std::uint32_t> cases[] = {
      {"V1997-test.mdb", 50}, {"V2000-test.mdb", 100}, {"V2003-test.mdb", 100}};
  for (const auto& [file, size] : cases) {
    SCOPED_TRACE(file);
    const Stream s = runReader({"table", kJet + file, "Table2"});
    expectComplete(s);
    ASSERT_EQ(s.columns.size(), 89u);
    for (std::size_t i = 0; i < 89; ++i) {
      EXPECT_EQ(s.columns[i].name, "column" + std::to_string(i + 1));
      EXPECT_EQ(s.columns[i].type, type(ColumnType::Text));
      EXPECT_EQ(s.columns[i].size, size);
    }
    for (const auto& idx : s.indexes)
      for (const auto& key : idx.keys) EXPECT_LT(key.first, 89u) << idx.name;
  }
}

TEST(MdbReaderTest, DecimalsComeAsTheirExactDigits) {
  const Stream s = runReader({"table", kJet + "V2003-numeric.mdb", "test"});
  expectComplete(s);
  ASSERT_EQ(s.rows.size(), 1u);
  const std::pair<const char*, const char*> expected[] = {
      {"col2", "1"}, {"col3", "0"}, {"col4", "0"}, {"col5", "4"}, {"col6", "-1"}, {"col7", "1"}};
  for (const auto& [name, digits] : expected) {
    SCOPED_TRACE(name);
    const auto at = std::find_if(s.columns.begin(), s.columns.end(),
                                 [&](const Column& c) { return c.name == name; });
    ASSERT_NE(at, s.columns.end());
    EXPECT_EQ(at->type, type(ColumnType::Numeric));
    const Value& v = s.rows[0][at - s.columns.begin()];
    EXPECT_EQ(v.kind, ValueKind::Decimal);
    EXPECT_EQ(v.text, digits);
  }
}

TEST(MdbReaderTest, DescendingIndexNullsAndAllRowsOfTheCompIndexFiles) {
  const std::pair<const char*, std::uint32_t> cases[] = {{"V1997-compindex.mdb", 55},
                                                         {"V2000-compindex.mdb", 110}};
  for (const auto& [file, text] : cases) {
    SCOPED_TRACE(file);
    const Stream s = runReader({"table", kJet + file, "Table1"});
    expectComplete(s);
    ASSERT_EQ(names(s.columns), (std::vector<std::string>{"CD_AGENTE", "RS_AGENTE", "DC_AGENTE"}));
    EXPECT_EQ(s.columns[0].type, type(ColumnType::Long));
    for (int i : {1, 2}) {
      EXPECT_EQ(s.columns[i].type, type(ColumnType::Text));
      EXPECT_EQ(s.columns[i].size, text);
    }
    ASSERT_EQ(s.indexes.size(), 1u);
    EXPECT_THAT(s.indexes[0].keys, ElementsAre(std::pair<std::uint32_t, bool>{0, true}));
    EXPECT_EQ(s.rows.size(), 512u);
    int nulls = 0, abcDef = 0;
    std::int64_t max = 0;
    for (const auto& r : s.rows) {
      if (r[0].kind == ValueKind::Null)
        ++nulls;
      else {
        EXPECT_EQ(r[0].kind, ValueKind::Integer);
        max = std::max(max, r[0].integer);
      }
      if (r[1].kind == ValueKind::Text && r[1].text == "abc" && r[2].kind == ValueKind::Text &&
          r[2].text == "def")
        ++abcDef;
    }
    EXPECT_EQ(nulls, 2);
    EXPECT_EQ(max, 4813);
    EXPECT_EQ(abcDef, 510);
  }
}

TEST(MdbReaderTest, WrongArgumentsOrNoFrameDescriptorAreUsageErrors) {
  const std::string file = kJet + "V2000-test.mdb";
  const std::vector<std::string> cases[] = {{},
                                            {"list"},
                                            {"table", file},
                                            {"dump", file},
                                            {"list", file, "Table1"},
                                            {"table", file, "Table1", "more"}};
  for (const auto& args : cases) {
    const Stream s = runReader(args);
    EXPECT_EQ(s.exit, jf::kExitUsage) << args.size();
    EXPECT_EQ(s.jet, 0);
    EXPECT_FALSE(s.error);
  }
  EXPECT_EQ(runReader({"list", file}, "3>&-").exit, jf::kExitUsage);
}

// A copy of V2000-test.mdb with one change to the data page holding Table1's first row.
class DamagedTable1 {
 public:
  DamagedTable1() : bytes_(bytesOf(kJet + "V2000-test.mdb")) {
    const std::size_t at = bytes_.find("abcdefg");
    if (at == std::string::npos) throw std::runtime_error("no Table1 row found");
    page_ = at / kPage;
    const std::size_t base = page_ * kPage;
    if (bytes_[base] != 1) throw std::runtime_error("not a data page");
    // The row table: a count at 12, then each row's start; a row ends where the one before
    // it begins (the first at the end of the page).
    const unsigned count = u16(base + 12);
    for (unsigned r = 0; r < count; ++r) {
      const unsigned start = u16(base + 14 + 2 * r) & 0x1fff;
      const unsigned end = r == 0 ? kPage : u16(base + 12 + 2 * r) & 0x1fff;
      if (at - base >= start && at - base < end) {
        offsetAt_ = base + 14 + 2 * r;
        rowAt_ = base + start;
      }
    }
    if (!offsetAt_) throw std::runtime_error("row not in the row table");
  }
  std::string truncatedBeforeThePage() const { return bytes_.substr(0, page_ * kPage); }
  std::string flagged(unsigned flag) const {
    std::string b = bytes_;
    b[offsetAt_ + 1] = static_cast<char>(b[offsetAt_ + 1] | (flag >> 8));
    return b;
  }
  std::string withColumnCount(unsigned n) const {
    std::string b = bytes_;
    b[rowAt_] = static_cast<char>(n & 0xff);
    b[rowAt_ + 1] = static_cast<char>(n >> 8);
    return b;
  }

 private:
  static constexpr std::size_t kPage = 4096;
  unsigned u16(std::size_t at) const {
    return static_cast<unsigned char>(bytes_[at]) | static_cast<unsigned char>(bytes_[at + 1]) << 8;
  }
  std::string bytes_;
  std::size_t page_ = 0, offsetAt_ = 0, rowAt_ = 0;
};

TEST(MdbReaderTest, FailuresEndWithAnErrorFrameAndNeverWithFewerRows) {
  TempDir dir;
  const DamagedTable1 damaged;
  std::mt19937 random(11);
  std::string noise(8192, '\0');
  for (char& ch : noise) ch = static_cast<char>(random());
  const struct {
    const char* name;
    std::string bytes;  // written to the file first, unless the file is a shared one
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {"unknown table", "", {"table", kJet + "V2000-test.mdb", "Table9"}, "table Table9 not found"},
      {"no file", "", {"list", (dir / "none.mdb").string()}, "cannot open"},
      {"noise", noise, {"list", "{file}"}, "is not an Access database"},
      {"empty", "", {"list", "{file}"}, "is not an Access database"},
      {"text",
       "Standard\nJet DB, not really\n",
       {"table", "{file}", "Table1"},
       "is not an Access database"},
      {"cut short",
       damaged.truncatedBeforeThePage(),
       {"table", "{file}", "Table1"},
       "past the end of the file"},
      {"overflow row",
       damaged.flagged(0x4000),
       {"table", "{file}", "Table1"},
       "row 1 of table Table1 was moved to an overflow page"},
      {"uncrackable row",
       damaged.withColumnCount(0xffff),
       {"table", "{file}", "Table1"},
       "row 1 of table Table1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::filesystem::path file = dir / (std::string(c.name) + ".mdb");
    std::vector<std::string> args = c.args;
    for (auto& a : args)
      if (a == "{file}") {
        writeFile(file, c.bytes);
        a = file.string();
      }
    const Stream s = runReader(args);
    EXPECT_EQ(s.exit, jf::kExitFailed);
    ASSERT_TRUE(s.error);
    EXPECT_THAT(*s.error, HasSubstr(c.says));
    EXPECT_TRUE(s.rows.empty());
    EXPECT_FALSE(s.end);
  }
  // The undamaged copy reads whole, so each case above fails for its own change only.
  writeFile(dir / "whole.mdb", damaged.flagged(0));
  const Stream whole = runReader({"table", (dir / "whole.mdb").string(), "Table1"});
  expectComplete(whole);
  EXPECT_EQ(whole.rows.size(), 2u);
}

}  // namespace
}  // namespace zr::testing

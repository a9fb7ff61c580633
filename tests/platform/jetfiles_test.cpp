// The database layer on real Access files written by Access itself, checked against the facts
// their publishers state, and one suite of the layer's behaviours run over both routes: the
// Access index file through the reader, and a SQLite file holding a table of the same shape.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/database.h"
#include "platform/files.h"
#include "platform/test_util.h"
#include "support/tempdir.h"

namespace zr::platform {
namespace {

using ::testing::HasSubstr;
using testing::errorOf;

const std::string kJet = std::string(ZR_SHARED_TESTDATA) + "/jet/";

class RealFiles : public ::testing::Test {
 protected:
  std::unique_ptr<Database> open(const std::string& name) { return engine->open(kJet + name); }
  std::unique_ptr<Files> files = makeHostFiles("/");
  std::unique_ptr<DatabaseEngine> engine = makeDatabaseEngine(*files);
};

TEST_F(RealFiles, Table1OfEachVersionWithEveryColumnType) {
  const struct {
    const char* file;
    bool reversed;  // the Jet 3 file holds the rows the other way round
  } files[] = {{"V1997-test.mdb", true}, {"V2000-test.mdb", false}, {"V2003-test.mdb", false}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.file);
    auto db = open(f.file);
    auto rs = db->openTable("table1");
    EXPECT_EQ(rs->recordCount(), 2);
    std::vector<std::vector<Value>> rows;
    for (; !rs->eof(); rs->moveNext()) {
      std::vector<Value> row;
      for (const char* c : {"A", "b", "C", "D", "E", "F", "G", "H", "i"}) row.push_back(rs->field(c));
      rows.push_back(row);
    }
    ASSERT_EQ(rows.size(), 2u);
    if (f.reversed) std::swap(rows[0], rows[1]);
    EXPECT_THAT(rows[0], ::testing::ElementsAre(Value("abcdefg"), Value("hijklmnop"), Value(2.0),
                                                Value(222.0), Value(333333333.0), Value(444.555),
                                                Value("21/09/1974"), Value(3.5), Value(-1.0)));
    EXPECT_THAT(rows[1], ::testing::ElementsAre(Value("a"), Value("b"), Value(0.0), Value(0.0),
                                                Value(0.0), Value(0.0), Value("12/12/1981"),
                                                Value(0.0), Value(0.0)));
    // Table2: 89 text columns, each found by name.
    auto t2 = db->openTable("Table2");
    for (int i = 1; i <= 89; ++i) {
      const std::string name = "COLUMN" + std::to_string(i);
      if (t2->eof()) {
        EXPECT_EQ(errorOf([&] { t2->field(name); }).number(), 3021) << name;
      } else {
        EXPECT_NO_THROW(t2->field(name)) << name;
      }
    }
    EXPECT_EQ(errorOf([&] { t2->field("column90"); }).number(), 3265);
    for (const char* t : {"Table3", "Table4"}) EXPECT_NO_THROW(db->openTable(t)) << t;
    EXPECT_EQ(errorOf([&] { db->openTable("Table5"); }).number(), 3078);
    db->close();
  }
}

TEST_F(RealFiles, TheEmptyAndTheNumericDatabases) {
  auto empty = open("V2000-empty.mdb");
  for (const char* t : {"Table1", "MSysObjects"})
    EXPECT_EQ(errorOf([&] { empty->openTable(t); }).number(), 3078) << t;

  auto numeric = open("V2003-numeric.mdb");
  auto q = numeric->query("SELECT * FROM test");
  ASSERT_EQ(q->recordCount(), 1);
  const struct {
    const char* column;
    double value;
  } expected[] = {{"col2", 1}, {"col3", 0}, {"col4", 0}, {"col5", 4}, {"col6", -1}, {"col7", 1}};
  for (const auto& e : expected) EXPECT_EQ(q->field(e.column).asNumber(), e.value) << e.column;
}

// The behaviours the program relies on, whichever route a file takes.
struct Route {
  const char* name;
  std::function<std::string(const std::filesystem::path& dir)> make;  // the file to open
};

std::string sqliteTwin(const std::filesystem::path& dir) {
  // Table1 of the Access index files, in the shape the SQLite route reads: the index
  // "CD_AGENTE" descending as Table1_CD_AGENTE, 512 rows, two without CD_AGENTE.
  std::string sql =
      "CREATE TABLE Table1 (CD_AGENTE INTEGER, RS_AGENTE TEXT COLLATE NOCASE,"
      " DC_AGENTE TEXT COLLATE NOCASE);"
      "CREATE INDEX Table1_CD_AGENTE ON Table1 (CD_AGENTE DESC);";
  for (int i = 0; i < 510; ++i)
    sql += "INSERT INTO Table1 VALUES (" + std::to_string(i == 200 ? 4813 : 3 + i * 9) +
           ", 'abc', 'def');";
  sql += "INSERT INTO Table1 VALUES (NULL, 'x', 'y'); INSERT INTO Table1 VALUES (NULL, 'z', 'w');";
  const auto file = dir / "twin.mdb";
  testing::runSql(file, sql);
  return file.string();
}

class BothRoutes : public ::testing::TestWithParam<Route> {
 protected:
  testing::TempDir dir;
  std::unique_ptr<Files> files = makeHostFiles("/");
  std::unique_ptr<DatabaseEngine> engine = makeDatabaseEngine(*files);
};

TEST_P(BothRoutes, OpenWalkSeekQueryFieldsAndNulls) {
  auto db = engine->open(GetParam().make(dir.path()));
  auto rs = db->openTable("TABLE1");
  EXPECT_EQ(rs->recordCount(), 512);

  // The walk in index order: descending, the largest first, the two Nulls together at the end.
  rs->setIndex("CD_AGENTE");
  long rows = 0, nulls = 0;
  double previous = 1e9;
  bool ordered = true;
  for (; !rs->eof(); rs->moveNext(), ++rows) {
    const Value v = rs->field("cd_agente");
    if (rows == 0) {
      EXPECT_EQ(v, Value(4813.0));
    }
    if (v.isNull()) {
      ++nulls;
      continue;
    }
    ordered = ordered && nulls == 0 && v.asNumber() <= previous;
    previous = v.asNumber();
  }
  EXPECT_EQ(rows, 512);
  EXPECT_EQ(nulls, 2);
  EXPECT_TRUE(ordered);

  rs->seek("=", {4813.0});
  ASSERT_FALSE(rs->noMatch());
  EXPECT_EQ(rs->field("Rs_Agente"), Value("abc"));
  rs->seek("=", {4814.0});
  EXPECT_TRUE(rs->noMatch());
  EXPECT_EQ(errorOf([&] { rs->field("RS_AGENTE"); }).number(), 3021);
  EXPECT_EQ(errorOf([&] { rs->setIndex("CHIAVE"); }).number(), 3800);

  // Parameters bound, text compared without regard to case.
  auto q = db->query("SELECT COUNT(*) AS N, MAX(CD_AGENTE) AS TOP FROM Table1 WHERE RS_AGENTE = ? "
                     "AND DC_AGENTE = ?",
                     {"ABC", "Def"});
  EXPECT_EQ(q->field("n"), Value(510.0));
  EXPECT_EQ(q->field("Top"), Value(4813.0));
  auto none = db->query("SELECT CD_AGENTE FROM Table1 WHERE CD_AGENTE IS NULL");
  EXPECT_EQ(none->recordCount(), 2);
  EXPECT_TRUE(none->field("CD_AGENTE").isNull());
  EXPECT_EQ(none->field("CD_AGENTE").asNumber(), 0);
  EXPECT_EQ(errorOf([&] { db->query("SELECT * FROM Table1 WHERE CD_AGENTE = ?"); }).number(), 3061);
  db->close();
}

INSTANTIATE_TEST_SUITE_P(
    Routes, BothRoutes,
    ::testing::Values(
        Route{"Jet3", [](const std::filesystem::path&) { return kJet + "V1997-compindex.mdb"; }},
        Route{"Jet4", [](const std::filesystem::path&) { return kJet + "V2000-compindex.mdb"; }},
        Route{"SQLite", sqliteTwin}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zr::platform

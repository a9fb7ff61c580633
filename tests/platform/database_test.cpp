// The database layer on real files: SQLite databases written here with the sqlite3 API, the
// Access files of the shared test data, and files that are neither.
#include "platform/database.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "platform/errors.h"
#include "platform/files.h"
#include "support/tempdir.h"

namespace zr::platform {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

// Writes a SQLite file with the given statements, failing the test on any error.
void writeSqlite(const std::filesystem::path& file, const std::string& script) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  char* err = nullptr;
  std::string all = "PRAGMA synchronous = OFF; BEGIN; " + script + "; COMMIT;";
  int rc = sqlite3_exec(db, all.c_str(), nullptr, nullptr, &err);
  std::string message = err ? err : "";
  sqlite3_free(err);
  sqlite3_close(db);
  ASSERT_EQ(rc, SQLITE_OK) << message;
}

std::string fileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Runs `body` and returns the RuntimeError it throws; fails the test when it throws none.
RuntimeError errorOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const RuntimeError& e) {
    return e;
  }
  ADD_FAILURE() << "no RuntimeError";
  return RuntimeError(0, "none");
}

// The key layout of the F24 row tables; rows inserted out of key order on purpose.
const char* kRowTable = R"(
  CREATE TABLE ROWS (KDITTA TEXT, KPERIODO TEXT, KRIGO INTEGER, NOTE TEXT, AMOUNT REAL);
  CREATE INDEX ROWS_CHIAVE ON ROWS (KDITTA, KPERIODO, KRIGO);
  INSERT INTO ROWS VALUES ('002', '202301', 11, 'second company', 5);
  INSERT INTO ROWS VALUES ('001', '202302', 12, 'feb 12', 20.25);
  INSERT INTO ROWS VALUES ('001', '202301', 12, 'jan 12', 12.5);
  INSERT INTO ROWS VALUES ('001', '202301', 11, 'jan 11', 11);
  INSERT INTO ROWS VALUES ('A0B', '202301', 11, 'letters', NULL);
)";

class DatabaseTest : public ::testing::Test {
 protected:
  std::string file(const std::string& name) { return (dir / name).string(); }
  std::string rowsDatabase() {
    std::string p = file("ROWS.MDB");
    writeSqlite(p, kRowTable);
    return p;
  }

  testing::TempDir dir;
  std::unique_ptr<Files> files = makeHostFiles(dir.str());
  std::unique_ptr<DatabaseEngine> engine = makeDatabaseEngine(*files);
};

std::vector<std::string> walk(Recordset& rs) {
  std::vector<std::string> seen;
  for (; !rs.eof(); rs.moveNext()) seen.push_back(rs.field("NOTE").asText());
  return seen;
}

TEST_F(DatabaseTest, SeekOnTheThreeColumnKeyFindsExactRowsOnly) {
  auto db = engine->open(rowsDatabase());
  auto rs = db->openTable("rows");
  rs->setIndex("CHIAVE");

  rs->seek("=", {"001", "202301", 12.0});
  ASSERT_FALSE(rs->noMatch());
  EXPECT_EQ(rs->field("NOTE").asText(), "jan 12");
  EXPECT_EQ(rs->field("amount").asNumber(), 12.5);
  // The walk goes on in index order from the row found, across the period boundary.
  rs->moveNext();
  EXPECT_EQ(rs->field("NOTE").asText(), "feb 12");

  rs->seek("=", {"001", "202301", 13.0});  // row number absent
  EXPECT_TRUE(rs->noMatch());
  EXPECT_EQ(errorOf([&] { rs->field("NOTE"); }).number(), 3021);
  rs->seek("=", {"003", "202301", 11.0});  // company absent
  EXPECT_TRUE(rs->noMatch());

  // A hit after misses, text keys without regard to case, a number given as text.
  rs->seek("=", {"a0b", "202301", "11"});
  ASSERT_FALSE(rs->noMatch());
  EXPECT_EQ(rs->field("NOTE").asText(), "letters");
  EXPECT_TRUE(rs->field("AMOUNT").isNull());

  // A key prefix finds the first row in index order.
  rs->seek("=", {"001"});
  ASSERT_FALSE(rs->noMatch());
  EXPECT_EQ(rs->field("NOTE").asText(), "jan 11");

  EXPECT_EQ(errorOf([&] { rs->seek(">", {"001"}); }).number(), 5);
  EXPECT_EQ(errorOf([&] { rs->seek("=", {"1", "2", 3.0, 4.0}); }).number(), 3001);
}

TEST_F(DatabaseTest, ReadsWhatAnotherProgramWritesMeanwhile) {
  std::string p = rowsDatabase();
  auto db = engine->open(p);
  auto rs = db->openTable("ROWS");
  rs->setIndex("CHIAVE");
  EXPECT_EQ(walk(*rs).size(), 5u);
  rs->seek("=", {"001", "202301", 13.0});
  EXPECT_TRUE(rs->noMatch());

  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(p.c_str(), &writer), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(writer, "INSERT INTO ROWS VALUES ('001', '202301', 13, 'late', 1)",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  rs->seek("=", {"001", "202301", 13.0});
  ASSERT_FALSE(rs->noMatch());
  EXPECT_EQ(rs->field("NOTE").asText(), "late");
  rs->moveFirst();
  EXPECT_THAT(walk(*rs), ::testing::ElementsAre("jan 11", "jan 12", "late", "feb 12",
                                                "second company", "letters"));

  // A writer that has begun but not committed does not stop the reading.
  ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE; DELETE FROM ROWS", nullptr, nullptr, nullptr),
            SQLITE_OK);
  EXPECT_EQ(db->query("SELECT * FROM ROWS")->recordCount(), 6);
  sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(writer);
}

TEST_F(DatabaseTest, TableWalksInRowOrderThenInIndexOrder) {
  auto db = engine->open(rowsDatabase());
  auto rs = db->openTable("ROWS");
  EXPECT_EQ(rs->recordCount(), 5);
  EXPECT_EQ(errorOf([&] { rs->seek("=", {"001"}); }).number(), 3019);

  EXPECT_THAT(walk(*rs),
              ::testing::ElementsAre("second company", "feb 12", "jan 12", "jan 11", "letters"));
  EXPECT_EQ(errorOf([&] { rs->moveNext(); }).number(), 3021);

  rs->setIndex("chiave");
  EXPECT_THAT(walk(*rs),
              ::testing::ElementsAre("jan 11", "jan 12", "feb 12", "second company", "letters"));
  rs->moveLast();
  EXPECT_EQ(rs->field("NOTE").asText(), "letters");
  rs->moveFirst();
  EXPECT_EQ(rs->field("NOTE").asText(), "jan 11");
  rs->moveNext();
  EXPECT_EQ(rs->field("KRIGO").asText(), "12");
}

TEST_F(DatabaseTest, TextOrderAndSeekIgnoreCaseEvenOnABinaryIndex) {
  std::string p = file("CASE.MDB");
  writeSqlite(p, R"(
    CREATE TABLE T (K TEXT, N INTEGER);
    CREATE INDEX T_CHIAVE ON T (K);
    INSERT INTO T VALUES ('b', 2);
    INSERT INTO T VALUES ('C', 3);
    INSERT INTO T VALUES ('a', 1);
  )");
  auto db = engine->open(p);
  auto rs = db->openTable("t");
  rs->setIndex("CHIAVE");
  std::vector<double> order;
  for (; !rs->eof(); rs->moveNext()) order.push_back(rs->field("n").asNumber());
  EXPECT_EQ(order, (std::vector<double>{1, 2, 3}));  // byte order would put "C" first
  rs->seek("=", {"c"});
  ASSERT_FALSE(rs->noMatch());
  EXPECT_EQ(rs->field("N").asNumber(), 3);

  auto q = db->query("SELECT N FROM T WHERE K = ? COLLATE NOCASE", {"B"});
  ASSERT_EQ(q->recordCount(), 1);
  EXPECT_EQ(q->field("N").asNumber(), 2);
}

TEST_F(DatabaseTest, QueryBindsParametersAndHoldsItsRows) {
  std::string p = file("Q.MDB");
  writeSqlite(p, R"(
    CREATE TABLE PEOPLE (ID INTEGER, NAME TEXT, RATE REAL, PHOTO BLOB, NOTE TEXT);
    INSERT INTO PEOPLE VALUES (1, 'O''BRIEN', 0.1, x'41420043', NULL);
    INSERT INTO PEOPLE VALUES (2, 'ROSSI', 1e20, NULL, 'x');
    INSERT INTO PEOPLE VALUES (3, 'ROSSI', -2.5, NULL, 'y');
  )");
  auto db = engine->open(p);

  // A quote inside a value neither breaks the statement nor widens the match.
  auto q = db->query("SELECT * FROM PEOPLE WHERE NAME = ?", {"O'BRIEN"});
  ASSERT_EQ(q->recordCount(), 1);
  EXPECT_FALSE(q->eof());
  EXPECT_EQ(q->field("id"), Value(1.0));
  EXPECT_EQ(q->field("Rate").asText(), "0.1");
  EXPECT_EQ(q->field("PHOTO").asText(), std::string("AB\0C", 4));
  EXPECT_TRUE(q->field("NOTE").isNull());
  EXPECT_EQ(q->field("NOTE").asText(), "");
  EXPECT_EQ(q->field("NOTE").asNumber(), 0);
  EXPECT_EQ(errorOf([&] { q->field("NOPE"); }).number(), 3265);
  q->moveNext();
  EXPECT_TRUE(q->eof());
  EXPECT_EQ(errorOf([&] { q->field("ID"); }).number(), 3021);

  auto none = db->query("SELECT * FROM PEOPLE WHERE NAME = ?", {"' OR '1'='1"});
  EXPECT_EQ(none->recordCount(), 0);
  EXPECT_TRUE(none->eof());
  EXPECT_EQ(errorOf([&] { none->moveFirst(); }).number(), 3021);

  auto two = db->query("SELECT ID, RATE FROM PEOPLE WHERE NAME = ? AND ID >= ? ORDER BY ID",
                       {"ROSSI", 2.0});
  ASSERT_EQ(two->recordCount(), 2);
  EXPECT_EQ(two->field("RATE").asText(), "100000000000000000000");
  two->moveLast();
  EXPECT_EQ(two->field("RATE").asText(), "-2.5");
  EXPECT_EQ(two->recordCount(), 2);
  two->moveFirst();
  EXPECT_EQ(two->field("ID").asNumber(), 2);

  EXPECT_EQ(errorOf([&] { db->query("SELECT * FROM PEOPLE WHERE ID = ?"); }).number(), 3061);
  EXPECT_EQ(errorOf([&] { db->query("SELECT * FROM PEOPLE; DELETE FROM PEOPLE"); }).number(), 3001);
  EXPECT_EQ(errorOf([&] { q->setIndex("CHIAVE"); }).number(), 3251);
}

TEST_F(DatabaseTest, TheDatabaseIsNeverWritten) {
  std::string p = file("RO.MDB");
  writeSqlite(p, "CREATE TABLE T (A INTEGER); INSERT INTO T VALUES (7);");
  std::string before = fileBytes(p);
  {
    auto db = engine->open(p);
    RuntimeError e = errorOf([&] { db->query("DELETE FROM T"); });
    EXPECT_EQ(e.number(), 3027);
    EXPECT_THAT(e.description(), HasSubstr(p));
    EXPECT_EQ(db->query("SELECT A FROM T")->field("A").asNumber(), 7);
    db->close();
  }
  EXPECT_EQ(fileBytes(p), before);
  EXPECT_FALSE(std::filesystem::exists(p + "-journal"));
}

TEST_F(DatabaseTest, MissingObjectsAreNamedInTheirErrors) {
  std::string p = rowsDatabase();
  RuntimeError missingFile = errorOf([&] { engine->open(file("NONE.MDB")); });
  EXPECT_EQ(missingFile.number(), 3024);
  EXPECT_THAT(missingFile.description(), HasSubstr("NONE.MDB"));

  auto db = engine->open(p);
  RuntimeError table = errorOf([&] { db->openTable("F24REGIONI"); });
  EXPECT_EQ(table.number(), 3078);
  EXPECT_THAT(table.description(), AllOf(HasSubstr("F24REGIONI"), HasSubstr(p)));
  EXPECT_EQ(errorOf([&] { db->query("SELECT * FROM NOWHERE"); }).number(), 3078);

  auto rs = db->openTable("ROWS");
  RuntimeError index = errorOf([&] { rs->setIndex("PRIMARIO"); });
  EXPECT_EQ(index.number(), 3800);
  EXPECT_THAT(index.description(), HasSubstr("ROWS_PRIMARIO"));
  RuntimeError field = errorOf([&] { rs->field("F24ELI_7"); });
  EXPECT_EQ(field.number(), 3265);
  EXPECT_THAT(field.description(), HasSubstr("F24ELI_7"));
}

TEST_F(DatabaseTest, ClosedObjectsRefuseUseAndSecondCloses) {
  auto db = engine->open(rowsDatabase());
  auto a = db->openTable("ROWS");
  auto b = db->openTable("ROWS");
  auto q = db->query("SELECT * FROM ROWS");
  a->setIndex("CHIAVE");

  a->close();
  EXPECT_EQ(errorOf([&] { a->eof(); }).number(), 3420);
  EXPECT_EQ(errorOf([&] { a->seek("=", {"001"}); }).number(), 3420);
  EXPECT_EQ(errorOf([&] { a->close(); }).number(), 91);
  EXPECT_FALSE(b->eof());  // another recordset on the same table is untouched

  db->close();
  EXPECT_EQ(errorOf([&] { b->field("NOTE"); }).number(), 3420);
  EXPECT_EQ(errorOf([&] { q->moveNext(); }).number(), 3420);
  EXPECT_EQ(errorOf([&] { b->close(); }).number(), 3420);
  EXPECT_EQ(errorOf([&] { b->close(); }).number(), 91);
  EXPECT_EQ(errorOf([&] { db->openTable("ROWS"); }).number(), 3420);
  EXPECT_EQ(errorOf([&] { db->close(); }).number(), 91);
}

TEST_F(DatabaseTest, RecordsetsOutliveTheirDatabaseObject) {
  std::unique_ptr<Recordset> rs;
  {
    auto db = engine->open(rowsDatabase());
    rs = db->openTable("ROWS");
  }
  rs->setIndex("CHIAVE");
  rs->seek("=", {"002", "202301", 11.0});
  ASSERT_FALSE(rs->noMatch());
  EXPECT_EQ(rs->field("NOTE").asText(), "second company");
}

TEST_F(DatabaseTest, SystemPathsAreResolvedOnTheHost) {
  std::filesystem::create_directories(dir / "ARCHIVI");
  writeSqlite(dir / "ARCHIVI" / "SF242023.MDB", kRowTable);
  auto db = engine->open("C:\\ARCHIVI\\SF242023.MDB");
  EXPECT_EQ(db->path(), "C:\\ARCHIVI\\SF242023.MDB");
  EXPECT_EQ(db->openTable("ROWS")->recordCount(), 5);
  RuntimeError e = errorOf([&] { engine->open("C:\\ARCHIVI\\SF242024.MDB"); });
  EXPECT_EQ(e.number(), 3024);
  EXPECT_THAT(e.description(), HasSubstr("C:\\ARCHIVI\\SF242024.MDB"));
}

TEST_F(DatabaseTest, FilesOfOtherFormatsAreRefusedByName) {
  std::string jet = std::string(ZR_SHARED_TESTDATA) + "/jet/V2000-test.mdb";
  RuntimeError access = errorOf([&] { engine->open(jet); });
  EXPECT_EQ(access.number(), 3343);
  EXPECT_THAT(access.description(),
              AllOf(HasSubstr("Unrecognized database format"), HasSubstr(jet),
                    HasSubstr("Access databases are not readable in this version")));
  EXPECT_EQ(errorOf([&] {
              engine->open(std::string(ZR_SHARED_TESTDATA) + "/jet/V1997-test.mdb");
            }).number(),
            3343);

  std::mt19937 random(7);
  std::string noise(8192, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::string p = file("NOISE.MDB");
  std::ofstream(p, std::ios::binary) << noise;
  RuntimeError garbage = errorOf([&] { engine->open(p); });
  EXPECT_EQ(garbage.number(), 3343);
  EXPECT_THAT(garbage.description(), HasSubstr(p));

  std::string empty = file("EMPTY.MDB");
  std::ofstream(empty, std::ios::binary).flush();
  EXPECT_EQ(errorOf([&] { engine->open(empty); }).number(), 3343);

  // A SQLite header over damaged pages fails at the open, naming the file.
  std::string damaged = file("DAMAGED.MDB");
  writeSqlite(damaged, kRowTable);
  std::string bytes = fileBytes(damaged);
  for (std::size_t i = 100; i < bytes.size(); ++i) bytes[i] = static_cast<char>(random());
  std::ofstream(damaged, std::ios::binary | std::ios::trunc) << bytes;
  RuntimeError broken = errorOf([&] { engine->open(damaged)->openTable("ROWS"); });
  EXPECT_EQ(broken.number(), 3049);
  EXPECT_THAT(broken.description(), HasSubstr(damaged));
  EXPECT_EQ(fileBytes(damaged), bytes);
}

TEST(ValueTest, NumbersAndTextsConvertLikeTheOldRunTime) {
  struct Text {
    double n;
    const char* text;
  };
  for (Text t :
       {Text{3, "3"}, Text{12.5, "12.5"}, Text{-2.5, "-2.5"}, Text{0.1, "0.1"}, Text{-0.0, "0"},
        Text{1e-7, "0.0000001"}, Text{123456789012.0, "123456789012"},
        Text{1e20, "100000000000000000000"}, Text{0.30000000000000004, "0.30000000000000004"}}) {
    EXPECT_EQ(Value(t.n).asText(), t.text);
  }
  struct Number {
    const char* text;
    double n;
  };
  for (Number t : {Number{"42", 42}, Number{"  12,50 EUR", 12.5}, Number{"-3.25", -3.25},
                   Number{"+7", 7}, Number{"1e3", 1000}, Number{"2e", 2}, Number{"", 0},
                   Number{"abc", 0}, Number{".5", 0.5}, Number{"-", 0}}) {
    EXPECT_EQ(Value(t.text).asNumber(), t.n) << t.text;
  }
  EXPECT_EQ(Value().asNumber(), 0);
  EXPECT_EQ(Value().asText(), "");
  EXPECT_NE(Value("3"), Value(3.0));  // a text is not a number, whatever it spells
}

}  // namespace
}  // namespace zr::platform

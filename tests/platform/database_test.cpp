// The database layer on real files: SQLite databases written here with the sqlite3 API, the
// Access files of the shared test data, and files that are neither.
#include "platform/database.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "platform/files.h"
#include "platform/test_util.h"
#include "support/fault_files.h"
#include "support/tempdir.h"

namespace zr::platform {
namespace {

using ::testing::AllOf;
using testing::bytesOf;
using ::testing::ElementsAre;
using testing::errorOf;
using ::testing::HasSubstr;
using testing::runSql;

// The key layout of the F24 row tables over a binary index; rows inserted out of key order, and
// "a0a" sorts after "A0B" byte by byte but before it without regard to case.
const char* kRowTable = R"(
  CREATE TABLE ROWS (KDITTA TEXT, KPERIODO TEXT, KRIGO INTEGER, NOTE TEXT, AMOUNT REAL);
  CREATE INDEX ROWS_CHIAVE ON ROWS (KDITTA, KPERIODO, KRIGO);
  INSERT INTO ROWS VALUES ('002', '202301', 11, 'second company', 5);
  INSERT INTO ROWS VALUES ('001', '202302', 12, 'feb 12', 20.25);
  INSERT INTO ROWS VALUES ('001', '202301', 12, 'jan 12', 12.5);
  INSERT INTO ROWS VALUES ('001', '202301', 11, 'jan 11', 11);
  INSERT INTO ROWS VALUES ('A0B', '202301', 11, 'letters', NULL);
  INSERT INTO ROWS VALUES ('a0a', '202301', 11, 'lower', 0);
)";
constexpr const char* kRows = "C:\\ARCHIVI\\ROWS.MDB";

class DatabaseTest : public ::testing::Test {
 protected:
  DatabaseTest() {
    std::filesystem::create_directories(dir / "ARCHIVI");
    runSql(host, kRowTable);
  }
  int numberOf(const std::function<void()>& call) { return errorOf(call).number(); }

  testing::TempDir dir;
  std::string host = (dir / "ARCHIVI" / "ROWS.MDB").string();
  std::unique_ptr<Files> files = makeHostFiles(dir.str());
  std::unique_ptr<DatabaseEngine> engine = makeDatabaseEngine(*files);
};

std::vector<std::string> walk(Recordset& rs) {
  std::vector<std::string> seen;
  for (; !rs.eof(); rs.moveNext()) seen.push_back(rs.field("NOTE").asText());
  return seen;
}

TEST_F(DatabaseTest, SeekOnTheThreeColumnKeyFindsExactRowsOnly) {
  std::unique_ptr<Recordset> rs;
  {
    auto db = engine->open(kRows);  // the recordset outlives its database object
    rs = db->openTable("rows");
  }
  rs->setIndex("CHIAVE");
  const struct {
    std::vector<Value> keys;
    const char* note;  // nullptr: no match
  } cases[] = {
      {{"001", "202301", 12.0}, "jan 12"},
      {{"001", "202301", 13.0}, nullptr},    // row number absent
      {{"003", "202301", 11.0}, nullptr},    // company absent
      {{"a0b", "202301", "11"}, "letters"},  // text keys without regard to case, number as text
      {{"A0A"}, "lower"},
      {{"001"}, "jan 11"},  // a key prefix finds the first row in index order
      {{"002", "202301", 11.0}, "second company"},
  };
  for (const auto& c : cases) {
    rs->seek("=", c.keys);
    SCOPED_TRACE(c.keys[0].asText());
    ASSERT_EQ(rs->noMatch(), c.note == nullptr);
    const RuntimeError e = errorOf([&] { EXPECT_EQ(rs->field("NOTE").asText(), c.note); });
    EXPECT_EQ(e.number(), c.note ? 0 : 3021);
  }
  rs->seek("=", {"001", "202301", 12.0});
  EXPECT_EQ(rs->field("amount").asNumber(), 12.5);
  rs->moveNext();  // the walk goes on in index order, across the period boundary
  EXPECT_EQ(rs->field("NOTE").asText(), "feb 12");
  EXPECT_EQ(numberOf([&] { rs->seek(">", {"001"}); }), 5);
  EXPECT_EQ(numberOf([&] { rs->seek("=", {"1", "2", 3.0, 4.0}); }), 3001);
}

TEST_F(DatabaseTest, TableWalksInRowOrderThenInIndexOrder) {
  auto db = engine->open(kRows);
  auto rs = db->openTable("ROWS");
  EXPECT_EQ(rs->recordCount(), 6);
  EXPECT_EQ(numberOf([&] { rs->seek("=", {"001"}); }), 3019);
  EXPECT_THAT(walk(*rs),
              ElementsAre("second company", "feb 12", "jan 12", "jan 11", "letters", "lower"));
  EXPECT_EQ(numberOf([&] { rs->moveNext(); }), 3021);

  rs->setIndex("chiave");
  EXPECT_THAT(walk(*rs),
              ElementsAre("jan 11", "jan 12", "feb 12", "second company", "lower", "letters"));
  rs->moveLast();
  EXPECT_EQ(rs->field("NOTE").asText(), "letters");
  EXPECT_TRUE(rs->field("AMOUNT").isNull());
  rs->moveFirst();
  rs->moveNext();
  EXPECT_EQ(rs->field("KRIGO").asText(), "12");
}

TEST_F(DatabaseTest, AnUncommittedWriterDoesNotStopTheReading) {
  auto db = engine->open(kRows);
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(host.c_str(), &writer), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE; DELETE FROM ROWS", nullptr, nullptr, nullptr),
            SQLITE_OK);
  EXPECT_EQ(db->query("SELECT * FROM ROWS")->recordCount(), 6);
  sqlite3_close(writer);
}

// The engine reads the file through Files: its reads are counted there, and one that fails
// inside a query is an error naming the database and what the file layer said.
TEST_F(DatabaseTest, TheEngineReadsThroughFilesAndReportsTheirFailures) {
  testing::FaultFiles faulty(*files);
  auto faultyEngine = makeDatabaseEngine(faulty);
  auto db = faultyEngine->open("c:\\archivi\\rows.mdb");  // the path mapping of the archives
  const int before = faulty.calls(testing::Call::Read, "rows.mdb");
  EXPECT_EQ(db->query("SELECT * FROM ROWS")->recordCount(), 6);
  EXPECT_GT(faulty.calls(testing::Call::Read, "rows.mdb"), before);

  // A fresh handle re-reads the file; its first read after the open fails.
  db = faultyEngine->open(kRows);
  faulty.inject(testing::fail(testing::Call::Read, 57).on("ROWS.MDB"));
  RuntimeError e = errorOf([&] { db->query("SELECT * FROM ROWS WHERE KRIGO = ?", {11.0}); });
  EXPECT_EQ(faulty.fired(), 1);
  EXPECT_EQ(e.number(), 3043) << e.description();
  EXPECT_THAT(e.description(), AllOf(HasSubstr(kRows), HasSubstr("error 57 Device I/O error")));
  EXPECT_EQ(db->query("SELECT * FROM ROWS WHERE KRIGO = ?", {11.0})->recordCount(), 4);

  // A short read inside the file is a failure, never a page of zeros (no rows, or wrong ones).
  faulty.clear();
  db = faultyEngine->open(kRows);
  faulty.inject(testing::fail(testing::Call::Read).on("ROWS.MDB").shortened().fromThenOn());
  e = errorOf([&] { db->query("SELECT * FROM ROWS")->recordCount(); });
  EXPECT_EQ(e.number(), 3043) << e.description();
  EXPECT_THAT(e.description(), HasSubstr("short read at offset"));
}

TEST_F(DatabaseTest, QueryBindsParametersAndHoldsItsRows) {
  runSql(host, R"(
    CREATE TABLE PEOPLE (ID INTEGER, NAME TEXT, RATE REAL, PHOTO BLOB, NOTE TEXT);
    INSERT INTO PEOPLE VALUES (1, 'O''BRIEN', 0.1, x'41420043', NULL);
    INSERT INTO PEOPLE VALUES (2, 'ROSSI', 1e20, NULL, 'x');
    INSERT INTO PEOPLE VALUES (3, 'ROSSI', -2.5, NULL, 'y'))");
  const std::string before = bytesOf(host);
  auto db = engine->open(kRows);

  // A quote inside a value neither breaks the statement nor widens the match.
  auto q = db->query("SELECT * FROM PEOPLE WHERE NAME = ?", {"O'BRIEN"});
  ASSERT_EQ(q->recordCount(), 1);
  EXPECT_EQ(q->field("id"), Value(1.0));
  EXPECT_EQ(q->field("Rate").asText(), "0.1");
  EXPECT_EQ(q->field("PHOTO").asText(), std::string("AB\0C", 4));
  EXPECT_TRUE(q->field("NOTE").isNull());
  q->moveNext();
  EXPECT_TRUE(q->eof());
  EXPECT_EQ(numberOf([&] { q->field("ID"); }), 3021);
  auto none = db->query("SELECT * FROM PEOPLE WHERE NAME = ?", {"' OR '1'='1"});
  EXPECT_EQ(none->recordCount(), 0);
  EXPECT_EQ(numberOf([&] { none->moveFirst(); }), 3021);

  auto two = db->query("SELECT ID, RATE FROM PEOPLE WHERE NAME = ? AND ID >= ? ORDER BY ID",
                       {"ROSSI", 2.0});
  ASSERT_EQ(two->recordCount(), 2);
  two->moveLast();
  EXPECT_EQ(two->field("RATE").asText(), "-2.5");
  two->moveFirst();
  EXPECT_EQ(two->field("ID").asNumber(), 2);

  const struct {
    const char* sql;
    int number;
  } refused[] = {{"SELECT * FROM PEOPLE WHERE ID = ?", 3061},
                 {"SELECT * FROM PEOPLE; DELETE FROM PEOPLE", 3001},
                 {"DELETE FROM PEOPLE", 3027},  // the database is never written
                 {"SELECT * FROM NOWHERE", 3078}};
  for (const auto& r : refused) {
    RuntimeError e = errorOf([&] { db->query(r.sql); });
    EXPECT_EQ(e.number(), r.number) << r.sql;
    EXPECT_THAT(e.description(), HasSubstr(kRows)) << r.sql;
  }
  EXPECT_EQ(numberOf([&] { q->setIndex("CHIAVE"); }), 3251);
  db->close();
  EXPECT_EQ(bytesOf(host), before);
  EXPECT_FALSE(std::filesystem::exists(host + "-journal"));
}

TEST_F(DatabaseTest, MissingAndClosedObjectsAreRefusedByName) {
  RuntimeError missingFile = errorOf([&] { engine->open("C:\\ARCHIVI\\SF242024.MDB"); });
  EXPECT_EQ(missingFile.number(), 3024);
  EXPECT_THAT(missingFile.description(), HasSubstr("C:\\ARCHIVI\\SF242024.MDB"));
  auto db = engine->open(kRows);
  const struct {
    std::function<void()> call;
    int number;
    const char* named;
  } cases[] = {
      {[&] { db->openTable("F24REGIONI"); }, 3078, "F24REGIONI"},
      {[&] { db->openTable("ROWS")->setIndex("PRIMARIO"); }, 3800, "ROWS_PRIMARIO"},
      {[&] { db->openTable("ROWS")->field("F24ELI_7"); }, 3265, "F24ELI_7"},
  };
  for (const auto& c : cases) {
    RuntimeError e = errorOf(c.call);
    EXPECT_EQ(e.number(), c.number) << c.named;
    EXPECT_THAT(e.description(), AllOf(HasSubstr(c.named), HasSubstr(kRows)));
  }

  auto a = db->openTable("ROWS");
  auto b = db->openTable("ROWS");
  auto q = db->query("SELECT * FROM ROWS");
  a->close();
  EXPECT_EQ(numberOf([&] { a->eof(); }), 3420);
  EXPECT_EQ(numberOf([&] { a->close(); }), 91);
  EXPECT_FALSE(b->eof());  // another recordset on the same table is untouched
  db->close();
  EXPECT_EQ(numberOf([&] { b->field("NOTE"); }), 3420);
  EXPECT_EQ(numberOf([&] { q->moveNext(); }), 3420);
  EXPECT_EQ(numberOf([&] { db->openTable("ROWS"); }), 3420);
  EXPECT_EQ(numberOf([&] { db->close(); }), 91);
}

TEST_F(DatabaseTest, FilesOfOtherFormatsAreRefusedByName) {
  std::mt19937 random(7);
  std::string noise(8192, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::string damaged = bytesOf(host);  // a SQLite header over damaged pages
  for (std::size_t i = 100; i < damaged.size(); ++i) damaged[i] = static_cast<char>(random());
  const struct {
    std::string bytes;
    int number;
  } cases[] = {{noise, 3343}, {"", 3343}, {damaged, 3049}};
  for (const auto& c : cases) {
    testing::writeBytes(host, c.bytes);
    RuntimeError e = errorOf([&] { engine->open(kRows)->openTable("ROWS"); });
    EXPECT_EQ(e.number(), c.number) << c.bytes.size();
    EXPECT_THAT(e.description(), HasSubstr(kRows));
    EXPECT_EQ(bytesOf(host), c.bytes);
  }

  // An Access file of a later format than Jet 4 is named, not handed to the reader.
  std::string ace(4096, '\0');
  ace.replace(4, 15, "Standard ACE DB");
  ace[0x14] = 2;
  testing::writeBytes(host, ace);
  RuntimeError access = errorOf([&] { engine->open(kRows); });
  EXPECT_EQ(access.number(), 3343);
  EXPECT_THAT(access.description(),
              AllOf(HasSubstr("Unrecognized database format"), HasSubstr(kRows),
                    HasSubstr("only Jet 3 and Jet 4 files are read")));
}

TEST(ValueTest, NumbersAndTextsConvertLikeTheOldRunTime) {
  const std::pair<double, const char*> texts[] = {{12.5, "12.5"},
                                                  {-2.5, "-2.5"},
                                                  {-0.0, "0"},
                                                  {1e-7, "0.0000001"},
                                                  {1e20, "100000000000000000000"},
                                                  {0.30000000000000004, "0.30000000000000004"}};
  for (const auto& [n, text] : texts) EXPECT_EQ(Value(n).asText(), text);
  const std::pair<const char*, double> numbers[] = {
      {"  12,50 EUR", 12.5}, {"+7", 7}, {"2e", 2}, {"abc", 0}, {".5", 0.5}, {"-", 0}};
  for (const auto& [text, n] : numbers) EXPECT_EQ(Value(text).asNumber(), n) << text;
  EXPECT_EQ(Value().asNumber(), 0);
  EXPECT_EQ(Value().asText(), "");
  EXPECT_NE(Value("3"), Value(3.0));  // a text is not a number, whatever it spells
}

}  // namespace
}  // namespace zr::platform

// The Access route of the database layer with a stand-in reader: a shell script that replays
// streams built here frame by frame, or misbehaves (sleeps, crashes, talks, stops short), so
// that every check of the stream is exercised without depending on any real reader.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>

#include "platform/childprocess.h"
#include "platform/database.h"
#include "platform/database_jet.h"
#include "platform/files.h"
#include "platform/jetframes.h"
#include "platform/test_util.h"
#include "support/tempdir.h"

namespace zr::platform {
namespace {

namespace fr = jetframes;
using ::testing::AllOf;
using ::testing::AnyOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::bytesOf;
using testing::errorOf;
using Put = std::function<void(fr::Writer&)>;
using CT = fr::ColumnType;

// The values of a Row frame.
Put null() {
  return [](fr::Writer& w) { w.u8(0); };
}
Put integer(std::int64_t v) {
  return [v](fr::Writer& w) { w.u8(1).i64(v); };
}
Put real(double v) {
  return [v](fr::Writer& w) { w.u8(2).f64(v); };
}
Put text(std::string v) {
  return [v](fr::Writer& w) { w.u8(3).str(v); };
}
Put currency(std::int64_t v) {
  return [v](fr::Writer& w) { w.u8(4).i64(v); };
}
Put decimal(std::string v) {
  return [v](fr::Writer& w) { w.u8(5).str(v); };
}
Put boolean(bool v) {
  return [v](fr::Writer& w) { w.u8(6).u8(v ? 1 : 0); };
}
Put date(double v) {
  return [v](fr::Writer& w) { w.u8(7).f64(v); };
}

std::string header(int jet = 4) { return fr::Writer().u32(fr::kVersion).u8(static_cast<std::uint8_t>(jet)).frame(fr::Tag::Header); }
std::string end(std::int64_t n) { return fr::Writer().i64(n).frame(fr::Tag::End); }

std::string catalogue(const std::vector<std::string>& names) {
  std::string s = header();
  for (const auto& n : names) s += fr::Writer().str(n).frame(fr::Tag::TableName);
  return s + end(static_cast<std::int64_t>(names.size()));
}

struct Index {
  std::string name;
  std::uint8_t flags;
  std::vector<std::pair<std::uint32_t, bool>> keys;
};

struct Table {
  std::vector<std::pair<std::string, CT>> columns;
  std::vector<Index> indexes;
  std::vector<std::vector<Put>> rows;
  std::optional<std::int64_t> declaredRows;  // the definition's count; default: the rows

  std::string frames(bool withEnd = true) const {
    std::string s = header();
    for (const auto& [name, type] : columns)
      s += fr::Writer().str(name).u8(static_cast<std::uint8_t>(type)).u32(0).u8(0).u8(0).frame(fr::Tag::Column);
    for (const Index& i : indexes) {
      fr::Writer w;
      w.str(i.name).u8(i.flags).u32(static_cast<std::uint32_t>(i.keys.size()));
      for (const auto& [column, descending] : i.keys) w.u32(column).u8(descending ? 1 : 0);
      s += w.frame(fr::Tag::Index);
    }
    s += fr::Writer().i64(declaredRows.value_or(static_cast<std::int64_t>(rows.size()))).frame(fr::Tag::RowCount);
    for (const auto& row : rows) {
      fr::Writer w;
      for (const Put& v : row) v(w);
      s += w.frame(fr::Tag::Row);
    }
    return withEnd ? s + end(static_cast<std::int64_t>(rows.size())) : s;
  }
};

// The certification table's shape: a key over three columns, the middle one descending.
Table certificationTable() {
  Table t;
  t.columns = {{"CODAZI", CT::Text},   {"SEQ", CT::Long},      {"Note", CT::Memo},
               {"CU1_55", CT::Currency}, {"FATTO", CT::Boolean}, {"GIORNO", CT::DateTime},
               {"QUOTA", CT::Numeric}, {"PESO", CT::Single}};
  t.indexes = {{"CHIAVE", fr::kUnique | fr::kPrimary, {{0, false}, {1, true}, {2, false}}},
               {"PERNOTA", 0, {{2, false}}}};
  t.rows = {
      {text("001"), integer(1), text("prima"), currency(35000), boolean(true), date(27293),
       decimal("-123.4500"), real(0.5)},
      {text("002"), integer(1), text("altra ditta"), currency(-1), boolean(false),
       date(27293.75), null(), null()},
      {text("001"), integer(2), text("seconda \xc3\xa8"), null(), boolean(false), null(),
       decimal("7"), real(2)},
      {text("Abc"), integer(9), text("lettere"), currency(0), boolean(true), date(-1.25),
       decimal("0.0001"), real(-3)},
  };
  return t;
}

class JetRoute : public ::testing::Test {
 protected:
  JetRoute() {
    std::filesystem::create_directories(dir / "ARCHIVI");
    // A Jet 4 header and one whole page: all the program itself looks at.
    std::string page(4096, '\0');
    page.replace(0, 19, std::string("\x00\x01\x00\x00Standard Jet DB", 19));
    page[0x14] = 1;
    page[4000] = 'Z';
    testing::writeBytes(host, page);
    frames("list", catalogue({"QUADROCU1", "Plain"}));
    frames("table-QUADROCU1", certificationTable().frames());
    Table plain;
    plain.columns = {{"CODAZI", CT::Text}, {"N", CT::Integer}};
    plain.rows = {{text("001"), integer(-7)}, {text("003"), null()}};
    frames("table-Plain", plain.frames());
    script("");
  }

  void frames(const std::string& name, const std::string& bytes) {
    testing::writeBytes(dir / (name + ".frames"), bytes);
  }
  // The stand-in reader: logs its call, runs `before`, then replays the stream named by its
  // arguments ("list", or "table-NAME") on descriptor 3.
  void script(const std::string& before) {
    const std::string d = dir.str();
    std::ofstream(reader) << "#!/bin/sh\n"
                          << "echo \"$1 $3\" >> '" << d << "/runs.log'\n"
                          << before << "\n"
                          << "if [ \"$1\" = list ]; then f=list; else f=\"table-$3\"; fi\n"
                          << "exec /bin/cat '" << d << "/'\"$f\".frames >&3\n";
    ::chmod(reader.c_str(), 0755);
  }
  std::vector<std::string> runs() {
    std::vector<std::string> lines;
    std::ifstream in(dir / "runs.log");
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
  }
  std::unique_ptr<Database> open(std::chrono::milliseconds limit = std::chrono::seconds(10),
                                 std::uint64_t memory = std::uint64_t{1} << 30) {
    JetOptions o;
    o.reader = reader;
    o.timeLimit = limit;
    o.memoryLimit = memory;
    engine = makeDatabaseEngine(*files, o);
    return engine->open(kPath);
  }

  static constexpr const char* kPath = "C:\\ARCHIVI\\TRCER24P.MDB";
  testing::TempDir dir;
  std::string host = (dir / "ARCHIVI" / "TRCER24P.MDB").string();
  std::string reader = (dir / "reader.sh").string();
  std::unique_ptr<Files> files = makeHostFiles(dir.str());
  std::unique_ptr<DatabaseEngine> engine;
};

std::vector<std::string> notes(Recordset& rs) {
  std::vector<std::string> seen;
  for (; !rs.eof(); rs.moveNext()) seen.push_back(rs.field("note").asText());
  return seen;
}

TEST_F(JetRoute, TablesLoadOnFirstUseWithTheirKeysValuesAndCase) {
  auto db = open();
  auto rs = db->openTable("quadrocu1");
  // The three-column key, its middle column descending; text keys without regard to case.
  rs->setIndex("CHIAVE");
  EXPECT_THAT(notes(*rs), ElementsAre("seconda \xe8", "prima", "altra ditta", "lettere"));
  const struct {
    std::vector<Value> keys;
    const char* note;
  } seeks[] = {{{"001", 2.0, "SECONDA \xe8"}, "seconda \xe8"},
               {{"001", 1.0}, "prima"},
               {{"001"}, "seconda \xe8"},
               {{"ABC", 9.0}, "lettere"},
               {{"001", 3.0}, nullptr}};
  for (const auto& s : seeks) {
    rs->seek("=", s.keys);
    SCOPED_TRACE(s.keys[0].asText());
    ASSERT_EQ(rs->noMatch(), s.note == nullptr);
    if (s.note) {
      EXPECT_EQ(rs->field("NOTE").asText(), s.note);
    }
  }
  // Every kind of value as the program sees it.
  rs->seek("=", {"001", 1.0});
  EXPECT_EQ(rs->field("cu1_55"), Value(3.5));
  EXPECT_EQ(rs->field("Fatto"), Value(-1.0));
  EXPECT_EQ(rs->field("GIORNO"), Value("21/09/1974"));
  EXPECT_EQ(rs->field("QUOTA"), Value(-123.45));
  EXPECT_EQ(rs->field("PESO"), Value(0.5));
  rs->seek("=", {"002", 1.0});
  EXPECT_EQ(rs->field("CU1_55"), Value(-0.0001));
  EXPECT_EQ(rs->field("FATTO"), Value(0.0));
  EXPECT_EQ(rs->field("GIORNO"), Value("21/09/1974 18:00:00"));
  EXPECT_TRUE(rs->field("QUOTA").isNull());
  rs->seek("=", {"001", 2.0});
  EXPECT_TRUE(rs->field("CU1_55").isNull());
  EXPECT_TRUE(rs->field("GIORNO").isNull());
  rs->setIndex("PERNOTA");
  rs->seek("=", {"LETTERE"});
  EXPECT_EQ(rs->field("GIORNO"), Value("29/12/1899 06:00:00"));

  // Queries with bound parameters, over one table and over two, the second loaded on demand.
  auto q = db->query("SELECT Note, SEQ FROM QuadroCu1 WHERE CODAZI = ? ORDER BY SEQ", {"001"});
  ASSERT_EQ(q->recordCount(), 2);
  EXPECT_EQ(q->field("NOTE"), Value("prima"));
  auto join = db->query(
      "SELECT P.N AS N FROM PLAIN P JOIN QUADROCU1 Q ON Q.CODAZI = P.CODAZI WHERE Q.SEQ = ?",
      {2.0});
  ASSERT_EQ(join->recordCount(), 1);
  EXPECT_EQ(join->field("n"), Value(-7.0));
  auto plain = db->openTable("PLAIN");
  plain->moveLast();
  EXPECT_TRUE(plain->field("N").isNull());
  EXPECT_EQ(plain->recordCount(), 2);
  EXPECT_EQ(errorOf([&] { plain->setIndex("CHIAVE"); }).number(), 3800);
  EXPECT_EQ(errorOf([&] { db->openTable("QUADROCU2"); }).number(), 3078);
  EXPECT_EQ(errorOf([&] { db->query("SELECT * FROM QUADROCU2"); }).number(), 3078);

  // The catalogue once, then each table once however often it is used.
  EXPECT_THAT(runs(), ElementsAre("list ", "table QUADROCU1", "table Plain"));
  db->close();
}

TEST_F(JetRoute, TheReaderGetsTheBytesAndNothingOfTheEnvironment) {
  const std::string d = dir.str();
  script("/bin/cat /dev/fd/4 > '" + d + "/seen.bin'; /usr/bin/env > '" + d +
         "/env.txt'; echo noise; echo more noise >&2");
  testing::EnvVar mdb("MDBOPTS", "debug_all");
  auto db = open();
  EXPECT_EQ(db->openTable("Plain")->recordCount(), 2);
  EXPECT_TRUE(bytesOf(dir / "seen.bin") == bytesOf(host));
  std::ifstream env(dir / "env.txt");
  for (std::string line; std::getline(env, line);)
    EXPECT_TRUE(line.starts_with("PWD=")) << line;  // the shell's own
}

TEST_F(JetRoute, EveryIncompleteOrFailedReadIsAnErrorNamingFileAndTable) {
  Table t = certificationTable();
  Table shortTable = t;
  shortTable.declaredRows = 5;
  std::string truncated = t.frames();
  truncated.resize(truncated.size() - 3);
  Table longTable = t;
  longTable.declaredRows = 3;
  Table shortRow = t;
  shortRow.rows[3].pop_back();
  std::string lies = t.frames(false) + end(3);
  std::string oversized = header() + std::string("C\xff\xff\xff\x7f", 5);
  std::string afterEnd = t.frames() + end(4);
  Table duplicates = t;
  duplicates.rows.push_back(duplicates.rows[0]);  // a unique key twice: a damaged file
  Table badKey = t;
  badKey.indexes.push_back({"WRONG", 0, {{42, false}}});
  std::string badDecimal = header() + fr::Writer().str("D").u8(16).u32(0).u8(0).u8(0).frame(fr::Tag::Column) +
                           fr::Writer().i64(1).frame(fr::Tag::RowCount) +
                           fr::Writer().u8(5).str("1,5").frame(fr::Tag::Row) + end(1);

  const struct {
    const char* what;
    std::string stream;  // replayed as the table's stream
    std::string before;  // shell run first
    const char* says;
  } cases[] = {
      {"fewer rows than the definition's", shortTable.frames(), "", "4 of its 5 rows"},
      {"more rows than the definition's", longTable.frames(), "", "4 rows read where the table records 3"},
      {"a stream cut short", truncated, "", "ends early"},
      {"no end frame", t.frames(false), "", "ends early"},
      {"an end that miscounts", lies, "", "count does not match"},
      {"a row short of a value", shortRow.frames(), "", "malformed"},
      {"an oversized frame", oversized, "", "malformed"},
      {"a frame after the end", afterEnd, "", "after the end"},
      {"a unique key twice", duplicates.frames(), "", "UNIQUE"},
      {"a key on no column", badKey.frames(), "", "names column 42"},
      {"a decimal that is no number", badDecimal, "", "decimal"},
      {"the reader's own error",
       header() + fr::Writer().str("row 17 cannot be read").frame(fr::Tag::Error), "", "row 17 cannot be read"},
      {"a status without a word", t.frames(), "exec /bin/sh -c 'exit 1'", "ended with status 1"},
      {"a crash", "", "echo going down; kill -SEGV $$", "signal 11; it said: going down"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    frames("table-QUADROCU1", c.stream);
    script(std::string("if [ \"$3\" = QUADROCU1 ]; then ") + (c.before.empty() ? ":" : c.before) + "; fi");
    auto db = open();
    for (int attempt = 0; attempt < 2; ++attempt) {  // a failed load fails again, never "absent"
      RuntimeError e = errorOf([&] { db->openTable("QUADROCU1")->recordCount(); });
      EXPECT_EQ(e.number(), 3049);
      EXPECT_THAT(e.description(), AllOf(HasSubstr(kPath), HasSubstr("table QUADROCU1"), HasSubstr(c.says)));
    }
    // The other table of the file is unharmed.
    EXPECT_EQ(db->openTable("PLAIN")->recordCount(), 2);
  }
}

TEST_F(JetRoute, AHangingReaderIsStoppedAtItsTimeLimit) {
  script("if [ \"$1\" = table ]; then /bin/sleep 20; fi");
  auto db = open(std::chrono::milliseconds(300));
  const auto start = std::chrono::steady_clock::now();
  RuntimeError e = errorOf([&] { db->openTable("QUADROCU1"); });
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(e.number(), 3049);
  EXPECT_THAT(e.description(), AllOf(HasSubstr(kPath), HasSubstr("table QUADROCU1"), HasSubstr("did not finish within 0.30 s")));
}

TEST_F(JetRoute, AReaderThatGrowsPastItsMemoryLimitFailsInsteadOfTakingTheMachine) {
  if (kAddressSanitized) GTEST_SKIP() << "a sanitizer build runs the reader without a data limit";
  // The shell holds the whole substitution in its own memory: 200 MB against a 32 MiB limit.
  script("if [ \"$1\" = table ]; then x=$(/usr/bin/head -c 200000000 /dev/zero | /usr/bin/tr '\\0' a); "
         "echo \"${#x}\"; fi");
  auto db = open(std::chrono::seconds(20), std::uint64_t{32} << 20);
  RuntimeError e = errorOf([&] { db->openTable("QUADROCU1"); });
  EXPECT_EQ(e.number(), 3049);
  EXPECT_THAT(e.description(), AllOf(HasSubstr(kPath), HasSubstr("table QUADROCU1"),
                                         AnyOf(HasSubstr("ended with"), HasSubstr("signal"))));
  // With room enough the same reader gets through its table.
  auto roomy = open(std::chrono::seconds(20), std::uint64_t{4} << 30);
  EXPECT_EQ(static_cast<std::size_t>(roomy->openTable("QUADROCU1")->recordCount()),
            certificationTable().rows.size());
}

TEST_F(JetRoute, TheFileIsCheckedBeforeTheReaderRuns) {
  const struct {
    const char* what;
    std::string bytes;
    int number;
    const char* says;
  } cases[] = {
      {"a Jet 4 file cut inside a page", bytesOf(host).substr(0, 4095), 3049, "4096-byte pages"},
      {"a Jet 3 file of a page and a half",
       [&] {
         std::string b = bytesOf(host).substr(0, 3072);
         b[0x14] = 0;
         return b;
       }(),
       3049, "2048-byte pages"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::writeBytes(host, c.bytes);
    RuntimeError e = errorOf([&] { open(); });
    EXPECT_EQ(e.number(), c.number);
    EXPECT_THAT(e.description(), AllOf(HasSubstr(kPath), HasSubstr(c.says)));
  }
  EXPECT_TRUE(runs().empty());

  // A catalogue that fails fails the first use, by name; a missing reader says so.
  frames("list", header() + fr::Writer().str("not a database").frame(fr::Tag::Error));
  std::string page(4096, '\0');
  page.replace(0, 19, std::string("\x00\x01\x00\x00Standard Jet DB", 19));
  page[0x14] = 1;
  testing::writeBytes(host, page);
  RuntimeError e = errorOf([&] { open()->openTable("Plain"); });
  EXPECT_EQ(e.number(), 3049);
  EXPECT_THAT(e.description(), AllOf(HasSubstr(kPath), HasSubstr("catalogue: not a database")));
  std::filesystem::remove(reader);
  e = errorOf([&] { open()->query("SELECT * FROM Plain"); });
  EXPECT_THAT(e.description(), AllOf(HasSubstr(kPath), HasSubstr("cannot be started"), HasSubstr(reader)));
}

TEST(JetValues, DatesAsTheRunTimeShowsThem) {
  const struct {
    double days;
    const char* text;
  } cases[] = {
      {0, "30/12/1899"},
      {1, "31/12/1899"},
      {27293, "21/09/1974"},
      {29932, "12/12/1981"},
      {45291, "31/12/2023"},
      {45292.5, "01/01/2024 12:00:00"},
      {45292 + 1.0 / 86400, "01/01/2024 00:00:01"},
      {45292 + 86399.6 / 86400, "02/01/2024"},  // rounds up to the next midnight
      {-1.25, "29/12/1899 06:00:00"},
      {-693593, "01/01/0001"},
      {2958465, "31/12/9999"},
  };
  for (const auto& c : cases) EXPECT_EQ(jet::dateText(c.days), c.text) << c.days;
  // A stream's date that no file can hold is refused, not turned into a day count.
  for (double bad : {-693594.0, 2958466.0, 2.68125e154, -1e300, std::nan(""), HUGE_VAL})
    EXPECT_THROW(jet::dateText(bad), platform::jetframes::Malformed) << bad;
  EXPECT_EQ(jet::dateText(2958465.75), "31/12/9999 18:00:00");
}

}  // namespace
}  // namespace zr::platform

// The built databases opened through the platform's database engine, as the program opens them.
#include <gtest/gtest.h>

#include "archive/isam.h"
#include "builder.h"
#include "platform/database.h"
#include "reader.h"
#include "support/tempdir.h"

namespace zr {
namespace {

using platform::Value;
using testing::Installation;
using testing::TempDir;

const char* const kCertificationTables[] = {"FRONTESPIZIO", "PERCETTORI", "PERCPARCELLE",
                                            "QUADROCU1",    "QUADROCU2",  "QUADROCU3",
                                            "QUADROCU4",    "QUADROCU5",  "QUADROCU6"};

long count(platform::Database& db, const std::string& sql, const std::vector<Value>& p = {}) {
  auto rs = db.query(sql, p);
  long n = 0;
  for (; !rs->eof(); rs->moveNext()) ++n;
  return n;
}

TEST(Databases, CertificationDatabaseAndTemplateHoldTheNineKeyedTables) {
  TempDir dir;
  const auto summary = demo::buildDemo(dir.str(), {.companies = 6, .employees = 3, .seed = 5});
  Installation in(dir.str());
  auto engine = platform::makeDatabaseEngine(*in.files);
  auto db = engine->open(in.config.PERCORSOARCHIVI + "\\TRCER24P.MDB");
  auto empty = engine->open(in.config.PERCORSOARCHIVI + "\\TRUNCE24X.MDB");
  long rows = 0;
  for (const char* t : kCertificationTables) {
    SCOPED_TRACE(t);
    for (auto* d : {db.get(), empty.get()}) {
      auto rs = d->openTable(t);
      rs->setIndex("CHIAVE");
      rs->close();
    }
    EXPECT_EQ(count(*empty, std::string("SELECT * FROM ") + t), 0);
    rows += count(*db, std::string("SELECT * FROM ") + t);
  }
  EXPECT_EQ(rows, summary.certificationRows);

  // Columns the quadro SX and the self-employment lines read, for a company that has them.
  auto cu1 = db->query("SELECT * FROM QUADROCU1 where CODAZI = ? ORDER BY SEQ", {Value("002")});
  for (; !cu1->eof(); cu1->moveNext()) {
    for (const char* c : {"CU1_55", "CU1_61", "CU1_73", "CU1_94", "CU1_96", "CU1_104"}) {
      const Value v = cu1->field(c);
      EXPECT_TRUE(v.isNull() || v.isNumber()) << c;
    }
  }
  auto cu4 = db->query("SELECT * FROM QUADROCU4 where CODAZI = ? AND CODIP = '0000000000'",
                       {Value("002")});
  ASSERT_FALSE(cu4->eof());  // the first company pays self-employed workers
  for (; !cu4->eof(); cu4->moveNext()) {
    EXPECT_EQ(cu4->field("CU4_26").asText(), "1040");
    EXPECT_EQ(cu4->field("CU4_28").asText().substr(0, 4), "2023");
    EXPECT_TRUE(cu4->field("CU4_27").isNumber());
  }
}

TEST(Databases, YearlyRowsContinueTheirPaymentRecords) {
  TempDir dir;
  const auto summary = demo::buildDemo(dir.str(), {.companies = 9, .employees = 2, .seed = 9});
  Installation in(dir.str());
  auto engine = platform::makeDatabaseEngine(*in.files);
  in.lib->FAIOPEN(377);
  in.lib->FAIOPEN(378);
  long local = 0, regional = 0;
  for (int year : {2023, 2024}) {
    SCOPED_TRACE(year);
    auto db = engine->open(in.config.PERCORSOARCHIVI + "\\SF24" + std::to_string(year) + ".MDB");
    auto release = db->openTable("RELEASE");
    ASSERT_FALSE(release->eof());
    EXPECT_EQ(release->field("release").asNumber(), 1);
    for (const char* t : {"F24ENTILOCICI", "F24REGIONI"}) db->openTable(t)->setIndex("CHIAVE");

    auto rows = db->query("SELECT * FROM F24ENTILOCICI ORDER BY KDITTA, KPERIODO, KRIGO");
    for (; !rows->eof(); rows->moveNext(), ++local) {
      const std::string key = rows->field("KDITTA").asText() + rows->field("KPERIODO").asText();
      EXPECT_GE(rows->field("KRIGO").asNumber(), 11);
      // The payment record of that company and month exists, its ten local rows all used.
      const double r = CERCAISAM(*in.lib, 378, key, 2, 0);
      ASSERT_GT(r, 0) << key;
      in.repo->F24X() = in.record(377, r);
      EXPECT_NE(Installation::trim(in.repo->STRCOSTANTE("F24X$,05749,05,A,0,A732")), "") << key;
      // An exact seek finds the row by its key, as the quadro SV producer seeks it.
      auto table = db->openTable("F24ENTILOCICI");
      table->setIndex("CHIAVE");
      table->seek("=", {rows->field("KDITTA"), rows->field("KPERIODO"), rows->field("KRIGO")});
      EXPECT_FALSE(table->noMatch());
    }
    auto regions = db->query("SELECT * FROM F24REGIONI");
    for (; !regions->eof(); regions->moveNext(), ++regional) {
      const int row = static_cast<int>(regions->field("KRIGO").asNumber());
      EXPECT_GE(row % 1000, 5);
      EXPECT_LE(row % 1000, 10);
      EXPECT_GE(row / 1000, 1);
      EXPECT_LE(row / 1000, 21);
    }
  }
  EXPECT_EQ(local, summary.localTaxRows);
  EXPECT_EQ(regional, summary.regionRows);
  EXPECT_GT(local, 0);
  EXPECT_GT(regional, 0);

  auto blank = engine->open(in.config.PERCORSOARCHIVI + "\\SF24XXXX.MDB");
  EXPECT_EQ(count(*blank, "SELECT * FROM F24ENTILOCICI"), 0);
  EXPECT_EQ(count(*blank, "SELECT * FROM F24REGIONI"), 0);
}

TEST(Databases, AYearlyDatabaseMayLackItsReleaseRow) {
  TempDir dir;
  demo::SkeletonOptions o;
  o.f24Years = {2023};
  o.releaseValue = std::nullopt;
  demo::InstallationBuilder b(dir.str());
  b.writeSkeleton(o);
  b.addRegionRow(2023, {"004", "202305", 13005, "1669", Value(), Value(12.5)});
  auto files = platform::makeHostFiles(dir.str());
  auto engine = platform::makeDatabaseEngine(*files);
  auto db = engine->open(b.archivePath("SF242023.MDB"));
  EXPECT_TRUE(db->openTable("RELEASE")->eof());
  auto row = db->openTable("F24REGIONI");
  row->setIndex("CHIAVE");
  row->seek("=", {Value("004"), Value("202305"), Value(13005.0)});
  ASSERT_FALSE(row->noMatch());
  EXPECT_TRUE(row->field("F24REG_4").isNull());
  EXPECT_EQ(row->field("F24REG_5").asNumber(), 12.5);
  EXPECT_EQ(row->field("F24REG_1").asText(), "1669");
  // Years not asked for are left to the program, which makes them from the template.
  EXPECT_FALSE(files->exists(b.archivePath("SF242024.MDB")));
  EXPECT_TRUE(files->exists(b.archivePath("SF24XXXX.MDB")));
}

}  // namespace
}  // namespace zr

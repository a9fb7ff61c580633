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

  // The self-employment lines the first company pays.
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
    regional += count(*db, "SELECT * FROM F24REGIONI WHERE KRIGO % 1000 BETWEEN 5 AND 10");
  }
  EXPECT_EQ(local, summary.localTaxRows);
  EXPECT_EQ(regional, summary.regionRows);
  EXPECT_GT(local, 0);
}

}  // namespace
}  // namespace zr

// The SX credit list: which rows it takes and into which column, the database rows by release,
// and companies that take nothing.
#include <gtest/gtest.h>

#include "lists/bureau.h"

namespace zr::testbed {
namespace {

TEST(SxList, TakesPureErarioCreditsAndRegionalAndLocalCreditsIntoTheirColumns) {
  struct Case {
    int release;
    bool database;
  };
  for (const Case& c : {Case{1, true}, Case{0, false}}) {
    SCOPED_TRACE(c.release);
    demo::SkeletonOptions o;
    o.releaseValue = c.release;
    Bureau b(o);
    Lister l(b.inst);
    l.app->select({1, 2, 3});
    addSkippedCompanies(l);
    ASSERT_EQ(l.run(4), ListOutcome::Done) << l.app->transcript();
    EXPECT_EQ(l.printed(), sxList(c.database));
    EXPECT_TRUE(l.app->dialogs().empty()) << l.app->transcript();  // option 4 gives no notice
    std::vector<std::string> shown;
    for (const auto& t : progressOf(*l.app, "LabelDESC"))
      if (t.starts_with("SX1 1/2 ")) shown.push_back(t.substr(8, 3));
    EXPECT_EQ(shown, (std::vector<std::string>{"001", "002", "003"}));
    EXPECT_FALSE(l.form().frameVisible);
    EXPECT_FALSE(l.form().labelVisible.at("LabelDESC"));
  }
}

// Every rule on one month of one company: the code decides the column; only Erario rows
// without a debit count; regional 3796 and local 3797 count with a debit too; a Null credit
// in a table row is never taken; other codes never.
TEST(SxList, RowRulesOneByOne) {
  Installation inst;
  inst.builder.putCompany(company(5, {{"T002", "EPSILON SRL"}, {"T003", "MILANO"}}));
  inst.builder.putCompany(company(6, {{"T002", "ZETA SRL CON UN NOME LUNGO"}}));
  inst.builder.putF24(F24(5, 2023, 7)
                          .erario(1, "1627", "0", "1")          // SX1
                          .erario(2, "1627", "5", "2")          // debit and credit: not taken
                          .erario(3, "1669", "0", "0.10")       // SX1
                          .erario(4, "1671", "0", "0.20")       // SX1
                          .erario(5, "1631", "0", "3")          // SX2
                          .erario(6, "1631", "1", "4")          // not taken
                          .erario(7, "1712", "0", "8")          // not an SX code
                          .erario(8, "3796", "0", "9")          // 3796 counts only as regional
                          .region(0, 1, "3796", "50", "10")     // SX2 whatever the debit
                          .region(20, 4, "3796", "0", "11")     // the last block's last row
                          .region(1, 2, "3797", "0", "12")      // 3797 counts only as local
                          .local(1, "3797", "70", "13")         // SX2 whatever the debit
                          .local(10, "3797", "0", "14")         // the tenth row
                          .local(2, "3796", "0", "15")          // 3796 is not local
                          .local(3, "1627", "0", "16")          // nor 1627
                          .rec);
  inst.builder.putF24(F24(6, 2023, 8).erario(1, "1627", "3", "3").rec);
  inst.builder.addRegionRows(2023, {
      regionRow("005", "202307", 1005, "3796", 99.0, 0.25),   // SX2
      regionRow("005", "202307", 1007, "3796", 0.0, kNull),   // Null: not taken
      regionRow("005", "202307", 1008, "3797", 0.0, 17.0),    // not regional
      regionRow("005", "202307", 21005, "3796", 0.0, 0.5),    // after block 20: SX2
  });
  inst.builder.addLocalTaxRows(2023, {
      localRow("005", "202307", 11, "3797", 5.0, 0.75),       // SX2
      localRow("005", "202307", 12, "3797", kNull, kNull),     // not taken
      localRow("005", "202307", 13, "1671", 0.0, 18.0),        // not local
  });
  inst.builder.close();
  Lister l(inst);
  l.app->select({5, 6});
  ASSERT_EQ(l.run(4), ListOutcome::Done) << l.app->transcript();
  // 3796: 10 + 11 + 0.25 + 0.50; 3797: 13 + 14 + 0.75; 1669 0.10 and 1671 0.20 each on its own.
  // ZETA's company line is cut to 31 characters; it takes nothing, so only its header prints.
  const std::string expected =
      header(List::Sx, 1, "DITTA  005 EPSILON SRLMILANO") +
      sxLine("07", "1627", "1,00", "0,00") + sxLine("07", "1631", "0,00", "3,00") +
      sxLine("07", "1669", "0,10", "0,00") + sxLine("07", "1671", "0,20", "0,00") +
      sxLine("07", "3796", "0,00", "21,75") + sxLine("07", "3797", "0,00", "27,75") + "\n" +
      sxTotals({{"1627", "1,00", "0,00", ""},
                {"1631", "0,00", "3,00", ""},
                {"1669", "0,10", "0,00", ""},
                {"1671", "0,20", "0,00", ""},
                {"3796", "0,00", "21,75", ""},
                {"3797", "0,00", "27,75", ""}},
               {"", "1,30", "52,50", ""}) +
      "\f" + d98 + "\n" + titleOf(List::Sx) + "2\n" + d98 + "\n" +
      "DITTA  006 ZETA SRL CON UN NOME  SX1 CAS.1      SX2 CAS.2\n" + d98 + "\n";
  EXPECT_EQ(l.printed(), expected);
}

}  // namespace
}  // namespace zr::testbed

// The mended faults: codes above 10000 and codes with letters totalled by key, wide codes and
// amounts printed whole, exact cents, Null database amounts column by column, and index damage
// that stops the list instead of counting a stale month.
#include <gtest/gtest.h>

#include "lists/lists_fixture.h"

namespace zr::testbed {
namespace {

const std::string kUno = "DITTA  001 UNO SRL";

// February: Erario 1001 0.10 + 0.20 against 0.30; Comuni and Regioni codes of every kind, in
// the archive rows and in the table rows; Null amounts in region rows. March: twenty Erario
// rows of the widest archive amount. April: local rows whose sums need exact handling.
Installation& keyedCodes(Installation& inst) {
  auto& b = inst.builder;
  b.putCompany(company(1, {{"T002", "UNO SRL"}}));
  b.putF24(F24(1, 2023, 2)
               .erario(1, "1001", "0.10").erario(2, "1001", "0.20").erario(3, "1001", "0", "0.30")
               .region(0, 1, "10001", "1").region(0, 2, "R2X", "0", "2")
               .local(1, "12345", "1").local(2, "TASI", "2").local(3, "0100", "3")
               .local(4, "3847", "4").local(5, "00000", "97").local(6, "A1B2", "0", "5")
               .rec);
  F24 march(1, 2023, 3);
  for (int k = 1; k <= 20; ++k) march.erario(k, "1040", "9999999999.99");
  b.putF24(march.rec);
  b.putF24(F24(1, 2023, 4).rec);
  b.addRegionRows(2023, {
      regionRow("001", "202302", 1005, "15000", 3.0, 0.0),
      regionRow("001", "202302", 1006, "X9", 4.0, 0.0),
      regionRow("001", "202302", 1007, "3802", kNull, 2.0),
      regionRow("001", "202302", 1008, "3802", 3.0, kNull),
      regionRow("001", "202302", 1009, "", 50.0, 0.0),
  });
  b.addLocalTaxRows(2023, {
      localRow("001", "202302", 11, "20000", 5.0, 0.0),
      localRow("001", "202302", 12, "ZZ9", 6.0, 0.0),
      localRow("001", "202302", 13, " 3847 ", 1.0, 0.0),
      localRow("001", "202302", 14, "TASI", 0.5, 0.0),
      localRow("001", "202302", 15, "", 99.0, 0.0),
      localRow("001", "202302", 16, "0", 98.0, 0.0),
      localRow("001", "202302", 17, "100", 0.25, 0.0),
      localRow("001", "202304", 11, "3848", 0.3, 0.0),
      localRow("001", "202304", 12, "3848", 0.0, 0.1),
      localRow("001", "202304", 13, "3848", 0.0, 0.2),
      localRow("001", "202304", 14, "3850", 0.004, 0.0),
      localRow("001", "202304", 15, "3850", 0.004, 0.0),
  });
  b.close();
  return inst;
}

TEST(ListFaults, CodesOfAnyKindAreTotalledByKeyAndPrintedWhole) {
  Installation inst;
  keyedCodes(inst);
  struct Case {
    int option;
    std::string expected;
  };
  const Case cases[] = {
      // Equal debit and credit: a zero difference, never "-0,00"; the widest archive amount
      // twenty times over is printed whole.
      {0, header(List::Erario, 1, kUno) + monthLine("02", "1001", "0,30", "0,30", "0,00") + "\n" +
              monthLine("03", "1040", "199999999999,80", "0,00", "199999999999,80") + "\n" +
              totals({{"1001", "0,30", "0,30", "0,00"},
                      {"1040", "199999999999,80", "0,00", "199999999999,80"}},
                     {"", "200000000000,10", "0,30", "199999999999,80"})},
      // Numeric codes in numeric order (3802 from two rows, each adding only its non-Null
      // amount), then text codes in byte order; an empty code is no code.
      {1, header(List::Regioni, 1, kUno) + monthLine("02", "3802", "3,00", "2,00", "1,00") +
              monthLine("02", "10001", "1,00", "0,00", "1,00") +
              monthLine("02", "15000", "3,00", "0,00", "3,00") +
              monthLine("02", "R2X", "0,00", "2,00", "-2,00") +
              monthLine("02", "X9", "4,00", "0,00", "4,00") + "\n" +
              totals({{"3802", "3,00", "2,00", "1,00"},
                      {"10001", "1,00", "0,00", "1,00"},
                      {"15000", "3,00", "0,00", "3,00"},
                      {"R2X", "0,00", "2,00", "-2,00"},
                      {"X9", "4,00", "0,00", "4,00"}},
                     {"", "11,00", "4,00", "7,00"})},
      // "0100" and "100" are one code, printed 100 in the month and 0100 in the totals;
      // " 3847 " joins 3847; "00000", "0" and "" are no code. April: 0.30 against 0.10 + 0.20
      // is a zero difference, and 0.004 + 0.004 is rounded once, when printed.
      {2, header(List::Comuni, 1, kUno) + monthLine("02", "100", "3,25", "0,00", "3,25") +
              monthLine("02", "3847", "5,00", "0,00", "5,00") +
              monthLine("02", "12345", "1,00", "0,00", "1,00") +
              monthLine("02", "20000", "5,00", "0,00", "5,00") +
              monthLine("02", "A1B2", "0,00", "5,00", "-5,00") +
              monthLine("02", "TASI", "2,50", "0,00", "2,50") +
              monthLine("02", "ZZ9", "6,00", "0,00", "6,00") + "\n" +
              monthLine("04", "3848", "0,30", "0,30", "0,00") +
              monthLine("04", "3850", "0,01", "0,00", "0,01") + "\n" +
              totals({{"0100", "3,25", "0,00", "3,25"},
                      {"3847", "5,00", "0,00", "5,00"},
                      {"3848", "0,30", "0,30", "0,00"},
                      {"3850", "0,01", "0,00", "0,01"},
                      {"12345", "1,00", "0,00", "1,00"},
                      {"20000", "5,00", "0,00", "5,00"},
                      {"A1B2", "0,00", "5,00", "-5,00"},
                      {"TASI", "2,50", "0,00", "2,50"},
                      {"ZZ9", "6,00", "0,00", "6,00"}},
                     {"", "23,06", "5,30", "17,76"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option);
    Lister l(inst);
    l.app->select({1});
    ASSERT_EQ(l.run(c.option), ListOutcome::Done) << l.app->transcript();
    EXPECT_EQ(l.printed(), c.expected);
    EXPECT_EQ(l.app->dialogs().size(), 1u) << l.app->transcript();
  }
}

// Company 1 has January and February; its June index entry is damaged; July and company 2
// come after it and are never reached.
enum class Damage { PastTheEnd, VoidRecord };

Installation& damaged(Installation& inst, Damage damage) {
  auto& b = inst.builder;
  b.putCompany(company(1, {{"T002", "UNO SRL"}}));
  b.putCompany(company(2, {{"T002", "DUE SRL"}}));
  b.putF24(F24(1, 2023, 1).erario(1, "1001", "10").erario(2, "1627", "0", "3").rec);
  b.putF24(F24(1, 2023, 2).erario(1, "1001", "20").rec);
  if (damage == Damage::PastTheEnd)
    b.indexF24At(1, 2023, 6, 5000);
  else
    b.putF24(F24(1, 2023, 6).erario(1, "1001", "1000").erario(2, "1627", "0", "1000").voided().rec);
  b.putF24(F24(1, 2023, 7).erario(1, "1001", "30").local(1, "3847", "30").rec);
  b.putF24(F24(2, 2023, 1).erario(1, "1001", "5").region(0, 1, "3802", "5").rec);
  b.close();
  return inst;
}

TEST(ListFaults, IndexDamageStopsTheListWithWhatWasPrinted) {
  const std::string erario = header(List::Erario, 1, kUno) +
                             monthLine("01", "1001", "10,00", "0,00", "10,00") +
                             monthLine("01", "1627", "0,00", "3,00", "-3,00") + "\n" +
                             monthLine("02", "1001", "20,00", "0,00", "20,00") + "\n";
  const std::string sx = header(List::Sx, 1, kUno) + sxLine("01", "1627", "3,00", "0,00") + "\n";
  struct Case {
    int option;
    std::string kept;  // option 3 stops in its first list: no other list follows
  };
  const Case cases[] = {{0, erario}, {3, erario}, {4, sx}};
  for (Damage damage : {Damage::PastTheEnd, Damage::VoidRecord}) {
    Installation inst;
    damaged(inst, damage);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(c.option) + (damage == Damage::PastTheEnd ? " past" : " void"));
      Lister l(inst);
      l.app->select({1, 2});
      EXPECT_EQ(l.run(c.option), ListOutcome::Failed);
      EXPECT_EQ(l.printed(), c.kept);
      const auto dialogs = l.app->dialogs();
      const std::size_t at = c.option == 4 ? 0 : 1;  // after the notice, when there is one
      ASSERT_GT(dialogs.size(), at) << l.app->transcript();
      EXPECT_EQ(dialogs[at].text, "NON ESISTE F24 CON K 001202306 - FARE RIPRISTINO ISAM F24 -");
      EXPECT_FALSE(l.form().labelVisible.at("LabelDESC"));
      EXPECT_FALSE(l.form().busy);
      EXPECT_FALSE(l.app->ui->busy_);
    }
  }
}

// An index that gives 0 after its own check message (here an empty index file) stops the list
// at the company's presence check, naming the key looked up; nothing is read for it.
TEST(ListFaults, AnIndexThatDoesNotAnswerStopsTheList) {
  for (int option : {0, 4}) {
    SCOPED_TRACE(option);
    Installation inst;
    damaged(inst, Damage::PastTheEnd);
    writeBytes(inst.archive("KVF24.IDX"), "");
    Lister l(inst);
    l.app->select({1, 2});
    EXPECT_EQ(l.run(option), ListOutcome::Failed);
    EXPECT_EQ(l.printed(), header(option == 4 ? List::Sx : List::Erario, 1, kUno));
    const std::string all = l.app->transcript();
    EXPECT_NE(all.find("ERRORE ISAM - FILE VUOTO"), std::string::npos) << all;
    EXPECT_NE(all.find("NON ESISTE F24 CON K 001202300 - FARE RIPRISTINO ISAM F24 -\n"),
              std::string::npos)
        << all;
  }
}

}  // namespace
}  // namespace zr::testbed

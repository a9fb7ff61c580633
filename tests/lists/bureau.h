// A small bureau with F24 rows in all three sections, in the archive and in the 2023 database,
// over several months, and the lists it must print, worked out by hand row by row.
//
// 001 ALFA SRL (header field T003 "(RM)"):
//   12/2022 and 01/2024: rows the 2023 lists never read.
//   01/2023 Erario 1:1001 D1000, 2:1012 C50, 5:1001 D200.50, 8:blank code D66, 20:1040 D30;
//           region block 0: 1:3802 D300, 2:3796 C40, 3:3796 D100 C9; block 2 row 1 blank D55;
//           local 1:3847 D150, 2:blank D77, 10:3848 D60.
//   02/2023 region block 3 row 4: 3802 D100.
//   03/2023 Erario 1:1001 D800, 2:1627 C120, 3:1040 D25 C25, 4:1669 C30, 5:1671 D10 C5,
//           6:1631 C70, 7:1671 C4; local 3:3797 C20.
//   04/2023 Erario 1:1001 D10 C-10, 2:1012 zero (debit + credit 0: the month prints nothing).
//   F24REGIONI: 202301 KRIGO 1005 3802 D12.34, 1010 3801 D5, 1006 3796 C11, 2005 3803 D7,
//           21010 3805 D1; never read: 1004, 1011, 22005, 5, 202305 (no May record);
//           202302 4005 3802 D0.50; 202303 1005 3801 D3.
//   F24ENTILOCICI: 202301 11 3847 D10, 12 3797 D Null C15, 13 3847 D5 C Null;
//           202303 11 3797 D2 C Null. In the 2024 database a 202301 row never read.
// 002 BETA SPA: no F24 record (its database row is never read): the header alone.
// 003 GAMMA SNC: 06/2023 Erario 1001 D500, region 3802 D20, local 3847 D30;
//           F24REGIONI 202306 1005 3802 D1; F24ENTILOCICI 202306 11 3847 D1.50.
// 004 void, and 007 not in the archive: List1 lines the lists skip without output.
#pragma once

#include "lists/lists_fixture.h"

namespace zr::testbed {

struct Bureau {
  Installation inst;

  explicit Bureau(const demo::SkeletonOptions& options = {}) : inst(options) {
    auto& b = inst.builder;
    b.putCompany(company(1, {{"T002", "ALFA SRL"}, {"T003", "(RM)"}}));
    b.putCompany(company(2, {{"T002", "BETA SPA"}}));
    b.putCompany(company(3, {{"T002", "GAMMA SNC"}}));
    demo::CompanyRecord delta = company(4, {{"T002", "DELTA SAS"}});
    delta.voidRecord = true;
    b.putCompany(delta);

    b.putF24(F24(1, 2022, 12).erario(1, "1001", "9999").region(0, 1, "3802", "9999").rec);
    b.putF24(F24(1, 2023, 1)
                 .erario(1, "1001", "1000").erario(2, "1012", "0", "50")
                 .erario(5, "1001", "200.50").erario(8, "", "66").erario(20, "1040", "30")
                 .region(0, 1, "3802", "300").region(0, 2, "3796", "0", "40")
                 .region(0, 3, "3796", "100", "9").region(2, 1, "", "55")
                 .local(1, "3847", "150").local(2, "", "77").local(10, "3848", "60")
                 .rec);
    b.putF24(F24(1, 2023, 2).region(3, 4, "3802", "100").rec);
    b.putF24(F24(1, 2023, 3)
                 .erario(1, "1001", "800").erario(2, "1627", "0", "120")
                 .erario(3, "1040", "25", "25").erario(4, "1669", "0", "30")
                 .erario(5, "1671", "10", "5").erario(6, "1631", "0", "70")
                 .erario(7, "1671", "0", "4").local(3, "3797", "0", "20")
                 .rec);
    b.putF24(F24(1, 2023, 4).erario(1, "1001", "10", "-10").erario(2, "1012", "0", "0").rec);
    b.putF24(F24(1, 2024, 1)
                 .erario(1, "1001", "7777").region(0, 1, "3802", "7777").local(1, "3847", "7777")
                 .rec);
    b.putF24(F24(3, 2023, 6).erario(1, "1001", "500").region(0, 1, "3802", "20")
                 .local(1, "3847", "30").rec);

    b.addRegionRows(2023, {
        regionRow("001", "202301", 1005, "3802", 12.34, 0.0),
        regionRow("001", "202301", 1010, "3801", 5.0, 0.0),
        regionRow("001", "202301", 1011, "3802", 999.0, 0.0),
        regionRow("001", "202301", 1004, "3802", 888.0, 0.0),
        regionRow("001", "202301", 2005, "3803", 7.0, 0.0),
        regionRow("001", "202301", 1006, "3796", 0.0, 11.0),
        regionRow("001", "202301", 21010, "3805", 1.0, 0.0),
        regionRow("001", "202301", 22005, "3805", 500.0, 0.0),
        regionRow("001", "202301", 5, "3802", 444.0, 0.0),
        regionRow("001", "202302", 4005, "3802", 0.5, 0.0),
        regionRow("001", "202303", 1005, "3801", 3.0, 0.0),
        regionRow("001", "202305", 1005, "3802", 50.0, 0.0),
        regionRow("002", "202301", 1005, "3802", 1.0, 0.0),
        regionRow("003", "202306", 1005, "3802", 1.0, 0.0),
    });
    b.addLocalTaxRows(2023, {
        localRow("001", "202301", 11, "3847", 10.0, 0.0),
        localRow("001", "202301", 12, "3797", kNull, 15.0),
        localRow("001", "202301", 13, "3847", 5.0, kNull),
        localRow("001", "202303", 11, "3797", 2.0, kNull),
        localRow("003", "202306", 11, "3847", 1.5, 0.0),
    });
    b.addLocalTaxRows(2024, {localRow("001", "202301", 14, "3847", 1000.0, 0.0)});
    b.close();
  }
};

// The void company's and the missing company's lines, placed among the others in List1.
inline void addSkippedCompanies(Lister& l) {
  MainForm& form = l.form();
  const auto insertAt = [&](std::size_t at, const std::string& line) {
    form.List1.insert(form.List1.begin() + static_cast<std::ptrdiff_t>(at), line);
    form.selected.insert(form.selected.begin() + static_cast<std::ptrdiff_t>(at), true);
  };
  insertAt(1, "004 DELTA SAS");
  insertAt(3, "007 FANTASMA SRL");
}

inline const std::string kAlfa = "DITTA  001 ALFA SRL(RM)";
inline const std::string kBeta = "DITTA  002 BETA SPA";
inline const std::string kGamma = "DITTA  003 GAMMA SNC";

// BETA's header opens a page (ALFA ended its document); GAMMA's follows on the same page.
inline std::string betaAndGamma(List list) {
  return header(list, 2, kBeta, true) + header(list, 3, kGamma);
}

inline std::string erarioList() {
  return header(List::Erario, 1, kAlfa) +
         monthLine("01", "1001", "1200,50", "0,00", "1200,50") +
         monthLine("01", "1012", "0,00", "50,00", "-50,00") +
         monthLine("01", "1040", "30,00", "0,00", "30,00") + "\n" +
         monthLine("03", "1001", "800,00", "0,00", "800,00") +
         monthLine("03", "1040", "25,00", "25,00", "0,00") +
         monthLine("03", "1627", "0,00", "120,00", "-120,00") +
         monthLine("03", "1631", "0,00", "70,00", "-70,00") +
         monthLine("03", "1669", "0,00", "30,00", "-30,00") +
         monthLine("03", "1671", "10,00", "9,00", "1,00") + "\n" +
         totals({{"1001", "2010,50", "-10,00", "2020,50"},
                 {"1012", "0,00", "50,00", "-50,00"},
                 {"1040", "55,00", "25,00", "30,00"},
                 {"1627", "0,00", "120,00", "-120,00"},
                 {"1631", "0,00", "70,00", "-70,00"},
                 {"1669", "0,00", "30,00", "-30,00"},
                 {"1671", "10,00", "9,00", "1,00"}},
                {"", "2075,50", "294,00", "1781,50"}) +
         betaAndGamma(List::Erario) + monthLine("06", "1001", "500,00", "0,00", "500,00") + "\n" +
         totals({{"1001", "500,00", "0,00", "500,00"}}, {"", "500,00", "0,00", "500,00"});
}

// With a release above 0 the database rows of KRIGO 1005..1010 after block 0, 2005.. after
// block 1, 4005.. after block 3 and 21005..21010 after block 20 are added; with release 0 none.
inline std::string regioniList(bool database) {
  std::string alfa;
  if (database) {
    alfa = monthLine("01", "3796", "100,00", "60,00", "40,00") +
           monthLine("01", "3801", "5,00", "0,00", "5,00") +
           monthLine("01", "3802", "312,34", "0,00", "312,34") +
           monthLine("01", "3803", "7,00", "0,00", "7,00") +
           monthLine("01", "3805", "1,00", "0,00", "1,00") + "\n" +
           monthLine("02", "3802", "100,50", "0,00", "100,50") + "\n" +
           monthLine("03", "3801", "3,00", "0,00", "3,00") + "\n" +
           totals({{"3796", "100,00", "60,00", "40,00"},
                   {"3801", "8,00", "0,00", "8,00"},
                   {"3802", "412,84", "0,00", "412,84"},
                   {"3803", "7,00", "0,00", "7,00"},
                   {"3805", "1,00", "0,00", "1,00"}},
                  {"", "528,84", "60,00", "468,84"});
  } else {
    alfa = monthLine("01", "3796", "100,00", "49,00", "51,00") +
           monthLine("01", "3802", "300,00", "0,00", "300,00") + "\n" +
           monthLine("02", "3802", "100,00", "0,00", "100,00") + "\n" +
           totals({{"3796", "100,00", "49,00", "51,00"}, {"3802", "400,00", "0,00", "400,00"}},
                  {"", "500,00", "49,00", "451,00"});
  }
  const std::string g = database ? "21,00" : "20,00";
  return header(List::Regioni, 1, kAlfa) + alfa + betaAndGamma(List::Regioni) +
         monthLine("06", "3802", g, "0,00", g) + "\n" +
         totals({{"3802", g, "0,00", g}}, {"", g, "0,00", g});
}

inline std::string comuniList() {
  return header(List::Comuni, 1, kAlfa) +
         monthLine("01", "3797", "0,00", "15,00", "-15,00") +
         monthLine("01", "3847", "165,00", "0,00", "165,00") +
         monthLine("01", "3848", "60,00", "0,00", "60,00") + "\n" +
         monthLine("03", "3797", "2,00", "20,00", "-18,00") + "\n" +
         totals({{"3797", "2,00", "35,00", "-33,00"},
                 {"3847", "165,00", "0,00", "165,00"},
                 {"3848", "60,00", "0,00", "60,00"}},
                {"", "227,00", "35,00", "192,00"}) +
         betaAndGamma(List::Comuni) + monthLine("06", "3847", "31,50", "0,00", "31,50") + "\n" +
         totals({{"3847", "31,50", "0,00", "31,50"}}, {"", "31,50", "0,00", "31,50"});
}

// Each list of option 3 starts on a page of its own (GAMMA ended the document) from page 1.
inline std::string allThree() {
  return erarioList() + "\f" + regioniList(true) + "\f" + comuniList();
}

// Pure Erario credits of 1627/1669/1671 in the first column, 1631 in the second; regional 3796
// and local 3797 credits in the second whatever their debit; Null credits never taken. BETA and
// GAMMA take nothing: their headers only, on one page.
inline std::string sxList(bool database) {
  const std::string jan3796 = database ? "60,00" : "49,00";
  const std::string sx2 = database ? "165,00" : "154,00";
  return header(List::Sx, 1, kAlfa) + sxLine("01", "3796", "0,00", jan3796) +
         sxLine("01", "3797", "0,00", "15,00") + "\n" + sxLine("03", "1627", "120,00", "0,00") +
         sxLine("03", "1631", "0,00", "70,00") + sxLine("03", "1669", "30,00", "0,00") +
         sxLine("03", "1671", "4,00", "0,00") + sxLine("03", "3797", "0,00", "20,00") + "\n" +
         sxTotals({{"1627", "120,00", "0,00", ""},
                   {"1631", "0,00", "70,00", ""},
                   {"1669", "30,00", "0,00", ""},
                   {"1671", "4,00", "0,00", ""},
                   {"3796", "0,00", jan3796, ""},
                   {"3797", "0,00", "35,00", ""}},
                  {"", "154,00", sx2, ""}) +
         betaAndGamma(List::Sx);
}

}  // namespace zr::testbed

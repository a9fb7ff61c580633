// Quadro ST and SV of a small installation, compared byte for byte with records laid out by
// hand from the record tables, and the rules each row builder applies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "export/installation.h"
#include "repository/descriptors.h"

namespace zr::exporttest {
namespace {

using desc::AmountRun;
using desc::RegionField;

const std::string kAlfaCode = "LFAXXX80A01H501U";
const std::string kBetaCode = "01234567890     ";  // VAT number, no fiscal code
const std::string kDeltaCode = "DLTDLT60C03L219Y";

std::string amt(const std::string& text) {
  return std::string(14 - text.size(), ' ') + text;
}

// A QUADST record, position by position from its table.
struct St {
  std::string company, declarant, substitute;
  char section;
  std::string progressive, period, a, b, c, paid;
  char note;
  std::string code, region, date, credit = "0,00";
  std::string str() const {
    Rec r(190);
    r.at(1, company).at(4, declarant).at(20, substitute).at(36, std::string(1, section));
    r.at(37, progressive).at(41, period).at(47, amt(a)).at(61, amt(b)).at(75, amt(c));
    r.at(89, amt(paid)).at(103, amt("0,00")).at(117, std::string(1, note)).at(129, "0");
    r.at(130, code).at(136, "0").at(137, region.empty() ? "  " : region).at(139, date);
    r.at(147, "0").at(148, amt(credit)).at(162, amt("0,00")).at(177, amt("0,00"));
    return r.str();
  }
};

// A QUADSV record, from its own table.
struct Sv {
  std::string company, declarant, substitute, progressive, period, a, b, c, paid;
  char note;
  std::string code, date;
  std::string str() const {
    Rec r(189);
    r.at(1, company).at(4, declarant).at(20, substitute).at(36, progressive).at(40, period);
    r.at(46, amt(a)).at(60, amt(b)).at(74, amt(c)).at(88, amt(paid)).at(102, amt("0,00"));
    r.at(116, std::string(1, note)).at(128, "0").at(129, code).at(135, "0").at(138, date);
    r.at(146, "0").at(147, amt("0,00")).at(161, amt("0,00")).at(176, amt("0,00"));
    return r.str();
  }
};

// F24 fields of a record, in a chain.
struct F24 : F24Chain<F24> {
  using F24Chain::F24Chain;
  // Erario row k: code, paid, credit and complementary amounts 1 to 3.
  F24& erario(int k, const std::string& code, const std::string& paid,
              const std::string& credit = "0", const std::string& a = "0",
              const std::string& b = "0", const std::string& c = "0") {
    const int n = 3 * (k - 1) + 1;
    f(desc::erarioCode, code, k).f(desc::erarioDebit, paid, k).f(desc::erarioCredit, credit, k);
    f(desc::f24Amount(AmountRun::AA, n), a).f(desc::f24Amount(AmountRun::AA, n + 1), b);
    return f(desc::f24Amount(AmountRun::AA, n + 2), c);
  }
  // Row k of region r: code, year field, paid and complementary amounts.
  F24& region(int r, int k, const std::string& code, const std::string& year,
              const std::string& paid, const std::string& a = "0", const std::string& b = "0") {
    const int blk = r - 1, n = 12 * blk + 3 * (k - 1) + 1;
    f(desc::regionField(RegionField::Code, blk), code, k);
    f(desc::regionField(RegionField::Year, blk), year, k);
    f(desc::regionField(RegionField::Debit, blk), paid, k);
    return f(desc::regionAmount(n), a).f(desc::regionAmount(n + 1), b);
  }
  // Local-tax row idx (1..10) of the archive record.
  F24& local(int idx, const std::string& code, const std::string& year, const std::string& paid,
             const std::string& a = "0") {
    const auto& row = desc::kLocalRows[static_cast<std::size_t>(idx - 1)];
    f(row.code, code).f(row.year, year).f(row.debit, paid);
    return f(desc::f24Amount(AmountRun::AF, 3 * (idx - 1) + 1), a);
  }
  F24& date(const std::string& ddmmyyyy) { return f("F24X$,00034,08,A,0,A003", ddmmyyyy); }
};

demo::CompanyRecord withShift(demo::CompanyRecord c) {
  c.fields.push_back({"DITX$,04383,01,N,0,T596", "1", 0});
  return c;
}

void buildBureau(Installation& inst) {
  auto& b = inst.builder;
  b.putCompany(company(1, {{"T002", "ALFA SPA"}, {"T012", kAlfaCode}}));
  b.putCompany(withShift(
      company(2, {{"T002", "BETA SRL"}, {"T013", "01234567890"}, {"T326", "1"}})));
  b.putCompany(company(3, {{"T002", "GAMMA SNC"}, {"T012", "GMMGMM70B02F205Z"}}));
  b.putCompany(withShift(company(4, {{"T002", "DELTA SAS"}, {"T012", kDeltaCode}})));

  // 001, a calendar-year company.
  b.putF24(F24(1, 2023, 1)
               .date("16012023")
               .erario(1, "1001", "100.10", "0", "100.10", "5", "2.5")
               .erario(2, "1713", "50")           // January of the year: an earlier return's
               .erario(3, "1040", "150")          // A 0 takes the paid amount
               .erario(4, "1001", "0")            // nothing: no record
               .erario(5, "1627", "-0.3", "0", "0.3")  // A = -P: no record
               .local(1, "3848", "  2023", "25")
               .local(2, "3847", "2023", "11")
               .local(3, "3848", "2023", "0", "5")  // paid 0, A given: a record, no date
               .rec);
  b.putF24(F24(1, 2023, 3)
               .date("  032023")
               .erario(1, "1712", "30")
               .erario(2, "1001", "-15.5", "0", "-15.5")
               .region(5, 1, "3802", "  2023", "80", "80")
               .region(5, 2, "1669", "  2022", "20", "0", "3")
               .region(21, 4, "3802", "2023", "0.01")
               .rec);
  b.putF24(F24(1, 2023, 6)
               .f(desc::A568, "01")
               .f(desc::A567, "2023")  // the record says January: its 1713 is left out
               .date("15O62023")
               .erario(1, "1713", "40")
               .erario(2, "1001", "10")
               .rec);
  b.putF24(F24(1, 2023, 12).erario(1, "1001", "0.07").rec);  // no payment date
  b.putF24(F24(1, 2024, 1)
               .date("16012024")
               .erario(1, "1713", "60", "10")
               .erario(2, "1001", "100")                   // not 1713: not this return's
               .erario(3, "1713", "0.2", "-0.3", "0.1")    // 0,10 + 0,20 - 0,30 = 0
               .erario(4, "1713", "0", "5")                // only a credit
               .local(1, "3848", "2023", "9")              // no SV rows from January
               .region(1, 1, "3802", "2023", "15")
               .rec);
  // 002, a shifted-year company presented by 001.
  b.putF24(F24(2, 2023, 1).date("16012023").erario(1, "1001", "999").local(1, "3848", "2023", "1").rec);
  b.putF24(F24(2, 2023, 2)
               .date("16022023")
               .erario(1, "1001", "200", "0", "180")
               .local(1, "3848", "2022", "12")
               .rec);
  b.putF24(F24(2, 2024, 1)
               .date("16012024")
               .erario(1, "1001", "90")
               .erario(2, "1713", "20")
               .region(1, 1, "3802", "2023", "15")
               .local(1, "3848", "2023", "9")
               .rec);
  // 004, shifted, without a January record of the next year.
  b.putF24(F24(4, 2023, 1).date("16012023").erario(1, "1001", "5").rec);
  b.putF24(F24(4, 2023, 5).date("16052023").erario(1, "1001", "1").rec);

  using platform::Value;
  // Rows 11 and 13: the row numbers leave a gap, and no row is lost in it.
  b.addLocalTaxRows(
      2023, {
                {"001", "202301", 11, "3848 ", " 2023", Value(7.5), Value(), Value(), Value(),
                 Value()},
                {"001", "202301", 13, "3847", "2022", Value(0.0), Value(), Value(4.0),
                 Value(1.0), Value(2.0)},
                {"001", "202302", 11, "3848", "2023", Value(1.0), Value(), Value(), Value(),
                 Value()},  // no F24 of 001 in February
                {"003", "202301", 11, "3848", "2023", Value(1.0), Value(), Value(), Value(),
                 Value()},  // 003 has no F24 record at all
            });
  b.addLocalTaxRows(2024, {{"002", "202401", 11, "3847", "2023", Value(3.0), Value(), Value(),
                            Value(), Value()},
                           {"001", "202401", 11, "3848", "2023", Value(3.0), Value(), Value(),
                            Value(), Value()}});
  b.close();
}

std::vector<std::string> expectedST() {
  const std::string A = "001", B = "002", D = "004";
  const std::string& a = kAlfaCode;
  return {
      St{A, a, a, '0', "0001", "202301", "100,10", "5,00", "2,50", "100,10", ' ', "1001", "",
         "20230116"}.str(),
      St{A, a, a, '0', "0002", "202301", "150,00", "0,00", "0,00", "150,00", ' ', "1040", "",
         "20230116"}.str(),
      St{A, a, a, '0', "0003", "202312", "30,00", "0,00", "0,00", "30,00", ' ', "1712", "",
         "00202303"}.str(),
      St{A, a, a, '0', "0004", "202303", "-15,50", "0,00", "0,00", "-15,50", ' ', "1001", "",
         "00202303"}.str(),
      St{A, a, a, '1', "0001", "202303", "80,00", "0,00", "0,00", "80,00", 'S', "3802", "05",
         "00202303"}.str(),
      St{A, a, a, '1', "0002", "202303", "20,00", "3,00", "0,00", "20,00", ' ', "1669", "05",
         "00202303"}.str(),
      St{A, a, a, '1', "0003", "202303", "0,01", "0,00", "0,00", "0,01", 'S', "3802", "21",
         "00202303"}.str(),
      St{A, a, a, '0', "0001", "202306", "10,00", "0,00", "0,00", "10,00", ' ', "1001", "",
         "00000000"}.str(),
      St{A, a, a, '0', "0002", "202312", "0,07", "0,00", "0,00", "0,07", ' ', "1001", "",
         "00000000"}.str(),
      St{A, a, a, '0', "0003", "202312", "60,00", "0,00", "0,00", "60,00", ' ', "1713", "",
         "20240116", "10,00"}.str(),
      St{A, a, a, '0', "0004", "202312", "0,00", "0,00", "0,00", "0,00", ' ', "1713", "",
         "00000000", "5,00"}.str(),
      St{B, a, kBetaCode, '0', "0001", "202302", "180,00", "0,00", "0,00", "200,00", ' ', "1001",
         "", "20230216"}.str(),
      St{B, a, kBetaCode, '0', "0002", "202312", "90,00", "0,00", "0,00", "90,00", 'B', "1001",
         "", "20240116"}.str(),
      St{B, a, kBetaCode, '0', "0003", "202312", "20,00", "0,00", "0,00", "20,00", ' ', "1713",
         "", "20240116"}.str(),
      St{B, a, kBetaCode, '1', "0001", "202312", "15,00", "0,00", "0,00", "15,00", 'B', "3802",
         "01", "20240116"}.str(),
      St{D, kDeltaCode, kDeltaCode, '0', "0001", "202305", "1,00", "0,00", "0,00", "1,00", ' ',
         "1001", "", "20230516"}.str(),
  };
}

std::vector<std::string> expectedSV(bool balance) {
  const std::string A = "001", B = "002";
  const std::string& a = kAlfaCode;
  return {
      Sv{A, a, a, "0001", "202301", "25,00", "0,00", "0,00", "25,00", 'S', "3848", "20230116"}
          .str(),
      Sv{A, a, a, "0002", "202301", "11,00", "0,00", "0,00", "11,00", balance ? 'S' : ' ', "3847",
         "20230116"}.str(),
      Sv{A, a, a, "0003", "202301", "5,00", "0,00", "0,00", "0,00", 'S', "3848", "00000000"}
          .str(),
      Sv{A, a, a, "0004", "202301", "7,50", "0,00", "0,00", "7,50", 'S', "3848", "20230116"}
          .str(),
      Sv{A, a, a, "0005", "202301", "4,00", "1,00", "2,00", "0,00", ' ', "3847", "00000000"}
          .str(),
      Sv{B, a, kBetaCode, "0001", "202302", "12,00", "0,00", "0,00", "12,00", ' ', "3848",
         "20230216"}.str(),
      Sv{B, a, kBetaCode, "0002", "202312", "9,00", "0,00", "0,00", "9,00", 'B', "3848",
         "20240116"}.str(),
      Sv{B, a, kBetaCode, "0003", "202312", "3,00", "0,00", "0,00", "3,00", 'B', "3847",
         "20240116"}.str(),
  };
}

TEST(QuadroSTandSV, RecordsLaidOutByHandForEveryRowRule) {
  Installation inst;
  buildBureau(inst);
  for (const bool balance : {true, false}) {
    SCOPED_TRACE(balance ? "3847 balance marked" : "3847 balance not marked");
    LoadedApp a(inst);
    a.selectAll();
    a.app->form.Check3 = balance ? 1 : 0;
    std::vector<WrittenFile> written;
    ASSERT_EQ(CMDAVVIO_Click(*a.app, &written), RunOutcome::Done) << a.transcript();
    expectRecords(readBytes(inst.archive("QUADST.V24")), expectedST(), 190, "QUADST.V24");
    expectRecords(readBytes(inst.archive("QUADSV.V24")), expectedSV(balance), 189, "QUADSV.V24");
    ASSERT_EQ(written.size(), 5u);
    EXPECT_EQ(written[2].records, 16u);
    EXPECT_EQ(written[3].records, 8u);
    if (!balance) continue;
    const std::vector<std::string> captions = progressOf(a, "Label2");
    for (const char* q : {"ST", "SV"})
      for (const char* line : {"001 ALFA SPA", "002 BETA SRL", "003 GAMMA SNC", "004 DELTA SAS"}) {
        const std::string text = std::string("Acquisizione quadro ") + q + " azienda " + line +
                                 " in corso ... Attendere prego";
        EXPECT_NE(std::find(captions.begin(), captions.end(), text), captions.end()) << text;
      }
    EXPECT_TRUE(inst.leftovers().empty());
  }
}

// The whole demo bureau: every file whole, every record of a selected company, and the
// progressives counting 0001, 0002, ... within each run of equal leading keys.
TEST(QuadroSTandSV, TheDemoBureausExportIsConsistent) {
  Installation inst(demo::Options{});
  LoadedApp a(inst);
  a.selectAll();
  std::vector<WrittenFile> written;
  ASSERT_EQ(CMDAVVIO_Click(*a.app, &written), RunOutcome::Done) << a.transcript();
  ASSERT_EQ(written.size(), 5u);
  std::set<std::string> companies;
  for (int c : inst.summary.companies) companies.insert(std::string(c < 10 ? "00" : c < 100 ? "0" : "") + std::to_string(c));
  struct Quadro {
    const char* name;
    std::size_t length, key;
  };
  for (const Quadro q : {Quadro{"QUADST.V24", 190, 36}, Quadro{"QUADSV.V24", 189, 35}}) {
    SCOPED_TRACE(q.name);
    const std::string bytes = readBytes(inst.archive(q.name));
    ASSERT_GT(bytes.size(), 0u);
    ASSERT_EQ(bytes.size() % q.length, 0u);
    std::string previousKey;
    int expected = 0;
    std::set<std::string> seen;
    std::size_t selfEmployment = 0;
    for (std::size_t at = 0; at < bytes.size(); at += q.length) {
      const std::string r = bytes.substr(at, q.length);
      const std::string key = r.substr(0, q.key);
      const std::size_t recordNumber = at / q.length + 1;
      // ST records with a blank at 136 are the self-employment lines: all after the F24 ones,
      // each numbered by its own record number.
      const bool appended = q.length == 190 && r[135] == ' ';
      if (appended) {
        ++selfEmployment;
      } else {
        ASSERT_EQ(selfEmployment, 0u) << "an F24 record after the self-employment lines";
      }
      expected = key == previousKey ? expected + 1 : 1;
      previousKey = key;
      char number[8];
      std::snprintf(number, sizeof number, "%04d",
                    static_cast<int>((appended ? recordNumber : expected) % 10000));
      ASSERT_EQ(r.substr(q.key, 4), number) << "record " << recordNumber;
      EXPECT_TRUE(companies.count(r.substr(0, 3))) << r.substr(0, 3);
      seen.insert(r.substr(0, 3));
      // The self-employment period comes from the certification row as it stands.
      if (!appended) {
        EXPECT_EQ(r.substr(q.key + 4, 4), "2023") << "record " << recordNumber;
      }
      EXPECT_NE(r.substr(3, 16), std::string(16, ' '));
    }
    EXPECT_GE(seen.size(), 2u);
    if (q.length == 190) {
      EXPECT_GT(selfEmployment, 0u);
    }
  }
  EXPECT_EQ(written[2].records * 190, readBytes(inst.archive("QUADST.V24")).size());
  EXPECT_EQ(written[3].records * 189, readBytes(inst.archive("QUADSV.V24")).size());

  // A second run over the same archives writes the same five files, byte for byte: nothing
  // of the first run (temporaries, appended rows, numbering) leaks into the next.
  std::vector<std::string> first;
  for (const WrittenFile& w : written) first.push_back(readBytes(w.name));
  a.app.reset();  // the installation is one program's at a time
  LoadedApp again(inst);
  again.selectAll();
  std::vector<WrittenFile> rewritten;
  ASSERT_EQ(CMDAVVIO_Click(*again.app, &rewritten), RunOutcome::Done) << again.transcript();
  ASSERT_EQ(rewritten.size(), written.size());
  for (std::size_t i = 0; i < written.size(); ++i) {
    EXPECT_EQ(rewritten[i].name, written[i].name);
    EXPECT_EQ(rewritten[i].records, written[i].records) << written[i].name;
    EXPECT_TRUE(readBytes(rewritten[i].name) == first[i]) << written[i].name;
  }
  EXPECT_TRUE(inst.leftovers().empty());
}

}  // namespace
}  // namespace zr::exporttest

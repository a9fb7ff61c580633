// The self-employment lines that the run appends to the quadro ST file from QUADROCU4, compared
// byte for byte with records laid out by hand, and the failures that stop the run instead of
// losing payments.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "export/installation.h"
#include "repository/descriptors.h"

namespace zr::exporttest {
namespace {

using platform::Value;

const std::string kAlfaCode = "LFAXXX80A01H501U";
const std::string kBetaCode = "01234567890     ";  // VAT number, no fiscal code
const std::string kCompanyPayee = "0000000000";

std::string amt(const std::string& text) {
  return std::string(14 - text.size(), ' ') + text;
}

std::string two(int n) {
  return std::string(n < 10 ? "0" : "") + std::to_string(n);
}

std::string four(int n) {
  std::string s = std::to_string(n);
  return std::string(4 - s.size(), '0') + s;
}

// An F24 Erario record of quadro ST, from the record table.
std::string f24Record(const std::string& progressive, int month, const std::string& paid) {
  Rec r(190);
  r.at(1, "001").at(4, kAlfaCode).at(20, kAlfaCode).at(36, "0").at(37, progressive);
  r.at(41, "2023" + two(month)).at(47, amt(paid)).at(61, amt("0,00")).at(75, amt("0,00"));
  r.at(89, amt(paid)).at(103, amt("0,00")).at(129, "0").at(130, "1001").at(136, "0");
  r.at(139, "2023" + two(month) + "16").at(147, "0").at(148, amt("0,00"));
  r.at(162, amt("0,00")).at(177, amt("0,00"));
  return r.str();
}

// A self-employment record: blank at 136, its own progressive, the date blank when not given.
struct Auto {
  std::string company, declarant, substitute, progressive, period, amount, note, code, date;
  std::string str() const {
    Rec r(190);
    r.at(1, company).at(4, declarant).at(20, substitute).at(36, "0").at(37, progressive);
    r.at(41, period).at(47, amt(amount)).at(61, amt("0,00")).at(75, amt("0,00"));
    r.at(89, amt(amount)).at(103, amt("0,00")).at(117, note).at(129, "0").at(130, code);
    r.at(139, date).at(147, "0").at(148, amt("0,00")).at(162, amt("0,00"));
    r.at(177, amt("0,00"));
    return r.str();
  }
};

// 001 pays 57 Erario rows through its F24 (20 in January, 20 in February, 17 in March); 002,
// presented by 001, has no F24 at all; 003 has no self-employment rows.
void buildBureau(Installation& inst) {
  auto& b = inst.builder;
  b.putCompany(company(1, {{"T002", "ALFA SPA"}, {"T012", kAlfaCode}}));
  b.putCompany(company(2, {{"T002", "BETA SRL"}, {"T013", "01234567890"}, {"T326", "1"}}));
  b.putCompany(company(3, {{"T002", "GAMMA SNC"}, {"T012", "GMMGMM70B02F205Z"}}));
  b.putCompany(company(4, {{"T002", "DELTA SAS"}, {"T012", "DLTDLT60C03L219Y"}}));
  for (int month = 1; month <= 3; ++month) {
    demo::F24Record f;
    f.company = 1;
    f.year = 2023;
    f.month = month;
    f.fields.push_back({"F24X$,00034,08,A,0,A003", "160" + std::to_string(month) + "2023", 0});
    for (int k = 1; k <= (month == 3 ? 17 : 20); ++k) {
      f.fields.push_back({std::string(desc::erarioCode), "1001", k});
      f.fields.push_back({std::string(desc::erarioDebit), std::to_string(k), k});
    }
    b.putF24(f);
  }
  // Stored out of SEQ order on purpose.
  b.addCertificationRows(
      "QUADROCU4",
      {
          {{"CODAZI", "001"}, {"CODIP", kCompanyPayee}, {"SEQ", 5.0}, {"CU4_24", "NOTA LUNGA OLTRE"},
           {"CU4_25", "2023O416"}, {"CU4_26", "1038"}, {"CU4_27", -15.25},
           {"CU4_28", " 202311 "}},
          {{"CODAZI", "001"}, {"CODIP", kCompanyPayee}, {"SEQ", 1.0}, {"CU4_24", " S"},
           {"CU4_25", "20230416"}, {"CU4_26", "1040"}, {"CU4_27", 1200.5},
           {"CU4_28", "202303"}},
          {{"CODAZI", "001"}, {"CODIP", kCompanyPayee}, {"SEQ", 4.0}, {"CU4_25", ""},
           {"CU4_26", " 104"}, {"CU4_27", 80.0}, {"CU4_28", "20235"}},
          {{"CODAZI", "001"}, {"CODIP", kCompanyPayee}, {"SEQ", 2.0}, {"CU4_25", "20230516"},
           {"CU4_26", "1040"}, {"CU4_27", 0.0}, {"CU4_28", "202304"}},   // nothing paid
          {{"CODAZI", "001"}, {"CODIP", kCompanyPayee}, {"SEQ", 3.0}, {"CU4_25", "20230516"},
           {"CU4_26", "1040"}, {"CU4_27", Value()}, {"CU4_28", "202304"}},  // Null: none
          {{"CODAZI", "001"}, {"CODIP", kCompanyPayee}, {"SEQ", 6.0}, {"CU4_25", "160423"},
           {"CU4_26", "1040"}, {"CU4_27", "33.3"}, {"CU4_28", "202304"}},
          // A payee's own certification, not the company's payment.
          {{"CODAZI", "001"}, {"CODIP", "0010000001"}, {"SEQ", 1.0}, {"CU4_26", "1001"},
           {"CU4_27", 999.0}, {"CU4_28", "202312"}},
          {{"CODAZI", "002"}, {"CODIP", kCompanyPayee}, {"SEQ", 1.0}, {"CU4_25", "20240116"},
           {"CU4_26", "1040"}, {"CU4_27", 300.0}, {"CU4_28", "202312"}},
          // 004 is not selected.
          {{"CODAZI", "004"}, {"CODIP", kCompanyPayee}, {"SEQ", 1.0}, {"CU4_25", "20240116"},
           {"CU4_26", "1040"}, {"CU4_27", 7.0}, {"CU4_28", "202312"}},
      });
  b.close();
}

// The certification database's key read backwards: a query that relied on the key's order
// instead of asking for SEQ order would get the rows last to first.
void keyInDescendingSeq(Installation& inst) {
  sqlite3* h = nullptr;
  ASSERT_EQ(sqlite3_open(inst.archive("TRCER24P.MDB").string().c_str(), &h), SQLITE_OK);
  char* err = nullptr;
  const int rc = sqlite3_exec(h,
                              "DROP INDEX QUADROCU4_CHIAVE; CREATE UNIQUE INDEX QUADROCU4_CHIAVE "
                              "ON QUADROCU4 (CODAZI, CODIP, SEQ DESC)",
                              nullptr, nullptr, &err);
  EXPECT_EQ(rc, SQLITE_OK) << (err ? err : "");
  sqlite3_free(err);
  sqlite3_close(h);
}

std::vector<std::string> f24Records() {
  std::vector<std::string> records;
  int n = 0;
  for (int month = 1; month <= 3; ++month)
    for (int k = 1; k <= (month == 3 ? 17 : 20); ++k)
      records.push_back(f24Record(four(++n), month, std::to_string(k) + ",00"));
  return records;
}

std::vector<std::string> withSelfEmployment() {
  std::vector<std::string> records = f24Records();
  const std::string& a = kAlfaCode;
  const std::string blankDate(8, ' ');
  for (const Auto& r : {
           Auto{"001", a, a, "0058", "202303", "1200,50", "S", "1040", "20230416"},
           Auto{"001", a, a, "0059", "020235", "80,00", "", "104 ", blankDate},
           Auto{"001", a, a, "0060", "202311", "-15,25", "NOTA LUNGA ", "1038", blankDate},
           Auto{"001", a, a, "0061", "202304", "33,30", "", "1040", "00160423"},
           Auto{"002", a, kBetaCode, "0062", "202312", "300,00", "", "1040", "20240116"},
       })
    records.push_back(r.str());
  return records;
}

bool showed(const LoadedApp& a, const std::string& text) {
  const auto captions = progressOf(a, "Label2");
  return std::find(captions.begin(), captions.end(), text) != captions.end();
}

TEST(QuadroSTSelfEmployment, AppendedAfterTheF24RecordsOnlyWithTheOption) {
  Installation inst;
  buildBureau(inst);
  keyInDescendingSeq(inst);
  for (const int option : {1, 0}) {
    SCOPED_TRACE(option == 1 ? "with the option" : "without the option");
    LoadedApp a(inst);
    a.select({1, 2, 3});
    a.app->form.Check1 = option;
    std::vector<WrittenFile> written;
    ASSERT_EQ(CMDAVVIO_Click(*a.app, &written), RunOutcome::Done) << a.transcript();
    const std::string st = readBytes(inst.archive("QUADST.V24"));
    expectRecords(st, option == 1 ? withSelfEmployment() : f24Records(), 190, "QUADST.V24");
    ASSERT_EQ(written.size(), 5u);
    EXPECT_EQ(written[2].records, option == 1 ? 62u : 57u);
    for (const char* line : {"001 ALFA SPA", "002 BETA SRL", "003 GAMMA SNC"}) {
      const std::string caption =
          std::string("Quadro ST lavoro autonomo ") + line + " in corso ... Attendere prego";
      EXPECT_EQ(showed(a, caption), option == 1) << caption;
    }
    EXPECT_FALSE(showed(a, "Quadro ST lavoro autonomo 004 DELTA SAS in corso ... Attendere prego"));
    EXPECT_TRUE(inst.leftovers().empty());
  }
}

// A company record that vanished after the list was loaded: the message, then the run fails
// and the previous files stay, but only for a company that has payments to append.
TEST(QuadroSTSelfEmployment, AVanishedCompanyWithPaymentsFailsTheRun) {
  Installation inst;
  buildBureau(inst);
  {
    LoadedApp first(inst);
    first.select({1, 2, 3});
    ASSERT_EQ(CMDAVVIO_Click(*first.app), RunOutcome::Done) << first.transcript();
  }
  const std::string st = readBytes(inst.archive("QUADST.V24"));
  ASSERT_EQ(st.size(), 62u * 190);

  {
    // 003 has no rows: its void record is no loss.
    LoadedApp a(inst);
    a.select({1, 2, 3});
    demo::CompanyRecord gone = company(3, {{"T002", "GAMMA SNC"}});
    gone.voidRecord = true;
    inst.builder.putCompany(gone);
    inst.builder.close();
    ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done) << a.transcript();
    for (const auto& d : a.dialogs()) EXPECT_EQ(d.text.find("NON ESISTE"), std::string::npos);
    EXPECT_EQ(readBytes(inst.archive("QUADST.V24")), st);
  }
  const std::string front = readBytes(inst.archive("FRONTE.V24"));  // without 003 now

  LoadedApp a(inst);
  a.select({1, 2});
  demo::CompanyRecord gone = company(2, {{"T002", "BETA SRL"}, {"T326", "1"}});
  gone.voidRecord = true;
  inst.builder.putCompany(gone);
  inst.builder.close();
  EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
  const auto d = a.dialogs();
  ASSERT_GE(d.size(), 2u) << a.transcript();
  EXPECT_EQ(d[d.size() - 2].text, "LA DITTA 002NON ESISTE !");
  EXPECT_EQ(d.back().icon, platform::Icon::Critical);
  for (const char* part : {"NON ESEGUITA", "lavoro autonomo", "Azienda: 002 BETA SRL", "002"})
    EXPECT_NE(d.back().text.find(part), std::string::npos) << part << " in " << d.back().text;
  for (const auto& e : d) EXPECT_EQ(e.text.find("terminata"), std::string::npos);
  EXPECT_EQ(readBytes(inst.archive("QUADST.V24")), st);
  EXPECT_EQ(readBytes(inst.archive("FRONTE.V24")), front);
  EXPECT_TRUE(inst.leftovers().empty());
}

TEST(QuadroSTSelfEmployment, AnAmountThatIsNotANumberFailsTheRunNamingWhereItLies) {
  Installation inst;
  buildBureau(inst);
  {
    LoadedApp first(inst);
    first.select({1, 2});
    ASSERT_EQ(CMDAVVIO_Click(*first.app), RunOutcome::Done) << first.transcript();
  }
  const std::string st = readBytes(inst.archive("QUADST.V24"));
  inst.builder.addCertificationRow("QUADROCU4", {{"CODAZI", "002"},
                                                 {"CODIP", kCompanyPayee},
                                                 {"SEQ", 7.0},
                                                 {"CU4_26", "1040"},
                                                 {"CU4_27", "12,5O"},
                                                 {"CU4_28", "202312"}});
  inst.builder.close();
  LoadedApp a(inst);
  a.select({1, 2});
  EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
  const std::string said = a.dialogs().back().text;
  for (const char* part : {"CU4_27", "QUADROCU4", "TRCER24P.MDB", "ditta 002", "riga 7",
                           "12,5O", "lavoro autonomo", "Azienda: 002 BETA SRL"})
    EXPECT_NE(said.find(part), std::string::npos) << part << " in " << said;
  EXPECT_EQ(readBytes(inst.archive("QUADST.V24")), st);
  EXPECT_TRUE(inst.leftovers().empty());
}

}  // namespace
}  // namespace zr::exporttest

// What the demo bureau holds for the SX totals, read back through the archive library and the
// databases: credits of every summed code in the F24 rows and the 2023 tables, a company with
// nothing at all, an employee index of several leaves with adjacent companies, and
// certification rows with Nulls and odd values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "archive/isam.h"
#include "builder.h"
#include "platform/database.h"
#include "reader.h"
#include "repository/descriptors.h"
#include "support/tempdir.h"

namespace zr {
namespace {

using demo::CertificationCase;
using demo::DemoCase;
using demo::F24Key;
using platform::Value;
using testing::Installation;
using testing::TempDir;

constexpr std::string_view kEmployeeCode = "DIPX$,00003,10,A,0,P001";
constexpr std::string_view kTenthLocalCode = "F24X$,05749,05,A,0,A732";

std::string zeroFilled(int n, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", width, n);
  return text;
}

std::string keyText(const F24Key& k) {
  return zeroFilled(k.company, 3) + zeroFilled(k.year, 4) + zeroFilled(k.month, 2);
}

// A credit row of an F24 record: section ('E', 'R', 'L'), code, paid and credit in cents.
struct Credit {
  char section;
  std::string code;
  long long paid, credit;
};

class SxDemo : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    summary_ = new demo::DemoSummary(demo::buildDemo(dir_->str(), {}));
  }
  static void TearDownTestSuite() {
    delete summary_;
    delete dir_;
  }

  void SetUp() override {
    in_ = std::make_unique<Installation>(dir_->str());
    for (int base : {1, 29, 30, 377, 378}) in_->lib->FAIOPEN(base);
    engine_ = platform::makeDatabaseEngine(*in_->files);
  }

  const demo::DemoSummary& summary() const { return *summary_; }
  Repository& repo() { return *in_->repo; }

  std::unique_ptr<platform::Database> database(const std::string& name) {
    return engine_->open(in_->config.PERCORSOARCHIVI + "\\" + name);
  }

  std::string text(std::string_view d, int k, const std::string& record) {
    return Installation::trim(repo().STRCOSTANTE(d, static_cast<std::int16_t>(k), record));
  }
  long long cents(std::string_view d, int k, const std::string& record) {
    return std::llround(repo().VALCOSTANTE(d, static_cast<std::int16_t>(k), record) * 100);
  }

  // The indexed record of a key; "" when absent.
  std::string f24(const std::string& key) {
    const double r = CERCAISAM(*in_->lib, 378, key, 2, 0);
    return r > 0 ? in_->record(377, r) : "";
  }

  std::vector<Credit> rows(const std::string& record) {
    using desc::RegionField;
    std::vector<Credit> out;
    for (int i = 1; i <= 20; ++i)
      out.push_back({'E', text(desc::A004, i, record), cents(desc::A006, i, record),
                     cents(desc::A007, i, record)});
    for (int b = 0; b < 21; ++b)
      for (int k = 1; k <= 4; ++k)
        out.push_back({'R', text(desc::regionField(RegionField::Code, b), k, record),
                       cents(desc::regionField(RegionField::Debit, b), k, record),
                       cents(desc::regionField(RegionField::Credit, b), k, record)});
    for (const auto& f : desc::kLocalRows)
      out.push_back(
          {'L', text(f.code, 0, record), cents(f.debit, 0, record), cents(f.credit, 0, record)});
    std::erase_if(out, [](const Credit& c) { return c.code.empty(); });
    return out;
  }

  // Codes of the rows of a section that carry a credit and nothing paid.
  std::set<std::string> creditCodes(const std::string& record, char section) {
    std::set<std::string> out;
    for (const Credit& c : rows(record))
      if (c.section == section && c.credit > 0 && c.paid == 0) out.insert(c.code);
    return out;
  }

  F24Key caseKey(DemoCase c) {
    EXPECT_TRUE(summary().cases.count(c)) << static_cast<int>(c);
    return summary().cases.count(c) ? summary().cases.at(c) : F24Key{};
  }
  int certificationCompany(CertificationCase c) {
    EXPECT_TRUE(summary().certificationCases.count(c)) << static_cast<int>(c);
    return summary().certificationCases.count(c) ? summary().certificationCases.at(c) : 0;
  }

  // The employee walk: from company + "0000000" through next keys, each from the code of the
  // employee just read, until a code of another company (returned in `stop`) or the end.
  std::vector<std::string> walkEmployees(int company, std::string* stop = nullptr) {
    const std::string prefix = zeroFilled(company, 3);
    std::string key = prefix + "0000000";
    std::vector<std::string> codes;
    for (int guard = 0; guard < 100000; ++guard) {
      const double r = CERCAISAM(*in_->lib, 30, key, 4, 0);
      EXPECT_GT(r, 0) << key;
      if (r == 999999 || r <= 0) break;
      const std::string code = text(kEmployeeCode, 0, in_->record(29, r));
      EXPECT_GT(code, key);
      if (code.substr(0, 3) != prefix) {
        if (stop) *stop = code;
        break;
      }
      codes.push_back(key = code);
    }
    return codes;
  }

  static TempDir* dir_;
  static demo::DemoSummary* summary_;
  std::unique_ptr<Installation> in_;
  std::unique_ptr<platform::DatabaseEngine> engine_;
};

TempDir* SxDemo::dir_ = nullptr;
demo::DemoSummary* SxDemo::summary_ = nullptr;

TEST_F(SxDemo, CreditsOfEverySummedCodeInTheRowsAndInThe2023Tables) {
  // The archive rows of one 2023 record.
  const F24Key inRows = caseKey(DemoCase::CreditsInRows);
  EXPECT_EQ(inRows.year, 2023);
  const std::string record = f24(keyText(inRows));
  ASSERT_FALSE(record.empty());
  const auto erario = creditCodes(record, 'E');
  for (const char* code : {"1627", "1631", "1633", "1701"}) EXPECT_TRUE(erario.count(code)) << code;
  const auto regions = creditCodes(record, 'R');
  for (const char* code : {"1669", "3796"}) EXPECT_TRUE(regions.count(code)) << code;
  const auto local = creditCodes(record, 'L');
  for (const char* code : {"1671", "3797"}) EXPECT_TRUE(local.count(code)) << code;

  // January 2024.
  const F24Key january = caseKey(DemoCase::Credit6781);
  EXPECT_EQ(january.year * 100 + january.month, 202401);
  EXPECT_TRUE(creditCodes(f24(keyText(january)), 'E').count("6781"));

  // The 2023 database: regional rows and local-tax rows beyond a full record.
  const F24Key inTables = caseKey(DemoCase::CreditsInTables);
  EXPECT_EQ(inTables.year, 2023);
  const std::string full = f24(keyText(inTables));
  ASSERT_FALSE(full.empty());
  EXPECT_NE(text(kTenthLocalCode, 0, full), "");
  auto db = database("SF242023.MDB");
  const std::vector<Value> key = {Value(zeroFilled(inTables.company, 3)),
                                  Value(keyText(inTables).substr(3))};
  std::map<std::string, double> regional, beyond;
  for (auto rs = db->query("SELECT * FROM F24REGIONI WHERE KDITTA = ? AND KPERIODO = ?", key);
       !rs->eof(); rs->moveNext())
    regional[rs->field("F24REG_1").asText()] += rs->field("F24REG_5").asNumber();
  for (auto rs = db->query("SELECT * FROM F24ENTILOCICI WHERE KDITTA = ? AND KPERIODO = ?", key);
       !rs->eof(); rs->moveNext()) {
    EXPECT_GE(rs->field("KRIGO").asNumber(), 11);
    beyond[rs->field("F24ELI_7").asText()] += rs->field("F24ELI_11").asNumber();
  }
  for (const char* code : {"1669", "3796"}) EXPECT_GT(regional[code], 0) << code;
  for (const char* code : {"1671", "3797"}) EXPECT_GT(beyond[code], 0) << code;

  // The table rows count only with a release above 0.
  auto release = db->openTable("RELEASE");
  ASSERT_FALSE(release->eof());
  EXPECT_GT(release->field("release").asNumber(), 0);
}

TEST_F(SxDemo, ACompanyWithoutF24EmployeesOrCertifications) {
  ASSERT_EQ(summary().withoutF24.size(), 1u);
  const int none = summary().withoutF24.front();
  EXPECT_EQ(summary().withoutEmployees, std::vector<int>{none});
  EXPECT_EQ(summary().withoutCertifications, std::vector<int>{none});
  EXPECT_NE(in_->record(1, none).substr(0, 2), "99");

  const std::string code = zeroFilled(none, 3);
  std::string stop;
  EXPECT_TRUE(walkEmployees(none, &stop).empty());
  const double f24Next = CERCAISAM(*in_->lib, 378, code + "000000", 4, 0);
  ASSERT_GT(f24Next, 0);
  if (f24Next != 999999) {
    EXPECT_NE(text(desc::A001, 0, in_->record(377, f24Next)), std::to_string(none));
  }
  auto db = database("TRCER24P.MDB");
  for (const char* table : {"FRONTESPIZIO", "PERCETTORI", "PERCPARCELLE", "QUADROCU1", "QUADROCU2",
                            "QUADROCU3", "QUADROCU4", "QUADROCU5", "QUADROCU6"}) {
    auto rs = db->query(std::string("SELECT * FROM ") + table + " WHERE CODAZI = ?", {code});
    EXPECT_TRUE(rs->eof()) << table;
  }
  // The other companies do have employees and certifications.
  for (int c : summary().companies) {
    if (c == none) continue;
    EXPECT_FALSE(walkEmployees(c).empty()) << c;
    EXPECT_FALSE(db->query("SELECT * FROM FRONTESPIZIO WHERE CODAZI = ?", {zeroFilled(c, 3)})
                     ->eof())
        << c;
  }
}

TEST_F(SxDemo, EmployeeIndexOfSeveralLeavesAndNeighbouringCompanies) {
  const int many = summary().manyEmployees;
  ASSERT_NE(many, 0);
  std::string stop;
  const auto walked = walkEmployees(many, &stop);
  EXPECT_GT(walked.size(), static_cast<std::size_t>(kIsamEntries));
  // Every employee record of the company is met once, and the archive holds them out of order.
  std::vector<std::string> onFile;
  for (double r = 1;; ++r) {
    const std::string record = in_->record(29, r);
    if (record.empty()) break;
    const std::string code = text(kEmployeeCode, 0, record);
    if (code.substr(0, 3) == zeroFilled(many, 3)) onFile.push_back(code);
  }
  EXPECT_EQ(onFile.size(), walked.size());
  EXPECT_EQ(std::set<std::string>(onFile.begin(), onFile.end()),
            std::set<std::string>(walked.begin(), walked.end()));
  EXPECT_FALSE(std::is_sorted(onFile.begin(), onFile.end()));
  EXPECT_EQ(stop.substr(0, 3), zeroFilled(many + 1, 3));

  // The last code of one company and the first of the next are adjacent keys.
  ASSERT_EQ(summary().neighbourEmployees.size(), 2u);
  const std::string last = summary().neighbourEmployees[0];
  const std::string first = summary().neighbourEmployees[1];
  EXPECT_EQ(last.substr(3), "9999999");
  EXPECT_EQ(first.substr(3), "0000001");
  EXPECT_EQ(std::stoi(first.substr(0, 3)), std::stoi(last.substr(0, 3)) + 1);
  std::string after;
  const auto lowWalk = walkEmployees(std::stoi(last.substr(0, 3)), &after);
  ASSERT_FALSE(lowWalk.empty());
  EXPECT_EQ(lowWalk.back(), last);
  EXPECT_EQ(after, first);
  const auto highWalk = walkEmployees(std::stoi(first.substr(0, 3)));
  ASSERT_FALSE(highWalk.empty());
  EXPECT_EQ(highWalk.front(), first);
}

TEST_F(SxDemo, QuadroCu1WithNullsAndBelowThe1701Credits) {
  auto db = database("TRCER24P.MDB");
  const char* const columns[] = {"CU1_55", "CU1_61", "CU1_73", "CU1_94", "CU1_96", "CU1_104"};
  {
    const std::string code = zeroFilled(certificationCompany(CertificationCase::Cu1Nulls), 3);
    std::map<std::string, int> nulls, numbers;
    for (auto rs = db->query("SELECT * FROM QUADROCU1 WHERE CODAZI = ? ORDER BY SEQ", {code});
         !rs->eof(); rs->moveNext())
      for (const char* c : columns) ++(rs->field(c).isNull() ? nulls : numbers)[c];
    for (const char* c : columns) {
      EXPECT_GT(nulls[c], 0) << c;
      EXPECT_GT(numbers[c], 0) << c;
    }
  }

  // The 1701 credits of 2023 as the months' records give them, against the certified sum.
  const int company = certificationCompany(CertificationCase::Cu1Below1701);
  long long credits1701 = 0;
  for (int m = 1; m <= 12; ++m) {
    const std::string record = f24(keyText({company, 2023, m}));
    if (record.empty()) continue;
    for (const Credit& c : rows(record))
      if (c.section == 'E' && c.code == "1701") credits1701 += c.credit;
  }
  long long certified = 0;
  int cu1 = 0;
  for (auto rs = db->query("SELECT * FROM QUADROCU1 WHERE CODAZI = ?", {zeroFilled(company, 3)});
       !rs->eof(); rs->moveNext(), ++cu1)
    for (const char* c : {"CU1_94", "CU1_96", "CU1_104"})
      certified += std::llround(rs->field(c).asNumber() * 100);
  EXPECT_GT(cu1, 0);
  EXPECT_GT(credits1701, certified);
}

TEST_F(SxDemo, QuadroCu4RowsOutOfOrderWithOddValues) {
  auto db = database("TRCER24P.MDB");
  const std::string own = "0000000000";
  {
    const std::string code =
        zeroFilled(certificationCompany(CertificationCase::Cu4EmployeesOnly), 3);
    int rows = 0;
    for (auto rs = db->query("SELECT * FROM QUADROCU4 WHERE CODAZI = ?", {code}); !rs->eof();
         rs->moveNext(), ++rows)
      EXPECT_NE(rs->field("CODIP").asText(), own);
    EXPECT_GT(rows, 0);
  }

  for (CertificationCase c :
       {CertificationCase::Cu4ZeroAmount, CertificationCase::Cu4FiveDigitPeriod,
        CertificationCase::Cu4EmptyDate, CertificationCase::Cu4TextDate}) {
    EXPECT_EQ(certificationCompany(c), certificationCompany(CertificationCase::Cu4OutOfOrder));
  }
  const std::string code = zeroFilled(certificationCompany(CertificationCase::Cu4OutOfOrder), 3);
  std::vector<double> seq;
  int zero = 0, fiveDigits = 0, emptyDate = 0, textDate = 0, paid = 0;
  // In the order the rows were stored.
  for (auto rs = db->query(
           "SELECT * FROM QUADROCU4 WHERE CODAZI = ? AND CODIP = ? ORDER BY rowid", {code, own});
       !rs->eof(); rs->moveNext()) {
    seq.push_back(rs->field("SEQ").asNumber());
    const Value amount = rs->field("CU4_27");
    ASSERT_TRUE(amount.isNumber());
    (amount.asNumber() == 0 ? zero : paid) += 1;
    fiveDigits += Installation::trim(rs->field("CU4_28").asText()).size() == 5;
    const std::string date = Installation::trim(rs->field("CU4_25").asText());
    if (date.empty()) {
      ++emptyDate;
    } else if (date.find_first_not_of("0123456789") != std::string::npos) {
      ++textDate;
    }
  }
  EXPECT_FALSE(std::is_sorted(seq.begin(), seq.end()));
  EXPECT_GT(zero, 0);
  EXPECT_GT(paid, 0);
  EXPECT_GT(fiveDigits, 0);
  EXPECT_GT(emptyDate, 0);
  EXPECT_GT(textDate, 0);
}

// The cases stay with other seeds; a small bureau keeps those its companies leave room for.
TEST(SxDemoShapes, OtherSeedsSmallBureausAndNoEmployees) {
  {
    TempDir dir;
    const auto s = demo::buildDemo(dir.str(), {.companies = 8, .employees = 1, .seed = 31});
    EXPECT_EQ(s.certificationCases.size(), 8u);
    EXPECT_NE(s.manyEmployees, 0);
    EXPECT_EQ(s.neighbourEmployees.size(), 2u);
    Installation in(dir.str());
    in.lib->FAIOPEN(29);
    int records = 0;
    while (!in.record(29, records + 1).empty()) ++records;
    EXPECT_EQ(records, s.employees);
    EXPECT_GT(records, kIsamEntries);
  }
  {
    TempDir dir;
    const auto s = demo::buildDemo(dir.str(), {.companies = 2, .employees = 2, .seed = 1});
    EXPECT_EQ(s.manyEmployees, s.companies.at(1));
    EXPECT_TRUE(s.neighbourEmployees.empty());
    EXPECT_TRUE(s.withoutEmployees.empty());
    EXPECT_EQ(s.certificationCases.size(), 1u);
    EXPECT_TRUE(s.certificationCases.count(CertificationCase::Cu1Nulls));
  }
  {
    TempDir dir;
    const auto s = demo::buildDemo(dir.str(), {.companies = 8, .employees = 0, .seed = 1});
    EXPECT_EQ(s.employees, 0);
    EXPECT_EQ(s.manyEmployees, 0);
    EXPECT_TRUE(s.neighbourEmployees.empty());
    EXPECT_FALSE(s.certificationCases.count(CertificationCase::Cu4EmployeesOnly));
  }
}

}  // namespace
}  // namespace zr

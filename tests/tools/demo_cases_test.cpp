// The demo bureau holds every kind of F24 payment the quadro producers tell apart: each case the
// summary names is read back through the archive library and the yearly databases and must
// show what it claims, and the demo's export runs through.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "archive/isam.h"
#include "builder.h"
#include "platform/database.h"
#include "reader.h"
#include "repository/descriptors.h"
#include "support/cli.h"
#include "support/tempdir.h"

namespace zr {
namespace {

using demo::DemoCase;
using demo::F24Key;
using testing::Installation;
using testing::TempDir;

std::string keyText(const F24Key& k) {
  char text[16];
  std::snprintf(text, sizeof text, "%03d%04d%02d", k.company, k.year, k.month);
  return text;
}

std::string period(const F24Key& k) {
  return keyText(k).substr(3);
}

// One payment row of an F24 record, amounts in cents.
struct Row {
  char section;  // 'E' Erario, 'R' Regioni, 'L' local taxes
  int place;     // Erario row, region row 4*(block)+k, local row
  std::string code;
  long long paid = 0, credit = 0;
  std::array<long long, 3> complementary{};
  bool negative() const {
    return paid < 0 || credit < 0 || complementary[0] < 0 || complementary[1] < 0 ||
           complementary[2] < 0;
  }
};

class Demo : public ::testing::Test {
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
    for (int base : {1, 377, 378}) in_->lib->FAIOPEN(base);
  }

  const demo::DemoSummary& summary() const { return *summary_; }
  Repository& repo() { return *in_->repo; }

  long long cents(std::string_view d, int k, const std::string& record) {
    return std::llround(repo().VALCOSTANTE(d, static_cast<std::int16_t>(k), record) * 100);
  }
  std::string text(std::string_view d, int k, const std::string& record) {
    return Installation::trim(repo().STRCOSTANTE(d, static_cast<std::int16_t>(k), record));
  }

  // The record the index gives for a key; "" when the key is absent.
  std::string f24(const std::string& key) {
    const double r = CERCAISAM(*in_->lib, 378, key, 2, 0);
    if (r == -1) return "";
    EXPECT_GT(r, 0) << key;
    const std::string record = in_->record(377, r);
    EXPECT_FALSE(record.empty()) << key << " points past the end";
    EXPECT_NE(record.substr(0, 2), "99") << key << " points at a void record";
    return record;
  }
  std::string f24(const F24Key& k) {
    const std::string record = f24(keyText(k));
    EXPECT_FALSE(record.empty()) << keyText(k) << " is not indexed";
    return record;
  }
  std::string caseRecord(DemoCase c) {
    EXPECT_TRUE(summary().cases.count(c)) << static_cast<int>(c);
    return summary().cases.count(c) ? f24(summary().cases.at(c)) : "";
  }

  // Every non-empty row of the three sections of a record.
  std::vector<Row> rows(const std::string& record) {
    using desc::AmountRun;
    using desc::RegionField;
    std::vector<Row> out;
    for (int i = 1; i <= 20; ++i) {
      Row r{'E', i, text(desc::A004, i, record)};
      r.paid = cents(desc::A006, i, record);
      r.credit = cents(desc::A007, i, record);
      for (int j = 0; j < 3; ++j)
        r.complementary[j] = cents(desc::f24Amount(AmountRun::AA, 3 * (i - 1) + j + 1), 0, record);
      if (!r.code.empty()) out.push_back(r);
    }
    for (int b = 0; b < 21; ++b) {
      for (int k = 1; k <= 4; ++k) {
        Row r{'R', 4 * b + k, text(desc::regionField(RegionField::Code, b), k, record)};
        r.paid = cents(desc::regionField(RegionField::Debit, b), k, record);
        r.credit = cents(desc::regionField(RegionField::Credit, b), k, record);
        for (int j = 0; j < 3; ++j)
          r.complementary[j] = cents(desc::regionAmount(12 * b + 3 * (k - 1) + j + 1), 0, record);
        if (!r.code.empty()) out.push_back(r);
      }
    }
    for (int idx = 1; idx <= 10; ++idx) {
      const auto& f = desc::kLocalRows[idx - 1];
      Row r{'L', idx, text(f.code, 0, record)};
      r.paid = cents(f.debit, 0, record);
      r.credit = cents(f.credit, 0, record);
      for (int j = 0; j < 3; ++j)
        r.complementary[j] =
            cents(desc::f24Amount(AmountRun::AF, 3 * (idx - 1) + j + 1), 0, record);
      if (!r.code.empty()) out.push_back(r);
    }
    return out;
  }

  // The sections of a record in which some row satisfies `p`.
  template <class P>
  std::set<char> sectionsWhere(const std::string& record, P p) {
    std::set<char> s;
    for (const Row& r : rows(record))
      if (p(r)) s.insert(r.section);
    return s;
  }

  // Row numbers (KRIGO) of F24ENTILOCICI for a company and period, with the three
  // complementary columns of each.
  std::map<int, std::array<platform::Value, 3>> tableRows(const F24Key& k) {
    auto engine = platform::makeDatabaseEngine(*in_->files);
    auto db =
        engine->open(in_->config.PERCORSOARCHIVI + "\\SF24" + std::to_string(k.year) + ".MDB");
    auto rs = db->query("SELECT * FROM F24ENTILOCICI WHERE KDITTA = ? AND KPERIODO = ?",
                        {platform::Value(keyText(k).substr(0, 3)), platform::Value(period(k))});
    std::map<int, std::array<platform::Value, 3>> out;
    for (; !rs->eof(); rs->moveNext()) {
      out[static_cast<int>(rs->field("KRIGO").asNumber())] = {
          rs->field("F24ELI_12"), rs->field("F24ELI_13"), rs->field("F24ELI_14")};
    }
    return out;
  }

  bool tenLocalRows(const std::string& record) {
    int n = 0;
    for (const Row& r : rows(record)) n += r.section == 'L';
    return n == 10;
  }

  static TempDir* dir_;
  static demo::DemoSummary* summary_;
  std::unique_ptr<Installation> in_;
};

TempDir* Demo::dir_ = nullptr;
demo::DemoSummary* Demo::summary_ = nullptr;

const std::set<char> kAllSections = {'E', 'R', 'L'};

TEST_F(Demo, AmountsOfEveryKindInEachSection) {
  // Amounts 2 and 3 beside amount 1.
  EXPECT_EQ(sectionsWhere(caseRecord(DemoCase::ComplementaryBC),
                          [](const Row& r) {
                            return r.complementary[0] != 0 && r.complementary[1] != 0 &&
                                   r.complementary[2] != 0;
                          }),
            kAllSections);
  // Nothing paid, a withheld amount recorded.
  EXPECT_EQ(sectionsWhere(caseRecord(DemoCase::PaidZero),
                          [](const Row& r) { return r.paid == 0 && r.complementary[0] != 0; }),
            kAllSections);
  EXPECT_EQ(
      sectionsWhere(caseRecord(DemoCase::Negative), [](const Row& r) { return r.negative(); }),
      kAllSections);
  // Amount 1 cancelling the payment: a row whose A + P is 0 although something was paid.
  EXPECT_EQ(sectionsWhere(caseRecord(DemoCase::MinusPaid),
                          [](const Row& r) { return r.paid > 0 && r.complementary[0] == -r.paid; }),
            kAllSections);

  // "1713" rows of January 2024 with a credit: one also paid, one with the credit alone.
  for (DemoCase c : {DemoCase::Credit1713, DemoCase::Credit1713Only}) {
    SCOPED_TRACE(static_cast<int>(c));
    ASSERT_TRUE(summary().cases.count(c));
    const F24Key k = summary().cases.at(c);
    EXPECT_EQ(k.year * 100 + k.month, 202401);
    int found = 0;
    for (const Row& r : rows(f24(k))) {
      if (r.section != 'E' || r.code != "1713") continue;
      ++found;
      EXPECT_GT(r.credit, 0);
      if (c == DemoCase::Credit1713) {
        EXPECT_GT(r.paid, 0);
      } else {
        EXPECT_EQ(r.paid, 0);
        EXPECT_EQ(r.complementary, (std::array<long long, 3>{}));
      }
    }
    EXPECT_EQ(found, 1);
    // The company presents a calendar year: these rows are its only January 2024 ST rows.
    in_->repo->DITX() = in_->record(1, k.company);
    EXPECT_NE(in_->repo->VALCOSTANTE(desc::T596), 1);
  }
}

TEST_F(Demo, PaymentDatesAndPeriodFieldsAsTyped) {
  auto date = [&](DemoCase c) { return repo().STRCOSTANTE(desc::A003, 0, caseRecord(c)); };
  EXPECT_EQ(date(DemoCase::BlankDate), "        ");
  const std::string partly = date(DemoCase::PartlyBlankDate);
  EXPECT_EQ(partly.substr(0, 2), "  ");
  EXPECT_EQ(partly.substr(2).find_first_not_of("0123456789"), std::string::npos) << partly;
  const std::string letters = date(DemoCase::LettersInDate);
  EXPECT_EQ(letters.size(), 8u);
  EXPECT_NE(letters.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos) << letters;
  // Each of them on a record that pays something, so the date is looked at.
  for (DemoCase c : {DemoCase::BlankDate, DemoCase::PartlyBlankDate, DemoCase::LettersInDate}) {
    EXPECT_FALSE(sectionsWhere(caseRecord(c), [](const Row& r) { return r.paid != 0; }).empty());
  }

  // The record period fields: a March record saying January 2023, the January 2023 record
  // saying otherwise; both carry a "1713" row that the check decides about.
  auto periodFields = [&](const std::string& record) {
    return repo().STRCOSTANTE(desc::A568, 0, record) + repo().STRCOSTANTE(desc::A567, 0, record);
  };
  auto has1713 = [&](const std::string& record) {
    return sectionsWhere(record, [](const Row& r) { return r.code == "1713"; }).count('E') == 1;
  };
  ASSERT_TRUE(summary().cases.count(DemoCase::PeriodOfJanuary));
  const F24Key march = summary().cases.at(DemoCase::PeriodOfJanuary);
  EXPECT_EQ(march.year, 2023);
  EXPECT_NE(march.month, 1);
  EXPECT_EQ(periodFields(f24(march)), "012023");
  EXPECT_TRUE(has1713(f24(march)));
  ASSERT_TRUE(summary().cases.count(DemoCase::PeriodOfDecember));
  const F24Key january = summary().cases.at(DemoCase::PeriodOfDecember);
  EXPECT_EQ(january.year * 100 + january.month, 202301);
  EXPECT_NE(periodFields(f24(january)), "012023");
  EXPECT_TRUE(has1713(f24(january)));
  // Other January 2023 records say what their key says.
  int calendarJanuaries = 0;
  for (int code : summary().companies) {
    const std::string r = f24(keyText({code, 2023, 1}));
    if (r.empty() || code == january.company) continue;
    ++calendarJanuaries;
    EXPECT_EQ(periodFields(r), "012023") << code;
  }
  EXPECT_GT(calendarJanuaries, 0);
}

TEST_F(Demo, LocalTaxRowsBeyondTheTenthInTheYearsTable) {
  // Ten rows in the record, none in the table.
  ASSERT_TRUE(summary().cases.count(DemoCase::TenLocalRows));
  const F24Key ten = summary().cases.at(DemoCase::TenLocalRows);
  EXPECT_TRUE(tenLocalRows(f24(ten)));
  EXPECT_TRUE(tableRows(ten).empty());

  // Rows 11 to 13, with the three complementary columns filled in.
  ASSERT_TRUE(summary().cases.count(DemoCase::TableRows));
  const F24Key full = summary().cases.at(DemoCase::TableRows);
  EXPECT_TRUE(tenLocalRows(f24(full)));
  const auto rows = tableRows(full);
  std::set<int> numbers;
  for (const auto& [n, amounts] : rows) {
    numbers.insert(n);
    for (const auto& v : amounts) {
      EXPECT_TRUE(v.isNumber()) << "row " << n;
      if (v.isNumber()) {
        EXPECT_NE(v.asNumber(), 0) << "row " << n;
      }
    }
  }
  EXPECT_EQ(numbers, (std::set<int>{11, 12, 13}));

  // Rows 11 and 13 without 12.
  ASSERT_TRUE(summary().cases.count(DemoCase::TableGap));
  const F24Key gap = summary().cases.at(DemoCase::TableGap);
  EXPECT_TRUE(tenLocalRows(f24(gap)));
  std::set<int> gapNumbers;
  for (const auto& [n, amounts] : tableRows(gap)) gapNumbers.insert(n);
  EXPECT_EQ(gapNumbers, (std::set<int>{11, 13}));
}

TEST_F(Demo, ACompanyWithoutF24AndAShiftedYearOneWithoutJanuary2024) {
  auto shifted = [&](int code) {
    in_->repo->DITX() = in_->record(1, code);
    return in_->repo->VALCOSTANTE(desc::T596) == 1;
  };
  // Every F24 record on file, indexed or not, by its company field.
  std::map<int, std::set<std::string>> periodsOnFile;
  for (double r = 1;; ++r) {
    const std::string record = in_->record(377, r);
    if (record.empty()) break;
    periodsOnFile[std::stoi(repo().STRCOSTANTE(desc::A001, 0, record))].insert(
        repo().STRCOSTANTE(desc::A567, 0, record) + repo().STRCOSTANTE(desc::A568, 0, record));
  }

  ASSERT_EQ(summary().withoutF24.size(), 1u);
  const int none = summary().withoutF24.front();
  EXPECT_EQ(in_->record(1, none).substr(0, 2) != "99", true);
  EXPECT_EQ(periodsOnFile.count(none), 0u);
  // The index's next key after the company's first possible one belongs to another company.
  const std::string first = keyText({none, 0, 0});
  const double next = CERCAISAM(*in_->lib, 378, first, 4, 0);
  ASSERT_GT(next, 0);
  if (next != 999999) {
    EXPECT_GT(repo().STRCOSTANTE(desc::A001, 0, in_->record(377, next)), first.substr(0, 3));
  }

  ASSERT_EQ(summary().withoutNextJanuary.size(), 1u);
  const int noJanuary = summary().withoutNextJanuary.front();
  EXPECT_TRUE(shifted(noJanuary));
  EXPECT_EQ(f24(keyText({noJanuary, 2024, 1})), "");
  EXPECT_EQ(periodsOnFile[noJanuary].count("202401"), 0u);
  EXPECT_GE(periodsOnFile[noJanuary].size(), 11u);  // its 2023 months are there

  // The other shifted-year company does pay in January 2024; the summary's list is the
  // records' own flags.
  std::vector<int> flagged;
  for (int code : summary().companies)
    if (shifted(code)) flagged.push_back(code);
  EXPECT_EQ(flagged, summary().shiftedYear);
  int withJanuary = 0;
  for (int code : flagged) withJanuary += !f24(keyText({code, 2024, 1})).empty();
  EXPECT_EQ(withJanuary, static_cast<int>(flagged.size()) - 1);
}

TEST(DemoExport, TheDemoExportsWithoutAnIndexComplaint) {
  TempDir dir;
  demo::buildDemo(dir.str(), {});
  const std::string root = dir.str();
  const int status = testing::runProgram(
      ZR_CLI_PATH,
      {"--root", root, "--registry", (dir / "registry.ini").string(), "--yes", "export", "--all"},
      {{}, dir / "stderr.txt"});
  std::ifstream err(dir / "stderr.txt");
  const std::string messages{std::istreambuf_iterator<char>(err), {}};
  EXPECT_EQ(status, 0) << messages;
  EXPECT_EQ(messages.find("NON ESISTE F24"), std::string::npos) << messages;
  EXPECT_TRUE(std::filesystem::exists(dir / "KORVANTE" / "ARCHIVI" / "FRONTE.V24"));
}

// The cases hold for other seeds too: they are placed, not drawn.
TEST(DemoCases, EverySeedHasEveryCaseAndFewerCompaniesFewerCases) {
  for (std::uint64_t seed : {2u, 77u}) {
    TempDir dir;
    const auto s = demo::buildDemo(dir.str(), {.companies = 8, .employees = 1, .seed = seed});
    EXPECT_EQ(s.cases.size(), 17u) << seed;
    EXPECT_EQ(s.withoutF24.size(), 1u);
    EXPECT_EQ(s.withoutNextJanuary.size(), 1u);
  }
  TempDir dir;
  const auto small = demo::buildDemo(dir.str(), {.companies = 2, .employees = 1, .seed = 1});
  EXPECT_TRUE(small.withoutF24.empty());
  for (const auto& [c, key] : small.cases) {
    EXPECT_TRUE(key.company == small.companies[0] || key.company == small.companies[1]);
  }
  EXPECT_FALSE(small.cases.count(DemoCase::PeriodOfJanuary));
}

}  // namespace
}  // namespace zr

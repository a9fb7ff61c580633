// What quadro ST and SV do with damage: an F24 index that leads nowhere, a table value that is
// not a number, and the numbering of a file of any size.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "export/installation.h"
#include "export/quadrof24.h"
#include "platform/files.h"
#include "repository/descriptors.h"

namespace zr::exporttest {
namespace {

namespace fs = std::filesystem;

demo::F24Record f24(int company, int year, int month, const std::string& code,
                    const std::string& paid) {
  demo::F24Record r;
  r.company = company;
  r.year = year;
  r.month = month;
  r.fields = {{"F24X$,00034,08,A,0,A003", "16" + std::string(month < 10 ? "0" : "") +
                                              std::to_string(month) + std::to_string(year)},
              {std::string(desc::erarioCode), code, 1},
              {std::string(desc::erarioDebit), paid, 1},
              {std::string(desc::kLocalRows[0].code), "3848"},
              {std::string(desc::kLocalRows[0].year), "2023"},
              {std::string(desc::kLocalRows[0].debit), paid}};
  return r;
}

// 001 pays in January to March and in January of the next year; 002 has the shifted year.
void twoCompanies(Installation& inst) {
  auto& b = inst.builder;
  b.putCompany(company(1, {{"T002", "ALFA SPA"}, {"T012", "11111111111"}}));
  demo::CompanyRecord beta = company(2, {{"T002", "BETA SRL"}, {"T012", "22222222222"}});
  beta.fields.push_back({"DITX$,04383,01,N,0,T596", "1", 0});
  b.putCompany(beta);
  for (int m = 1; m <= 3; ++m) b.putF24(f24(1, 2023, m, "1001", "10"));
  b.putF24(f24(2, 2023, 2, "1001", "20"));
}

struct Damage {
  const char* what;
  std::function<void(Installation&)> apply;
  const char* key;  // the key the message names; "" when the run must succeed
};

TEST(QuadroFaults, AnIndexEntryThatLeadsNowhereFailsTheRunAndKeepsThePreviousFiles) {
  const Damage cases[] = {
      {"a month's entry at a void record",
       [](Installation& i) {
         demo::F24Record r = f24(1, 2023, 4, "1001", "5");
         r.voidRecord = true;
         i.builder.putF24(r);
       },
       "001202304"},
      {"a month's entry past the end",
       [](Installation& i) { i.builder.indexF24At(1, 2023, 5, 9999); }, "001202305"},
      {"January of the next year past the end",
       [](Installation& i) { i.builder.indexF24At(1, 2024, 1, 9999); }, "001202401"},
      {"a shifted-year January past the end",
       [](Installation& i) { i.builder.indexF24At(2, 2024, 1, 9999); }, "002202401"},
      {"an emptied index",
       [](Installation& i) {
         bool prefix = false;
         const std::string name = i.builder.lib().DAMMIFILE(378, prefix);
         i.builder.close();
         fs::resize_file(i.archive(name), 0);
       },
       "001202301"},
      {"a void January of the next year",
       [](Installation& i) {
         demo::F24Record r = f24(1, 2024, 1, "1713", "7");
         r.voidRecord = true;
         i.builder.putF24(r);
         demo::F24Record s = f24(2, 2024, 1, "1001", "7");
         s.voidRecord = true;
         i.builder.putF24(s);
       },
       ""},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst;
    twoCompanies(inst);
    inst.builder.close();
    {
      LoadedApp first(inst);
      first.selectAll();
      ASSERT_EQ(CMDAVVIO_Click(*first.app), RunOutcome::Done) << first.transcript();
    }
    const std::string st = readBytes(inst.archive("QUADST.V24"));
    const std::string sv = readBytes(inst.archive("QUADSV.V24"));
    ASSERT_EQ(st.size(), 4u * 190);
    c.apply(inst);
    inst.builder.close();

    LoadedApp a(inst);
    a.selectAll();
    const RunOutcome outcome = CMDAVVIO_Click(*a.app);
    const auto d = a.dialogs();
    if (*c.key == 0) {
      EXPECT_EQ(outcome, RunOutcome::Done) << a.transcript();
      EXPECT_EQ(readBytes(inst.archive("QUADST.V24")), st);  // nothing from a void record
      EXPECT_EQ(readBytes(inst.archive("QUADSV.V24")), sv);
      continue;
    }
    EXPECT_EQ(outcome, RunOutcome::Failed);
    ASSERT_GE(d.size(), 2u) << a.transcript();
    const std::string said = std::string("NON ESISTE F24 CON K ") + c.key +
                             " - FARE RIPRISTINO ISAM F24 -";
    EXPECT_EQ(d[d.size() - 2].text, said);
    EXPECT_EQ(d.back().icon, platform::Icon::Critical);
    EXPECT_NE(d.back().text.find("NON ESEGUITA"), std::string::npos) << d.back().text;
    EXPECT_NE(d.back().text.find(c.key), std::string::npos) << d.back().text;
    EXPECT_NE(d.back().text.find(std::string("Azienda: ") + (c.key[2] == '1' ? "001 ALFA SPA"
                                                                          : "002 BETA SRL")),
              std::string::npos)
        << d.back().text;
    for (const auto& e : d) EXPECT_EQ(e.text.find("terminata"), std::string::npos);
    EXPECT_EQ(readBytes(inst.archive("QUADST.V24")), st);
    EXPECT_EQ(readBytes(inst.archive("QUADSV.V24")), sv);
    EXPECT_TRUE(inst.leftovers().empty());
  }
}

TEST(QuadroFaults, ATableValueThatIsNotANumberFailsTheRunNamingWhereItLies) {
  Installation inst;
  twoCompanies(inst);
  inst.builder.addF24Rows(2023, "F24ENTILOCICI",
                          {{{"KDITTA", "001"},
                            {"KPERIODO", "202302"},
                            {"KRIGO", 12.0},
                            {"F24ELI_7", "3848"},
                            {"F24ELI_9", "2023"},
                            {"F24ELI_10", "12,5O"}}});
  inst.builder.close();
  LoadedApp a(inst);
  a.selectAll();
  EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
  const std::string said = a.dialogs().back().text;
  for (const char* part : {"F24ELI_10", "F24ENTILOCICI", "SF242023.MDB", "001", "202302", "12",
                           "12,5O", "quadro SV", "Azienda: 001 ALFA SPA"})
    EXPECT_NE(said.find(part), std::string::npos) << part << " in " << said;
  EXPECT_FALSE(fs::exists(inst.archive("QUADSV.V24")));
  EXPECT_TRUE(inst.leftovers().empty());
}

// A file of more records than any bureau's first hundred thousand, written directly: every
// record is numbered, and the count starts again whenever the leading key changes.
TEST(QuadroNumbering, EveryRecordOfAFileOfAnySizeIsNumberedWithinItsRunOfEqualKeys) {
  testing::TempDir dir;
  auto files = platform::makeHostFiles(dir.str());
  ExportFiles set(*files, "C:\\ARC");
  fs::create_directories(dir.path() / "ARC");
  constexpr std::size_t kLength = 189, kKey = 35;
  constexpr int kRecords = 100007;
  // Runs of keys: A for records 1..100003, then B, B, then A again, then one more B.
  const auto keyOf = [](int n) {
    return n <= 100003 ? 'A' : (n <= 100005 ? 'B' : (n == 100006 ? 'A' : 'B'));
  };
  {
    ExportFile& out = set.create("QUADSV", kLength);
    std::string all;
    for (int n = 1; n <= kRecords; ++n) {
      std::string r(kLength, '.');
      r.replace(0, kKey, kKey, keyOf(n));
      r.replace(kKey, 4, "0000");
      all += r;
    }
    out.writeRecords(1, all);
  }
  quadro::NUMERAPROGRESSIVI(set.reopen("QUADSV", kLength), kKey);
  set.closeAll();
  std::vector<fs::path> made;
  for (const auto& e : fs::directory_iterator(dir.path() / "ARC")) made.push_back(e.path());
  ASSERT_EQ(made.size(), 1u);
  const std::string bytes = readBytes(made[0]);
  ASSERT_EQ(bytes.size(), kRecords * kLength);
  const auto number = [&](int n) { return bytes.substr((n - 1) * kLength + kKey, 4); };
  EXPECT_EQ(number(1), "0001");
  EXPECT_EQ(number(9999), "9999");
  EXPECT_EQ(number(10000), "0000");  // four digits: the count's last four
  EXPECT_EQ(number(10001), "0001");
  EXPECT_EQ(number(100000), "0000");
  EXPECT_EQ(number(100001), "0001");
  EXPECT_EQ(number(100003), "0003");
  EXPECT_EQ(number(100004), "0001");
  EXPECT_EQ(number(100005), "0002");
  EXPECT_EQ(number(100006), "0001");
  EXPECT_EQ(number(100007), "0001");
  // Nothing else of a record changes.
  for (int n : {1, 4096, 4097, 100007}) {
    const std::string r = bytes.substr((n - 1) * kLength, kLength);
    EXPECT_EQ(r.substr(0, kKey), std::string(kKey, keyOf(n)));
    EXPECT_EQ(r.substr(kKey + 4), std::string(kLength - kKey - 4, '.'));
  }
}

}  // namespace
}  // namespace zr::exporttest

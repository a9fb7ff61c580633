// Quadro SX of a small installation, its records laid out by hand from the record table, and
// what it does with a stale buffer, an index that does not advance and the semaphore.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/installation.h"
#include "archive/isam.h"
#include "export/installation.h"
#include "support/fault_files.h"
#include "repository/descriptors.h"

namespace zr::exporttest {
namespace {

using desc::RegionField;
using platform::Value;
using testing::Call;
using testing::FaultFiles;
using testing::fail;

const std::string kAlfaCode = "LFAXXX80A01H501U";

std::string amt(const std::string& text) {
  return std::string(14 - text.size(), ' ') + text;
}

// A Q770ULTE record from its table: code, fiscal codes, then the fifteen boxes in order.
struct Sx {
  std::string company, declarant, substitute;
  std::string cu104 = "0,00", cu73 = "0,00", cuLess1701 = "0,00";
  char cu1 = '0', cu4 = '0';
  std::string sx1 = "0,00", sx2 = "0,00", cu55 = "0,00", cu61 = "0,00", dipOrSx2 = "0,00",
              cuSum = "0,00", cu96 = "0,00", t1701 = "0,00", sx1And6781 = "0,00",
              t6781 = "0,00";
  std::string str() const {
    Rec r(219);
    r.at(1, company).at(4, declarant).at(20, substitute).at(36, amt(cu104)).at(50, amt(cu73));
    r.at(64, amt(cuLess1701)).at(78, std::string(1, cu1)).at(79, std::string(1, cu4));
    r.at(80, amt(sx1)).at(94, amt(sx2)).at(108, amt(cu55)).at(122, amt(cu61));
    r.at(136, amt(dipOrSx2)).at(150, amt(cuSum)).at(164, amt(cu96)).at(178, amt(t1701));
    r.at(192, amt(sx1And6781)).at(206, amt(t6781));
    return r.str();
  }
};

struct F24 : F24Chain<F24> {
  using F24Chain::F24Chain;
  F24& erario(int k, const std::string& code, const std::string& credit) {
    return f(desc::erarioCode, code, k).f(desc::erarioCredit, credit, k);
  }
  F24& region(int r, int k, const std::string& code, const std::string& credit) {
    return f(desc::regionField(RegionField::Code, r - 1), code, k)
        .f(desc::regionField(RegionField::Credit, r - 1), credit, k);
  }
  F24& local(int idx, const std::string& code, const std::string& credit) {
    const auto& row = desc::kLocalRows[static_cast<std::size_t>(idx - 1)];
    return f(row.code, code).f(row.credit, credit);
  }
};

demo::EmployeeRecord employee(int company, int number,
                              std::vector<std::pair<std::string_view, std::string>> amounts) {
  demo::EmployeeRecord e;
  e.company = company;
  e.number = number;
  for (const auto& [d, v] : amounts) e.fields.push_back({std::string(d), v, 0});
  return e;
}

demo::Columns cu1Row(double seq, std::vector<std::pair<std::string, Value>> values) {
  demo::Columns c = {{"CODAZI", Value("001")}, {"SEQ", Value(seq)}};
  for (auto& v : values) c.push_back(v);
  return c;
}

// voidJanuary: ALFA's January 2024 record begins with "99", as a deleted one does.
void buildBureau(Installation& inst, bool voidJanuary = false) {
  auto& b = inst.builder;
  b.putCompany(company(1, {{"T002", "ALFA SPA"}, {"T012", kAlfaCode}}));
  b.putCompany(company(2, {{"T002", "BETA SRL"}, {"T013", "01234567890"}, {"T326", "1"}}));
  b.putCompany(company(3, {{"T002", "GAMMA SNC"}, {"T012", "GMMGMM70B02F205Z"}}));
  b.putCompany(company(4, {{"T002", "DELTA SAS"}, {"T012", "DLTDLT60C03L219Y"}}));

  b.putF24(F24(1, 2023, 3)
               .erario(1, "1627", "100.10")
               .erario(2, "1701", "30")
               .erario(3, "1631", "5")
               .erario(4, "1633", "2.5")
               .erario(5, "1001", "99")  // not a code of the quadro
               .region(2, 1, "3796 ", "4")
               .region(3, 2, "1669", "1.1")
               .local(1, "3797", "0.7")
               .local(3, "1671", "0.2")
               .rec);
  b.putF24(F24(1, 2023, 6).local(2, "1671", "10").rec);
  F24 january = F24(1, 2024, 1).erario(1, "6781", "50").erario(2, "1627", "999");
  january.rec.voidRecord = voidJanuary;
  b.putF24(january.rec);
  b.putF24(F24(2, 2023, 2).erario(1, "1631", "250").erario(2, "1701", "40").rec);

  b.putEmployee(employee(1, 1, {{desc::Q196, "1000.10"}}));
  b.putEmployee(employee(3, 1, {{desc::Q196, "9"}}));  // the next company's, inserted early
  b.putEmployee(employee(1, 9999999, {{desc::Q703, "0.01"}, {desc::Q308, "-5"}}));

  b.addRegionRows(2023, {{"001", "202305", 1005, "1669", Value(0.0), Value(20.0)},
                         {"001", "202305", 1006, "3796", Value(0.0), Value(3.0)},
                         {"002", "202305", 1005, "1669", Value(0.0), Value(7.0)}});  // release
  b.addLocalTaxRows(2023, {{"001", "202307", 11, "3797", "2023", Value(), Value(1.5), Value(),
                            Value(), Value()},
                           {"001", "202308", 11, "1671 ", "2023", Value(), Value(2.0), Value(),
                            Value(), Value()}});
  b.addCertificationRows(
      "QUADROCU1",
      {cu1Row(2, {{"CU1_55", 10.0}, {"CU1_73", 7.0}, {"CU1_94", 100.0}, {"CU1_104", 5.0}}),
       cu1Row(1, {{"CU1_55", 1.5}, {"CU1_61", 2.0}, {"CU1_94", 1.0}, {"CU1_96", 0.5}})});
  b.addCertificationRows("QUADROCU4",
                         {{{"CODAZI", Value("001")}, {"CODIP", Value("0000000000")},
                           {"SEQ", Value(1.0)}, {"CU4_27", Value(0.0)}},
                          {{"CODAZI", Value("002")}, {"CODIP", Value("0000000123")},
                           {"SEQ", Value(1.0)}, {"CU4_27", Value(3.0)}}});
  b.close();
}

std::vector<std::string> expectedSX(bool tableRows, bool voidJanuary = false) {
  Sx alfa{"001", kAlfaCode, kAlfaCode};
  alfa.cu104 = "5,00";
  alfa.cu73 = "7,00";
  alfa.cuLess1701 = "76,50";  // 1 + 0,50 + 100 + 5 less 30
  alfa.cu1 = '1';
  alfa.cu4 = '1';
  // 1627 100,10 + 1669 1,10 + 1671 0,20 and 10,00; the tables' 1669 20,00 and 1671 2,00.
  alfa.sx1 = tableRows ? "133,40" : "111,40";
  alfa.sx2 = tableRows ? "16,70" : "12,20";  // 1631/1633 7,50 + 3796 4 (+3) + 3797 0,70 (+1,50)
  alfa.cu55 = "11,50";
  alfa.cu61 = "2,00";
  alfa.dipOrSx2 = "995,11";  // 1000,10 + 0,01 - 5
  alfa.cuSum = "106,50";
  alfa.cu96 = "0,50";
  alfa.t1701 = "30,00";
  alfa.sx1And6781 = tableRows ? "183,40" : "161,40";
  alfa.t6781 = "50,00";
  if (voidJanuary) {
    alfa.t6781 = "0,00";
    alfa.sx1And6781 = alfa.sx1;
  }
  Sx beta{"002", kAlfaCode, "01234567890     "};
  beta.cuLess1701 = "-40,00";
  beta.sx2 = "250,00";
  beta.dipOrSx2 = "250,00";  // no employees: the quadro's T_SX2
  beta.t1701 = "40,00";
  if (tableRows) beta.sx1 = beta.sx1And6781 = "7,00";
  Sx gamma{"003", "GMMGMM70B02F205Z", "GMMGMM70B02F205Z"};
  gamma.dipOrSx2 = "9,00";
  Sx delta{"004", "DLTDLT60C03L219Y", "DLTDLT60C03L219Y"};  // nothing at all: every box 0
  return {alfa.str(), beta.str(), gamma.str(), delta.str()};
}

TEST(QuadroSX, RecordsLaidOutByHandWithAndWithoutTheRowTables) {
  struct Case {
    const char* what;
    std::optional<int> release;
    bool tableRows;
    bool dropRelease = false, voidJanuary = false;
  };
  for (const Case& c : {Case{"release 1", 1, true}, Case{"release 0", 0, false},
                        Case{"RELEASE without rows", std::nullopt, false},
                        Case{"no RELEASE table", 1, false, true},
                        Case{"a void January record", 1, true, false, true}}) {
    SCOPED_TRACE(c.what);
    demo::SkeletonOptions o;
    o.releaseValue = c.release;
    Installation inst(o);
    buildBureau(inst, c.voidJanuary);
    if (c.dropRelease) {
      inst.builder.dropF24Table(2023, "RELEASE");
      inst.builder.close();
    }
    LoadedApp a(inst);
    a.selectAll();
    std::vector<WrittenFile> written;
    ASSERT_EQ(CMDAVVIO_Click(*a.app, &written), RunOutcome::Done) << a.transcript();
    expectRecords(readBytes(inst.archive("Q770ULTE.V24")), expectedSX(c.tableRows, c.voidJanuary), 219,
                  "Q770ULTE.V24");
    ASSERT_EQ(written.size(), 5u);
    EXPECT_EQ(written[4].name, inst.builder.archivePath("Q770ULTE.V24"));
    const auto captions = progressOf(a, "Label2");
    EXPECT_NE(std::find(captions.begin(), captions.end(),
                        "Acquisizione quadro SX CASELLE SX1-1/6 SX2-1/2 SX3-1/2 SX49-2/3/4/5/6 - "
                        "003 GAMMA SNC in corso ... Attendere prego"),
              captions.end());
  }
}

// An employee index that leads past the archive's end, or back to an employee already added,
// fails the run naming the company and the index; a failing read under the semaphore leaves
// it free for the payroll procedure.
TEST(QuadroSX, AnEmployeeWalkThatLeadsNowhereFailsAndNeverKeepsTheSemaphore) {
  struct Case {
    const char* what;
    std::function<void(demo::InstallationBuilder&)> damage;
    const char* says;
  };
  const auto entry = [](const std::string& key, double record) {
    return [key, record](demo::InstallationBuilder& b) {
      b.lib().FAIOPEN(inst::kEmployeeIndex);
      ASSERT_NE(CERCAISAM(b.lib(), inst::kEmployeeIndex, key, 1, record), 0);
      b.close();
    };
  };
  const Case cases[] = {
      {"an entry past the end", entry("0010000005", 9999), "oltre la fine"},
      {"an entry back to the first employee", entry("0010000007", 1), "non avanza"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst;
    buildBureau(inst);
    c.damage(inst.builder);
    LoadedApp a(inst);
    a.selectAll();
    EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
    const std::string said = a.dialogs().back().text;
    for (const char* part : {"Fase: quadro SX (Q770ULTE.V24)", "Azienda: 001 ALFA SPA",
                             "indice dipendenti (base 30)", c.says})
      EXPECT_NE(said.find(part), std::string::npos) << part << " in " << said;
    EXPECT_FALSE(std::filesystem::exists(inst.archive("Q770ULTE.V24")));
    EXPECT_TRUE(inst.leftovers().empty());
  }

  // A read of the employee index that fails while the semaphore is held.
  Installation inst;
  buildBureau(inst);
  bool prefix = false;
  const std::string index = inst.builder.lib().DAMMIFILE(inst::kEmployeeIndex, prefix);
  inst.builder.close();
  FaultFiles* faulty = nullptr;
  LoadedApp a(inst, [&](platform::Files& host) -> std::unique_ptr<platform::Files> {
    auto f = std::make_unique<FaultFiles>(host);
    faulty = f.get();
    return f;
  });
  faulty->inject(fail(Call::Read).on(index).fromThenOn());
  a.selectAll();
  try {
    EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
  } catch (const ProgramEnd&) {
  }
  EXPECT_FALSE(std::filesystem::exists(inst.archive("Q770ULTE.V24")));
  auto other = platform::makeHostFiles(inst.dir.str());
  EXPECT_NO_THROW(other->openLocked(inst.builder.archivePath("TRSEMA.DAT")))
      << "the semaphore is still taken";
}

// The demo bureau's quadro SX: one whole record for each selected company that is not void.
TEST(QuadroSX, TheDemoBureausRecordsAreWholeAndOfSelectedCompanies) {
  Installation inst(demo::Options{});
  LoadedApp a(inst);
  a.selectAll();
  ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done) << a.transcript();
  const std::string bytes = readBytes(inst.archive("Q770ULTE.V24"));
  ASSERT_EQ(bytes.size(), inst.summary.companies.size() * 219);
  for (std::size_t i = 0; i < inst.summary.companies.size(); ++i) {
    const int code = inst.summary.companies[i];
    EXPECT_EQ(std::stoi(bytes.substr(i * 219, 3)), code);
    EXPECT_TRUE(bytes[i * 219 + 77] == '0' || bytes[i * 219 + 77] == '1');
  }
}

}  // namespace
}  // namespace zr::exporttest

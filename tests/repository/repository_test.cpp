// Field extraction and storing on records built by hand, through a real archive library on a
// temporary drive root (its error routine, ring and messages).
#include "repository/repository.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "repository/descriptors.h"
#include "support/tempdir.h"

namespace zr {
namespace {

using platform::Icon;
using platform::ScriptedUi;

class RepositoryTest : public ::testing::Test {
 protected:
  RepositoryTest()
      : files_(platform::makeHostFiles(root_.str())),
        clock_(std::chrono::year_month_day{std::chrono::year{2024}, std::chrono::month{3},
                                           std::chrono::day{15}}) {
    std::filesystem::create_directories(root_ / "ARCHIVI");
    config_.PERCORSOARCHIVI = "C:\\ARCHIVI";
    config_.CODICETASK = "07";
    lib_ = std::make_unique<ArchiveLib>(*files_, ui_, clock_, config_);
    repo_ = std::make_unique<Repository>(*lib_);
  }

  // A record of `length` characters of `fill` with `text` placed at 1-based `pos`.
  static std::string record(std::size_t length,
                            std::vector<std::pair<std::size_t, std::string>> fields = {},
                            char fill = '.') {
    std::string r(length, fill);
    for (const auto& [pos, text] : fields) r.replace(pos - 1, text.size(), text);
    return r;
  }

  std::vector<ScriptedUi::Event> dialogs() const { return ui_.dialogs(); }

  // TRBASE.DAT with the given base numbers' names and record lengths (other records blank).
  void catalogue(const std::vector<std::tuple<int, std::string, std::string>>& entries) {
    int last = 0;
    for (const auto& e : entries) last = std::max(last, std::get<0>(e));
    std::string text(79 * static_cast<std::size_t>(last), ' ');
    for (const auto& [base, name, length] : entries) {
      const std::size_t at = 79 * static_cast<std::size_t>(base - 1);
      text.replace(at + 3, name.size(), name);
      text.replace(at + 37 - length.size(), length.size(), length);
    }
    writeArchive("TRBASE.DAT", text);
  }
  void writeArchive(const std::string& name, const std::string& bytes) {
    std::ofstream(root_ / "ARCHIVI" / name, std::ios::binary) << bytes;
  }
  std::string readArchive(const std::string& name) {
    std::ifstream in(root_ / "ARCHIVI" / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  testing::TempDir root_;
  std::unique_ptr<platform::Files> files_;
  ScriptedUi ui_;
  platform::FixedClock clock_;
  Config config_;
  std::unique_ptr<ArchiveLib> lib_;
  std::unique_ptr<Repository> repo_;
};

TEST_F(RepositoryTest, ReadsRepeatedGroupsAtTheirOccurrence) {
  Repository& r = *repo_;
  r.F24X() = record(9932, {{1077, "BLK01"},
                           {1112, "BLK02"},
                           {1147, "BLK03"},
                           {1182, "BLK04"},
                           {4117 + 105, "LAST4"},
                           {54, "000000012345"},
                           {90, "000000067890"},
                           {42 + 19 * 36, "1001"}});
  const auto code0 = desc::regionField(desc::RegionField::Code, 0);
  EXPECT_EQ(r.STRCOSTANTE(code0, 0), "BLK01");
  EXPECT_EQ(r.STRCOSTANTE(code0, 1), "BLK01");
  EXPECT_EQ(r.STRCOSTANTE(code0, 2), "BLK02");
  EXPECT_EQ(r.STRCOSTANTE(code0, 3), "BLK03") << "k=3 reads at 1147";
  EXPECT_EQ(r.STRCOSTANTE(code0, 4), "BLK04");
  EXPECT_EQ(r.STRCOSTANTE(desc::regionField(desc::RegionField::Code, 20), 4), "LAST4");

  EXPECT_EQ(r.STRCOSTANTE(desc::A006, 1), "0000000123.45");
  EXPECT_EQ(r.STRCOSTANTE(desc::A006, 2), "0000000678.90") << "row 2 reads at 90";
  EXPECT_DOUBLE_EQ(r.VALCOSTANTE(desc::A006, 2), 678.90);
  EXPECT_EQ(r.VALCOSTANTE(desc::erarioCode, 20), 1001);

  // The same through an explicit record string; it wins over the buffer.
  const std::string other = record(9932, {{1147, "OTHER"}});
  EXPECT_EQ(r.STRCOSTANTE(code0, 3, other), "OTHER");
  EXPECT_EQ(r.STRCOSTANTE(code0, 3, r.F24X()), "BLK03");
  EXPECT_TRUE(dialogs().empty());
}

TEST_F(RepositoryTest, NumericTypesMoveTheSignAndInsertThePoint) {
  Repository& r = *repo_;
  struct Case {
    const char* descriptor;
    const char* stored;
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"DITX$,00010,12,2,0,T900", "000001234567", "0000012345.67", 12345.67},
      {"DITX$,00010,12,2,0,T900", "-00000012345", "-0000000123.45", -123.45},
      {"DITX$,00010,12,2,0,T900", "00000012345-", "-0000001234.50", -1234.5},
      {"DITX$,00010,10,2,0,T900", "          ", "        .  ", 0},  // blanks stay
      {"DITX$,00010,05,N,0,T900", "00-12", "-00012", -12},
      {"DITX$,00010,05,N,0,T900", "-1-2-", "-01-2-", -1},  // only the first minus moves
      {"DITX$,00010,05,N,0,T900", "  42 ", "  42 ", 42},
      {"DITX$,00010,08,3,0,T900", "00012345", "00012.345", 12.345},
      {"DITX$,00010,08,4,0,T900", "00012345", "0001.2345", 1.2345},
      {"DITX$,00010,08,5,0,T900", "00012345", "000.12345", 0.12345},
      {"DITX$,00010,08,6,0,T900", "-0012345", "-00.012345", -0.012345},
      {"DITX$,00010,02,2,0,T900", "07", ".07", 0.07},
      {"DITX$,00010,05,A,0,T900", "-12  ", "-12  ", -12},  // text types as stored
      {"DITX$,00010,05,0,0,T900", "00-12", "00-12", 0},
      {"DITX$,00010,08,D,0,T900", "31122023", "31122023", 31122023},
  };
  for (const auto& c : cases) {
    r.DITX() = record(40, {{10, c.stored}});
    EXPECT_EQ(r.STRCOSTANTE(c.descriptor), c.text) << c.descriptor << " on " << c.stored;
    EXPECT_DOUBLE_EQ(r.VALCOSTANTE(c.descriptor), c.value) << c.descriptor << " on " << c.stored;
  }
}

TEST_F(RepositoryTest, FieldsAtTheRecordsEnd) {
  Repository& r = *repo_;
  r.DIPX() = "ABCDEFGHIJ";  // 10 characters
  EXPECT_EQ(r.STRCOSTANTE("DIPX$,00008,05,A,0,P900"), "HIJ") << "fewer at the end";
  EXPECT_EQ(r.STRCOSTANTE("DIPX$,00010,05,A,0,P900"), "J");
  EXPECT_EQ(r.STRCOSTANTE("DIPX$,00011,05,A,0,P900"), "") << "none beyond it";
  EXPECT_EQ(r.STRCOSTANTE("DIPX$,00099,05,A,0,P900"), "");
  r.DIPX() = "0000001234";
  EXPECT_EQ(r.STRCOSTANTE("DIPX$,00007,10,2,0,Q900"), "1234.") << "point after length-2";
  EXPECT_EQ(r.STRCOSTANTE("DIPX$,00020,10,2,0,Q900"), ".");
  EXPECT_EQ(r.VALCOSTANTE("DIPX$,00020,10,2,0,Q900"), 0);
  EXPECT_EQ(r.STRCOSTANTE("DIPX$,00009,10,N,0,Q900"), "34");
  // A family the program never fills reads its empty buffer.
  EXPECT_EQ(r.STRCOSTANTE("CUDX$,00001,10,A,0,X001"), "");
  EXPECT_EQ(r.VALCOSTANTE("CUDX$,00001,10,2,0,X001"), 0);
  EXPECT_TRUE(dialogs().empty());
}

TEST_F(RepositoryTest, EveryFamilyReadsItsOwnBuffer) {
  Repository& r = *repo_;
  for (const FamilyInfo& f : kFamilies) r.buffer(f.family) = std::string(f.name) + "-data";
  for (const FamilyInfo& f : kFamilies) {
    const std::string d = std::string(f.name) + ",00001,10,A,0,X001";
    EXPECT_EQ(r.STRCOSTANTE(d), std::string(f.name) + "-data") << f.name;
  }
}

TEST_F(RepositoryTest, StoresAndReadsBack) {
  Repository& r = *repo_;
  r.DITX() = record(60);
  const std::string before = r.DITX();

  std::string amount = "12,5";
  r.RepoW("DITX$,00010,12,2,0,T900", amount);
  EXPECT_EQ(r.DITX().substr(9, 12), "000000001250");
  EXPECT_EQ(amount, "12.5") << "the comma is changed in the caller's variable";
  EXPECT_EQ(r.STRCOSTANTE("DITX$,00010,12,2,0,T900"), "0000000012.50");

  std::string minusThree = "-3";
  r.RepoW("DITX$,00030,05,N,0,T900", minusThree);
  EXPECT_EQ(r.DITX().substr(29, 5), "-0003");
  EXPECT_EQ(r.VALCOSTANTE("DITX$,00030,05,N,0,T900"), -3);

  std::string abc = "ABC", abcdefg = "ABCDEFG";
  r.RepoW("DITX$,00040,05,A,0,T900", abc);
  EXPECT_EQ(r.DITX().substr(39, 5), "ABC  ");
  r.RepoW("DITX$,00050,05,A,0,T900", abcdefg);
  EXPECT_EQ(r.DITX().substr(49, 5), "ABCDE");
  EXPECT_EQ(abcdefg, "ABCDEFG");

  // Nothing outside the four fields moved, and the length is the same.
  std::string expect = before;
  expect.replace(9, 12, "000000001250");
  expect.replace(29, 5, "-0003");
  expect.replace(39, 5, "ABC  ");
  expect.replace(49, 5, "ABCDE");
  EXPECT_EQ(r.DITX(), expect);
  EXPECT_TRUE(dialogs().empty());
}

TEST_F(RepositoryTest, StoresThePaymentDateIntoTheF24Record) {
  Repository& r = *repo_;
  r.F24X() = record(9932, {{1, "001"}, {42, "1001"}});
  const std::string before = r.F24X();
  std::string date = "31122023";
  r.RepoW(desc::paymentDate, date);
  EXPECT_EQ(r.F24X().substr(33, 8), "31122023");
  EXPECT_EQ(r.F24X().size(), before.size());
  EXPECT_EQ(r.F24X().substr(0, 33), before.substr(0, 33));
  EXPECT_EQ(r.F24X().substr(41), before.substr(41));
  EXPECT_EQ(r.VALCOSTANTE(desc::paymentDate), 31122023);

  // Into an explicit target; the buffer stays as it is.
  std::string target = before;
  std::string short6 = "10124";
  r.RepoW(desc::paymentDate, short6, 0, target);
  EXPECT_EQ(target.substr(33, 8), "00010124") << "right-aligned, zero-filled";
  EXPECT_EQ(r.F24X().substr(33, 8), "31122023");

  // A repeated field stores at its occurrence.
  std::string debit = "-1234.565";
  r.RepoW(desc::erarioDebit, debit, 3);
  EXPECT_EQ(r.F24X().substr(53 + 72, 12), "-00000123457");
  EXPECT_DOUBLE_EQ(r.VALCOSTANTE(desc::erarioDebit, 3), -1234.57);
}

TEST_F(RepositoryTest, AmountsRoundTripThroughAField) {
  Repository& r = *repo_;
  r.F24X() = record(9932);
  const double amounts[] = {0,    0.01,      0.1,       0.3,         1.005,
                            12.5, 99.99,     123456.78, 999999.99,   -0.01,
                            -7.5, -12345.67, 0.1 + 0.2, 1234567.895, 9999999.99};
  const auto field = desc::f24Amount(desc::AmountRun::AA, 7);
  for (double x : amounts) {
    std::string text = numberText(x);
    r.RepoW(field, text);
    std::int16_t d = 2;
    EXPECT_EQ(numberText(r.VALCOSTANTE(field)), numberText(numericValue(ARROTONDA(x, d))))
        << x << " stored as " << r.F24X().substr(6060, 10);
  }
  // Types with other decimals, and exponent texts from a caller that formatted a tiny double.
  struct Case {
    const char* descriptor;
    const char* value;
    const char* stored;
  };
  const Case cases[] = {
      {"F24X$,09800,08,3,0,A999", "1.2345", "00001235"},
      {"F24X$,09800,08,6,0,A999", "-0.5", "-0500000"},
      {"F24X$,09800,08,2,0,A999", "1.5E-05", "00000000"},
      {"F24X$,09800,08,N,0,A999", "1.5E+03", "001500.0"},  // N keeps the point it is given
      {"F24X$,09800,08,2,0,A999", "", "00000000"},
      {"F24X$,09800,08,2,0,A999", "abc", "00000000"},
      {"F24X$,09800,04,N,0,A999", "123456", "3456"},  // cut on the left, as stored
      {"F24X$,09800,08,D,0,A999", "20231231", "20231231"},
      {"F24X$,09800,08,0,0,A999", "7", "00000007"},  // type 0 stores like a number
  };
  for (const auto& c : cases) {
    std::string v = c.value;
    r.RepoW(c.descriptor, v);
    EXPECT_EQ(r.F24X().substr(9799, 8).substr(0, std::string(c.stored).size()), c.stored)
        << c.descriptor << " <- " << c.value;
  }
}

TEST_F(RepositoryTest, ReadsAndUpdatesArchiveRecordsOnDisk) {
  catalogue({{1, "DITTE.DAT", "6483"}, {377, "F24.DAT", "9932"}});
  const std::string company1 = record(6483, {{1, "  001"}, {6, "ALFA SRL"}, {166, "000"}}, ' ');
  const std::string company2 =
      record(6483, {{1, "  002"}, {6, "BETA SPA"}, {166, "001"}, {664, "20230115"}}, ' ');
  writeArchive("DITTE.DAT", company1 + company2);
  Repository& r = *repo_;
  ASSERT_EQ(lib_->FAIOPEN(1), 6483);
  ASSERT_EQ(lib_->LEGGIREC(1, 2), 0);
  r.DITX() = lib_->BUFFERREC(1);
  EXPECT_EQ(r.STRCOSTANTE(desc::companyCode), "002");
  EXPECT_EQ(r.STRCOSTANTE(desc::companyName), "BETA SPA" + std::string(22, ' '));
  EXPECT_EQ(r.VALCOSTANTE(desc::presentingCompany), 1);
  EXPECT_EQ(r.STRCOSTANTE(desc::T409), "20230115");

  // The payment date: the one field written back into an archive.
  std::string f24 = record(9932, {{1, "002"}, {42, "1001"}, {54, "000000010000"}}, '0');
  f24.replace(33, 8, "00000000");
  writeArchive("F24.DAT", record(9932, {}, '9') + f24);
  ASSERT_EQ(lib_->FAIOPEN(377), 9932);
  ASSERT_EQ(lib_->LEGGIREC(377, 2), 0);
  r.F24X() = lib_->BUFFERREC(377);
  ASSERT_EQ(r.VALCOSTANTE(desc::paymentDate), 0);
  std::string date = "16012024";
  r.RepoW(desc::paymentDate, date);
  lib_->BUFFERREC(377) = r.F24X();
  lib_->SCRIVIREC(377, 2);
  lib_->CHIUDIFILE(0);
  std::string expect = record(9932, {}, '9') + f24;
  expect.replace(9932 + 33, 8, "16012024");
  EXPECT_EQ(readArchive("F24.DAT"), expect) << "only the date's eight bytes change";
}

TEST_F(RepositoryTest, UnknownFamilyEndsTheProgram) {
  catalogue({{1, "DITTE.DAT", "40"}});
  for (int which = 0; which < 2; ++which) {
    ASSERT_EQ(lib_->FAIOPEN(1), 40);
    ui_.clear();
    try {
      if (which == 0) {
        repo_->STRCOSTANTE("XXXX$,00001,05,A,0,X001");
      } else {
        std::string v = "1";
        repo_->RepoW("ditx$,00001,05,A,0,T001", v);
      }
      ADD_FAILURE() << "the program went on";
    } catch (const ProgramEnd& e) {
      EXPECT_EQ(e.status, 3);
    }
    const auto shown = dialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "ERRORE REPOSITORY - STRCOSTANTE");
    EXPECT_EQ(shown[0].title, "ZORIR77024");
    EXPECT_EQ(shown[0].icon, Icon::None);
    EXPECT_THROW(lib_->fileOf(1), RuntimeError) << "all files closed";
  }
  // With a record string given, the family is not looked at.
  EXPECT_EQ(repo_->STRCOSTANTE("XXXX$,00002,03,A,0,X001", 0, "ABCDEF"), "BCD");
  std::string target = "ABCDEF", v = "xy";
  repo_->RepoW("XXXX$,00002,03,A,0,X001", v, 0, target);
  EXPECT_EQ(target, "Axy EF");
}

TEST_F(RepositoryTest, Di2xWithoutIdLetterWarnsAndGoesOn) {
  Repository& r = *repo_;
  r.buffer(Family::DI2X) = record(2000, {{340, "FIRST"}, {340 + 714, "SECND"}});
  EXPECT_EQ(r.STRCOSTANTE("DI2X$,00340,05,A,1,I110", 2), "SECND");
  EXPECT_TRUE(dialogs().empty());
  EXPECT_EQ(r.STRCOSTANTE("DI2X$,00340,05,A,1,X110", 2), "FIRST");
  const auto shown = dialogs();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "ERRORE REPOSITORY - LETTERA SCONOSCIUTA");
  EXPECT_EQ(r.SPOSTAMENTOGRUPPO("DI2X$,00340,05,A,1,X110", 0), 0);
  EXPECT_EQ(dialogs().size(), 1u) << "k 0 does not look at the id";
}

// A run-time error inside the routines leaves its mark in the ring and ends the program
// through the shared error routine.
TEST_F(RepositoryTest, RuntimeErrorsGoToTheErrorRoutine) {
  struct Case {
    int which;
    int number;
    const char* mark;
  };
  const Case cases[] = {
      {0, 6, "RepoR"},  // offset overflow
      {1, 5, "RepoR"},  // occurrence before the record's start
      {2, 6, "RepoW"},
      {3, 5, "RepoW"},  // field beyond the target's end
  };
  for (const auto& c : cases) {
    ui_.clear();
    repo_->F24X() = record(200);
    std::string v = "1";
    try {
      switch (c.which) {
        case 0:
          repo_->STRCOSTANTE("DI2X$,00340,05,A,1,I110", 100);
          break;
        case 1:
          repo_->STRCOSTANTE(desc::erarioCode, -2);
          break;
        case 2:
          repo_->RepoW(desc::erarioDebit, v, 1000);
          break;
        case 3:
          repo_->RepoW(desc::A736, v);
          break;
      }
      ADD_FAILURE() << "case " << c.which << " went on";
    } catch (const ProgramEnd& e) {
      EXPECT_EQ(e.status, 3);
    }
    const auto shown = dialogs();
    ASSERT_FALSE(shown.empty()) << c.which;
    EXPECT_EQ(shown[0].text.rfind("Errore " + std::to_string(c.number) + " ", 0), 0u)
        << shown[0].text;
    EXPECT_NE(shown[0].text.find(c.mark), std::string::npos) << shown[0].text;
    const auto ring = lib_->lastOperations();
    EXPECT_NE(std::find(ring.begin(), ring.end(), c.mark), ring.end());
  }
  EXPECT_EQ(repo_->F24X(), record(200)) << "a failed store leaves the record untouched";
}

}  // namespace
}  // namespace zr

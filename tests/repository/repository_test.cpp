// Field extraction and storing on records built by hand, through a real archive library on a
// temporary drive root (its error routine, ring and messages).
#include "repository/repository.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "repository/descriptors.h"
#include "support/tempdir.h"

namespace zr {
namespace {

// A record of `length` characters of `fill` with each text placed at its 1-based position.
std::string record(std::size_t length, std::vector<std::pair<std::size_t, std::string>> fields = {},
                   char fill = '.') {
  std::string r(length, fill);
  for (const auto& [pos, text] : fields) r.replace(pos - 1, text.size(), text);
  return r;
}

class RepositoryTest : public ::testing::Test {
 protected:
  RepositoryTest()
      : files_(platform::makeHostFiles(root_.str())),
        clock_(std::chrono::year_month_day{std::chrono::year{2024}, std::chrono::month{3},
                                           std::chrono::day{15}}) {
    std::filesystem::create_directories(root_ / "ARCHIVI");
    config_.PERCORSOARCHIVI = "C:\\ARCHIVI";
    config_.CODICETASK = "07";
  }

  // TRBASE.DAT naming base 1 with the given record length and base 377, the F24 archive.
  void catalogue(const std::string& length1) {
    std::string text(79 * 377, ' ');
    text.replace(3, 9, "DITTE.DAT").replace(37 - length1.size(), length1.size(), length1);
    text.replace(79 * 376 + 3, 7, "F24.DAT").replace(79 * 376 + 33, 4, "9932");
    writeArchive("TRBASE.DAT", text);
  }
  void writeArchive(const std::string& name, const std::string& bytes) {
    std::ofstream(root_ / "ARCHIVI" / name, std::ios::binary) << bytes;
  }

  testing::TempDir root_;
  std::unique_ptr<platform::Files> files_;
  platform::ScriptedUi ui_;
  platform::FixedClock clock_;
  Config config_;
  ArchiveLib lib_{*files_, ui_, clock_, config_};
  Repository r{lib_};
};

TEST_F(RepositoryTest, ExtractsFieldsByTypeAndAtTheRecordsEnd) {
  // Numeric types move their first "-" to the front and put the point before the decimals;
  // blanks stay; text types come as stored; a field at the end gives fewer characters.
  // clang-format off
  struct Case { const char* descriptor; const char* stored; const char* text; double value; };
  const Case cases[] = {
      {"DIPX$,00001,12,2,0,Q900", "000001234567", "0000012345.67", 12345.67},
      {"DIPX$,00001,12,2,0,Q900", "-00000012345", "-0000000123.45", -123.45},
      {"DIPX$,00001,12,2,0,Q900", "00000012345-", "-0000001234.50", -1234.5},
      {"DIPX$,00001,10,2,0,Q900", "          ", "        .  ", 0},
      {"DIPX$,00001,05,N,0,Q900", "-1-2-", "-01-2-", -1},
      {"DIPX$,00001,05,N,0,Q900", "  42 ", "  42 ", 42},
      {"DIPX$,00001,08,6,0,Q900", "-0012345", "-00.012345", -0.012345},
      {"DIPX$,00001,02,2,0,Q900", "07", ".07", 0.07},
      {"DIPX$,00001,05,A,0,Q900", "-12  ", "-12  ", -12},
      {"DIPX$,00001,05,0,0,Q900", "00-12", "00-12", 0},
      {"DIPX$,00001,08,D,0,Q900", "31122023", "31122023", 31122023},
      {"DIPX$,00008,05,A,0,P900", "ABCDEFGHIJ", "HIJ", 0},
      {"DIPX$,00011,05,A,0,P900", "ABCDEFGHIJ", "", 0},
      {"DIPX$,00007,10,2,0,Q900", "0000001234", "1234.", 1234},
      {"DIPX$,00020,10,2,0,Q900", "0000001234", ".", 0},
      {"DIPX$,00009,10,N,0,Q900", "0000001234", "34", 34},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.descriptor) + " on " + c.stored);
    r.buffer(familyOf(c.descriptor)) = c.stored;
    EXPECT_EQ(r.STRCOSTANTE(c.descriptor), c.text);
    EXPECT_DOUBLE_EQ(r.VALCOSTANTE(c.descriptor), c.value);
  }
  for (const FamilyInfo& f : kFamilies) r.buffer(f.family) = std::string(f.name) + "-data";
  for (const FamilyInfo& f : kFamilies)
    EXPECT_EQ(r.STRCOSTANTE(std::string(f.name) + ",00001,10,A,0,X001"), r.buffer(f.family));
  EXPECT_TRUE(ui_.dialogs().empty());
}

TEST_F(RepositoryTest, ReadsRepeatedGroupsAtTheirOccurrence) {
  // clang-format off
  r.F24X() = record(9932, {{1077, "BLK01"}, {1112, "BLK02"}, {1147, "BLK03"}, {1182, "BLK04"},
                           {4117 + 105, "LAST4"}, {90, "000000067890"}, {42 + 19 * 36, "1001"}});
  // clang-format on
  const auto code0 = desc::regionField(desc::RegionField::Code, 0);
  const std::pair<int, const char*> blocks[] = {
      {0, "BLK01"}, {1, "BLK01"}, {2, "BLK02"}, {3, "BLK03"}, {4, "BLK04"}};
  for (const auto& [k, text] : blocks) EXPECT_EQ(r.STRCOSTANTE(code0, k), text) << k;
  EXPECT_EQ(r.STRCOSTANTE(desc::regionField(desc::RegionField::Code, 20), 4), "LAST4");
  EXPECT_EQ(r.STRCOSTANTE(desc::A006, 2), "0000000678.90");
  EXPECT_EQ(r.VALCOSTANTE(desc::erarioCode, 20), 1001);
  // An explicit record string wins over the buffer.
  EXPECT_EQ(r.STRCOSTANTE(code0, 3, record(9932, {{1147, "OTHER"}})), "OTHER");
  // A DI2X$ descriptor without its id letter warns and reads the first occurrence.
  r.buffer(Family::DI2X) = record(2000, {{340, "FIRST"}, {340 + 714, "SECND"}});
  EXPECT_EQ(r.STRCOSTANTE("DI2X$,00340,05,A,1,I110", 2), "SECND");
  EXPECT_TRUE(ui_.dialogs().empty());
  EXPECT_EQ(r.STRCOSTANTE("DI2X$,00340,05,A,1,X110", 2), "FIRST");
  ASSERT_EQ(ui_.dialogs().size(), 1u);
  EXPECT_EQ(ui_.dialogs()[0].text, "ERRORE REPOSITORY - LETTERA SCONOSCIUTA");
}

TEST_F(RepositoryTest, StoresAndReadsBack) {
  // Numbers are rounded, zero-filled and cut on the left with the sign in front; text is
  // blank-padded and cut on the right; type "N" keeps a point it is given.
  // clang-format off
  struct Case { std::string_view descriptor; std::int16_t k; std::size_t at;
                 const char* value; const char* stored; double back = 0; };
  const Case cases[] = {
      {"DITX$,00010,12,2,0,T900", 0, 10, "12,5", "000000001250", 12.5},
      {"DITX$,00030,05,N,0,T900", 0, 30, "-3", "-0003", -3},
      {"DITX$,00040,05,A,0,T900", 0, 40, "ABC", "ABC  "},
      {"DITX$,00050,05,A,0,T900", 0, 50, "ABCDEFG", "ABCDE"},
      {desc::paymentDate, 0, 34, "10124", "00010124", 10124},
      {desc::erarioDebit, 3, 126, "-1234.565", "-00000123457", -1234.57},
      {"F24X$,09800,08,3,0,A999", 0, 9800, "1.2345", "00001235", 1.235},
      {"F24X$,09800,08,6,0,A999", 0, 9800, "-0.5", "-0500000", -0.5},
      {"F24X$,09800,08,2,0,A999", 0, 9800, "1.5E-05", "00000000"},
      {"F24X$,09800,08,N,0,A999", 0, 9800, "1.5E+03", "001500.0", 1500},
      {"F24X$,09800,08,2,0,A999", 0, 9800, "abc", "00000000"},
      {"F24X$,09800,08,2,0,A999", 0, 9800, "", "00000000"},
      {"F24X$,09800,04,N,0,A999", 0, 9800, "123456", "3456", 3456},
      {"F24X$,09800,08,0,0,A999", 0, 9800, "7", "00000007", 7},
      {"F24X$,06061,10,2,0,AA07", 0, 6061, "1234567.895", "0123456790", 1234567.9},
      {"F24X$,06061,10,2,0,AA07", 0, 6061, "0.30000000000000004", "0000000030", 0.3},
      {"F24X$,06061,10,2,0,AA07", 0, 6061, "-0.01", "-000000001", -0.01},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.descriptor) + " <- " + c.value);
    std::string& buffer = r.buffer(familyOf(c.descriptor));
    buffer = record(9932);
    std::string value = c.value;
    r.RepoW(c.descriptor, value, c.k);
    std::string pointed = c.value;  // a comma is changed in the caller's variable
    std::replace(pointed.begin(), pointed.end(), ',', '.');
    EXPECT_EQ(value, pointed);
    EXPECT_TRUE(buffer == record(9932, {{c.at, c.stored}})) << buffer.substr(c.at - 1, 12);
    EXPECT_DOUBLE_EQ(r.VALCOSTANTE(c.descriptor, c.k), c.back);
  }
  // Into an explicit target, the buffer stays as it is.
  std::string target = record(60), date = "31122023";
  r.RepoW(desc::paymentDate, date, 0, target);
  EXPECT_EQ(target, record(60, {{34, "31122023"}}));
  EXPECT_EQ(r.F24X(), record(9932, {{6061, "-000000001"}}));
  EXPECT_TRUE(ui_.dialogs().empty());
}

// Failures end the program through the archive library's error routine: an unknown family
// with its own message and all files closed; run-time errors (offset overflow, an occurrence
// before the record's start, a field beyond the target's end) with their number and a mark in
// the ring.
TEST_F(RepositoryTest, FailuresEndTheProgram) {
  catalogue("40");
  std::string v = "1", noNumber = "1E-99999999999";
  const std::tuple<std::function<void()>, std::string, const char*> cases[] = {
      {[&] { r.STRCOSTANTE("XXXX$,00001,05,A,0,X001"); }, "ERRORE REPOSITORY - STRCOSTANTE", ""},
      {[&] { r.RepoW("ditx$,00001,05,A,0,T001", v); }, "ERRORE REPOSITORY - STRCOSTANTE", ""},
      {[&] { r.STRCOSTANTE("DI2X$,00340,05,A,1,I110", 100); }, "Errore 6 ", "RepoR"},
      {[&] { r.STRCOSTANTE(desc::erarioCode, -2); }, "Errore 5 ", "RepoR"},
      {[&] { r.RepoW(desc::erarioDebit, v, 1000); }, "Errore 6 ", "RepoW"},
      {[&] { r.RepoW(desc::A736, v); }, "Errore 5 ", "RepoW"},
      // an exponent no number has: an overflow, not its digits written out
      {[&] { r.RepoW("F24X$,00010,05,N,0,A005", noNumber); }, "Errore 6 ", "RepoW"}};
  for (const auto& [call, text, mark] : cases) {
    SCOPED_TRACE(text + mark);
    ASSERT_EQ(lib_.FAIOPEN(1), 40);
    ui_.clear();
    r.F24X() = record(200);
    try {
      call();
      ADD_FAILURE() << "the program went on";
    } catch (const ProgramEnd& e) {
      EXPECT_EQ(e.status, 3);
    }
    const auto shown = ui_.dialogs();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0].text.substr(0, text.size()), text);
    if (!*mark) {
      EXPECT_EQ(shown[0].title + shown[0].text, "ZORIR77024" + text);
      EXPECT_EQ(shown[0].icon, platform::Icon::None);
    }
    EXPECT_NE(shown[0].text.find(mark), std::string::npos);
    const auto ring = lib_.lastOperations();
    EXPECT_TRUE(!*mark || std::find(ring.begin(), ring.end(), mark) != ring.end());
    EXPECT_THROW(lib_.fileOf(1), RuntimeError) << "all files closed";
    EXPECT_EQ(r.F24X(), record(200)) << "a failed store leaves the record untouched";
  }
  // With a record string given, the family is not looked at.
  EXPECT_EQ(r.STRCOSTANTE("XXXX$,00002,03,A,0,X001", 0, "ABCDEF"), "BCD");
  std::string target = "ABCDEF", xy = "xy";
  r.RepoW("XXXX$,00002,03,A,0,X001", xy, 0, target);
  EXPECT_EQ(target, "Axy EF");
}

TEST_F(RepositoryTest, UpdatesThePaymentDateOnDisk) {
  // The payment date: the one field written back into an archive.
  catalogue("40");
  const std::string f24 = record(9932, {{1, "002"}, {42, "1001"}, {54, "000000010000"}}, '0');
  writeArchive("F24.DAT", record(9932, {}, '9') + f24);
  ASSERT_EQ(lib_.FAIOPEN(377), 9932);
  ASSERT_EQ(lib_.LEGGIREC(377, 2), 0);
  r.F24X() = lib_.BUFFERREC(377);
  ASSERT_EQ(r.VALCOSTANTE(desc::paymentDate), 0);
  std::string date = "16012024";
  r.RepoW(desc::paymentDate, date);
  lib_.BUFFERREC(377) = r.F24X();
  lib_.SCRIVIREC(377, 2);
  lib_.CHIUDIFILE(0);
  std::ifstream in(root_ / "ARCHIVI" / "F24.DAT", std::ios::binary);
  EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) ==
              record(9932, {}, '9') + std::string(f24).replace(33, 8, "16012024"))
      << "only the date's eight bytes change";
}

}  // namespace
}  // namespace zr

// The yearly F24 databases on a real archives folder: creation from the template, opening all
// 24, a damaged year, closing, and the RELEASE table.
#include "f24db/f24db.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/test_util.h"
#include "platform/ui.h"
#include "support/fault_files.h"
#include "support/tempdir.h"

namespace zr {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using testing::bytesOf;
using ::testing::HasSubstr;
using testing::runSql;
using testing::writeBytes;

// The yearly layout: row tables keyed (KDITTA, KPERIODO, KRIGO) with index <table>_CHIAVE, text
// keys without regard to case as in the originals, and RELEASE with one row.
void writeF24Database(const fs::path& file, int release = 1) {
  runSql(file, R"(
    CREATE TABLE F24ENTILOCICI (KDITTA TEXT COLLATE NOCASE, KPERIODO TEXT COLLATE NOCASE,
      KRIGO INTEGER, F24ELI_7 TEXT, F24ELI_10 REAL);
    CREATE UNIQUE INDEX F24ENTILOCICI_CHIAVE ON F24ENTILOCICI (KDITTA, KPERIODO, KRIGO);
    CREATE TABLE F24REGIONI (KDITTA TEXT COLLATE NOCASE, KPERIODO TEXT COLLATE NOCASE,
      KRIGO INTEGER, F24REG_1 TEXT, F24REG_4 REAL);
    CREATE UNIQUE INDEX F24REGIONI_CHIAVE ON F24REGIONI (KDITTA, KPERIODO, KRIGO);
    CREATE TABLE RELEASE (RELEASE INTEGER);
    INSERT INTO RELEASE VALUES ()" +
                   std::to_string(release) + ")");
}

std::string yearFile(int year) {
  return "SF24" + std::to_string(year) + ".MDB";
}

// An archives folder C:\ARCHIVI under a temporary drive root, with the library over it.
class F24Test : public ::testing::Test {
 protected:
  F24Test() {
    fs::create_directories(archives);
    config.PERCORSOARCHIVI = "C:\\ARCHIVI";
    config.CODICETASK = "01";
  }
  std::map<std::string, std::string> snapshot() const {
    std::map<std::string, std::string> all;
    for (const auto& e : fs::directory_iterator(archives))
      all[e.path().filename().string()] = bytesOf(e.path());
    return all;
  }
  void expectNoneOpen() {
    for (int y = kFirstF24Year; y <= kLastF24Year; ++y) EXPECT_FALSE(f24.isOpen(y)) << y;
  }

  testing::TempDir root;
  fs::path archives = root / "ARCHIVI";
  fs::path templateFile = archives / "SF24XXXX.MDB";
  std::unique_ptr<platform::Files> hostFiles = platform::makeHostFiles(root.str());
  testing::FaultFiles files{*hostFiles};
  platform::ScriptedUi ui;
  platform::FixedClock clock{std::chrono::year{2024} / 3 / 1};
  Config config;
  ArchiveLib lib{files, ui, clock, config};
  std::unique_ptr<platform::DatabaseEngine> engine = platform::makeDatabaseEngine(files);
  F24Databases f24{lib, *engine};
};

TEST_F(F24Test, PrepareCopiesTheTemplateOnlyWhereAYearIsMissing) {
  writeF24Database(templateFile);
  const std::string tmpl = bytesOf(templateFile);
  // Years that already hold data, one of them not readable right now.
  writeF24Database(archives / yearFile(2010), 4);
  writeBytes(archives / yearFile(2023), "payroll data, not a copy");
  writeBytes(archives / yearFile(2030), "held by another program");
  // Held by another program: it cannot be opened.
  files.inject(testing::fail(testing::Call::Open, 70).on("SF242030.MDB").fromThenOn());
  auto expected = snapshot();
  for (int y = kFirstF24Year; y <= kLastF24Year; ++y) expected.try_emplace(yearFile(y), tmpl);

  ASSERT_TRUE(f24.PREPARAF24());
  EXPECT_TRUE(ui.dialogs().empty());
  EXPECT_EQ(snapshot(), expected);  // the template and 24 years, nothing else
  // A year deleted meanwhile comes back from the template on the next run; the rest stay.
  fs::remove(archives / yearFile(2015));
  ASSERT_TRUE(f24.PREPARAF24());
  EXPECT_EQ(snapshot(), expected);
}

TEST_F(F24Test, MissingTemplateStopsAndClosesTheArchivesEvenWhenEveryYearExists) {
  for (int y = kFirstF24Year; y <= kLastF24Year; ++y) writeF24Database(archives / yearFile(y));
  // A catalogue naming DITTE.DAT with 10-byte records, and that archive open beforehand.
  std::string catalogue(79, ' ');
  catalogue.replace(2, 1, "1").replace(3, 10, "\\DITTE.DAT").replace(35, 2, "10");
  writeBytes(archives / "TRBASE.DAT", catalogue.replace(77, 2, "\r\n"));
  writeBytes(archives / "DITTE.DAT", std::string(10, '1'));
  ASSERT_EQ(lib.FAIOPEN(1), 10);
  ASSERT_NE(lib.NUMFILE(1), 0);
  const auto before = snapshot();

  EXPECT_FALSE(f24.PREPARAF24());
  ASSERT_EQ(ui.dialogs().size(), 1u);
  EXPECT_EQ(ui.dialogs()[0].icon, platform::Icon::Information);
  EXPECT_EQ(ui.dialogs()[0].title, "Gestionde ACQUSIZIONE 770");
  EXPECT_EQ(ui.dialogs()[0].text, "Non esiste file F24ENTI... contattare VerantiData Daduzor");
  EXPECT_EQ(lib.NUMFILE(1), 0);
  EXPECT_EQ(snapshot(), before);
}

TEST_F(F24Test, OpenCloseAndReadTheReleaseOfTheReferenceYear) {
  writeF24Database(templateFile);
  writeF24Database(archives / yearFile(2023), 7);
  ASSERT_TRUE(f24.PREPARAF24());
  f24.CHIUDIF24();  // before any open: nothing happens
  EXPECT_EQ(testing::errorOf([&] { f24.DBF24(2023); }).number(), 91);

  f24.APRIF24();
  for (int y = kFirstF24Year; y <= kLastF24Year; ++y) ASSERT_TRUE(f24.isOpen(y)) << y;
  EXPECT_EQ(f24.DBF24(2019).path(), "C:\\ARCHIVI\\SF242019.MDB");
  EXPECT_EQ(testing::errorOf([&] { f24.DBF24(2031); }).number(), 91);
  f24.APRIRELEASE();
  ASSERT_TRUE(f24.RSRELEASE && !f24.RSRELEASE->eof());
  EXPECT_EQ(f24.RSRELEASE->field("release").asNumber(), 7);

  auto rows = f24.DBF24(2024).openTable("F24ENTILOCICI");
  EXPECT_EQ(rows->recordCount(), 0);
  f24.CHIUDIF24();
  expectNoneOpen();
  EXPECT_EQ(testing::errorOf([&] { rows->eof(); }).number(), 3420);
  f24.CHIUDIF24();  // twice: nothing visible
  EXPECT_TRUE(ui.dialogs().empty());
}

TEST_F(F24Test, ADatabaseThatCannotBeOpenedEndsTheCommandNamingIt) {
  writeF24Database(templateFile);
  ASSERT_TRUE(f24.PREPARAF24());
  std::mt19937 random(24);
  std::string garbage(4096, '\0'), damaged = bytesOf(templateFile);
  for (char& c : garbage) c = static_cast<char>(random());
  for (std::size_t i = 100; i < damaged.size(); ++i) damaged[i] = static_cast<char>(random());
  const struct {
    std::optional<std::string> bytes;  // nullopt: the year deleted after the preparation
    std::vector<const char*> named;
  } cases[] = {{garbage, {"Errore N.3343", "Unrecognized database format"}},
               {std::nullopt, {"Errore N.3024"}},
               {damaged, {"Errore N.3049"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.named[0]);
    ui.clear();
    fs::remove(archives / yearFile(2015));
    if (c.bytes) writeBytes(archives / yearFile(2015), *c.bytes);
    const auto before = snapshot();
    try {
      f24.APRIF24();
      ADD_FAILURE() << "no CommandAborted";
    } catch (const CommandAborted& a) {
      EXPECT_EQ(a.status, 3);
    }
    ASSERT_EQ(ui.dialogs().size(), 1u);
    EXPECT_EQ(ui.dialogs()[0].icon, platform::Icon::Critical);
    EXPECT_EQ(ui.dialogs()[0].title, "Gestionde ACQUSIZIONE 770");
    EXPECT_THAT(ui.dialogs()[0].text, HasSubstr("C:\\ARCHIVI\\SF242015.MDB"));
    for (const char* n : c.named) EXPECT_THAT(ui.dialogs()[0].text, HasSubstr(n));
    expectNoneOpen();
    EXPECT_EQ(snapshot(), before);
  }

  // The reference year without its RELEASE table ends the command the same way.
  ui.clear();
  fs::remove(archives / yearFile(2015));
  writeBytes(archives / yearFile(2023), "");
  runSql(archives / yearFile(2023), "CREATE TABLE OTHER (A INTEGER)");
  ASSERT_TRUE(f24.PREPARAF24());
  f24.APRIF24();
  EXPECT_THROW(f24.APRIRELEASE(), CommandAborted);
  ASSERT_EQ(ui.dialogs().size(), 1u);
  EXPECT_THAT(ui.dialogs()[0].text, AllOf(HasSubstr("C:\\ARCHIVI\\SF242023.MDB"),
                                          HasSubstr("Errore N.3078"), HasSubstr("RELEASE")));
  EXPECT_FALSE(f24.RSRELEASE);
  expectNoneOpen();
}

}  // namespace
}  // namespace zr

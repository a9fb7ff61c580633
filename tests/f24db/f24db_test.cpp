// The yearly F24 databases on a real archives folder: creation from the template, opening all
// 24, a damaged year, closing, and the RELEASE table.
#include "f24db/f24db.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>

#include "f24_template.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "support/tempdir.h"

namespace zr {
namespace {

namespace fs = std::filesystem;
using platform::ScriptedUi;
using ::testing::AllOf;
using ::testing::HasSubstr;

std::string bytesOf(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// The number of the RuntimeError that body throws (0 when it throws none).
int errorNumber(const std::function<void()>& body) {
  try {
    body();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

std::string yearFile(int year) {
  return "SF24" + std::to_string(year) + ".MDB";
}

// A files backend on which chosen names cannot be opened, as when another program holds them.
class LockedFiles : public platform::FilesWrapper {
 public:
  using FilesWrapper::FilesWrapper;
  std::unique_ptr<platform::File> open(std::string_view p, platform::OpenMode m) override {
    if (p.ends_with(locked)) throw RuntimeError::of(70, std::string(p));
    return target_.open(p, m);
  }
  bool exists(std::string_view p) override { return !p.ends_with(locked) && target_.exists(p); }
  std::string locked = "\x01";
};

// An archives folder C:\ARCHIVI under a temporary drive root, with the library over it.
class F24Test : public ::testing::Test {
 protected:
  F24Test() {
    fs::create_directories(archives());
    config.PERCORSOARCHIVI = "C:\\ARCHIVI";
    config.CODICETASK = "01";
  }

  fs::path archives() const { return root.path() / "ARCHIVI"; }
  fs::path templateFile() const { return archives() / "SF24XXXX.MDB"; }

  // Every file of the archives folder with its bytes.
  std::map<std::string, std::string> snapshot() const {
    std::map<std::string, std::string> all;
    for (const auto& e : fs::directory_iterator(archives())) {
      all[e.path().filename().string()] = bytesOf(e.path());
    }
    return all;
  }

  std::vector<std::string> dialogTexts() const {
    std::vector<std::string> out;
    for (const auto& d : ui.dialogs()) out.push_back(d.title + "|" + d.text);
    return out;
  }

  void expectNoneOpen() {
    for (int y = kFirstF24Year; y <= kLastF24Year; ++y) EXPECT_FALSE(f24.isOpen(y)) << y;
  }

  testing::TempDir root;
  std::unique_ptr<platform::Files> hostFiles = platform::makeHostFiles(root.str());
  LockedFiles files{*hostFiles};
  ScriptedUi ui;
  platform::FixedClock clock{std::chrono::year_month_day{
      std::chrono::year{2024}, std::chrono::month{3}, std::chrono::day{1}}};
  Config config;
  ArchiveLib lib{files, ui, clock, config};
  std::unique_ptr<platform::DatabaseEngine> engine = platform::makeDatabaseEngine(files);
  F24Databases f24{lib, *engine};
};

TEST_F(F24Test, NamesAreBuiltFromTheArchivesFolder) {
  EXPECT_EQ(F24Databases::yearlyName("C:\\ARCHIVI", 2007), "C:\\ARCHIVI\\SF242007.MDB");
  EXPECT_EQ(F24Databases::templateName("C:\\ARCHIVI"), "C:\\ARCHIVI\\SF24XXXX.MDB");
}

TEST_F(F24Test, PrepareCopiesTheTemplateOnlyWhereAYearIsMissing) {
  testing::writeF24Database(templateFile());
  const std::string tmpl = bytesOf(templateFile());
  // Years that already hold data, one of them not readable right now.
  testing::writeF24Database(archives() / yearFile(2010), 4);
  testing::runSql(archives() / yearFile(2010),
                  "INSERT INTO F24REGIONI VALUES ('001', '201001', 11, 'LOMBARDIA', 1, 2)");
  writeBytes(archives() / yearFile(2023), "payroll data, not a copy");
  writeBytes(archives() / yearFile(2030), "held by another program");
  files.locked = "SF242030.MDB";
  const auto before = snapshot();

  ASSERT_TRUE(f24.PREPARAF24());
  EXPECT_TRUE(ui.dialogs().empty());
  const auto after = snapshot();
  EXPECT_EQ(after.size(), 25u);  // the template and 24 years, nothing else
  for (int y = kFirstF24Year; y <= kLastF24Year; ++y) {
    ASSERT_TRUE(after.count(yearFile(y))) << y;
    if (before.count(yearFile(y))) {
      EXPECT_EQ(after.at(yearFile(y)), before.at(yearFile(y))) << y;
    } else {
      EXPECT_EQ(after.at(yearFile(y)), tmpl) << y;
    }
  }
  EXPECT_EQ(after.at("SF24XXXX.MDB"), tmpl);

  // A year deleted meanwhile comes back from the template on the next run; the rest stay.
  fs::remove(archives() / yearFile(2015));
  ASSERT_TRUE(f24.PREPARAF24());
  EXPECT_EQ(snapshot(), after);
}

TEST_F(F24Test, MissingTemplateStopsEvenWhenEveryYearExists) {
  for (int y = kFirstF24Year; y <= kLastF24Year; ++y) {
    testing::writeF24Database(archives() / yearFile(y));
  }
  // An archive open beforehand, to see that the stop closes it.
  std::string catalogue(79, ' ');
  catalogue.replace(2, 1, "1");
  catalogue.replace(3, 10, "\\DITTE.DAT");
  catalogue.replace(35, 2, "10");
  catalogue.replace(77, 2, "\r\n");
  writeBytes(archives() / "TRBASE.DAT", catalogue);
  writeBytes(archives() / "DITTE.DAT", std::string(10, '1'));
  ASSERT_EQ(lib.FAIOPEN(1), 10);
  ASSERT_NE(lib.NUMFILE(1), 0);
  const auto before = snapshot();

  EXPECT_FALSE(f24.PREPARAF24());
  ASSERT_EQ(ui.dialogs().size(), 1u);
  EXPECT_EQ(ui.dialogs()[0].icon, platform::Icon::Information);
  EXPECT_EQ(dialogTexts()[0],
            "Gestionde ACQUSIZIONE 770|Non esiste file F24ENTI... contattare VerantiData Daduzor");
  EXPECT_EQ(lib.NUMFILE(1), 0);
  EXPECT_EQ(snapshot(), before);
}

TEST_F(F24Test, OpenCloseAndReadTheReleaseOfTheReferenceYear) {
  testing::writeF24Database(templateFile());
  testing::writeF24Database(archives() / yearFile(2023), 7);
  testing::runSql(archives() / yearFile(2023),
                  "INSERT INTO F24ENTILOCICI (KDITTA, KPERIODO, KRIGO, F24ELI_7, F24ELI_10) "
                  "VALUES ('001', '202305', 11, ' H501 ', 120.5)");
  ASSERT_TRUE(f24.PREPARAF24());

  f24.CHIUDIF24();  // before any open: nothing happens
  EXPECT_EQ(errorNumber([&] { f24.DBF24(2023); }), 91);

  f24.APRIF24();
  for (int y = kFirstF24Year; y <= kLastF24Year; ++y) ASSERT_TRUE(f24.isOpen(y)) << y;
  EXPECT_EQ(f24.DBF24(2019).path(), "C:\\ARCHIVI\\SF242019.MDB");
  EXPECT_EQ(errorNumber([&] { f24.DBF24(2031); }), 91);

  f24.APRIRELEASE();
  ASSERT_TRUE(f24.RSRELEASE);
  ASSERT_FALSE(f24.RSRELEASE->eof());
  EXPECT_EQ(f24.RSRELEASE->field("release").asNumber(), 7);
  f24.RSRELEASE->close();

  auto rows = f24.DBF24(2023).openTable("F24ENTILOCICI");
  rows->setIndex("CHIAVE");
  rows->seek("=", {"001", "202305", 11.0});
  ASSERT_FALSE(rows->noMatch());
  EXPECT_EQ(rows->field("F24ELI_10").asNumber(), 120.5);
  EXPECT_EQ(f24.DBF24(2024).openTable("F24ENTILOCICI")->recordCount(), 0);

  f24.CHIUDIF24();
  expectNoneOpen();
  EXPECT_EQ(errorNumber([&] { rows->field("F24ELI_7"); }), 3420);
  f24.CHIUDIF24();  // twice: nothing visible
  EXPECT_TRUE(ui.dialogs().empty());
}

TEST_F(F24Test, ADatabaseThatCannotBeOpenedEndsTheCommandNamingIt) {
  testing::writeF24Database(templateFile());
  ASSERT_TRUE(f24.PREPARAF24());
  std::mt19937 random(24);
  std::string garbage(4096, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  writeBytes(archives() / yearFile(2015), garbage);
  const auto before = snapshot();

  EXPECT_THROW(
      {
        try {
          f24.APRIF24();
        } catch (const CommandAborted& a) {
          EXPECT_EQ(a.status, 3);
          throw;
        }
      },
      CommandAborted);
  ASSERT_EQ(ui.dialogs().size(), 1u);
  EXPECT_EQ(ui.dialogs()[0].icon, platform::Icon::Critical);
  EXPECT_EQ(ui.dialogs()[0].title, "Gestionde ACQUSIZIONE 770");
  EXPECT_THAT(ui.dialogs()[0].text,
              AllOf(HasSubstr("C:\\ARCHIVI\\SF242015.MDB"), HasSubstr("Errore N.3343"),
                    HasSubstr("Unrecognized database format")));
  expectNoneOpen();
  EXPECT_EQ(snapshot(), before);

  // The same for a year deleted after the preparation, and one whose pages are damaged.
  ui.clear();
  fs::remove(archives() / yearFile(2015));
  EXPECT_THROW(f24.APRIF24(), CommandAborted);
  ASSERT_EQ(ui.dialogs().size(), 1u);
  EXPECT_THAT(ui.dialogs()[0].text,
              AllOf(HasSubstr("Errore N.3024"), HasSubstr("C:\\ARCHIVI\\SF242015.MDB")));
  expectNoneOpen();

  ui.clear();
  std::string damaged = bytesOf(templateFile());
  for (std::size_t i = 100; i < damaged.size(); ++i) damaged[i] = static_cast<char>(random());
  writeBytes(archives() / yearFile(2015), damaged);
  EXPECT_THROW(f24.APRIF24(), CommandAborted);
  ASSERT_EQ(ui.dialogs().size(), 1u);
  EXPECT_THAT(ui.dialogs()[0].text,
              AllOf(HasSubstr("Errore N.3049"), HasSubstr("C:\\ARCHIVI\\SF242015.MDB")));
  expectNoneOpen();
  EXPECT_EQ(bytesOf(archives() / yearFile(2015)), damaged);
}

TEST_F(F24Test, AReferenceYearWithoutReleaseTableEndsTheCommand) {
  testing::writeF24Database(templateFile());
  testing::runSql(archives() / yearFile(2023), "CREATE TABLE OTHER (A INTEGER)");
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

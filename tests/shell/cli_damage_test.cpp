// Damaged archives and hostile bytes through the command line, on installations built on disk:
// a company archive cut short or with a record under another number, payment and employee
// archives cut short, an archive that cannot be opened, control bytes in company names and
// standard output that cannot be written.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "shell_fixture.h"

namespace zr::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kArchives = "C:\\KORVANTE\\ARCHIVI\\";
constexpr std::uintmax_t kCompanyRecord = 6500, kEmployeeRecord = 16200, kF24Record = 9940;

class CliDamageTest : public CliTest {
 protected:
  fs::path archive(const std::string& name) const { return host(kArchives + name); }

  // An earlier run's front page in place and the export files in the folder afterwards.
  void plantPreviousExport() { writeHostFile(archive("FRONTE.V24"), "OLD"); }
  void expectPreviousExportOnly() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(archive("")))
      if (e.path().filename().string().find(".V24") != std::string::npos)
        names.push_back(e.path().filename().string());  // temporaries included
    EXPECT_EQ(names, std::vector<std::string>{"FRONTE.V24"});
    EXPECT_EQ(readHostFile(archive("FRONTE.V24")), "OLD");
  }

  // A fresh installation of one company with an earlier run's front page.
  void buildOneCompanyIn(const TempDir& installation) {
    root = installation.str();
    build({company(1, "ALFA SRL")});
    plantPreviousExport();
  }

  // zorir770 on the installation with its standard output going to /dev/full.
  CliRun onFullDisk(const std::vector<std::string>& rest) {
#ifdef _WIN32
    (void)rest;
    return {};
#else
    const fs::path err = dir / "full.err";
    std::string cmd = testing::quoted(ZR_CLI_PATH) + " --root " + testing::quoted(root) +
                      " --registry " + testing::quoted(registryPath());
    for (const auto& a : rest) cmd += " " + testing::quoted(a);
    cmd += " </dev/null >/dev/full 2>" + testing::quoted(err.string());
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, "", readHostFile(err)};
#endif
  }
};

TEST_F(CliDamageTest, ACompanyArchiveCutShortListsWhatIsCompleteAndRefusesTheExport) {
  build({company(1, "ALFA SRL"), company(2, "BETA SNC", 1), company(3, "GAMMA SPA"),
         company(4, "DELTA SAS")});
  plantPreviousExport();
  // A copy that stopped half-way through the fourth company.
  const std::uintmax_t cut = 3 * kCompanyRecord + 100;
  fs::resize_file(archive("KVDITTE.DAT"), cut);

  CliRun list = on({"companies"});
  EXPECT_EQ(list.status, 0) << list.err;
  ASSERT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 3) << list.out;
  EXPECT_EQ(list.out.find("DELTA"), std::string::npos);
  EXPECT_EQ(list.out.substr(0, 12), "001 ALFA SRL");

  CliRun r = on({"export", "--all"});
  EXPECT_EQ(r.status, 1) << r.err;
  for (const std::string& said : {std::string("ARCHIVIO AZIENDE DANNEGGIATO"),
                                  std::string("KVDITTE.DAT"), std::to_string(cut) + " byte",
                                  std::string("(6500 byte)")})
    EXPECT_TRUE(r.saidInErr(said)) << said << "\n" << r.err;
  EXPECT_FALSE(r.saidInErr("terminata")) << r.err;
  expectPreviousExportOnly();
  EXPECT_EQ(fs::file_size(archive("KVDITTE.DAT")), cut) << "the archive is left as it was";
}

TEST_F(CliDamageTest, ACompanyRecordUnderAnotherNumberRefusesTheExport) {
  // Record 2 carries company 003, and record 3 is company 003 too: exported, 003 would be
  // written twice and 002 lost.
  demo::CompanyRecord misfiled = company(2, "BETA SNC");
  misfiled.fields.push_back({"DITX$,00003,03,N,0,T001", "3", 0});
  build({company(1, "ALFA SRL"), misfiled, company(3, "GAMMA SPA"), voidCompany(4),
         company(5, "EPSILON SRL")});
  plantPreviousExport();

  CliRun r = on({"export", "--select", "1"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(r.saidInErr("ARCHIVIO AZIENDE DANNEGGIATO")) << r.err;
  EXPECT_TRUE(r.saidInErr("il record numero 2 dell'archivio")) << r.err;
  EXPECT_TRUE(r.saidInErr("porta il codice azienda 003 invece di 2")) << r.err;
  expectPreviousExportOnly();

  // Void records and records filed under their own number pass: the same installation with
  // record 2 mended exports.
  demo::InstallationBuilder b(root);
  b.putCompany(company(2, "BETA SNC"));
  b.close();
  CliRun mended = on({"export", "--select", "1"});
  EXPECT_EQ(mended.status, 0) << mended.err;
  EXPECT_EQ(readHostFile(archive("FRONTE.V24")).substr(0, 3), "001");
}

TEST_F(CliDamageTest, PaymentOrEmployeeArchiveCutShortFailsTheRunNamingIt) {
  struct Case {
    const char* file;
    std::uintmax_t record;
  } cases[] = {{"KVF24.DAT", kF24Record}, {"KVDIPEND.DAT", kEmployeeRecord}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TempDir installation;
    buildOneCompanyIn(installation);
    const std::uintmax_t cut = 2 * c.record + 17;
    fs::resize_file(archive(c.file), cut);

    CliRun r = on({"export", "--all"});
    EXPECT_EQ(r.status, 3) << r.err;
    for (const std::string& said :
         {std::string("NON ESEGUITA"), std::string("Fase: controllo archivi"),
          std::string(c.file), std::to_string(cut) + " byte",
          "(" + std::to_string(c.record) + " byte)"})
      EXPECT_TRUE(r.saidInErr(said)) << said << "\n" << r.err;
    EXPECT_FALSE(r.saidInErr("terminata")) << r.err;
    expectPreviousExportOnly();
  }
}

TEST_F(CliDamageTest, AnArchiveThatCannotBeOpenedIsNamedByItsStep) {
  struct Case {
    const char* file;
    const char* step;
  } cases[] = {{"KVDIPEND.DAT", "Fase: apertura archivio base 29"},
               {"KVF24.DAT", "Fase: apertura archivio base 377"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TempDir installation;
    buildOneCompanyIn(installation);
    // A folder where the archive should be: no open can succeed.
    fs::remove(archive(c.file));
    fs::create_directory(archive(c.file));

    CliRun r = on({"export", "--all"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_TRUE(r.saidInErr(c.step)) << r.err;
    EXPECT_FALSE(r.saidInErr("apertura database F24")) << r.err;
    expectPreviousExportOnly();
  }
}

TEST_F(CliDamageTest, ControlBytesInANameAreShownReplacedAndExportedAsStored) {
  const std::string name = "AB\nCD\rEF\x1b[2J\x7fG\xC8";  // 15 bytes
  build({company(1, name), company(2, "BETA SNC")});

  CliRun list = on({"companies"});
  EXPECT_EQ(list.status, 0) << list.err;
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(list.out, "001 AB" + fffd + "CD" + fffd + "EF" + fffd + "[2J" + fffd + "G\xC3\x88" +
                          std::string(15, ' ') + "\n002 BETA SNC" + std::string(22, ' ') + "\n");

  CliRun r = on({"export", "--all"});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string front = readHostFile(archive("FRONTE.V24"));
  ASSERT_EQ(front.size(), 2u * 1964);
  EXPECT_EQ(front.substr(73, name.size()), name) << "positions 74-133 keep the stored bytes";
}

TEST_F(CliDamageTest, OutputThatCannotBeWrittenSaysSo) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no device that refuses every write, as /dev/full does";
#endif
  build({company(1, "ALFA SRL")});
  writeHostFile(taskPath(), "05\r\n");

  CliRun companies = onFullDisk({"companies"});
  EXPECT_EQ(companies.status, 3);
  EXPECT_TRUE(companies.saidInErr("zorir770: cannot write the company list to standard output"))
      << companies.err;
  EXPECT_TRUE(companies.saidInErr("No space left on device")) << companies.err;

  CliRun help = onFullDisk({"--help"});
  EXPECT_EQ(help.status, 3);
  EXPECT_TRUE(help.saidInErr("cannot write the help text")) << help.err;

  // A committed export stays a success: its files are in place, the lost summary is named.
  CliRun exported = onFullDisk({"export", "--all"});
  EXPECT_EQ(exported.status, 0) << exported.err;
  EXPECT_TRUE(exported.saidInErr("cannot write the list of exported files")) << exported.err;
  EXPECT_TRUE(exported.saidInErr("the export itself succeeded")) << exported.err;
  EXPECT_EQ(readHostFile(archive("FRONTE.V24")).size(), 1964u);
}

// A folder in which no file can be created, not even by root (where the file system allows
// marking it immutable), for the object's life.
class FrozenFolder {
 public:
  explicit FrozenFolder(fs::path dir) : dir_(std::move(dir)) {
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    if (!refusesFiles()) {
      immutable_ = std::system(("chattr +i " + quoted(dir_.string()) + " 2>/dev/null").c_str()) == 0;
    }
    frozen_ = refusesFiles();
  }
  ~FrozenFolder() {
    if (immutable_) std::system(("chattr -i " + quoted(dir_.string()) + " 2>/dev/null").c_str());
    fs::permissions(dir_, fs::perms::owner_all);
  }
  explicit operator bool() const { return frozen_; }

 private:
  bool refusesFiles() const {
    const fs::path probe = dir_ / "probe";
    if (std::FILE* f = std::fopen(probe.string().c_str(), "w")) {
      std::fclose(f);
      fs::remove(probe);
      return false;
    }
    return true;
  }
  fs::path dir_;
  bool immutable_ = false;
  bool frozen_ = false;
};

TEST_F(CliDamageTest, ATaskFileThatCannotBeRewrittenAfterTheExportIsAWarning) {
  build({company(1, "ALFA SRL")});
  writeHostFile(taskPath(), "05\r\n");
  // The task file's folder takes no new file: the rewrite at the end fails.
  const FrozenFolder frozen(taskPath().parent_path());
  if (!frozen) GTEST_SKIP() << "this file system lets every user create files anywhere";

  CliRun exported = on({"--yes", "export", "--all"});
  EXPECT_EQ(exported.status, 0) << exported.err;
  EXPECT_TRUE(exported.saidInErr("the task file could not be rewritten")) << exported.err;
  EXPECT_TRUE(exported.saidInErr("the export, if one ran) succeeded")) << exported.err;
  EXPECT_EQ(readHostFile(archive("FRONTE.V24")).size(), 1964u);
  EXPECT_EQ(taskFile(), "05\r\n");

  // A command that failed keeps its failure.
  CliRun refused = on({"--yes", "export", "--select", "001", "--select", "999"});
  EXPECT_NE(refused.status, 0);
}

}  // namespace
}  // namespace zr::testing

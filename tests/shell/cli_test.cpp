// The command line end to end, as a user runs it: zorir770 in a child process on an
// installation built on disk; its output, its messages, its exit statuses and the files it
// leaves behind.
#include <gtest/gtest.h>

#include <algorithm>

#include "shell_fixture.h"
#include "support/tree.h"

namespace zr::testing {
namespace {

namespace fs = std::filesystem;

// An empty word where a command or a positional may stand made the parser loop for ever; it is
// a usage error, while an empty option value ("--root ''", the default) stays one.
TEST(CliWords, AnEmptyWordIsAUsageErrorUnlessAnOptionsValue) {
  TempDir dir;
  const std::vector<std::vector<std::string>> refused = {
      {"export", "", "--x"},          {"list", "erario", "", "--all"},
      {"verify", "", "-x"},           {"", "--yes"},
      {"verify", "--all", "", "--x"}, {"--yes", "", "export", "--all"}};
  for (const auto& args : refused) {
    const CliRun r = runCli(dir.path(), args, 20);
    EXPECT_EQ(r.status, 2) << args[0] << " " << r.err;
    EXPECT_TRUE(r.saidInErr("is empty, and only an option's value may be")) << r.err;
    EXPECT_EQ(r.out, "");
  }
  const CliRun help = runCli(dir.path(), {"--root", "", "--registry", "", "--help"}, 20);
  EXPECT_EQ(help.status, 0) << help.err;
  EXPECT_NE(help.out.find("--registry"), std::string::npos) << help.out;
}

TEST_F(CliTest, CompaniesPrintsTheListInUtf8AndEndsThroughTheExit) {
  demo::SkeletonOptions o;
  o.taskLine = "3 LAVORO";
  build(o, {voidCompany(1), company(2, "CAFF\xC8 ROMA"), company(3, "BETA", 2)});

  CliRun r = on({"companies"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "002 CAFF\xC3\x88 ROMA                    \n"
            "003 BETA                           Azienda presentatrice 770:002 CAFF\xC3\x88 ROMA"
            "                    \n");
  // The load's reminder went to stderr, titled with the form's caption.
  EXPECT_TRUE(r.saidInErr(kCaption + ": Si ricorda all' Utente")) << r.err;
  EXPECT_EQ(taskFile(), endedTask("3"));
}

TEST_F(CliTest, LoadsThatEndTheProgramAreNoSuccess) {
  struct Case {
    const char* what;
    void (*breakIt)(demo::SkeletonOptions&);
    std::string message, taskAfter;
  } cases[] = {
      {"no configuration", [](auto& o) { o.registry = o.pathFiles = false; },
       "Korvante: ERRORE DI CONFIGURAZIONE! CONTROLLARE I PERCORSI DI Korvante CON IL PROGRAMMA "
       "KVPERCORSO",
       "09\r\n"},  // no file written
      {"no F24 template", [](auto& o) { o.f24Template = false; },
       "Non esiste file F24ENTI... contattare VerantiData Daduzor",
       endedTask("09")},  // ended through the exit
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir installation;
    root = installation.str();
    demo::SkeletonOptions options;
    c.breakIt(options);
    build(options, {company(1, "ALFA SRL")});
    writeHostFile(taskPath(), "09\r\n");
    CliRun r = on({"companies"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "");  // the command never ran
    EXPECT_TRUE(r.saidInErr(c.message)) << r.err;
    EXPECT_EQ(taskFile(), c.taskAfter);
  }
}

TEST_F(CliTest, APathFileNamingAFolderWindowsCouldNotNameIsAConfigurationError) {
  struct Case {
    const char* pathFile;
    std::string value, shown;
  } cases[] = {
      {"C:\\RORIZIDO\\TRPERARK.TRP", "C:\\KORVANTE|X\\ARCHIVI", "C:\\KORVANTE|X\\ARCHIVI"},
      {"C:\\RORIZIDO\\TRPERARK.TRP", "C:\\KORVANTE\\ARCHIVI\x1b[2J",
       "C:\\KORVANTE\\ARCHIVI<1B>[2J"},
      {"C:\\RORIZIDO\\TRPERPRO.TRP", "C:\\KORVANTE\\PRO\"GRAMMI", "C:\\KORVANTE\\PRO\"GRAMMI"},
      {"C:\\RORIZIDO\\TRPERPRO.TRP", "C:\\KORVANTE\\PRO:GRAMMI", "C:\\KORVANTE\\PRO:GRAMMI"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    TempDir installation;
    root = installation.str();
    demo::SkeletonOptions options;
    options.registry = false;
    build(options, {company(1, "ALFA SRL")});
    writeHostFile(taskPath(), "09\r\n");
    // The folder exists on the host with everything in it: only its name is wrong.
#ifndef _WIN32  // Windows cannot make a folder of such a name: the name alone is refused
    const bool archives = std::string_view(c.pathFile).find("ARK") != std::string_view::npos;
    testing::copyFolder(host(archives ? "C:\\KORVANTE\\ARCHIVI" : "C:\\KORVANTE\\PROGRAMMI"),
                        host(c.value));
#endif
    writeHostFile(host(c.pathFile), c.value + "\r\n");

    CliRun r = on({"companies"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(r.out, "");  // the command never ran
    EXPECT_TRUE(
        r.saidInErr("Korvante: ERRORE DI CONFIGURAZIONE! CONTROLLARE I PERCORSI DI "
                    "Korvante CON IL PROGRAMMA KVPERCORSO\n" +
                    std::string(c.pathFile) + ": PERCORSO NON VALIDO \"" + c.shown +
                    "\" (CARATTERI NON AMMESSI IN UN NOME)\n"))
        << r.err;
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << "no raw control byte reaches the terminal";
    EXPECT_EQ(taskFile(), "09\r\n") << "no file written";
  }
}

TEST_F(CliTest, UsageErrorsExitWithTwoAndTouchNothing) {
  build({company(1, "ALFA SRL")});
  writeHostFile(taskPath(), "04\r\n");
  const std::vector<std::string> usages[] = {
      {},
      {"frobnicate"},
      {"companies", "--bogus"},
      {"companies", "extra"},
      {"export"},  // neither --select nor --all
      {"export", "--all", "--select", "1"},
  };
  for (const auto& rest : usages) {
    SCOPED_TRACE(rest.empty() ? "(none)" : rest.back());
    CliRun r = on(rest);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.out.find("ALFA"), std::string::npos);
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ(taskFile(), "04\r\n");
  }
  EXPECT_EQ(cli({"--root"}).status, 2);
  CliRun help = cli({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* word : {"--root", "--registry", "--yes", "companies", "export"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

TEST_F(CliTest, AnotherInstanceOnTheInstallationExitsWithOne) {
  build({company(1, "ALFA SRL")});
  writeHostFile(taskPath(), "06\r\n");
  auto running = makeApp();
  RIZ770_Load(*running);

  CliRun r = on({"companies"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(r.saidInErr("another instance is running on this installation")) << r.err;
  EXPECT_EQ(taskFile(), "06\r\n");

  running.reset();
  EXPECT_EQ(on({"companies"}).status, 0);
}

class CliExportTest : public CliTest {
 protected:
  // Company 2 is presented by 1; an earlier run's front-page file is in place.
  void SetUp() override {
    build({company(1, "ALFA SRL"), company(2, "BETA SNC", 1), company(3, "GAMMA SPA")});
    writeHostFile(host(kFront), "OLD");
    writeHostFile(taskPath(), "01\r\n");
  }
  static constexpr const char* kFront = "C:\\KORVANTE\\ARCHIVI\\FRONTE.V24";
  // Nothing exported: the earlier front page is the only export file.
  void expectNothingExported() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(host("C:\\KORVANTE\\ARCHIVI")))
      if (e.path().extension() == ".V24") names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"FRONTE.V24"});
    EXPECT_EQ(readHostFile(host(kFront)), "OLD");
  }
};

TEST_F(CliExportTest, UnknownCodeIsAUsageErrorAndTouchesNothing) {
  CliRun r = on({"export", "--select", "1,7,x2"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.saidInErr("\"7\"")) << r.err;
  EXPECT_TRUE(r.saidInErr("\"x2\"")) << r.err;
  EXPECT_FALSE(r.saidInErr("\"1\"")) << r.err;
  expectNothingExported();
  EXPECT_EQ(taskFile(), "01\r\n");
}

TEST_F(CliExportTest, RefusedOrFailedRunsEndThroughTheExitWithoutExporting) {
  CliRun refused = on({"export", "--select", "2"});  // its presenter 001 left out
  EXPECT_EQ(refused.status, 1) << refused.err;
  EXPECT_TRUE(refused.saidInErr("Attenzione e' stata selezionata una azienda")) << refused.err;
  expectNothingExported();
  EXPECT_EQ(taskFile(), endedTask("01"));

  // A yearly database that cannot be opened stops the run before any export file is written.
  writeHostFile(taskPath(), "01\r\n");
  writeHostFile(host("C:\\KORVANTE\\ARCHIVI\\SF242015.MDB"), "not a database at all");
  CliRun failed = on({"export", "--all"});
  EXPECT_EQ(failed.status, 3) << failed.err;
  EXPECT_TRUE(failed.saidInErr("SF242015.MDB")) << failed.err;
  expectNothingExported();
  EXPECT_EQ(taskFile(), endedTask("01"));
}

TEST_F(CliExportTest, CodesCountAsNumbersAndTheRunEndsThroughTheExit) {
  // "01", "1" and "001" are one company; 2 comes with its presenter.
  CliRun r = on({"export", "--select", "01,2,001,1", "--no-cu", "--no-saldo"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(
      r.saidInErr("Esportazione dati dalla procedura paghe per mod.770/2024 ..... terminata"))
      << r.err;
  // 001 and 002 selected, 003 not: one front page (001) and one substitute (002).
  const std::string front = readHostFile(host(kFront));
  ASSERT_EQ(front.size(), 1964u);
  EXPECT_EQ(front.substr(0, 3), "001");
  EXPECT_EQ(readHostFile(host("C:\\KORVANTE\\ARCHIVI\\SOSTITUT.V24")).size(), 202u);
  EXPECT_EQ(taskFile(), endedTask("01"));
}

}  // namespace
}  // namespace zr::testing

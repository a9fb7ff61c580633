// The command line end to end, as a user runs it: zorir770 in a child process on an
// installation built on disk; its output, its messages and its exit statuses.
#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "shell/startup.h"

namespace zr::testing {
namespace {

TEST_F(CliTest, CompaniesPrintsTheListInUtf8AndEndsThroughTheExit) {
  demo::SkeletonOptions o;
  o.taskLine = "3 LAVORO";
  build(o, {voidCompany(1), company(2, "CAFF\xC8 ROMA"), company(3, "BETA", 2)});

  CliRun r = cli(on({"companies"}));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "002 CAFF\xC3\x88 ROMA                    \n"
            "003 BETA                           Azienda presentatrice 770:002 CAFF\xC3\x88 ROMA"
            "                    \n");
  // The load's reminder went to stderr, titled with the form's caption.
  EXPECT_NE(r.err.find("Esportazione dati per 770/2024 - Anno di riferimento 2023: Si ricorda "
                       "all' Utente"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(taskFile(), "3" + std::string(99, ' ') + "\r\n");
}

TEST_F(CliTest, CompaniesOnTheDemoBureau) {
  demo::Options options;
  options.companies = 12;
  const demo::DemoSummary summary = demo::buildDemo(root, options);
  ASSERT_FALSE(summary.companies.empty());

  CliRun r = cli(on({"companies"}));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = linesOf(r.out);
  ASSERT_EQ(lines.size(), summary.companies.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    EXPECT_EQ(std::stoi(lines[i].substr(0, 3)), summary.companies[i]);
    int presenter = 0;
    for (auto [sub, pres] : summary.substitutes)
      if (sub == summary.companies[i]) presenter = pres;
    const bool hasSuffix = lines[i].find(" Azienda presentatrice 770:") != std::string::npos;
    EXPECT_EQ(hasSuffix, presenter != 0);
    if (presenter != 0 && lines[i].size() >= 64) {
      // Columns 62-64 (bytes, once the name before them is plain ASCII).
      const auto at = lines[i].find(" Azienda presentatrice 770:") + 27;
      EXPECT_EQ(std::stoi(lines[i].substr(at, 3)), presenter);
    }
  }
}

TEST_F(CliTest, ConfigurationErrorExitsWithThree) {
  demo::SkeletonOptions o;
  o.registry = false;
  o.pathFiles = false;
  o.taskLine = "09";
  build(o, {company(1, "ALFA SRL")});
  writeHostFile(host("C:\\ZAVUVOD\\ZAVUVOD.INI"), "09\r\n");

  CliRun r = cli(on({"companies"}));
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Korvante: ERRORE DI CONFIGURAZIONE! CONTROLLARE I PERCORSI DI Korvante "
                       "CON IL PROGRAMMA KVPERCORSO"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(taskFile(), "09\r\n");  // no file written
}

TEST_F(CliTest, UsageErrorsExitWithTwoAndTouchNothing) {
  demo::SkeletonOptions o;
  o.taskLine = "04";
  build(o, {company(1, "ALFA SRL")});
  const std::string before = taskFile();

  const std::vector<std::vector<std::string>> usages = {
      {},                        // no command
      {"frobnicate"},            // unknown command
      {"companies", "--bogus"},  // unknown option
      {"companies", "extra"},    // stray argument
  };
  for (const auto& rest : usages) {
    SCOPED_TRACE(rest.empty() ? "(none)" : rest[0]);
    CliRun r = cli(on(rest));
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.out.find("ALFA"), std::string::npos);
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ(taskFile(), before);
  }
  CliRun r = cli({"--root"});
  EXPECT_EQ(r.status, 2);

  CliRun help = cli({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* word : {"--root", "--registry", "--yes", "companies"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  EXPECT_EQ(taskFile(), before);
}

TEST_F(CliTest, AnotherInstanceOnTheInstallationExitsWithOne) {
  demo::SkeletonOptions o;
  o.taskLine = "06";
  build(o, {company(1, "ALFA SRL")});
  writeHostFile(host("C:\\ZAVUVOD\\ZAVUVOD.INI"), "06\r\n");
  auto running = makeApp();
  RIZ770_Load(*running);
  ASSERT_TRUE(running->instanceLock);

  CliRun r = cli(on({"companies"}));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("another instance is running on this installation"), std::string::npos)
      << r.err;
  EXPECT_EQ(taskFile(), "06\r\n");

  running.reset();
  EXPECT_EQ(cli(on({"companies"})).status, 0);
}

TEST_F(CliTest, MissingF24TemplateIsNoSuccess) {
  demo::SkeletonOptions o;
  o.f24Template = false;
  build(o, {company(1, "ALFA SRL")});
  writeHostFile(host("C:\\ZAVUVOD\\ZAVUVOD.INI"), "02\r\n");

  CliRun r = cli(on({"companies"}));
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "");  // the command never ran
  EXPECT_NE(r.err.find("Non esiste file F24ENTI... contattare VerantiData Daduzor"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(taskFile(), "02" + std::string(98, ' ') + "\r\n");  // ended through the exit
}

}  // namespace
}  // namespace zr::testing

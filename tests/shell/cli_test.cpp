// The command line end to end, as a user runs it: zorir770 in a child process on an
// installation built on disk; its output, its messages and its exit statuses.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "shell/startup.h"
#include "shell_fixture.h"

namespace zr::testing {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status = -1;
  std::string out, err;
};

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class CliTest : public ShellTest {
 protected:
  // Runs zorir770 with these arguments (each quoted), stdout and stderr captured.
  CliRun cli(const std::vector<std::string>& args) {
    const fs::path out = dir / "cli.out", err = dir / "cli.err";
    std::string cmd = quoted(ZR_CLI_PATH);
    for (const auto& a : args) cmd += " " + quoted(a);
    cmd += " </dev/null >" + quoted(out.string()) + " 2>" + quoted(err.string());
    const int raw = std::system(cmd.c_str());
    CliRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = readHostFile(out);
    r.err = readHostFile(err);
    return r;
  }
  // The global options that point the program at the test's installation.
  std::vector<std::string> on(std::vector<std::string> rest) {
    std::vector<std::string> a = {"--root", root, "--registry", registryPath()};
    a.insert(a.end(), rest.begin(), rest.end());
    return a;
  }
  std::string taskFile() { return readHostFile(host("C:\\ZAVUVOD\\ZAVUVOD.INI")); }
};

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

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

}  // namespace
}  // namespace zr::testing

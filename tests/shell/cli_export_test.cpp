// The export command as a user runs it: the selection by codes, the refusals and the exit.
#include <gtest/gtest.h>

#include "cli_fixture.h"

namespace zr::testing {
namespace {

namespace fs = std::filesystem;

class CliExportTest : public CliTest {
 protected:
  // Company 2 is presented by 1; an earlier run's front-page file is in place.
  void SetUp() override {
    build({company(1, "ALFA SRL"), company(2, "BETA SNC", 1), company(3, "GAMMA SPA")});
    writeHostFile(host(kFront), "OLD");
    writeHostFile(host("C:\\ZAVUVOD\\ZAVUVOD.INI"), "01\r\n");
  }
  static constexpr const char* kFront = "C:\\KORVANTE\\ARCHIVI\\FRONTE.V24";
  std::vector<std::string> exportFiles() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(host("C:\\KORVANTE\\ARCHIVI")))
      if (e.path().extension() == ".V24") names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(CliExportTest, UnknownCodeIsAUsageErrorAndTouchesNothing) {
  CliRun r = cli(on({"export", "--select", "1,7,x2"}));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("\"7\""), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("\"x2\""), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("\"1\""), std::string::npos) << r.err;
  EXPECT_EQ(readHostFile(host(kFront)), "OLD");
  EXPECT_EQ(exportFiles(), std::vector<std::string>{"FRONTE.V24"});
  EXPECT_EQ(taskFile(), "01\r\n");

  // Neither or both of --select and --all.
  for (auto args : {std::vector<std::string>{"export"},
                    std::vector<std::string>{"export", "--all", "--select", "1"}}) {
    EXPECT_EQ(cli(on(args)).status, 2);
    EXPECT_EQ(readHostFile(host(kFront)), "OLD");
    EXPECT_EQ(taskFile(), "01\r\n");
  }
}

TEST_F(CliExportTest, RefusedRunExitsWithOneAfterTheExit) {
  CliRun r = cli(on({"export", "--select", "2"}));  // its presenter 001 left out
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("Attenzione e' stata selezionata una azienda"), std::string::npos) << r.err;
  EXPECT_EQ(readHostFile(host(kFront)), "OLD");
  EXPECT_EQ(taskFile(), "01" + std::string(98, ' ') + "\r\n");  // ended through the exit
}

TEST_F(CliExportTest, CodesCountAsNumbersAndTheRunEndsThroughTheExit) {
  // "01", "1" and "001" are one company; 2 comes with its presenter.
  CliRun r = cli(on({"export", "--select", "01,2,001,1", "--no-cu", "--no-saldo"}));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("Esportazione dati dalla procedura paghe per mod.770/2024 ..... terminata"),
            std::string::npos)
      << r.err;
  // 001 and 002 selected, 003 not: one front page (001) and one substitute (002).
  const std::string front = readHostFile(host(kFront));
  ASSERT_EQ(front.size(), 1964u);
  EXPECT_EQ(front.substr(0, 3), "001");
  EXPECT_EQ(readHostFile(host("C:\\KORVANTE\\ARCHIVI\\SOSTITUT.V24")).size(), 202u);
  EXPECT_EQ(taskFile(), "01" + std::string(98, ' ') + "\r\n");
}

TEST_F(CliExportTest, RunEndedOnAnErrorExitsWithThree) {
  // A yearly database that cannot be opened stops the run before any export file is written.
  writeHostFile(host("C:\\KORVANTE\\ARCHIVI\\SF242015.MDB"), "not a database at all");
  CliRun r = cli(on({"export", "--all"}));
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_NE(r.err.find("SF242015.MDB"), std::string::npos) << r.err;
  EXPECT_EQ(readHostFile(host(kFront)), "OLD");
  EXPECT_EQ(exportFiles(), std::vector<std::string>{"FRONTE.V24"});
  EXPECT_EQ(taskFile(), "01" + std::string(98, ' ') + "\r\n");  // the exit still ran
}

}  // namespace
}  // namespace zr::testing

// The export run from the command line, end to end: exit status and files on disk.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "export/installation.h"
#include "support/cli.h"

namespace zr::exporttest {
namespace {

// `args` are words split at spaces.
int runCli(Installation& inst, const std::string& args) {
  std::vector<std::string> all{"--root", inst.dir.str(), "--registry",
                               inst.builder.registryPath(), "--yes"};
  std::istringstream words(args);
  for (std::string w; words >> w;) all.push_back(w);
  return testing::runProgram(ZR_CLI_PATH, all, {{}, inst.dir / "stderr.txt"});
}

void twoCompanies(Installation& inst) {
  inst.builder.putCompany(company(1, {{"T002", "UNO SPA"}, {"T012", "11111111111"}}));
  inst.builder.putCompany(
      company(2, {{"T002", "DUE SRL"}, {"T012", "22222222222"}, {"T326", "1"}}));
  inst.builder.close();
}

TEST(ExportCommandLine, ExitStatusAndFilesOfDoneRefusedAndFailedRuns) {
  {
    Installation inst;
    twoCompanies(inst);
    EXPECT_EQ(runCli(inst, "export --all"), 0) << readBytes(inst.dir / "stderr.txt");
    EXPECT_EQ(std::filesystem::file_size(inst.archive("FRONTE.V24")), 1964u);
    EXPECT_EQ(std::filesystem::file_size(inst.archive("SOSTITUT.V24")), 202u);
    EXPECT_TRUE(inst.leftovers().empty());

    // A damaged certification database fails the run: status 3, the files stay.
    const std::string front = readBytes(inst.archive("FRONTE.V24"));
    writeBytes(inst.archive("TRCER24P.MDB"), std::string(4096, 'x'));
    EXPECT_EQ(runCli(inst, "export --select 2,1"), 3);
    EXPECT_NE(readBytes(inst.dir / "stderr.txt").find("Controllo Archivio C.U"), std::string::npos);
    EXPECT_EQ(readBytes(inst.archive("FRONTE.V24")), front);
  }
  {
    demo::SkeletonOptions none;
    none.certificationDatabase = false;
    none.certificationTemplate = false;
    Installation inst(none);
    twoCompanies(inst);
    EXPECT_EQ(runCli(inst, "export --all"), 1);
    EXPECT_FALSE(std::filesystem::exists(inst.archive("FRONTE.V24")));
  }
}

}  // namespace
}  // namespace zr::exporttest

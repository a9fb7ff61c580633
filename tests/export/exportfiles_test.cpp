// The run's export files on disk: what a producer sees while the run lasts (its temporary),
// what the folder holds before and after commit, and what an abandoned run leaves.
#include "export/exportfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "support/tempdir.h"

namespace zr {
namespace {

std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void spit(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

std::vector<std::string> folder(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class ExportFilesTest : public ::testing::Test {
 protected:
  ExportFilesTest() : files(platform::makeHostFiles(dir.str())) {
    std::filesystem::create_directories(dir / "ARC");
  }
  testing::TempDir dir;
  std::unique_ptr<platform::Files> files;
  std::filesystem::path arc() { return dir / "ARC"; }
};

TEST_F(ExportFilesTest, ProducersSeeTheTemporaryUntilCommit) {
  spit(arc() / "QUADST.V24", "OLD-QUADST");
  spit(arc() / "QUADST.V24.new", "left by a run that crashed");
  {
    ExportFiles run(*files, "C:\\ARC");
    EXPECT_EQ(run.finalName("QUADST"), "C:\\ARC\\QUADST.V24");
    EXPECT_FALSE(run.exists("QUADST"));  // the previous file is not the run's
    EXPECT_EQ(run.length("QUADST"), std::nullopt);

    ExportFile& f = run.create("QUADST", 5);
    EXPECT_TRUE(run.exists("QUADST"));
    EXPECT_EQ(run.length("QUADST"), 0u);  // the crashed run's bytes are gone
    f.writeRecord(1, "AAAAA");
    f.writeRecord(2, "BB");          // padded to the record length
    f.writeRecord(3, "CCCCCCCCCC");  // cut to it
    run.close("QUADST");
    EXPECT_EQ(run.length("QUADST"), 15u);

    // A later producer reopens and appends, then renumbers in place.
    ExportFile& again = run.reopen("QUADST", 5);
    again.writeRecord(4, "DDDDD");
    std::string rec;
    ASSERT_TRUE(again.readRecord(2, rec));
    EXPECT_EQ(rec, "BB   ");
    EXPECT_FALSE(again.readRecord(5, rec));
    EXPECT_THROW(again.writeRecord(0, "X"), RuntimeError);

    EXPECT_EQ(slurp(arc() / "QUADST.V24"), "OLD-QUADST");  // untouched before commit
    run.commit();
    EXPECT_FALSE(run.exists("QUADST"));
  }
  EXPECT_EQ(slurp(arc() / "QUADST.V24"), "AAAAABB   CCCCCDDDDD");
  EXPECT_EQ(folder(arc()), std::vector<std::string>{"QUADST.V24"});
}

TEST_F(ExportFilesTest, AnAbandonedRunLeavesOnlyThePreviousFiles) {
  spit(arc() / "FRONTE.V24", "PREVIOUS");
  {
    ExportFiles run(*files, "C:\\ARC");
    run.create("FRONTE", 4).writeRecord(1, "NEW!");
    run.create("SOSTITUT", 4);
    EXPECT_THROW(run.reopen("QUADSV", 4), RuntimeError);  // never created in this run
  }
  EXPECT_EQ(slurp(arc() / "FRONTE.V24"), "PREVIOUS");
  EXPECT_EQ(folder(arc()), std::vector<std::string>{"FRONTE.V24"});
}

}  // namespace
}  // namespace zr

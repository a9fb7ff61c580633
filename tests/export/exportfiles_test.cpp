// The run's export files on disk: what a producer sees while the run lasts (its temporary),
// what the folder holds before and after commit, and what an abandoned run leaves.
#include "export/exportfiles.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "export/installation.h"
#include "platform/errors.h"

namespace zr::exporttest {
namespace {

std::vector<std::string> folder(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ExportFiles, ProducersSeeTheTemporaryUntilCommitAndAbandonedRunsLeaveNothing) {
  testing::TempDir dir;
  auto files = platform::makeHostFiles(dir.str());
  const auto arc = dir / "ARC";
  std::filesystem::create_directories(arc);
  writeBytes(arc / "QUADST.V24", "OLD-QUADST");
  writeBytes(arc / "QUADST.V24.new", "a name this program never makes");
  writeBytes(arc / "FRONTE.V24", "PREVIOUS");
  {
    ExportFiles abandoned(*files, "C:\\ARC");
    abandoned.create("FRONTE", 4).writeRecord(1, "NEW!");
    abandoned.create("SOSTITUT", 4);
    EXPECT_THROW(abandoned.reopen("QUADSV", 4), RuntimeError);  // never created in this run
  }
  EXPECT_EQ(readBytes(arc / "FRONTE.V24"), "PREVIOUS");
  {
    ExportFiles run(*files, "C:\\ARC");
    EXPECT_EQ(run.finalName("QUADST"), "C:\\ARC\\QUADST.V24");
    EXPECT_FALSE(run.exists("QUADST"));  // the previous file is not the run's
    ExportFile& f = run.create("QUADST", 5);
    EXPECT_EQ(run.length("QUADST"), 0u);
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
    EXPECT_EQ(readBytes(arc / "QUADST.V24"), "OLD-QUADST");  // untouched before commit
    run.commit();
  }
  EXPECT_EQ(readBytes(arc / "QUADST.V24"), "AAAAABB   CCCCCDDDDD");
  // Nothing of the runs is left; a file that is not this program's stays.
  EXPECT_EQ(folder(arc),
            (std::vector<std::string>{"FRONTE.V24", "QUADST.V24", "QUADST.V24.new"}));
  EXPECT_EQ(readBytes(arc / "QUADST.V24.new"), "a name this program never makes");
}

}  // namespace
}  // namespace zr::exporttest

// The export with the reads it keeps for the run (catalogue records, archive handles, index
// nodes, numbering as written) against the straightforward paths, on twin demo bureaus: every
// file of the archives folder and every message the same, byte for byte.
#include <gtest/gtest.h>

#include "export/run.h"
#include "support/twin_run.h"

namespace zr::testbed {
namespace {

const demo::Options kBureau{14, 5, 4};

TEST(KeptReads, ExportsTheSameFilesAsTheStraightforwardPaths) {
  Installation plain(kBureau), kept(kBureau);
  const auto exportAll = [](App& app) { EXPECT_EQ(CMDAVVIO_Click(app), RunOutcome::Done); };
  // Twice: the second run finds the first one's files and sets them aside while it commits.
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    const Produced a = runProducing(plain, false, exportAll);
    const Produced b = runProducing(kept, true, exportAll);
    for (const char* name :
         {"FRONTE.V24", "SOSTITUT.V24", "QUADST.V24", "QUADSV.V24", "Q770ULTE.V24"})
      EXPECT_FALSE(a.archives.at(name).empty()) << name;
    expectSameProduce(a, b, true);
  }
  // The options change which records the kept numbering meets: without the self-employment
  // lines, and without the balance mark.
  const auto narrower = [](App& app) {
    app.form.Check1 = 0;
    app.form.Check3 = 0;
    EXPECT_EQ(CMDAVVIO_Click(app), RunOutcome::Done);
  };
  expectSameProduce(runProducing(plain, false, narrower), runProducing(kept, true, narrower), true);
}

}  // namespace
}  // namespace zr::testbed

// Reads and writes that the disk completes only in part: a read that hands back part of a
// record is read on, never taken for the end of the archive; a part write that fails half-way
// puts the previous bytes back.
#include <gtest/gtest.h>

#include "archive/archive_bed.h"
#include "support/fault_files.h"

namespace zr::testing {
namespace {

class PartialIo : public ::testing::Test {
 protected:
  PartialIo() : bed({{1, "DITTE.DAT", "10"}, {377, "F24.DAT", "10"}}), faulty(bed.files()) {
    config.PERCORSOARCHIVI = kArchives;
    config.CODICETASK = "07";
    bed.write("F24.DAT", "AAAAAAAAAABBBBBBBBBB");
  }
  ArchiveBed bed;
  FaultFiles faulty;
  platform::ScriptedUi ui;
  platform::FixedClock clock{std::chrono::year{2024} / 3 / 15};
  Config config;
  ArchiveLib lib{faulty, ui, clock, config, ErrorPolicy::Throwing};
};

TEST_F(PartialIo, AReadThatHandsBackPartOfARecordIsReadOn) {
  // The catalogue's record itself read in two pieces: name and length still whole.
  faulty.inject(fail(Call::Read).on("TRBASE.DAT").shortened());
  ASSERT_EQ(lib.FAIOPEN(377), 10);
  EXPECT_EQ(faulty.fired(), 1);
  faulty.inject(fail(Call::Read).on("F24.DAT").shortened());
  EXPECT_EQ(lib.LEGGIREC(377, 2), 0) << "record 2 is whole in the file";
  EXPECT_EQ(lib.BUFFERREC(377), "BBBBBBBBBB");
  faulty.inject(fail(Call::Read).on("F24.DAT").shortened());
  std::string part(6, ' ');
  EXPECT_EQ(lib.readRecordPart(377, 1, 2, part), 0);
  EXPECT_EQ(part, "AAAAAA");
  EXPECT_EQ(lib.LEGGIREC(377, 3), 1) << "past the end is still the end";
  // An index node read within a run is read on too, and kept whole.
  ArchiveLib::RunScope run(lib);
  faulty.inject(fail(Call::Read).on("F24.DAT").shortened());
  EXPECT_EQ(lib.readIndexNode(377, 2), 0) << "node 2 is whole in the file";
  EXPECT_EQ(lib.BUFFERREC(377), "BBBBBBBBBB");
  EXPECT_EQ(lib.readIndexNode(377, 2), 0);
  EXPECT_EQ(lib.BUFFERREC(377), "BBBBBBBBBB");
  EXPECT_EQ(lib.readIndexNode(377, 3), 1);
}

TEST_F(PartialIo, APartWriteThatFailsHalfWayLeavesTheBytesAsTheyWere) {
  for (const bool diskFull : {false, true}) {
    SCOPED_TRACE(diskFull ? "full disk" : "short write");
    ASSERT_EQ(lib.FAIOPEN(377), 10);
    Fault f = fail(Call::Write).on("F24.DAT").shortened();
    if (diskFull) f.error = 61;
    faulty.inject(f);
    try {
      lib.writeRecordPart(377, 2, 1, "12345678");
      ADD_FAILURE() << "the write was reported done";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), diskFull ? 61 : 57);
      EXPECT_NE(e.description().find("F24.DAT"), std::string::npos) << e.description();
    }
    EXPECT_EQ(bed.read("F24.DAT"), "AAAAAAAAAABBBBBBBBBB");
  }
  // When the previous bytes cannot go back either, the error says so.
  ASSERT_EQ(lib.FAIOPEN(377), 10);
  faulty.inject(fail(Call::Write).on("F24.DAT").shortened());
  faulty.inject(fail(Call::Write).on("F24.DAT").nth(2));
  try {
    lib.writeRecordPart(377, 2, 1, "12345678");
    ADD_FAILURE() << "the write was reported done";
  } catch (const RuntimeError& e) {
    EXPECT_NE(e.description().find("could not be put back"), std::string::npos)
        << e.description();
  }
}

}  // namespace
}  // namespace zr::testing

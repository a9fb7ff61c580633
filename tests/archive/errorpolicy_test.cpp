// The shared error routine under both policies: the front ends' message and program end, and the
// builder's exception that carries the same failure without a word to a user.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "archive/archive_bed.h"
#include "archive/isam.h"

namespace zr::testing {
namespace {

struct Failure {
  const char* what;
  std::function<void(ArchiveLib&)> run;
  std::string message;  // what the user sees, and the thrown text under Throwing
  bool ends;            // ends the program, rather than being told and gone on from
};

TEST(ErrorPolicy, InteractiveShowsAndEndsThrowingRaisesAndShowsNothing) {
  const std::vector<Failure> failures = {
      {"a name without its company",
       [](ArchiveLib& lib) {
         bool prefix = true;
         lib.DAMMIFILE(2, prefix);
       },
       "ERRORE OPEN FILE - MANCA DITTAOPEN 2", true},
      {"a search in an empty index",
       [](ArchiveLib& lib) {
         lib.FAIOPEN(1);
         lib.FAIOPEN(3);
         CERCAISAM(lib, 3, "KEY", 2, 0);
       },
       "ERRORE ISAM - FILE VUOTO 3", false},
  };
  const std::vector<CatalogueEntry> catalogue = {
      {1, "A.DAT", "10"}, {2, "D###.DAT", "10"}, {3, "I.IDX", "20"}};
  for (const Failure& f : failures) {
    SCOPED_TRACE(f.what);
    {
      ArchiveBed bed(catalogue);
      if (f.ends) {
        EXPECT_THROW(f.run(bed.lib()), ProgramEnd);
      } else {
        EXPECT_NO_THROW(f.run(bed.lib()));
      }
      ASSERT_FALSE(bed.ui().dialogs().empty());
      EXPECT_EQ(bed.ui().dialogs().front().text, f.message);
    }
    {
      ArchiveBed bed(catalogue, nullptr, ErrorPolicy::Throwing);
      try {
        f.run(bed.lib());
        ADD_FAILURE() << "no exception under the throwing policy";
      } catch (const ProgramStopped& e) {
        EXPECT_EQ(std::string(e.what()), f.message);
      }
      EXPECT_TRUE(bed.ui().dialogs().empty());
      if (f.ends) {
        EXPECT_EQ(bed.lib().NUMFILE(1), 0) << "files stay open after the end";
      }
    }
  }

  // A run-time error under the shared routine: the ring and the closing message for the user,
  // the error itself (files closed) for the builder.
  ArchiveBed shown(catalogue);
  shown.lib().FAIOPEN(1);
  EXPECT_THROW(shown.lib().LEGGIREC(9, 1), ProgramEnd);
  ASSERT_EQ(shown.ui().dialogs().size(), 2u);
  EXPECT_EQ(shown.ui().dialogs().front().text.rfind("Errore 52 ", 0), 0u);
  EXPECT_EQ(shown.lib().NUMFILE(1), 0);

  ArchiveBed thrown(catalogue, nullptr, ErrorPolicy::Throwing);
  thrown.lib().FAIOPEN(1);
  try {
    thrown.lib().LEGGIREC(9, 1);
    ADD_FAILURE() << "error 52 not raised";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 52);
  }
  EXPECT_TRUE(thrown.ui().dialogs().empty());
  EXPECT_EQ(thrown.lib().NUMFILE(1), 0);
}

}  // namespace
}  // namespace zr::testing

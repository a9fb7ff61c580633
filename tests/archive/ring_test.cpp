// The ring of the last ten operations and the shared error routine's dialogues.
#include <gtest/gtest.h>

#include "archive/archive_bed.h"

namespace zr::testing {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

TEST(Ring, KeepsTheLastTenOldestFirst) {
  ArchiveBed bed({{1, "DITTE.DAT", "4"}});
  ArchiveLib& lib = bed.lib();
  EXPECT_TRUE(lib.lastOperations().empty());

  bed.write("DITTE.DAT", std::string(40, 'x'));
  lib.FAIOPEN(1);  // FAIOPEN, DAMMIFILE$ (1)
  for (int r = 1; r <= 10; ++r) lib.LEGGIREC(1, r);
  lib.LEGGIREC(1, 10);  // the same again is recorded once
  lib.TRACCIAOPERAZIONE("LEGGIREC (1-10)");
  std::vector<std::string> expected;
  for (int r = 1; r <= 10; ++r) expected.push_back("LEGGIREC (1-" + std::to_string(r) + ")");
  EXPECT_EQ(lib.lastOperations(), expected);

  // The eleventh overwrites the oldest; a name seen before but not newest is recorded again.
  lib.TRACCIAOPERAZIONE("LEGGIREC (1-1)");
  lib.TRACCIAOPERAZIONE("APRISEMA");
  expected.erase(expected.begin(), expected.begin() + 2);
  expected.push_back("LEGGIREC (1-1)");
  expected.push_back("APRISEMA");
  EXPECT_EQ(lib.lastOperations(), expected);

  EXPECT_THROW(lib.GESTIONEERRORE(RuntimeError::of(57, "F24.DAT")), ProgramEnd);
  std::string text = "Errore 57 Device I/O error: F24.DAT\r\n";
  for (const auto& line : expected) text += line + "\r\n";
  ASSERT_EQ(bed.ui().dialogs().size(), 2u);
  const auto first = bed.ui().dialogs()[0];
  EXPECT_EQ(first.text, text);
  EXPECT_EQ(first.title, "Korvante ZORIR77024");
  EXPECT_EQ(first.icon, Icon::Critical);
  const auto second = bed.ui().dialogs()[1];
  EXPECT_EQ(second.text, "CHIUDERE TUTTE LE APPLICAZIONI DELLA TASK\r\nLANCIARE RIPRISTINO TASK");
  EXPECT_EQ(second.title, "Korvante");
  EXPECT_EQ(second.icon, Icon::Information);
  EXPECT_EQ(lib.NUMFILE(1), 0);
}

TEST(Ring, ErrorWithNothingRecordedShowsOnlyItsLine) {
  ArchiveBed bed({});
  try {
    bed.lib().GESTIONEERRORE(RuntimeError::of(75, "C:\\X"));
    ADD_FAILURE();
  } catch (const ProgramEnd& end) {
    EXPECT_EQ(end.status, 3);
  }
  ASSERT_FALSE(bed.ui().dialogs().empty());
  EXPECT_EQ(bed.ui().dialogs()[0].text, "Errore 75 Path/File access error: C:\\X\r\n");
}

// A body that fails with a printer error the first `failures` times.
struct Flaky {
  int failures;
  int calls = 0;
  int operator()() {
    ++calls;
    if (calls <= failures) throw RuntimeError::of(482);
    return 42;
  }
};

TEST(Ring, PrinterErrorOffersRetryContinueOrEnd) {
  const std::string retry = "ERR.STAMPANTE - SI VUOLE RITENTARE ?";
  const std::string close =
      "CHIUDERE IL PROGRAMMA ? (se si risp.NO il progr.perde la riga e prosegue)";
  {  // Yes: the statement runs again.
    ArchiveBed bed({{1, "DITTE.DAT", "4"}});
    bed.lib().FAIOPEN(1);
    bed.ui().answers = {Answer::Yes, Answer::Yes};
    Flaky body{2};
    EXPECT_EQ(bed.lib().guarded(std::ref(body)), 42);
    EXPECT_EQ(body.calls, 3);
    const auto d = bed.ui().dialogs();
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].text, retry);
    EXPECT_EQ(d[0].title, "Korvante");
    EXPECT_EQ(d[0].buttons, Buttons::YesNo);
    EXPECT_EQ(d[0].icon, Icon::Critical);
    EXPECT_NE(bed.lib().NUMFILE(1), 0);
  }
  {  // No, then No: the statement is skipped and the program goes on.
    ArchiveBed bed({{1, "DITTE.DAT", "4"}});
    bed.lib().FAIOPEN(1);
    bed.ui().answers = {Answer::No, Answer::No};
    Flaky body{1};
    EXPECT_EQ(bed.lib().guarded(std::ref(body)), 0);
    EXPECT_EQ(body.calls, 1);
    const auto d = bed.ui().dialogs();
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[1].text, close);
    EXPECT_EQ(d[1].title, "Korvante");
    EXPECT_EQ(d[1].icon, Icon::Exclamation);
    EXPECT_NE(bed.lib().NUMFILE(1), 0);
  }
  {  // Nobody to ask: the safe answers (no retry, close) end the program with files closed.
    ArchiveBed bed({{1, "DITTE.DAT", "4"}});
    bed.lib().FAIOPEN(1);
    Flaky body{1};
    EXPECT_THROW(bed.lib().guarded(std::ref(body)), ProgramEnd);
    const auto d = bed.ui().dialogs();
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].answer, Answer::No);
    EXPECT_EQ(d[1].answer, Answer::Yes);
    EXPECT_EQ(bed.lib().NUMFILE(1), 0);
  }
}

}  // namespace
}  // namespace zr::testing

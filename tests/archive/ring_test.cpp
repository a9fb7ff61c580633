// The ring of the last ten operations and the shared error routine's dialogues.
#include <gtest/gtest.h>

#include <tuple>

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
  // The eleventh overwrites the oldest; a name seen before but not newest is recorded again.
  lib.TRACCIAOPERAZIONE("LEGGIREC (1-1)");
  lib.TRACCIAOPERAZIONE("APRISEMA");
  std::vector<std::string> expected;
  for (int r = 3; r <= 10; ++r) expected.push_back("LEGGIREC (1-" + std::to_string(r) + ")");
  expected.push_back("LEGGIREC (1-1)");
  expected.push_back("APRISEMA");
  EXPECT_EQ(lib.lastOperations(), expected);

  EXPECT_THROW(lib.GESTIONEERRORE(RuntimeError::of(57, "F24.DAT")), ProgramEnd);
  std::string text = "Errore 57 Device I/O error: F24.DAT\r\n";
  for (const auto& line : expected) text += line + "\r\n";
  const auto d = bed.ui().dialogs();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(std::tie(d[0].text, d[0].title, d[0].icon),
            std::make_tuple(text, "Korvante ZORIR77024", Icon::Critical));
  EXPECT_EQ(d[1].text, "CHIUDERE TUTTE LE APPLICAZIONI DELLA TASK\r\nLANCIARE RIPRISTINO TASK");
  EXPECT_EQ(d[1].title, "Korvante");
  EXPECT_EQ(d[1].icon, Icon::Information);
  EXPECT_EQ(lib.NUMFILE(1), 0);

  // With nothing recorded the message is its line alone.
  ArchiveBed empty({});
  try {
    empty.lib().GESTIONEERRORE(RuntimeError::of(75, "C:\\X"));
    ADD_FAILURE();
  } catch (const ProgramEnd& end) {
    EXPECT_EQ(end.status, 3);
  }
  ASSERT_FALSE(empty.ui().dialogs().empty());
  EXPECT_EQ(empty.ui().dialogs()[0].text, "Errore 75 Path/File access error: C:\\X\r\n");
}

TEST(Ring, PrinterErrorOffersRetryContinueOrEnd) {
  const std::string retry = "ERR.STAMPANTE - SI VUOLE RITENTARE ?";
  const std::string close =
      "CHIUDERE IL PROGRAMMA ? (se si risp.NO il progr.perde la riga e prosegue)";
  struct Case {
    std::string what;
    std::vector<Answer> answers;  // none: nobody to ask, the safe answers (no retry, close)
    int failures, calls, result;
    bool ends;
    Answer retried, closed;
  };
  const std::vector<Case> cases = {
      {"yes: the statement runs again",
       {Answer::Yes, Answer::Yes},
       2,
       3,
       42,
       false,
       Answer::Yes,
       Answer::Yes},
      {"no, no: the line is skipped",
       {Answer::No, Answer::No},
       1,
       1,
       0,
       false,
       Answer::No,
       Answer::No},
      {"nobody to ask", {}, 1, 1, 0, true, Answer::No, Answer::Yes},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ArchiveBed bed({{1, "DITTE.DAT", "4"}});
    bed.lib().FAIOPEN(1);
    bed.ui().answers.assign(c.answers.begin(), c.answers.end());
    int calls = 0;
    auto body = [&] {
      if (++calls <= c.failures) throw RuntimeError::of(482);
      return 42;
    };
    if (c.ends) {
      EXPECT_THROW(bed.lib().guarded(body), ProgramEnd);
    } else {
      EXPECT_EQ(bed.lib().guarded(body), c.result);
    }
    EXPECT_EQ(calls, c.calls);
    const auto d = bed.ui().dialogs();
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(std::tie(d[0].text, d[0].title, d[0].buttons, d[0].icon, d[0].answer),
              std::make_tuple(retry, "Korvante", Buttons::YesNo, Icon::Critical, c.retried));
    EXPECT_EQ(std::tie(d[1].title, d[1].answer), std::make_tuple("Korvante", c.closed));
    EXPECT_EQ(std::tie(d[1].text, d[1].icon), c.calls > 1
                                                  ? std::make_tuple(retry, Icon::Critical)
                                                  : std::make_tuple(close, Icon::Exclamation));
    EXPECT_EQ(bed.lib().NUMFILE(1) == 0, c.ends) << "files are closed only at the end";
  }
}

}  // namespace
}  // namespace zr::testing

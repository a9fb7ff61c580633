// Fixed-length records on a real archive file, the ring of the last ten operations and the
// shared error routine's dialogues.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "archive/archive_bed.h"

namespace zr::testing {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

const std::vector<CatalogueEntry> kCatalogue = {{1, "DITTE.DAT", "10"}, {377, "F24.DAT", "10"}};

// A part of a record changes those bytes only, and only inside a record wholly in the file,
// so that a record another program is writing is never extended or half-overwritten.
TEST(Records, PartOfARecordReadAndWrittenInPlace) {
  ArchiveBed bed(kCatalogue, nullptr, ErrorPolicy::Throwing);
  ArchiveLib& lib = bed.lib();
  bed.write("F24.DAT", "AAAAAAAAAABBBBBBBBBBCCCCC");  // two records and half of a third
  ASSERT_EQ(lib.FAIOPEN(377), 10);
  lib.BUFFERREC(377) = "xxxxxxxxxx";
  lib.writeRecordPart(377, 2, 3, "1234");
  EXPECT_EQ(bed.read("F24.DAT"), "AAAAAAAAAABBB1234BBBCCCCC");
  EXPECT_EQ(lib.BUFFERREC(377), "xxxxxxxxxx") << "the slot's buffer is not used";
  std::string part(4, ' ');
  EXPECT_EQ(lib.readRecordPart(377, 2, 3, part), 0);
  EXPECT_EQ(part, "1234");
  EXPECT_EQ(lib.readRecordPart(377, 3, 0, part), 1) << "a partial record is not there";
  // Record, position, bytes, the error (each after a fresh open: an error closes the files).
  for (auto [r, pos, bytes, number] : std::vector<std::tuple<double, std::size_t, std::string, int>>{
           {3, 0, "9", 63}, {4, 0, "9", 63}, {1, 8, "999", 59}, {0, 0, "9", 63}}) {
    lib.FAIOPEN(377);
    try {
      lib.writeRecordPart(377, r, pos, bytes);
      ADD_FAILURE() << "record " << r << " position " << pos << " was written";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), number) << r;
    }
  }
  EXPECT_EQ(bed.read("F24.DAT"), "AAAAAAAAAABBB1234BBBCCCCC");
  EXPECT_EQ(lib.lastOperations().back(), "SCRIVIREC (377-0)");
}

TEST(Records, WriteReadBackAndEndOfFile) {
  ArchiveBed bed(kCatalogue);
  ArchiveLib& lib = bed.lib();
  ASSERT_EQ(lib.FAIOPEN(377), 10);
  lib.BUFFERREC(377) = "abcdefghij";
  EXPECT_EQ(lib.LEGGIREC(377, 1), 1) << "empty archive";
  EXPECT_EQ(lib.BUFFERREC(377), "abcdefghij") << "nothing was supplied";

  lib.SCRIVIREC(377, 1, "AAAAAAAAAA");
  lib.BUFFERREC(377) = "BBBBBBBBBB";
  lib.SCRIVIREC(377, 2);  // the buffer as it stands
  EXPECT_EQ(bed.read("F24.DAT"), "AAAAAAAAAABBBBBBBBBB") << "written through at once";
  lib.SCRIVIREC(377, 4, "DDDDDDDDDD");  // past the end: the file grows
  const std::string disk = bed.read("F24.DAT");
  ASSERT_EQ(disk.size(), 40u);
  EXPECT_EQ(disk.substr(30), "DDDDDDDDDD");
  EXPECT_EQ(lib.openFileLength(377), 40u);

  // Record, result, buffer after: the last whole record, then the end.
  for (auto [r, result, buffer] : std::vector<std::tuple<double, int, std::string>>{
           {1, 0, "AAAAAAAAAA"}, {4, 0, "DDDDDDDDDD"}, {5, 1, "DDDDDDDDDD"}}) {
    EXPECT_EQ(lib.LEGGIREC(377, r), result) << r;
    EXPECT_EQ(lib.BUFFERREC(377), buffer) << r;
  }
  EXPECT_EQ(lib.lastOperations().back(), "LEGGIREC (377-5)");

  // Another program extends the archive by half a record: a partial last record is the end.
  bed.write("F24.DAT", disk + "EEEEE");
  EXPECT_EQ(lib.LEGGIREC(377, 2), 0);
  EXPECT_EQ(lib.BUFFERREC(377), "BBBBBBBBBB");
  EXPECT_EQ(lib.LEGGIREC(377, 5), 1);
  EXPECT_EQ(lib.BUFFERREC(377).size(), 10u);

  // Records are addressed from (R-1)*L in whatever the file holds.
  bed.write("DITTE.DAT", "0123456789abcdefghij0123");
  lib.FAIOPEN(1);
  EXPECT_EQ(lib.LEGGIREC(1, 2), 0);
  EXPECT_EQ(lib.BUFFERREC(1), "abcdefghij");
  EXPECT_EQ(lib.recordsRead(), 7u);
  EXPECT_TRUE(bed.ui().events.empty());
}

TEST(Records, FaultsGoToTheErrorRoutineAndWriteNothing) {
  struct Failure {
    std::string what;
    std::function<void(ArchiveLib&)> call;
    std::string firstLine, newest;
  };
  const std::string badLength = "Errore 59 Bad record length";
  const std::string badNumber = "Errore 63 Bad record number";
  const std::vector<Failure> cases = {
      {"short buffer read",
       [](ArchiveLib& l) {
         l.BUFFERREC(1) = "short";
         l.LEGGIREC(1, 3);
       },
       badLength, "LEGGIREC (1-3)"},
      {"short buffer write",
       [](ArchiveLib& l) {
         l.BUFFERREC(1) = "short";
         l.SCRIVIREC(1, 1);
       },
       badLength, "SCRIVIREC (1-1)"},
      {"long record text", [](ArchiveLib& l) { l.SCRIVIREC(1, 1, "ZZZZZZZZZZZ"); }, badLength,
       "SCRIVIREC (1-1)"},
      {"record zero", [](ArchiveLib& l) { l.LEGGIREC(1, 0); }, badNumber, "LEGGIREC (1-0)"},
      {"record zero written", [](ArchiveLib& l) { l.SCRIVIREC(1, 0, "ZZZZZZZZZZ"); }, badNumber,
       "SCRIVIREC (1-0)"},
      {"base out of table", [](ArchiveLib& l) { l.LEGGIREC(601, 1); },
       "Errore 9 Subscript out of range", "LEGGIREC (601-1)"},
      {"closed base", [](ArchiveLib& l) { l.SCRIVIREC(377, 1, "ZZZZZZZZZZ"); },
       "Errore 52 Bad file name or number: base number 377 is not open", "SCRIVIREC (377-1)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ArchiveBed bed(kCatalogue);
    ArchiveLib& lib = bed.lib();
    bed.write("DITTE.DAT", "0123456789");
    lib.FAIOPEN(1);
    lib.LUNGREC(377) = 10;
    lib.BUFFERREC(377) = std::string(10, ' ');
    EXPECT_THROW(c.call(lib), ProgramEnd);
    const auto dialogs = bed.ui().dialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    const std::string& text = dialogs[0].text;
    EXPECT_EQ(text.substr(0, c.firstLine.size() + 2), c.firstLine + "\r\n");
    EXPECT_TRUE(text.ends_with("\r\n" + c.newest + "\r\n")) << text;
    EXPECT_EQ(dialogs[0].icon, Icon::Critical);
    EXPECT_EQ(bed.read("DITTE.DAT"), "0123456789");
    EXPECT_EQ(lib.NUMFILE(1), 0);
  }

  // The whole message of a short ring: seven never-written slots come first, as empty lines.
  ArchiveBed bed(kCatalogue);
  bed.lib().FAIOPEN(1);
  bed.lib().BUFFERREC(1) = "abc";
  EXPECT_THROW(bed.lib().LEGGIREC(1, 3), ProgramEnd);
  ASSERT_EQ(bed.ui().dialogs().size(), 2u);
  EXPECT_EQ(bed.ui().dialogs()[0].text,
            badLength +
                "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nFAIOPEN\r\nDAMMIFILE$ (1)\r\nLEGGIREC (1-3)\r\n");
}

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
  EXPECT_THROW(empty.lib().GESTIONEERRORE(RuntimeError::of(75, "C:\\X")), ProgramEnd);
  ASSERT_FALSE(empty.ui().dialogs().empty());
  EXPECT_EQ(empty.ui().dialogs()[0].text, "Errore 75 Path/File access error: C:\\X\r\n");
}

TEST(Ring, PrinterErrorOffersRetryContinueOrEnd) {
  const std::string retry = "ERR.STAMPANTE - SI VUOLE RITENTARE ?";
  const std::string close =
      "CHIUDERE IL PROGRAMMA ? (se si risp.NO il progr.perde la riga e prosegue)";
  struct Case {
    std::string what, answers;  // Y/N given in turn; none: nobody to ask (no retry, close)
    int failures, calls, result;
    bool ends;
    Answer retried, closed;
  };
  const std::vector<Case> cases = {
      {"yes: the statement runs again", "YY", 2, 3, 42, false, Answer::Yes, Answer::Yes},
      {"no, no: the line is skipped", "NN", 1, 1, 0, false, Answer::No, Answer::No},
      {"nobody to ask", "", 1, 1, 0, true, Answer::No, Answer::Yes},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ArchiveBed bed({{1, "DITTE.DAT", "4"}});
    bed.lib().FAIOPEN(1);
    for (char a : c.answers) bed.ui().answers.push_back(a == 'Y' ? Answer::Yes : Answer::No);
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

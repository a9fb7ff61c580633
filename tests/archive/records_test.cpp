// Fixed-length records read and written on a real archive file.
#include <gtest/gtest.h>

#include <functional>

#include "archive/archive_bed.h"

namespace zr::testing {
namespace {

const std::vector<CatalogueEntry> kCatalogue = {{1, "DITTE.DAT", "10"}, {377, "F24.DAT", "10"}};

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
    EXPECT_EQ(dialogs[0].icon, platform::Icon::Critical);
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

}  // namespace
}  // namespace zr::testing

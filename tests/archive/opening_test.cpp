// Archive names built from TRBASE.DAT and the opening context; opening, closing, existence,
// deletion and copy of archives on disk.
#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <cstdint>
#include <filesystem>
#include <functional>

#include "archive/archive_bed.h"
#include "platform/text.h"

namespace zr::testing {
namespace {

using Setter = std::function<void(ArchiveLib&)>;
Setter context(std::string company, std::string year = "", std::string region = "",
               std::string province = "") {
  return [=](ArchiveLib& l) {
    l.DITTAOPEN = company;
    l.ANNOOPEN = year;
    l.REGIONEOPEN = region;
    l.PROVINCIAOPEN = province;
  };
}

TEST(Naming, PlaceholdersAreFilledFromTheContextAndConsumed) {
  ArchiveBed bed({{1, "DITTE.DAT", "  120"},
                  {2, "D###.DAT", "64"},
                  {3, "T$$A**.DAT", "10"},
                  {4, "R@@P%%.DAT", "10"},
                  {5, "X###Y###.DAT", "10"},
                  {6, "**###@@%%$$.DAT", "10"}});
  ArchiveLib& lib = bed.lib();
  struct Case {
    double base;
    Setter set;
    std::string name;
  };
  const std::vector<Case> cases = {
      {2, context("12"), "D012.DAT"},
      {2, context("1234"), "D234.DAT"},  // only the last three digits survive
      {2, context(" 7"), "D007.DAT"},
      {3, context("", "2024"), "T07A24.DAT"},
      {3, context("", "2000"), "T07A00.DAT"},  // checked before normalising, so 00 is accepted
      {4, context("", "", "5", "MI"), "R05PMI.DAT"},
      {5, context("3"), "X003Y###.DAT"},  // first occurrence only
      {6, context("45", "23", "19", "RM"), "2304519RM07.DAT"},
  };
  for (const auto& c : cases) {
    c.set(lib);
    std::vector<std::string*> given;
    for (auto* v : {&lib.DITTAOPEN, &lib.ANNOOPEN, &lib.REGIONEOPEN, &lib.PROVINCIAOPEN})
      if (!v->empty()) given.push_back(v);
    bool prefix = true;
    EXPECT_EQ(lib.DAMMIFILE(c.base, prefix), "C:\\ARCHIVI\\" + c.name);
    for (const auto* v : given) EXPECT_EQ(*v, "") << c.name << ": the context is consumed";
  }
  EXPECT_EQ(lib.LUNGRECBASE, 10);

  // A pattern without placeholders still normalises the context.
  bool prefix = true;
  EXPECT_EQ(lib.DAMMIFILE(1, prefix), "C:\\ARCHIVI\\DITTE.DAT");
  EXPECT_EQ(lib.LUNGRECBASE, 120);
  EXPECT_EQ(lib.DITTAOPEN + "|" + lib.ANNOOPEN + "|" + lib.REGIONEOPEN, "000|00|00");
  EXPECT_EQ(lib.DAMMIFILE(0, prefix), "");
  EXPECT_EQ(lib.lastOperations().back(), "DAMMIFILE$ (0)");
  EXPECT_TRUE(bed.ui().events.empty());
}

TEST(Naming, UnitPlaceholderReplacesThePrefix) {
  ArchiveBed bed({{1, "!:\\KV\\F.DAT", "10"}, {2, "Z!:\\G.DAT", "10"}});
  ArchiveLib& lib = bed.lib();
  const std::vector<std::tuple<std::string, double, std::string>> cases = {
      {"A", 1, "A:\\KV\\F.DAT"},
      {"B:\\IGNORED", 1, "B:\\KV\\F.DAT"},
      {"D:", 1, "D:\\KV\\F.DAT"},
      {"", 1, "\\KV\\F.DAT"},
      {"a", 1, "a\\KV\\F.DAT"},  // only capital A and B are drive letters
      // Anywhere in the pattern; the non-A/B form keeps the pattern from its third character.
      {"D", 2, "D:\\G.DAT"},
  };
  for (const auto& [unit, base, name] : cases) {
    lib.UNITAOPEN = unit;
    bool prefix = true;
    EXPECT_EQ(lib.DAMMIFILE(base, prefix), name);
    EXPECT_FALSE(prefix) << unit;
    EXPECT_EQ(lib.UNITAOPEN, "") << unit;
  }
}

TEST(Naming, RecordLengthAndContextNumbersAreReadLeniently) {
  ArchiveBed bed({{1, "A.DAT", "  300"},
                  {2, "B.DAT", "1 2 0"},
                  {3, "C.DAT", "12A45"},
                  {4, "D.DAT", ""},
                  {5, "E.DAT", "-0.5x"}});
  ArchiveLib& lib = bed.lib();
  bool prefix = true;
  for (auto [n, length] :
       std::vector<std::pair<double, double>>{{1, 300}, {2, 120}, {3, 12}, {4, 0}, {5, -0.5}}) {
    lib.DAMMIFILE(n, prefix);
    EXPECT_EQ(lib.LUNGRECBASE, length) << "base " << n;
  }
  // Past the end of a short catalogue: an empty pattern and no length.
  EXPECT_EQ(lib.DAMMIFILE(200, prefix), "C:\\ARCHIVI\\");
  EXPECT_EQ(lib.LUNGRECBASE, 0);
}

TEST(Naming, MissingContextShowsItsMessageAndEndsTheProgram) {
  const std::vector<std::tuple<std::string, Setter, std::string>> cases = {
      {"D###.DAT", context(""), "ERRORE OPEN FILE - MANCA DITTAOPEN 377"},
      {"D###.DAT", context("1000"), "ERRORE OPEN FILE - MANCA DITTAOPEN 377"},
      {"A**.DAT", context(""), "ERRORE OPEN - MANCA ANNO - CSTR(NUMEROBASE)"},
      {"R@@.DAT", context("", "", "x"), "ERRORE OPEN - MANCA REGIONE - CSTR(NUMEROBASE)"},
      {"P%%.DAT", context("", "", "", "MIL"), "ERRORE OPEN - MANCA PROVINCIA - CSTR(NUMEROBASE)"},
  };
  for (const auto& [pattern, set, message] : cases) {
    SCOPED_TRACE(pattern);
    ArchiveBed bed({{1, "DITTE.DAT", "10"}, {377, pattern, "10"}});
    ArchiveLib& lib = bed.lib();
    ASSERT_EQ(lib.FAIOPEN(1), 10);
    set(lib);
    try {
      lib.FAIOPEN(377);
      ADD_FAILURE() << "the program went on";
    } catch (const ProgramEnd& end) {
      EXPECT_EQ(end.status, 3);
    }
    ASSERT_EQ(bed.ui().dialogs().size(), 1u);
    EXPECT_EQ(bed.ui().dialogs()[0].text, message);
    EXPECT_EQ(lib.NUMFILE(1), 0) << "files are closed before the end";
    EXPECT_EQ(bed.listing(), (std::vector<std::string>{"DITTE.DAT", "TRBASE.DAT"}));
  }
}

TEST(Naming, SafeSystemPathsHoldNoControlBytesNorCharactersWindowsForbids) {
  const std::vector<std::string> good = {
      "C:\\A\\B",
      "A:B",
      "c:\\x.dat",
      "\\A\\B",
      "\\\\SERVER\\SHARE\\A",
      "REL\\F.DAT",
      "/native/path",
      "C:\\PERC\xC0 \xE8\\N\xB0.DAT",  // CP1252 letters and signs, a blank
      "",
      "C:\\A.B~C$D#E%F&G'H(I)J[K]L{M}N+O=P,Q;R@S!T^U`V"};
  const std::vector<std::string> bad = {
      "X|Y", "\x1b", "\x7f",         "C:\\A:B",  "A<B",        "A>B",  "A\"B",
      "A?B", "A*B",  "\\\\?\\C:\\X", "C:\\A\tB", "C:\\A\r\nB", "\x1f", std::string("C:\\A\0B", 6),
      ":A",  "1:B",  "AB:C",         "C::"};
  for (const auto& name : good) EXPECT_TRUE(platform::isSafeSystemPath(name)) << name;
  for (const auto& name : bad) EXPECT_FALSE(platform::isSafeSystemPath(name)) << name;
  // In a message the control bytes are seen, and cannot reach the terminal.
  EXPECT_EQ(platform::shownName("A\x1b[2JB\x7f\n|"), "A<1B>[2JB<7F><0A>|");
}

TEST(Naming, ANameWindowsCouldNotUseIsAnErrorNamingTheBaseNumberAndCreatesNothing) {
  struct Case {
    double base;
    Setter set;
    std::string unit, shown;
  };
  const std::vector<Case> cases = {
      {377, context(""), "", "C:\\ARCHIVI\\F24|X.DAT"},
      // A pattern that climbs out of the archives folder is refused like any other.
      {378, context(""), "", "C:\\ARCHIVI\\..\\..\\..\\OUT?.DAT"},
      {379, context("", "", "", "M\x1b"), "", "C:\\ARCHIVI\\PRM<1B>.DAT"},
      {380, context(""), "B", "ZB:\\G.DAT"},
      {380, context(""), "E:", "E::\\G.DAT"},
      {381, context("", "", "", "A:"), "", "C:\\ARCHIVI\\PRA:.DAT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    ArchiveBed bed({{1, "DITTE.DAT", "10"},
                    {377, "F24|X.DAT", "40"},
                    {378, "..\\..\\..\\OUT?.DAT", "40"},
                    {379, "PR%%.DAT", "40"},
                    {380, "Z!:\\G.DAT", "40"},
                    {381, "PR%%.DAT", "40"}});
    ArchiveLib& lib = bed.lib();
    ASSERT_EQ(lib.FAIOPEN(1), 10);
    const auto everything = [&] {
      std::vector<std::string> paths;
      for (const auto& e : std::filesystem::recursive_directory_iterator(bed.root()))
        paths.push_back(e.path().string());
      std::sort(paths.begin(), paths.end());
      return paths;
    };
    const auto before = everything();
    c.set(lib);
    lib.UNITAOPEN = c.unit;
    EXPECT_THROW(lib.FAIOPEN(c.base), ProgramEnd);
    const auto dialogs = bed.ui().dialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    const std::string expected = "Errore 52 Bad file name or number: base number " +
                                 std::to_string(static_cast<int>(c.base)) + " names " + c.shown +
                                 ", which holds a character not allowed in a file name\r\n";
    EXPECT_EQ(dialogs[0].text.substr(0, expected.size()), expected);
    EXPECT_EQ(lib.NUMFILE(1), 0) << "files are closed before the end";
    EXPECT_EQ(everything(), before) << "nothing was created, inside the root or out";
  }

  // Where no operator reads the message, the caller gets the error itself.
  ArchiveBed quiet({{377, "F24*.DAT", "40"}}, nullptr, ErrorPolicy::Throwing);
  try {
    quiet.lib().FAIOPEN(377);
    ADD_FAILURE() << "the archive was opened";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 52);
    EXPECT_NE(e.description().find("base number 377 names C:\\ARCHIVI\\F24*.DAT"),
              std::string::npos)
        << e.description();
  }
  EXPECT_EQ(quiet.listing(), std::vector<std::string>{"TRBASE.DAT"});
}

// Descriptors this process has open: proves that closing a base number closes its file.
std::size_t openDescriptors() {
#ifdef _WIN32
  DWORD handles = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles > 0) return handles;
  // Wine answers 0: count the handles by probing, as its table hands out the lowest values.
  std::size_t count = 0;
  for (std::uintptr_t h = 4; h < 16384; h += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++count;
  }
  return count;
#else
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
#endif
}

const std::vector<CatalogueEntry> kCatalogue = {{1, "DITTE.DAT", "100"},  {29, "DIP###.DAT", "50"},
                                                {30, "DIP###.IDX", "30"}, {63, "TAB.DAT", "0"},
                                                {377, "F24.DAT", "40"},   {378, "F24.IDX", "20"}};

TEST(Opening, FileNumbersBuffersAndClosing) {
  ArchiveBed bed(kCatalogue);
  ArchiveLib& lib = bed.lib();
  const std::size_t before = openDescriptors();
  EXPECT_EQ(lib.FAIOPEN(0), 0);
  EXPECT_EQ(lib.FAIOPEN(1), 100);
  EXPECT_EQ(bed.read("DITTE.DAT"), "") << "a missing archive is created";
  EXPECT_EQ(lib.BUFFERREC(1), std::string(100, ' '));
  lib.DITTAOPEN = "5";
  EXPECT_EQ(lib.FAIOPEN(29), 50);
  EXPECT_TRUE(bed.exists("DIP005.DAT"));
  EXPECT_EQ(lib.FAIOPEN(377), 40);
  EXPECT_EQ((std::vector<int>{lib.NUMFILE(1), lib.NUMFILE(29), lib.NUMFILE(377)}),
            (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(openDescriptors(), before + 3);

  // The lowest free number is reused, as the run time hands them out.
  lib.CHIUDIFILE(29);
  lib.CHIUDIFILE(29);  // already closed: nothing happens
  EXPECT_EQ(lib.NUMFILE(29), 0);
  EXPECT_EQ(openDescriptors(), before + 2);
  EXPECT_EQ(lib.FAIOPEN(378), 20);
  EXPECT_EQ(lib.NUMFILE(378), 2);

  // Opening an open base again closes the old file first.
  lib.BUFFERREC(377) = std::string(40, 'x');
  EXPECT_EQ(lib.FAIOPEN(377), 40);
  EXPECT_EQ(lib.NUMFILE(377), 3);
  EXPECT_EQ(lib.BUFFERREC(377), std::string(40, ' '));
  EXPECT_EQ(openDescriptors(), before + 3);

  // Closing all keeps buffers and lengths.
  lib.BUFFERREC(1) = std::string(100, 'k');
  lib.CHIUDIFILE(0);
  for (double n : {1.0, 29.0, 377.0, 378.0}) EXPECT_EQ(lib.NUMFILE(n), 0) << n;
  EXPECT_EQ(openDescriptors(), before);
  EXPECT_EQ(lib.BUFFERREC(1), std::string(100, 'k'));
  EXPECT_EQ(lib.LUNGREC(378), 20);
  EXPECT_EQ(lib.FAIOPEN(378), 20);
  EXPECT_EQ(lib.NUMFILE(378), 1);

  // The slot table runs from 0 to 600 and knows only whole numbers.
  for (double bad : {-1.0, 601.0, 1.5}) {
    try {
      lib.NUMFILE(bad);
      ADD_FAILURE() << bad;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), 9) << bad;
    }
  }
  EXPECT_EQ(lib.NUMFILE(600), 0);
  EXPECT_TRUE(bed.ui().events.empty());
}

TEST(Opening, UnknownBaseNumbersAndAMissingCatalogueAreErrorsNotStrayFiles) {
  // Length 0; past the end of TRBASE.DAT; no TRBASE.DAT at all.
  for (double n : {63.0, 200.0, 0.0}) {
    SCOPED_TRACE(n);
    ArchiveBed bed(kCatalogue);
    ArchiveLib& lib = bed.lib();
    std::string expected = "Errore 53 File not found";
    if (n == 0) {
      std::filesystem::remove(bed.archives() / "TRBASE.DAT");
    } else {
      lib.FAIOPEN(1);
      expected = "Errore 52 Bad file name or number: base number " +
                 std::to_string(static_cast<int>(n)) + " not in TRBASE.DAT\r\n";
    }
    EXPECT_THROW(lib.FAIOPEN(n == 0 ? 1 : n), ProgramEnd);
    const auto dialogs = bed.ui().dialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].text.substr(0, expected.size()), expected);
    EXPECT_EQ(lib.NUMFILE(1), 0);
    const auto left =
        n == 0 ? std::vector<std::string>{} : std::vector<std::string>{"DITTE.DAT", "TRBASE.DAT"};
    EXPECT_EQ(bed.listing(), left) << "nothing was created";
  }
}

TEST(Opening, VerbaseEliminaAndAzzerafile) {
  ArchiveBed bed(kCatalogue);
  ArchiveLib& lib = bed.lib();
  EXPECT_EQ(lib.VERBASE(1), 0) << "missing";
  EXPECT_FALSE(bed.exists("DITTE.DAT")) << "VERBASE opens nothing";
  bed.write("DITTE.DAT", "");
  EXPECT_EQ(lib.VERBASE(1), 0) << "empty";
  bed.write("DITTE.DAT", "abc");
  EXPECT_EQ(lib.VERBASE(1), 1);
  EXPECT_EQ(lib.NUMFILE(1), 0);

  // An empty archive is left in place; a missing one stays missing; an open one is closed.
  bed.write("F24.DAT", "");
  lib.ELIMINA(377);
  EXPECT_TRUE(bed.exists("F24.DAT"));
  lib.ELIMINA(378);
  EXPECT_FALSE(bed.exists("F24.IDX"));
  lib.FAIOPEN(1);
  lib.ELIMINA(1);
  EXPECT_EQ(lib.NUMFILE(1), 0);
  EXPECT_FALSE(bed.exists("DITTE.DAT"));

  // The company of the name is used for both names ELIMINA builds, then consumed.
  bed.write("DIP007.DAT", std::string(100, 'r'));
  bed.write("DIP008.DAT", std::string(100, 'r'));
  lib.DITTAOPEN = "7";
  lib.ELIMINA(29);
  EXPECT_FALSE(bed.exists("DIP007.DAT"));
  EXPECT_TRUE(bed.exists("DIP008.DAT"));
  EXPECT_EQ(lib.DITTAOPEN, "");

  // AZZERAFILE recreates the archive empty and leaves it open.
  lib.DITTAOPEN = "8";
  lib.AZZERAFILE(29);
  EXPECT_EQ(bed.read("DIP008.DAT"), "");
  EXPECT_NE(lib.NUMFILE(29), 0);
  EXPECT_EQ(lib.BUFFERREC(29), std::string(50, ' '));
  EXPECT_TRUE(bed.ui().events.empty());
}

TEST(Opening, EsistefileAndCopiafile) {
  ArchiveBed bed(kCatalogue);
  ArchiveLib& lib = bed.lib();
  bed.write("SRC.MDB", "new content");
  bed.write("DST.MDB", "old content that is longer");
  EXPECT_EQ(lib.ESISTEFILE("C:\\ARCHIVI\\SRC.MDB"), -1);
  // Missing file, missing folder, a folder (cannot be opened for input), no name.
  for (const char* absent : {"C:\\ARCHIVI\\NONE.MDB", "C:\\NOFOLDER\\SRC.MDB", "C:\\ARCHIVI", ""})
    EXPECT_EQ(lib.ESISTEFILE(absent), 0) << absent;

  // Over a longer file, to a new one, onto itself.
  for (const char* target : {"DST.MDB", "NEW.MDB", "SRC.MDB"}) {
    lib.COPIAFILE("C:\\ARCHIVI\\SRC.MDB", std::string("C:\\ARCHIVI\\") + target);
    EXPECT_EQ(bed.read(target), "new content") << target;
  }
  EXPECT_EQ(lib.lastOperations().back(), "COPIAFILE");
  EXPECT_TRUE(bed.ui().events.empty());

  // A missing source ends the program through the error routine.
  EXPECT_THROW(lib.COPIAFILE("C:\\ARCHIVI\\NONE.MDB", "C:\\ARCHIVI\\DST.MDB"), ProgramEnd);
  ASSERT_EQ(bed.ui().dialogs().size(), 2u);
  EXPECT_EQ(bed.ui().dialogs()[0].text.rfind("Errore 53 ", 0), 0u);
  EXPECT_EQ(bed.read("DST.MDB"), "new content");
}

}  // namespace
}  // namespace zr::testing

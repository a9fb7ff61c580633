// Archive names built from TRBASE.DAT and the opening context.
#include <gtest/gtest.h>

#include <functional>

#include "archive/archive_bed.h"
#include "archive/numtext.h"

namespace zr::testing {
namespace {

std::string nameOf(ArchiveLib& lib, double n) {
  bool prefix = true;
  return lib.DAMMIFILE(n, prefix);
}

TEST(Naming, PlaceholdersAreFilledFromTheContextAndConsumed) {
  ArchiveBed bed({{1, "DITTE.DAT", "  120"},
                  {2, "D###.DAT", "64"},
                  {3, "T$$A**.DAT", "10"},
                  {4, "R@@P%%.DAT", "10"},
                  {5, "X###Y###.DAT", "10"},
                  {6, "**###@@%%$$.DAT", "10"}});
  ArchiveLib& lib = bed.lib();

  EXPECT_EQ(nameOf(lib, 1), "C:\\ARCHIVI\\DITTE.DAT");
  EXPECT_EQ(lib.LUNGRECBASE, 120);
  // A pattern without placeholders still normalises the context.
  EXPECT_EQ(lib.DITTAOPEN, "000");
  EXPECT_EQ(lib.ANNOOPEN, "00");
  EXPECT_EQ(lib.REGIONEOPEN, "00");

  lib.DITTAOPEN = "12";
  EXPECT_EQ(nameOf(lib, 2), "C:\\ARCHIVI\\D012.DAT");
  EXPECT_EQ(lib.LUNGRECBASE, 64);
  EXPECT_EQ(lib.DITTAOPEN, "");  // consumed

  lib.DITTAOPEN = "1234";  // only the last three digits survive
  EXPECT_EQ(nameOf(lib, 2), "C:\\ARCHIVI\\D234.DAT");
  lib.DITTAOPEN = " 7";
  EXPECT_EQ(nameOf(lib, 2), "C:\\ARCHIVI\\D007.DAT");

  lib.ANNOOPEN = "2024";
  EXPECT_EQ(nameOf(lib, 3), "C:\\ARCHIVI\\T07A24.DAT");
  EXPECT_EQ(lib.ANNOOPEN, "");
  lib.ANNOOPEN = "2000";  // checked before normalising, so 00 is accepted
  EXPECT_EQ(nameOf(lib, 3), "C:\\ARCHIVI\\T07A00.DAT");

  lib.REGIONEOPEN = "5";
  lib.PROVINCIAOPEN = "MI";
  EXPECT_EQ(nameOf(lib, 4), "C:\\ARCHIVI\\R05PMI.DAT");
  EXPECT_EQ(lib.REGIONEOPEN, "");
  EXPECT_EQ(lib.PROVINCIAOPEN, "");

  lib.DITTAOPEN = "3";  // first occurrence only
  EXPECT_EQ(nameOf(lib, 5), "C:\\ARCHIVI\\X003Y###.DAT");

  lib.DITTAOPEN = "45";
  lib.ANNOOPEN = "23";
  lib.REGIONEOPEN = "19";
  lib.PROVINCIAOPEN = "RM";
  EXPECT_EQ(nameOf(lib, 6),
            "C:\\ARCHIVI\\23045"
            "19RM07.DAT");

  EXPECT_EQ(nameOf(lib, 0), "");
  EXPECT_EQ(lib.lastOperations().back(), "DAMMIFILE$ (0)");
  EXPECT_TRUE(bed.ui().events.empty());
}

TEST(Naming, UnitPlaceholderReplacesThePrefix) {
  ArchiveBed bed({{1, "!:\\KV\\F.DAT", "10"}, {2, "Z!:\\G.DAT", "10"}});
  ArchiveLib& lib = bed.lib();
  const auto withUnit = [&](std::string unit, double n, bool& prefix) {
    lib.UNITAOPEN = unit;
    prefix = true;
    std::string name = lib.DAMMIFILE(n, prefix);
    EXPECT_EQ(lib.UNITAOPEN, "") << unit;
    return name;
  };
  bool prefix = true;
  EXPECT_EQ(withUnit("A", 1, prefix), "A:\\KV\\F.DAT");
  EXPECT_FALSE(prefix);
  EXPECT_EQ(withUnit("B:\\IGNORED", 1, prefix), "B:\\KV\\F.DAT");
  EXPECT_EQ(withUnit("D:", 1, prefix), "D:\\KV\\F.DAT");
  EXPECT_FALSE(prefix);
  EXPECT_EQ(withUnit("", 1, prefix), "\\KV\\F.DAT");
  EXPECT_EQ(withUnit("a", 1, prefix), "a\\KV\\F.DAT");  // only capital A and B are drive letters
  // Anywhere in the pattern; the non-A/B form keeps the pattern from its third character.
  EXPECT_EQ(withUnit("B", 2, prefix), "ZB:\\G.DAT");
  EXPECT_EQ(withUnit("E:", 2, prefix), "E::\\G.DAT");
}

TEST(Naming, RecordLengthIsReadLeniently) {
  ArchiveBed bed({{1, "A.DAT", "  300"},
                  {2, "B.DAT", "1 2 0"},
                  {3, "C.DAT", "12A45"},
                  {4, "D.DAT", ""},
                  {5, "E.DAT", "-0.5x"}});
  ArchiveLib& lib = bed.lib();
  const std::vector<std::pair<double, double>> expected = {
      {1, 300}, {2, 120}, {3, 12}, {4, 0}, {5, -0.5}};
  for (auto [n, length] : expected) {
    nameOf(lib, n);
    EXPECT_EQ(lib.LUNGRECBASE, length) << "base " << n;
  }
  // Past the end of a short catalogue: an empty pattern and no length.
  EXPECT_EQ(nameOf(lib, 200), "C:\\ARCHIVI\\");
  EXPECT_EQ(lib.LUNGRECBASE, 0);
}

struct MissingContext {
  std::string pattern;
  std::function<void(ArchiveLib&)> set;
  std::string message;
};

TEST(Naming, MissingContextShowsItsMessageAndEndsTheProgram) {
  const std::vector<MissingContext> cases = {
      {"D###.DAT", [](ArchiveLib&) {}, "ERRORE OPEN FILE - MANCA DITTAOPEN 377"},
      {"D###.DAT", [](ArchiveLib& l) { l.DITTAOPEN = "1000"; },
       "ERRORE OPEN FILE - MANCA DITTAOPEN 377"},
      {"A**.DAT", [](ArchiveLib&) {}, "ERRORE OPEN - MANCA ANNO - CSTR(NUMEROBASE)"},
      {"R@@.DAT", [](ArchiveLib& l) { l.REGIONEOPEN = "x"; },
       "ERRORE OPEN - MANCA REGIONE - CSTR(NUMEROBASE)"},
      {"P%%.DAT", [](ArchiveLib& l) { l.PROVINCIAOPEN = "MIL"; },
       "ERRORE OPEN - MANCA PROVINCIA - CSTR(NUMEROBASE)"},
  };
  for (const auto& c : cases) {
    ArchiveBed bed({{1, "DITTE.DAT", "10"}, {377, c.pattern, "10"}});
    ArchiveLib& lib = bed.lib();
    ASSERT_EQ(lib.FAIOPEN(1), 10);
    c.set(lib);
    try {
      lib.FAIOPEN(377);
      ADD_FAILURE() << c.pattern << ": the program went on";
    } catch (const ProgramEnd& end) {
      EXPECT_EQ(end.status, 3);
    }
    ASSERT_EQ(bed.ui().dialogs().size(), 1u) << c.pattern;
    const auto shown = bed.ui().dialogs()[0];
    EXPECT_EQ(shown.text, c.message);
    EXPECT_EQ(shown.title, "ZORIR77024");
    EXPECT_EQ(shown.icon, platform::Icon::None);
    EXPECT_EQ(lib.NUMFILE(1), 0) << "files are closed before the end";
    EXPECT_EQ(bed.listing(), (std::vector<std::string>{"DITTE.DAT", "TRBASE.DAT"}))
        << "nothing was created";
  }
}

}  // namespace
}  // namespace zr::testing

namespace zr::testing {
namespace {

TEST(Naming, NumberTextsOfCatalogueAndContext) {
  const std::vector<std::pair<std::string, double>> values = {
      {"", 0},      {"   ", 0},     {"12", 12},     {" 1 2\t3", 123}, {"0120", 120},
      {"12AB", 12}, {"AB12", 0},    {"-7", -7},     {"+5", 5},        {"- 3", -3},
      {"1.5", 1.5}, {".5", 0.5},    {"1.2.3", 1.2}, {"1-2", 1},       {"2E3", 2000},
      {"2E", 2},    {"2e-1x", 0.2}, {"E5", 0},      {"--1", 0},       {"1,5", 1}};
  for (const auto& [text, value] : values)
    EXPECT_EQ(archive::lenientValue(text), value) << '"' << text << '"';

  const std::vector<std::pair<double, std::string>> texts = {
      {377, "377"}, {0, "0"}, {-12, "-12"}, {1.5, "1.5"}, {0.1, "0.1"}, {1e15, "1e+15"}};
  for (const auto& [value, text] : texts) EXPECT_EQ(archive::numberText(value), text) << value;
}

}  // namespace
}  // namespace zr::testing

// Archive names built from TRBASE.DAT and the opening context.
#include <gtest/gtest.h>

#include <functional>

#include "archive/archive_bed.h"
#include "archive/numtext.h"

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
      {"B", 2, "ZB:\\G.DAT"},
      {"E:", 2, "E::\\G.DAT"},
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
    const auto shown = bed.ui().dialogs()[0];
    EXPECT_EQ(shown.text, message);
    EXPECT_EQ(shown.title, "ZORIR77024");
    EXPECT_EQ(shown.icon, platform::Icon::None);
    EXPECT_EQ(lib.NUMFILE(1), 0) << "files are closed before the end";
    EXPECT_EQ(bed.listing(), (std::vector<std::string>{"DITTE.DAT", "TRBASE.DAT"}));
  }
}

}  // namespace
}  // namespace zr::testing

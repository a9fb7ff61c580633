// The Erario, Regioni and Comuni lists and option 3 on a built bureau, compared with the texts
// worked out by hand (bureau.h); the Regioni database rows by release; page breaks at 60 lines.
#include <gtest/gtest.h>

#include "lists/bureau.h"

namespace zr::testbed {
namespace {

std::string entry30(const MainForm& form, std::size_t line) { return form.List1[line].substr(0, 30); }

TEST(SectionLists, EachListAndAllThreePrintTheBureauAsWorkedOutByHand) {
  Bureau b;
  struct Case {
    int option;
    std::string expected;
    std::vector<std::string> prefixes;  // progress texts of the lists run, in order
  };
  const Case cases[] = {{0, erarioList(), {"ERARIO "}},
                        {1, regioniList(true), {"REGIONI "}},
                        {2, comuniList(), {"COMUNI "}},
                        {3, allThree(), {"ERARIO ", "REGIONI ", "COMUNI "}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option);
    Lister l(b.inst);
    l.app->select({1, 2, 3});
    addSkippedCompanies(l);
    ASSERT_EQ(l.run(c.option), ListOutcome::Done) << l.app->transcript();
    EXPECT_EQ(l.printed(), c.expected);
    EXPECT_EQ(l.printers->fontName(), "Courier New");
    EXPECT_EQ(l.printers->fontSize(), 9);

    // One notice before the list, naming the option; nothing else.
    const auto dialogs = l.app->dialogs();
    ASSERT_EQ(dialogs.size(), 1u) << l.app->transcript();
    EXPECT_EQ(dialogs[0].text, "Viene generata una lista di controllo " +
                                   std::string(kOption1Captions[static_cast<std::size_t>(c.option)]) +
                                   "\rper le ditte selezionate");
    EXPECT_EQ(dialogs[0].title, l.form().caption);
    EXPECT_EQ(dialogs[0].icon, platform::Icon::Information);

    // Progress names the companies printed (the void and the missing one never); afterwards
    // the frame is closed, option 0 checked, the label hidden, the pointer normal.
    const MainForm& form = l.form();
    std::vector<std::string> shown, expected;
    for (const auto& t : progressOf(*l.app, "LabelDESC"))
      if (t.starts_with("ERARIO ") || t.starts_with("REGIONI ") || t.starts_with("COMUNI "))
        shown.push_back(t);
    for (const std::string& prefix : c.prefixes)
      for (std::size_t line : {0u, 2u, 4u}) expected.push_back(prefix + entry30(form, line));
    EXPECT_EQ(shown, expected);
    EXPECT_FALSE(form.frameVisible);
    EXPECT_EQ(form.Option1, (std::array<bool, 5>{true, false, false, false, false}));
    EXPECT_FALSE(form.labelVisible.at("LabelDESC"));
    EXPECT_FALSE(form.busy);
    EXPECT_FALSE(l.app->ui->busy_);
    EXPECT_EQ(form.listIndex, 0);
  }
}

TEST(SectionLists, RegioniReadsTheDatabaseOnlyAboveReleaseZeroAndOnlyThroughKrigo) {
  struct Case {
    std::optional<int> release;  // none: RELEASE without a row, read as 0
    bool database;
  };
  for (const Case& c : {Case{0, false}, Case{-1, false}, Case{std::nullopt, false},
                        Case{1, true}, Case{7, true}}) {
    SCOPED_TRACE(c.release ? std::to_string(*c.release) : "no row");
    demo::SkeletonOptions o;
    o.releaseValue = c.release;
    Bureau b(o);
    // The Comuni list reads its table whatever the release. One App at a time.
    for (const auto& [option, expected] : {std::pair{1, regioniList(c.database)},
                                           std::pair{2, comuniList()}}) {
      Lister l(b.inst);
      l.app->select({1, 2, 3});
      ASSERT_EQ(l.run(option), ListOutcome::Done) << l.app->transcript();
      EXPECT_EQ(l.printed(), expected) << option;
    }
  }
}

// Company 1: twelve months of five codes (six lines a month with the empty one); company 2:
// eleven months of four codes. Debits are month + code/100, so code j totals 78 + 0.12j over
// twelve months and 66 + 0.11j over eleven.
TEST(SectionLists, PagesBreakAtSixtyLinesAndTheNumberRunsAcrossCompanies) {
  Installation inst;
  inst.builder.putCompany(company(1, {{"T002", "UNO SRL"}}));
  inst.builder.putCompany(company(2, {{"T002", "DUE SRL"}}));
  const auto debit = [](int m, int j) { return std::to_string(m) + ".0" + std::to_string(j); };
  const auto shown = [](int m, int j) { return std::to_string(m) + ",0" + std::to_string(j); };
  for (int c = 1; c <= 2; ++c)
    for (int m = 1; m <= (c == 1 ? 12 : 11); ++m) {
      F24 f(c, 2023, m);
      for (int j = 1; j <= (c == 1 ? 5 : 4); ++j) f.erario(j, "100" + std::to_string(j), debit(m, j));
      inst.builder.putF24(f.rec);
    }
  inst.builder.close();

  const auto month = [&](int m, int j) {
    const std::string mm = (m < 10 ? "0" : "") + std::to_string(m);
    return monthLine(mm, "100" + std::to_string(j), shown(m, j), "0,00", shown(m, j));
  };
  const auto months = [&](int from, int to, int codes) {
    std::string s;
    for (int m = from; m <= to; ++m) {
      for (int j = 1; j <= codes; ++j) s += month(m, j);
      s += "\n";
    }
    return s;
  };
  // Company 1: months 1-9 fill lines 6-59; October's first line is line 60, the break comes
  // before its second.
  std::string expected = header(List::Erario, 1, "DITTA  001 UNO SRL") + months(1, 9, 5) +
                         month(10, 1) + d98 + "\n" +
                         header(List::Erario, 2, "DITTA  001 UNO SRL", true);
  for (int j = 2; j <= 5; ++j) expected += month(10, j);
  expected += "\n" + months(11, 12, 5) +
              totals({{"1001", "78,12", "0,00", "78,12"},
                      {"1002", "78,24", "0,00", "78,24"},
                      {"1003", "78,36", "0,00", "78,36"},
                      {"1004", "78,48", "0,00", "78,48"},
                      {"1005", "78,60", "0,00", "78,60"}},
                     {"", "391,80", "0,00", "391,80"});
  // Company 2: eleven months end on line 60 with November's empty line: the totals go to a
  // new page under a new header.
  expected += header(List::Erario, 3, "DITTA  002 DUE SRL", true) + months(1, 11, 4) + d98 +
              "\n" + header(List::Erario, 4, "DITTA  002 DUE SRL", true) +
              totals({{"1001", "66,11", "0,00", "66,11"},
                      {"1002", "66,22", "0,00", "66,22"},
                      {"1003", "66,33", "0,00", "66,33"},
                      {"1004", "66,44", "0,00", "66,44"}},
                     {"", "265,10", "0,00", "265,10"});
  Lister l(inst);
  l.app->selectAll();
  ASSERT_EQ(l.run(0), ListOutcome::Done) << l.app->transcript();
  EXPECT_EQ(l.printed(), expected);
}

// A list that ends on a company with its header alone leaves that header in the open
// document: the next list of option 3 follows on the same page, from its own page 1.
TEST(SectionLists, AHeaderLeftOpenIsFollowedByTheNextListOnTheSamePage) {
  Installation inst;
  inst.builder.putCompany(company(1, {{"T002", "UNO SRL"}}));
  inst.builder.putF24(F24(1, 2023, 5).local(1, "3847", "12").rec);
  inst.builder.close();
  const std::string uno = "DITTA  001 UNO SRL";
  Lister l(inst);
  l.app->select({1});
  ASSERT_EQ(l.run(3), ListOutcome::Done) << l.app->transcript();
  EXPECT_EQ(l.printed(), header(List::Erario, 1, uno) + header(List::Regioni, 1, uno) +
                             header(List::Comuni, 1, uno) +
                             monthLine("05", "3847", "12,00", "0,00", "12,00") + "\n" +
                             totals({{"3847", "12,00", "0,00", "12,00"}},
                                    {"", "12,00", "0,00", "12,00"}));
}

}  // namespace
}  // namespace zr::testbed

// The print selection around the lists: nothing selected, companies that print nothing, no
// printer installed, and a printer that fails halfway through a list.
#include <gtest/gtest.h>

#include <algorithm>

#include "lists/bureau.h"

namespace zr::testbed {
namespace {

TEST(PrintSelection, NothingSelectedKeepsTheFrameClosed) {
  Bureau b;
  Lister l(b.inst);
  l.form().listIndex = 2;
  EXPECT_FALSE(CmdVer1655_Click(*l.app->app));
  EXPECT_FALSE(l.form().frameVisible);
  ASSERT_EQ(l.app->dialogs().size(), 1u) << l.app->transcript();
  EXPECT_EQ(l.app->dialogs()[0].text, "Nessuna ditta selezionata");
  EXPECT_EQ(l.app->dialogs()[0].title, l.form().caption);
  EXPECT_EQ(l.app->dialogs()[0].icon, platform::Icon::Information);
  EXPECT_EQ(l.app->app->flags.ERRORELISTA, 1);
  EXPECT_EQ(l.form().listIndex, 0);  // the first entry made current
  l.app->app->finishPrinting();
  EXPECT_EQ(l.printed(), "");

  // With a company selected the frame opens on option 0, whatever was checked before; an
  // option click checks that one alone.
  l.app->select({1});
  l.form().Option1 = {false, false, true, false, false};
  EXPECT_TRUE(CmdVer1655_Click(*l.app->app));
  EXPECT_TRUE(l.form().frameVisible);
  EXPECT_EQ(l.app->app->flags.ERRORELISTA, 0);
  EXPECT_EQ(l.form().Option1, (std::array<bool, 5>{true, false, false, false, false}));
  Option1_Click(*l.app->app, 4);
  EXPECT_EQ(l.form().Option1, (std::array<bool, 5>{false, false, false, false, true}));
}

TEST(PrintSelection, OnlyVoidOrMissingCompaniesPrintNothing) {
  Bureau b;
  for (int option = 0; option <= 4; ++option) {
    SCOPED_TRACE(option);
    Lister l(b.inst);
    l.form().addLine("004 DELTA SAS");
    l.form().selected.back() = true;
    l.form().addLine("007 FANTASMA SRL");
    l.form().selected.back() = true;
    EXPECT_EQ(l.run(option), ListOutcome::Done) << l.app->transcript();
    EXPECT_EQ(l.printed(), "");
    EXPECT_EQ(l.app->dialogs().size(), option == 4 ? 0u : 1u) << l.app->transcript();
  }
}

TEST(PrintSelection, NoPrinterInstalledGivesTheWarningAndClosesTheFrame) {
  Bureau b;
  for (int option : {0, 3, 4}) {
    SCOPED_TRACE(option);
    LoadedApp a(b.inst);  // no printer provider: the system has no printer
    a.select({1, 3});
    ASSERT_TRUE(CmdVer1655_Click(*a.app));
    Option1_Click(*a.app, option);
    EXPECT_EQ(CmdStampa_Click(*a.app), ListOutcome::Failed);
    a.app->finishPrinting();
    const auto dialogs = a.dialogs();
    ASSERT_EQ(dialogs.size(), option == 4 ? 1u : 2u) << a.transcript();
    const auto& warning = dialogs.back();
    EXPECT_EQ(warning.text, "Errore N.484\rNessuna stampante installata non e' possibile proseguire");
    EXPECT_EQ(warning.title, "Attenzione !!!");
    EXPECT_EQ(warning.icon, platform::Icon::Critical);
    EXPECT_FALSE(a.app->form.frameVisible);
    EXPECT_FALSE(a.app->form.labelVisible.at("LabelDESC"));
    EXPECT_FALSE(a.app->form.busy);
    EXPECT_FALSE(a.ui->busy_);
  }
}

TEST(PrintSelection, APrinterFailingHalfwayKeepsWhatWasPrinted) {
  const std::string failed =
      "Errore N.57\rDevice I/O error: stampante di prova\r\rNon e' possibile proseguire";
  const auto lines = [](const std::string& s) {
    return static_cast<int>(std::count(s.begin(), s.end(), '\n'));
  };
  struct Case {
    int option;
    int failAt;
    std::string kept;
  };
  const std::string firstErario = header(List::Erario, 1, kAlfa) +
                                  monthLine("01", "1001", "1200,50", "0,00", "1200,50");
  const std::string firstRegioni =
      "\f" + header(List::Regioni, 1, kAlfa) + monthLine("01", "3796", "100,00", "60,00", "40,00");
  const Case cases[] = {
      // ALFA's second January line.
      {0, 7, firstErario},
      // Option 3: the Erario list whole, then the Regioni list's second line; Comuni never runs.
      {3, lines(erarioList()) + 7, erarioList() + firstRegioni},
      // The SX list's first line after the header.
      {4, 6, header(List::Sx, 1, kAlfa)},
  };
  Bureau b;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option);
    Lister l(b.inst, c.failAt);
    l.app->select({1, 2, 3});
    EXPECT_EQ(l.run(c.option), ListOutcome::Failed);
    EXPECT_EQ(l.printed(), c.kept);
    const auto dialogs = l.app->dialogs();
    ASSERT_EQ(dialogs.size(), c.option == 4 ? 1u : 2u) << l.app->transcript();
    EXPECT_EQ(dialogs.back().text, failed);
    EXPECT_EQ(dialogs.back().title, l.form().caption);
    EXPECT_EQ(dialogs.back().icon, platform::Icon::Critical);
    EXPECT_FALSE(l.form().labelVisible.at("LabelDESC"));
    EXPECT_FALSE(l.form().busy);
    EXPECT_FALSE(l.app->ui->busy_);
  }
}

}  // namespace
}  // namespace zr::testbed

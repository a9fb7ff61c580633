// The company list on installations built on disk: the lines as the archive gives them, the
// presenting-company check, select/deselect all, the exit buttons and the code lookup the
// command line uses.
#include "shell/companylist.h"

#include <gtest/gtest.h>

#include "shell_fixture.h"

namespace zr::testing {
namespace {

std::string pad30(std::string s) {
  s.resize(30, ' ');
  return s;
}
std::string presented(const std::string& code, const std::string& name) {
  return " Azienda presentatrice 770:" + code + " " + pad30(name);
}

class CompanyListTest : public ShellTest {
 protected:
  void SetUp() override {
    build({
        voidCompany(1), company(2, "ACME SPA", 2),           // presents itself
        company(3, "  BETA  S.R.L.  ", 2),                   // blanks around the name
        company(4, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"),  // longer than the field
        company(5, "GAMMA", 4), company(6, "DELTA", 9),      // presenter past the end
        company(7, "EPSILON", 1),                            // presenter void
        company(8, "CAFF\xC8 ROMA"),                         // CP1252 E grave
    });
    app = makeApp();
    RIZ770_Load(*app);
    ui->clear();
  }

  // Selects exactly the lines of these codes, runs the check and returns that selection.
  std::vector<bool> check(const std::vector<const char*>& codes) {
    auto& f = app->form;
    f.selected.assign(f.List1.size(), false);
    for (const char* code : codes)
      for (std::size_t i = 0; i < f.List1.size(); ++i)
        if (f.List1[i].starts_with(code)) f.selected[i] = true;
    const auto chosen = f.selected;
    app->flags.ERRORELISTA = 0;
    controllolista(*app);
    return chosen;
  }

  std::unique_ptr<App> app;
};

TEST_F(CompanyListTest, LinesFollowTheCompanyArchive) {
  const std::vector<std::string> expected = {
      "002 " + pad30("ACME SPA") + presented("002", "ACME SPA"),
      "003 " + pad30("BETA  S.R.L.") + presented("002", "ACME SPA"),
      "004 ABCDEFGHIJKLMNOPQRSTUVWXYZ0123",
      "005 " + pad30("GAMMA") + presented("004", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"),
      "006 " + pad30("DELTA") + presented("009", ""),
      "007 " + pad30("EPSILON") + presented("001", ""),
      "008 " + pad30("CAFF\xC8 ROMA"),
  };
  EXPECT_EQ(app->form.List1, expected);
  // The presenter's text starts at column 35 of every line that has one.
  EXPECT_EQ(expected[0].substr(34, 27), " Azienda presentatrice 770:");
  EXPECT_FALSE(app->form.anySelected());

  // Reloading gives the same lines and closes the company archive again.
  caricalistaziende(*app);
  EXPECT_EQ(app->form.List1, expected);
  EXPECT_THROW(app->lib.fileOf(1), RuntimeError);
}

TEST_F(CompanyListTest, UnselectedPresenterFailsTheCheckOnceAndClearsTheSelection) {
  const auto lines = app->form.List1;
  // Two substitutes whose presenters are both left out: one message only.
  check({"003", "005", "008"});
  expectOnlyDialog(
      "Attenzione e' stata selezionata una azienda\rnon presentatrice del mod.770/2024 senza "
      "aver selezionato anche\rl'azienda presentatrice",
      kCaption, platform::Icon::Critical);
  EXPECT_EQ(app->flags.ERRORELISTA, 1);
  EXPECT_FALSE(app->form.anySelected());
  EXPECT_EQ(app->form.List1, lines);

  const std::pair<std::vector<const char*>, const char*> passing[] = {
      {{"002"}, "self-presenting declarant alone"},
      {{"002", "003"}, "substitute with its presenter"},
      {{"004", "005", "008"}, "presenter of 005 selected"},
      {{"006"}, "presenter without a line in the list"},
  };
  for (const auto& [codes, what] : passing) {
    SCOPED_TRACE(what);
    ui->clear();
    const auto chosen = check(codes);
    EXPECT_TRUE(ui->dialogs().empty());
    EXPECT_EQ(app->flags.ERRORELISTA, 0);
    EXPECT_EQ(app->form.selected, chosen);
  }
}

TEST_F(CompanyListTest, SelectAllThenDeselectAll) {
  auto& f = app->form;
  for (int all : {1, 0}) {
    SCOPED_TRACE(all);
    f.listIndex = 4;
    f.Check2 = all;
    Check2_Click(f);
    EXPECT_EQ(f.Check2Caption, all ? "Deseleziona tutte le aziende" : "Seleziona tutte le aziende");
    EXPECT_EQ(f.selected, std::vector<bool>(f.List1.size(), all == 1));
    EXPECT_EQ(f.listIndex, 0);
  }
  MainForm empty;
  empty.Check2 = 1;
  Check2_Click(empty);
  EXPECT_EQ(empty.listIndex, -1);
  EXPECT_TRUE(empty.selected.empty());
}

TEST_F(CompanyListTest, ExitButtonsAndClosingTheForm) {
  writeHostFile(taskPath(), "01 qualcosa\r\n");
  // Index 0 only closes the print frame.
  app->form.frameVisible = true;
  CmdUscita_Click(*app, 0);
  EXPECT_FALSE(app->form.frameVisible);
  EXPECT_EQ(taskFile(), "01 qualcosa\r\n");

  app->lib.FAIOPEN(1);
  EXPECT_EQ(endStatus([&] { CmdUscita_Click(*app, 1); }), 0);
  EXPECT_EQ(taskFile(), endedTask("01"));
  EXPECT_THROW(app->lib.fileOf(1), RuntimeError);  // every archive closed

  writeHostFile(taskPath(), "01 qualcosa\r\n");
  EXPECT_EQ(endStatus([&] { Form_Unload(*app); }), 0);
  EXPECT_EQ(taskFile(), endedTask("01"));
}

TEST_F(CompanyListTest, CodesNameLinesAsNumbers) {
  auto sel = linesForCodes(app->form, {"2", "003", "0007", "8", "003"});
  EXPECT_EQ(sel.lines, (std::vector<std::size_t>{0, 1, 5, 6}));
  EXPECT_TRUE(sel.unknown.empty());
  // The void company 001, a code never written, and texts that are no codes.
  sel = linesForCodes(app->form, {"1", "9", "abc", "", "-2", "2x", "002"});
  EXPECT_EQ(sel.lines, std::vector<std::size_t>{0});
  EXPECT_EQ(sel.unknown, (std::vector<std::string>{"1", "9", "abc", "", "-2", "2x"}));
}

}  // namespace
}  // namespace zr::testing

// The company list on installations built on disk: the lines as the archive gives them, the
// presenting-company check, select/deselect all, the small handlers and the code lookup the
// command line uses.
#include "shell/companylist.h"

#include <gtest/gtest.h>

#include "shell/startup.h"
#include "shell_fixture.h"

namespace zr::testing {
namespace {

namespace fs = std::filesystem;
using platform::Icon;

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

  // Selects exactly the lines of these codes.
  void select(std::initializer_list<const char*> codes) {
    auto& f = app->form;
    f.selected.assign(f.List1.size(), false);
    for (const char* code : codes)
      for (std::size_t i = 0; i < f.List1.size(); ++i)
        if (f.List1[i].starts_with(code)) f.selected[i] = true;
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
  for (const auto& line : app->form.List1) {
    SCOPED_TRACE(line);
    if (line.size() == 34) continue;
    ASSERT_EQ(line.size(), 95u);
    EXPECT_EQ(line.substr(34, 27), " Azienda presentatrice 770:");  // columns 35-61
    EXPECT_EQ(line[64], ' ');
  }
  EXPECT_FALSE(app->form.anySelected());

  // Reloading gives the same lines and closes the company archive again.
  caricalistaziende(*app);
  EXPECT_EQ(app->form.List1, expected);
  EXPECT_THROW(app->lib.fileOf(1), RuntimeError);
}

TEST_F(CompanyListTest, UnselectedPresenterFailsTheCheckOnceAndClearsTheSelection) {
  const auto lines = app->form.List1;
  const std::string message =
      "Attenzione e' stata selezionata una azienda\rnon presentatrice del mod.770/2024 senza "
      "aver selezionato anche\rl'azienda presentatrice";

  // Two substitutes whose presenters are both left out: one message only.
  select({"003", "005", "008"});
  app->flags.ERRORELISTA = 0;
  controllolista(*app);
  auto dialogs = ui->dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text, message);
  EXPECT_EQ(dialogs[0].title, app->form.caption);
  EXPECT_EQ(dialogs[0].icon, Icon::Critical);
  EXPECT_EQ(app->flags.ERRORELISTA, 1);
  EXPECT_FALSE(app->form.anySelected());
  EXPECT_EQ(app->form.List1, lines);

  struct Case {
    std::initializer_list<const char*> codes;
    const char* what;
  } passing[] = {
      {{"002"}, "self-presenting declarant alone"},
      {{"002", "003"}, "substitute with its presenter"},
      {{"004", "005", "008"}, "presenter of 005 selected"},
      {{"006"}, "presenter without a line in the list"},
  };
  for (const auto& c : passing) {
    SCOPED_TRACE(c.what);
    ui->clear();
    select(c.codes);
    const auto chosen = app->form.selected;
    app->flags.ERRORELISTA = 0;
    controllolista(*app);
    EXPECT_TRUE(ui->dialogs().empty());
    EXPECT_EQ(app->flags.ERRORELISTA, 0);
    EXPECT_EQ(app->form.selected, chosen);
  }
}

TEST_F(CompanyListTest, SelectAllThenDeselectAll) {
  auto& f = app->form;
  f.listIndex = 4;
  f.Check2 = 1;
  Check2_Click(f);
  EXPECT_EQ(f.Check2Caption, "Deseleziona tutte le aziende");
  EXPECT_EQ(f.selected, std::vector<bool>(f.List1.size(), true));
  EXPECT_EQ(f.listIndex, 0);

  f.listIndex = 5;
  f.Check2 = 0;
  Check2_Click(f);
  EXPECT_EQ(f.Check2Caption, "Seleziona tutte le aziende");
  EXPECT_FALSE(f.anySelected());
  EXPECT_EQ(f.selected.size(), f.List1.size());
  EXPECT_EQ(f.listIndex, 0);

  MainForm empty;
  empty.Check2 = 1;
  Check2_Click(empty);
  EXPECT_EQ(empty.listIndex, -1);
  EXPECT_TRUE(empty.selected.empty());
}

TEST_F(CompanyListTest, OptionCaptionsAndHelpTexts) {
  auto& f = app->form;
  f.Check1 = 0;
  Check1_Click(f);
  EXPECT_EQ(f.Check1Caption,
            "NO Non Includere nel Quadro ST anche i versamenti delle C.UNICA LAV.AUT");
  f.Check1 = 1;
  Check1_Click(f);
  EXPECT_EQ(f.Check1Caption, "SI Includere nel Quadro ST anche i versamenti delle C.UNICA LAV.AUT");
  f.Check3 = 0;
  Check3_Click(f);
  EXPECT_EQ(f.Check3Caption, "NO Non compilare automaticamente con 'S' (saldo) note Q.SV cod.3847");
  f.Check3 = 1;
  Check3_Click(f);
  EXPECT_EQ(f.Check3Caption, "SI Compilare automaticamente con 'S' (saldo) note Q.SV cod.3847");

  Cmdinfo_Click(*app, 0);
  Cmdinfo_Click(*app, 1);
  auto dialogs = ui->dialogs();
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[0].text,
            "Viene prodotta una stampa di controllo per le ditte selezionate\r\r"
            "ELENCO DEI CONTROLLI ESEGUITI\r"
            "1) DATA VERSAMENTO PRESENTE\r"
            "2) DATA VERSAMENTO NON PRESENTE\r"
            "3) DATA VERSAMENTO AGGIORNATA DA DATE SPECIFICATE NELLA GRIGLIA DALL'UTENTE\r"
            "4) F24 MESE NON PRESENTE\r\r"
            "Attenzione!!! se non compilata la  data di versamento, ogni rigo prodotto per QUADRO "
            "ST/SV dovra' essere succesivamente integrato nella gestione 770.\r"
            "Inoltre per quanto il QUADRO SV la mancata compilazione della data di versamento "
            "produrra'un rigo di totale anche per data 00/00/0000\r"
            "La totalizzazione dei righi SV avviene per il seguente raggruppamento\r"
            "DITTA ,CF DICH ,CF SOST , PERIODO RIFERIMENTO , NOTE , COD.TRIBUTO, DATA "
            "VERSAMENTO");
  EXPECT_EQ(dialogs[1].text,
            "Da 'Help-->Argomenti guida korvante\r\r               --->PROCEDURA MODELLO 770");
  for (const auto& d : dialogs) {
    EXPECT_EQ(d.title, "Esportazione dati per 770/2024 - Anno di riferimento 2023");
    EXPECT_EQ(d.icon, Icon::Information);
  }
}

TEST_F(CompanyListTest, ExitButtonsAndClosingTheForm) {
  const fs::path task = host("C:\\ZAVUVOD\\ZAVUVOD.INI");
  writeHostFile(task, "01 qualcosa\r\n");

  // Index 0 only closes the print frame.
  app->form.frameVisible = true;
  CmdUscita_Click(*app, 0);
  EXPECT_FALSE(app->form.frameVisible);
  EXPECT_EQ(readHostFile(task), "01 qualcosa\r\n");

  app->lib.FAIOPEN(1);
  int status = -1;
  try {
    CmdUscita_Click(*app, 1);
  } catch (const ProgramEnd& end) {
    status = end.status;
  }
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readHostFile(task), "01" + std::string(98, ' ') + "\r\n");
  EXPECT_THROW(app->lib.fileOf(1), RuntimeError);  // every archive closed

  // Closing the window does the same.
  writeHostFile(task, "01 qualcosa\r\n");
  status = -1;
  try {
    Form_Unload(*app);
  } catch (const ProgramEnd& end) {
    status = end.status;
  }
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readHostFile(task), "01" + std::string(98, ' ') + "\r\n");
}

TEST_F(CompanyListTest, CodesNameLinesAsNumbers) {
  const auto& f = app->form;
  auto sel = linesForCodes(f, {"2", "003", "0007", "8", "003"});
  EXPECT_EQ(sel.lines, (std::vector<std::size_t>{0, 1, 5, 6}));
  EXPECT_TRUE(sel.unknown.empty());

  // The void company 001, a code never written, and texts that are no codes.
  sel = linesForCodes(f, {"1", "9", "abc", "", "-2", "2x", "002"});
  EXPECT_EQ(sel.lines, std::vector<std::size_t>{0});
  EXPECT_EQ(sel.unknown, (std::vector<std::string>{"1", "9", "abc", "", "-2", "2x"}));
}

}  // namespace
}  // namespace zr::testing

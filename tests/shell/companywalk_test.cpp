// The walk over the selected companies, the progress labels and the run-failure guard, on an
// installation built on disk: which lines are visited and made current, what record each
// visit finds in the DITX$ buffer, and what a failing run says and leaves behind.
#include "platform/text.h"
#include "shell/companywalk.h"

#include <gtest/gtest.h>

#include "shell/progress.h"
#include "shell/runfailure.h"
#include "shell_fixture.h"

namespace zr::testing {
namespace {

constexpr std::string_view kNameField = "DITX$,00006,30,A,0,T002";

class CompanyWalkTest : public ShellTest {
 protected:
  void SetUp() override {
    build({voidCompany(1), company(2, "ACME SPA"), company(3, "BETA SRL", 2),
           company(4, "GAMMA SNC"), voidCompany(5), company(6, "DELTA SAS")});
    app = makeApp();
    RIZ770_Load(*app);
    ui->clear();
  }

  void select(const std::vector<std::string>& codes) {
    auto& f = app->form;
    f.selected.assign(f.List1.size(), false);
    for (const auto& code : codes)
      for (std::size_t i = 0; i < f.List1.size(); ++i)
        if (f.List1[i].starts_with(code)) f.selected[i] = true;
  }

  struct Visit {
    std::size_t line;
    int current;
    std::string code, name, placeCompany, ditxName;
    CompanyRecord record;
  };

  std::vector<Visit> walk(CompanyRead read, RunPlace* place = nullptr) {
    std::vector<Visit> seen;
    walkSelectedCompanies(
        *app, read,
        [&](const SelectedCompany& c) {
          seen.push_back({c.line, app->form.listIndex, c.code, c.name,
                          place ? place->company : "",
                          platform::trimmed(app->repo.STRCOSTANTE(kNameField)), c.record});
        },
        place);
    return seen;
  }

  std::unique_ptr<App> app;
};

TEST_F(CompanyWalkTest, VisitsTheSelectedLinesInListOrderWithTheirRecords) {
  // The list holds 002, 003, 004, 006 (void records are not listed); two lines are added as
  // a list left stale by another workstation: a company now void and one past the end.
  auto& f = app->form;
  ASSERT_EQ(f.List1.size(), 4u);
  f.addLine("005 CANCELLATA");
  f.addLine("009 SPARITA");
  select({"006", "002", "005", "009", "004"});
  app->lib.FAIOPEN(1);
  RunPlace place;
  place.enterStep("prova");

  const auto seen = walk(CompanyRead::ByCode, &place);
  ASSERT_EQ(seen.size(), 5u);
  const std::vector<std::size_t> lines = {0, 2, 3, 4, 5};
  for (std::size_t k = 0; k < seen.size(); ++k) {
    EXPECT_EQ(seen[k].line, lines[k]);
    EXPECT_EQ(seen[k].current, static_cast<int>(lines[k])) << "the visited line is current";
    EXPECT_EQ(seen[k].placeCompany, seen[k].name);
  }
  EXPECT_EQ(seen[0].code, "002");
  EXPECT_EQ(seen[0].name, "002 ACME SPA");
  EXPECT_EQ(seen[0].record, CompanyRecord::Present);
  EXPECT_EQ(seen[0].ditxName, "ACME SPA");
  EXPECT_EQ(seen[1].record, CompanyRecord::Present);
  EXPECT_EQ(seen[1].ditxName, "GAMMA SNC");
  EXPECT_EQ(seen[2].record, CompanyRecord::Present);
  EXPECT_EQ(seen[2].ditxName, "DELTA SAS");
  EXPECT_EQ(seen[3].code, "005");
  EXPECT_EQ(seen[3].name, "005 CANCELLATA");
  EXPECT_EQ(seen[3].record, CompanyRecord::Void);
  EXPECT_TRUE(app->repo.DITX().starts_with("99"));
  EXPECT_EQ(seen[4].code, "009");
  EXPECT_EQ(seen[4].record, CompanyRecord::Missing);
  // The last line stays current and the place names no company once the walk is over.
  EXPECT_EQ(f.listIndex, 5);
  EXPECT_EQ(place.company, "");
  EXPECT_EQ(place.step, "prova");

  // Not reading leaves the buffer alone and needs no open archive.
  app->lib.CHIUDIFILE(0);
  app->repo.DITX() = "invariato";
  const auto unread = walk(CompanyRead::No);
  ASSERT_EQ(unread.size(), 5u);
  for (const auto& v : unread) EXPECT_EQ(v.record, CompanyRecord::NotRead);
  EXPECT_EQ(app->repo.DITX(), "invariato");

  // Nothing selected: no visit, and every line was made current in turn.
  select({});
  EXPECT_TRUE(walk(CompanyRead::ByCode).empty());
  EXPECT_EQ(f.listIndex, 5);
}

TEST_F(CompanyWalkTest, AVisitThatThrowsEndsTheWalkWithItsCompanyInHand) {
  select({"002", "003", "004"});
  app->lib.FAIOPEN(1);
  RunPlace place;
  std::vector<std::string> visited;
  EXPECT_THROW(walkSelectedCompanies(
                   *app, CompanyRead::ByCode,
                   [&](const SelectedCompany& c) {
                     visited.push_back(c.code);
                     if (c.code == "003") throw RunFailure(c.name, "guasto");
                   },
                   &place),
               RunFailure);
  EXPECT_EQ(visited, (std::vector<std::string>{"002", "003"}));
  EXPECT_EQ(app->form.listIndex, 1);
  EXPECT_EQ(place.company, "003 BETA SRL") << "the failure message names the company";
}

TEST_F(CompanyWalkTest, FirstSelectedLineBecomesCurrent) {
  auto& f = app->form;
  select({"004", "006"});
  EXPECT_TRUE(findFirstSelected(f));
  EXPECT_EQ(f.listIndex, 2);
  select({});
  EXPECT_FALSE(findFirstSelected(f));
  EXPECT_EQ(f.listIndex, 3);
  f.clearList();
  EXPECT_FALSE(findFirstSelected(f));
  EXPECT_EQ(f.listIndex, -1);
}

TEST_F(CompanyWalkTest, GuardReportsWhereTheRunStoodAndClosesTheArchives) {
  const FailureTexts texts{"LAVORO NON ESEGUITO", "Nulla e' cambiato."};
  RunPlace place;
  place.enterStep("prima fase");
  place.company = "004 GAMMA SNC";

  // A routine's own failure names its company; a run-time error the company in hand.
  struct Case {
    std::function<void()> body;
    std::string text;
  };
  const Case cases[] = {
      {[] { throw RunFailure("002 ACME SPA", "campo troppo lungo"); },
       "LAVORO NON ESEGUITO\r\rFase: prima fase\rAzienda: 002 ACME SPA\rCausa: campo troppo "
       "lungo\r\rNulla e' cambiato."},
      {[] { throw RuntimeError(53, "File non trovato   "); },
       "LAVORO NON ESEGUITO\r\rFase: prima fase\rAzienda: 004 GAMMA SNC\rCausa: Errore N.53 "
       "File non trovato\r\rNulla e' cambiato."},
      {[] { throw std::runtime_error("disco pieno"); },
       "LAVORO NON ESEGUITO\r\rFase: prima fase\rAzienda: 004 GAMMA SNC\rCausa: disco "
       "pieno\r\rNulla e' cambiato."},
  };
  for (const Case& c : cases) {
    ui->clear();
    app->lib.FAIOPEN(1);
    setBusy(*app, true);
    EXPECT_FALSE(runGuarded(*app, place, texts, c.body));
    expectOnlyDialog(c.text, app->form.caption, platform::Icon::Critical);
    EXPECT_FALSE(app->form.busy);
    EXPECT_FALSE(ui->busy_);
    EXPECT_THROW(app->lib.fileOf(1), RuntimeError) << "the archives are closed";
  }

  // Between companies no company line is shown; an aborted routine adds no second message.
  place.enterStep("seconda fase");
  ui->clear();
  EXPECT_FALSE(runGuarded(*app, place, texts, [] { throw RuntimeError(5, "Errore"); }));
  expectOnlyDialog("LAVORO NON ESEGUITO\r\rFase: seconda fase\rCausa: Errore N.5 Errore\r\rNulla "
                   "e' cambiato.",
                   app->form.caption, platform::Icon::Critical);
  ui->clear();
  EXPECT_FALSE(runGuarded(*app, place, texts, [] { throw CommandAborted{3}; }));
  EXPECT_TRUE(ui->dialogs().empty());

  // The end of the program is reported, then goes on ending it.
  ui->clear();
  EXPECT_EQ(endStatus([&] { runGuarded(*app, place, texts, [] { throw ProgramEnd{3}; }); }), 3);
  ASSERT_EQ(ui->dialogs().size(), 1u);
  EXPECT_NE(ui->dialogs()[0].text.find("Causa: errore negli archivi della procedura paghe"),
            std::string::npos);

  // A body that succeeds says nothing and leaves the pointer as it was.
  ui->clear();
  setBusy(*app, true);
  bool ran = false;
  EXPECT_TRUE(runGuarded(*app, place, texts, [&] { ran = true; }));
  EXPECT_TRUE(ran);
  EXPECT_TRUE(ui->events.empty());
  EXPECT_TRUE(app->form.busy);
}

TEST_F(CompanyWalkTest, LabelsReachTheUiAsTheyChange) {
  auto& f = app->form;
  showLabel(*app, "Label2", "in corso");
  EXPECT_EQ(f.labels.at("Label2"), "in corso");
  EXPECT_TRUE(f.labelVisible.at("Label2"));
  hideLabel(*app, "Label2", false);
  EXPECT_EQ(f.labels.at("Label2"), "in corso") << "kept for the next time it is shown";
  EXPECT_FALSE(f.labelVisible.at("Label2"));
  hideLabel(*app, "Label2", true);
  EXPECT_EQ(f.labels.at("Label2"), "");
  ASSERT_EQ(ui->events.size(), 3u);
  EXPECT_EQ(ui->events[0].kind, platform::ScriptedUi::Kind::Progress);
  EXPECT_EQ(ui->events[0].title, "Label2");
  EXPECT_EQ(ui->events[0].text, "in corso");
  EXPECT_EQ(ui->events[1].text, "");
  EXPECT_EQ(ui->events[2].text, "");
}

}  // namespace
}  // namespace zr::testing

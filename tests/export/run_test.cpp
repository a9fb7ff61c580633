// The export run's checks and its form: what refuses a run, what it restores, how the
// certification database is provided and what an unusable one does to the run.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "export/installation.h"

namespace zr::exporttest {
namespace {

using platform::Icon;

// 001 presents its own return and 002's; 003 presents its own.
void smallBureau(Installation& inst) {
  auto& b = inst.builder;
  b.putCompany(company(1, {{"T002", "UNO SPA"}, {"T012", "11111111111"}}));
  b.putCompany(company(2, {{"T002", "DUE SRL"}, {"T012", "22222222222"}, {"T326", "1"}}));
  b.putCompany(company(3, {{"T002", "TRE SNC"}, {"T012", "33333333333"}}));
}

bool exists(Installation& inst, const std::string& name) {
  return std::filesystem::exists(inst.archive(name));
}

void expectRestored(const MainForm& f) {
  EXPECT_EQ(f.Check1, 1);
  EXPECT_EQ(f.Check3, 1);
  EXPECT_EQ(f.Check2, 0);
  EXPECT_EQ(f.Check2Caption, "Seleziona tutte le aziende");
  for (const auto& t : f.Text1) EXPECT_EQ(t, "00/00/0000");
  EXPECT_FALSE(f.anySelected());
  EXPECT_TRUE(f.list1Visible);
  EXPECT_TRUE(f.labelVisible.at("Label3"));
}

// The user's own form: options unchecked, a date typed, everything selected with Check2.
void userForm(MainForm& f) {
  f.Check1 = 0;
  f.Check1Caption = "NO Non Includere nel Quadro ST anche i versamenti delle C.UNICA LAV.AUT";
  f.Check3 = 0;
  f.Check3Caption = "NO Non compilare automaticamente con 'S' (saldo) note Q.SV cod.3847";
  f.Text1[3] = "16/04/2023";
}

TEST(ExportRun, RefusalsSayWhyAndWriteNothing) {
  struct Case {
    const char* what;
    std::vector<int> select;
    std::string text;
    Icon icon;
    bool errorList;  // the list is marked in error
  };
  const std::string brokenLink =
      "ERRORE DITTE DICHIARANTE/SOSTITUTO !!!\r\rIl dichiarante ditta 004 non esiste !\r\r"
      "per il sostituto ditta 005 ORFANA SAS                    \r\r"
      "Sistemare le situazioni di errore e rilanciare l'acquisizione";
  const Case cases[] = {
      {"nothing selected", {}, "Nessuna ditta selezionata", Icon::Information, true},
      {"presenter not selected",
       {2, 3},
       "Attenzione e' stata selezionata una azienda\rnon presentatrice del mod.770/2024 "
       "senza aver selezionato anche\rl'azienda presentatrice",
       Icon::Critical,
       false},
      // The broken link is between companies nobody selected: it blocks every run.
      {"broken declarant link, 001 selected", {1}, brokenLink, Icon::Critical, true},
      {"broken declarant link, 003 selected", {3}, brokenLink, Icon::Critical, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst;
    smallBureau(inst);
    if (c.text == brokenLink) {
      demo::CompanyRecord gone = company(4, {{"T002", "CHIUSA"}});
      gone.voidRecord = true;
      inst.builder.putCompany(gone);
      inst.builder.putCompany(company(5, {{"T002", "ORFANA SAS"}, {"T326", "4"}}));
    }
    LoadedApp a(inst);
    MainForm& f = a.app->form;
    userForm(f);
    f.listIndex = 2;
    for (int code : c.select) a.select({code});

    EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Refused);
    const auto d = a.dialogs();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].text, c.text);
    EXPECT_EQ(d[0].icon, c.icon);
    EXPECT_FALSE(exists(inst, "FRONTE.V24"));
    EXPECT_FALSE(exists(inst, "SOSTITUT.V24"));
    if (c.errorList) {
      EXPECT_EQ(a.app->flags.ERRORELISTA, 1);
    }
    if (!c.select.empty()) {
      expectRestored(f);
      continue;
    }
    // Nothing selected only says so: the user's form stays as it was.
    EXPECT_EQ(d[0].title, f.caption);
    EXPECT_EQ(f.listIndex, 0);
    EXPECT_EQ(f.Check1, 0);
    EXPECT_EQ(f.Check3, 0);
    EXPECT_EQ(f.Text1[3], "16/04/2023");
  }
}

TEST(ExportRun, OptionsAreTakenAtTheStartAndTheFormRestoredAfterwards) {
  Installation inst;
  smallBureau(inst);
  LoadedApp a(inst);
  MainForm& f = a.app->form;
  userForm(f);
  f.Check2 = 1;
  f.Check2Caption = "Deseleziona tutte le aziende";
  a.selectAll();

  ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);
  EXPECT_EQ(a.app->flags.OPZIONECU, 0);
  EXPECT_EQ(a.app->flags.OPZIONESALDO, 0);
  expectRestored(f);
  EXPECT_EQ(f.Check1Caption, "SI Includere nel Quadro ST anche i versamenti delle C.UNICA LAV.AUT");
  EXPECT_EQ(f.Check3Caption, "SI Compilare automaticamente con 'S' (saldo) note Q.SV cod.3847");
  EXPECT_EQ(f.List1.size(), 3u);
  EXPECT_FALSE(f.busy);
  EXPECT_FALSE(f.labelVisible.at("Label2"));
  EXPECT_FALSE(f.labelVisible.at("Label5"));
  EXPECT_FALSE(f.list2Visible);

  // The next run takes the options as they now stand.
  a.select({3});
  ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);
  EXPECT_EQ(a.app->flags.OPZIONECU, 1);
  EXPECT_EQ(a.app->flags.OPZIONESALDO, 1);
}

void execSql(const std::filesystem::path& db, const std::string& sql) {
  sqlite3* h = nullptr;
  ASSERT_EQ(sqlite3_open(db.string().c_str(), &h), SQLITE_OK);
  char* err = nullptr;
  const int rc = sqlite3_exec(h, sql.c_str(), nullptr, nullptr, &err);
  const std::string message = err ? err : "";
  sqlite3_free(err);
  sqlite3_close(h);
  ASSERT_EQ(rc, SQLITE_OK) << message;
}

// The certification database as the run finds it: provided from the template when missing,
// left alone when present, and an unusable one ends the run with the previous export intact.
TEST(CertificationDatabase, ProvisionAndUnusableDatabases) {
  struct Case {
    const char* what;
    bool database, templ;
    std::string damage;  // SQL run on the database, or "garbage" for a file that is not one
    RunOutcome outcome;
    std::string number;  // of the database error reported
  };
  const Case cases[] = {
      {"missing database is copied from the template", false, true, "", RunOutcome::Done, ""},
      {"an existing database is never overwritten", true, true,
       "CREATE TABLE PROPRIA(X TEXT); INSERT INTO PROPRIA VALUES('y')", RunOutcome::Done, ""},
      {"database and template both missing", false, false, "", RunOutcome::Refused, ""},
      {"missing table", true, true, "DROP TABLE PERCPARCELLE", RunOutcome::Failed, "3078"},
      {"missing index", true, true, "DROP INDEX QUADROCU6_CHIAVE", RunOutcome::Failed, "3800"},
      {"damaged file", true, true, "garbage", RunOutcome::Failed, "3343"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    demo::SkeletonOptions options;
    options.certificationDatabase = c.database;
    options.certificationTemplate = c.templ;
    Installation inst(options);
    smallBureau(inst);
    const auto database = inst.archive("TRCER24P.MDB");
    if (c.database) {  // a previous export the failed runs must leave
      LoadedApp a(inst);
      a.select({3});
      ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);
    }
    if (c.damage == "garbage") {
      writeBytes(database, std::string(4096, 'x'));
    } else if (!c.damage.empty()) {
      execSql(database, c.damage);
    }
    const std::string front = readBytes(inst.archive("FRONTE.V24"));
    const std::string expected = readBytes(c.database ? database : inst.archive("TRUNCE24X.MDB"));
    if (c.database && c.outcome == RunOutcome::Done) {
      ASSERT_NE(expected, readBytes(inst.archive("TRUNCE24X.MDB")));
    }

    LoadedApp a(inst);
    a.select({1, 2, 3});
    ASSERT_EQ(CMDAVVIO_Click(*a.app), c.outcome);
    expectRestored(a.app->form);
    EXPECT_TRUE(inst.leftovers().empty());
    if (c.outcome == RunOutcome::Done) {
      EXPECT_EQ(readBytes(database), expected);
      continue;
    }
    EXPECT_EQ(readBytes(inst.archive("FRONTE.V24")), front);
    EXPECT_EQ(exists(inst, "FRONTE.V24"), c.database);
    const auto d = a.dialogs();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].icon, Icon::Critical);
    if (c.outcome == RunOutcome::Refused) {
      for (const char* name : {"TRCER24P.MDB", "TRUNCE24X.MDB"})
        EXPECT_NE(d[0].text.find(std::string("C:\\KORVANTE\\ARCHIVI\\") + name), std::string::npos)
            << d[0].text;
      EXPECT_FALSE(exists(inst, "TRCER24P.MDB"));
      continue;
    }
    EXPECT_EQ(d[0].title, "Controllo Archivio C.U");
    const std::string head = "ARCHIVIO CERTIFICAZIONE UNICA \rErrore N." + c.number + "\r";
    EXPECT_EQ(d[0].text.substr(0, head.size()), head);
    EXPECT_TRUE(d[0].text.ends_with("Contattare la VerantiData Daduzor")) << d[0].text;
    EXPECT_EQ(d[0].text.find('\r', head.size()), std::string::npos);  // description on one line
  }
}

}  // namespace
}  // namespace zr::exporttest

// The export run's checks and its form: what refuses a run, what it restores, how the
// certification database is provided and what an unusable database does to the run.
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

TEST(ExportRun, NothingSelectedOnlySaysSoAndKeepsTheForm) {
  Installation inst;
  smallBureau(inst);
  LoadedApp a(inst);
  MainForm& f = a.app->form;
  userForm(f);
  f.listIndex = 2;

  EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Refused);
  const auto d = a.dialogs();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].text, "Nessuna ditta selezionata");
  EXPECT_EQ(d[0].icon, Icon::Information);
  EXPECT_EQ(d[0].title, f.caption);
  EXPECT_EQ(a.app->flags.ERRORELISTA, 1);
  EXPECT_EQ(f.listIndex, 0);
  EXPECT_EQ(f.Check1, 0);
  EXPECT_EQ(f.Check3, 0);
  EXPECT_EQ(f.Text1[3], "16/04/2023");
  EXPECT_FALSE(exists(inst, "FRONTE.V24"));
}

TEST(ExportRun, BrokenDeclarantLinkOfAnUnselectedCompanyBlocksEveryRun) {
  Installation inst;
  smallBureau(inst);
  demo::CompanyRecord gone = company(4, {{"T002", "CHIUSA"}});
  gone.voidRecord = true;
  inst.builder.putCompany(gone);
  inst.builder.putCompany(company(5, {{"T002", "ORFANA SAS"}, {"T326", "4"}}));
  const std::string expected =
      "ERRORE DITTE DICHIARANTE/SOSTITUTO !!!\r\rIl dichiarante ditta 004 non esiste !\r\r"
      "per il sostituto ditta 005 ORFANA SAS                    \r\r"
      "Sistemare le situazioni di errore e rilanciare l'acquisizione";

  for (int selected : {1, 3}) {
    LoadedApp a(inst);
    userForm(a.app->form);
    a.select({selected});
    EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Refused) << "selecting " << selected;
    const auto d = a.dialogs();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].text, expected);
    EXPECT_EQ(d[0].icon, Icon::Critical);
    EXPECT_EQ(a.app->flags.ERRORELISTA, 1);
    expectRestored(a.app->form);
    EXPECT_FALSE(exists(inst, "FRONTE.V24"));
    EXPECT_FALSE(exists(inst, "SOSTITUT.V24"));
  }
}

TEST(ExportRun, PresenterNotSelectedRefusesAndClearsTheSelection) {
  Installation inst;
  smallBureau(inst);
  LoadedApp a(inst);
  a.select({2, 3});
  EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Refused);
  const auto d = a.dialogs();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].text,
            "Attenzione e' stata selezionata una azienda\rnon presentatrice del mod.770/2024 "
            "senza aver selezionato anche\rl'azienda presentatrice");
  EXPECT_EQ(d[0].icon, Icon::Critical);
  expectRestored(a.app->form);
  EXPECT_FALSE(exists(inst, "FRONTE.V24"));
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

TEST(CertificationDatabase, TemplateCopiedWhenMissingAndNeverOverAnExistingOne) {
  demo::SkeletonOptions noDatabase;
  noDatabase.certificationDatabase = false;
  Installation inst(noDatabase);
  smallBureau(inst);
  const std::string templateBytes = readBytes(inst.archive("TRUNCE24X.MDB"));
  ASSERT_FALSE(templateBytes.empty());
  ASSERT_FALSE(exists(inst, "TRCER24P.MDB"));
  {
    LoadedApp a(inst);
    a.select({3});
    ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);
    EXPECT_EQ(readBytes(inst.archive("TRCER24P.MDB")), templateBytes);
  }

  // An existing database differs from the template and stays as it is.
  execSql(inst.archive("TRCER24P.MDB"),
          "CREATE TABLE PROPRIA(X TEXT); INSERT INTO PROPRIA VALUES('y')");
  const std::string databaseBytes = readBytes(inst.archive("TRCER24P.MDB"));
  ASSERT_NE(databaseBytes, templateBytes);
  LoadedApp a(inst);
  a.select({3});
  ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);
  EXPECT_EQ(readBytes(inst.archive("TRCER24P.MDB")), databaseBytes);
}

TEST(CertificationDatabase, DatabaseAndTemplateBothMissingRefuseTheRun) {
  demo::SkeletonOptions none;
  none.certificationDatabase = false;
  none.certificationTemplate = false;
  Installation inst(none);
  smallBureau(inst);
  LoadedApp a(inst);
  a.select({1, 2});
  EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Refused);
  const auto d = a.dialogs();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].icon, Icon::Critical);
  EXPECT_NE(d[0].text.find("C:\\KORVANTE\\ARCHIVI\\TRCER24P.MDB"), std::string::npos) << d[0].text;
  EXPECT_NE(d[0].text.find("C:\\KORVANTE\\ARCHIVI\\TRUNCE24X.MDB"), std::string::npos) << d[0].text;
  expectRestored(a.app->form);
  EXPECT_FALSE(exists(inst, "FRONTE.V24"));
  EXPECT_FALSE(exists(inst, "TRCER24P.MDB"));
}

// The run stops with the "Controllo Archivio C.U" message and leaves the previous export.
void expectCertificationFailure(Installation& inst, const std::string& number) {
  const std::string before = readBytes(inst.archive("FRONTE.V24"));
  LoadedApp a(inst);
  a.select({1, 2, 3});
  EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
  const auto d = a.dialogs();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].title, "Controllo Archivio C.U");
  EXPECT_EQ(d[0].icon, Icon::Critical);
  const std::string head = "ARCHIVIO CERTIFICAZIONE UNICA \rErrore N." + number + "\r";
  EXPECT_EQ(d[0].text.substr(0, head.size()), head);
  EXPECT_TRUE(d[0].text.ends_with("Contattare la VerantiData Daduzor")) << d[0].text;
  EXPECT_EQ(d[0].text.find('\r', head.size()), std::string::npos);  // description on one line
  EXPECT_EQ(readBytes(inst.archive("FRONTE.V24")), before);
  EXPECT_TRUE(inst.leftovers().empty());
  expectRestored(a.app->form);
}

TEST(CertificationDatabase, MissingTableMissingIndexOrDamagedFileEndTheRun) {
  Installation inst;
  smallBureau(inst);
  {
    LoadedApp a(inst);
    a.select({3});
    ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);
  }
  const auto database = inst.archive("TRCER24P.MDB");
  const std::string healthy = readBytes(database);

  execSql(database, "DROP TABLE PERCPARCELLE");
  expectCertificationFailure(inst, "3078");

  writeBytes(database, healthy);
  execSql(database, "DROP INDEX QUADROCU6_CHIAVE");
  expectCertificationFailure(inst, "3800");

  writeBytes(database, std::string(4096, 'x'));
  expectCertificationFailure(inst, "3343");
}

TEST(ExportRun, UnopenableF24DatabaseEndsTheRunWithNothingWritten) {
  Installation inst;
  smallBureau(inst);
  {
    LoadedApp a(inst);
    a.select({1, 2});
    ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);
  }
  const std::string front = readBytes(inst.archive("FRONTE.V24"));
  writeBytes(inst.archive("SF242015.MDB"), std::string(2048, 'z'));

  LoadedApp a(inst);
  userForm(a.app->form);
  a.select({3});
  EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
  const auto d = a.dialogs();
  ASSERT_GE(d.size(), 1u);
  EXPECT_EQ(d.back().icon, Icon::Critical);
  EXPECT_NE(d.back().text.find("SF242015.MDB"), std::string::npos) << d.back().text;
  for (const auto& e : d) EXPECT_EQ(e.text.find("terminata"), std::string::npos);
  EXPECT_EQ(readBytes(inst.archive("FRONTE.V24")), front);
  EXPECT_TRUE(inst.leftovers().empty());
  expectRestored(a.app->form);
}

}  // namespace
}  // namespace zr::exporttest

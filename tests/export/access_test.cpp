// An installation whose databases are copies of a real Access file that lacks the payroll
// procedure's tables: it starts, prepares its yearly databases as byte copies and lists its
// companies; an export fails with the system's own messages and writes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "export/installation.h"

namespace zr::exporttest {
namespace {

const std::string kAccess = std::string(ZR_SHARED_TESTDATA) + "/jet/V2000-test.mdb";
const char* kExportFiles[] = {"FRONTE.V24", "SOSTITUT.V24", "QUADST.V24", "QUADSV.V24",
                              "Q770ULTE.V24"};

void addCompanies(Installation& inst) {
  inst.builder.putCompany(company(1, {{"T002", "ALFA SPA"}, {"T012", "LFAXXX80A01H501U"}}));
  inst.builder.putCompany(company(2, {{"T002", "BETA SRL"}, {"T013", "01234567890"}}));
  demo::F24Record f;
  f.company = 1;
  f.year = 2023;
  f.month = 3;
  inst.builder.putF24(f);
  inst.builder.close();
}

bool said(const LoadedApp& a, const std::string& part) {
  for (const auto& d : a.dialogs())
    if (d.text.find(part) != std::string::npos) return true;
  return false;
}

TEST(AccessInstallation, StartsListsAndFailsTheExportWhereTablesAreMissing) {
  if (std::string_view(ZR_MDB_PATH).empty())
    GTEST_SKIP() << "the Access helper is not built (no libmdb for the target)";
  const std::string access = readBytes(kAccess);
  ASSERT_FALSE(access.empty());

  // Every database a copy of the Access file: the certification check stops the run.
  {
    demo::SkeletonOptions o;
    o.accessDatabase = kAccess;
    o.f24Years = {2023};
    Installation inst(o);
    addCompanies(inst);
    LoadedApp a(inst);
    ASSERT_EQ(a.app->form.List1.size(), 2u);
    EXPECT_EQ(a.app->form.List1[0].substr(0, 3), "001");
    for (int year = 2007; year <= 2030; ++year) {
      const auto name = "SF24" + std::to_string(year) + ".MDB";
      EXPECT_TRUE(readBytes(inst.archive(name)) == access) << name << " is not a byte copy";
    }
    a.selectAll();
    EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed) << a.transcript();
    ASSERT_EQ(a.dialogs().size(), 1u) << a.transcript();
    EXPECT_EQ(a.dialogs()[0].title, "Controllo Archivio C.U");
    EXPECT_TRUE(said(a, "ARCHIVIO CERTIFICAZIONE UNICA \rErrore N.3078\r")) << a.transcript();
    EXPECT_TRUE(said(a, "FRONTESPIZIO")) << a.transcript();
    for (const char* f : kExportFiles) EXPECT_FALSE(std::filesystem::exists(inst.archive(f))) << f;
    EXPECT_TRUE(inst.leftovers().empty());
  }

  // Sound certification tables, F24 databases without theirs: the run fails naming the table
  // and the database, and the previous export stays as it was.
  {
    Installation sound;
    demo::SkeletonOptions o;
    o.accessDatabase = kAccess;
    Installation inst(o);
    addCompanies(inst);
    for (const char* db : {"TRCER24P.MDB", "TRUNCE24X.MDB"})
      writeBytes(inst.archive(db), readBytes(sound.archive(db)));
    for (const char* f : kExportFiles) writeBytes(inst.archive(f), std::string("previous ") + f);
    LoadedApp a(inst);
    a.selectAll();
    EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed) << a.transcript();
    EXPECT_TRUE(said(a, "SF242023.MDB")) << a.transcript();
    EXPECT_TRUE(said(a, "3078")) << a.transcript();
    for (const char* f : kExportFiles)
      EXPECT_EQ(readBytes(inst.archive(f)), std::string("previous ") + f) << f;
    EXPECT_TRUE(inst.leftovers().empty());
  }
}

}  // namespace
}  // namespace zr::exporttest

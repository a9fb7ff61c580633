// A run that fails half-way leaves the previous export files byte for byte, removes its
// temporaries and says what failed: faults injected through the fault injector, or an archive
// that shrank under the list.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "export/installation.h"
#include "platform/errors.h"
#include "support/fault_files.h"

namespace zr::exporttest {
namespace {

using platform::Icon;

using testing::Call;
using testing::fail;
using testing::FaultFiles;

// The LoadedApp wrap that puts a fault injector over the host files and hands it back.
std::function<std::unique_ptr<platform::Files>(platform::Files&)> injector(FaultFiles*& out) {
  return [&out](platform::Files& host) -> std::unique_ptr<platform::Files> {
    auto f = std::make_unique<FaultFiles>(host);
    out = f.get();
    return f;
  };
}

std::optional<std::string> contents(const std::filesystem::path& p) {
  if (!std::filesystem::exists(p)) return std::nullopt;
  return readBytes(p);
}

std::string companyArchivePath(App& app) {
  app.lib.FAIOPEN(1);
  std::string path = app.lib.fileOf(1).path();
  app.lib.CHIUDIFILE(1);
  return path;
}

TEST(TransactionalExport, AFailedRunLeavesThePreviousFilesAndSaysWhatFailed) {
  using Inject = std::function<void(Installation&, LoadedApp&, FaultFiles&)>;
  struct Case {
    const char* what;
    bool previousExport;
    Inject inject;
    std::vector<std::string> says;  // in the last message
    int programEnd;                 // status the run ends the program with, 0 if it returns
  };
  const Case cases[] = {
      {"company archive shrunk under the list",
       true,
       [](Installation&, LoadedApp& a, FaultFiles&) {
         // Another program shortens the company archive after the list was loaded.
         const auto host = a.app->files().resolve(companyArchivePath(*a.app));
         std::filesystem::resize_file(host, 2 * static_cast<std::uintmax_t>(a.app->lib.LUNGREC(1)));
       },
       {"NON ESEGUITA", "Fase: frontespizio (FRONTE.V24)", "Azienda: 003 TERZA SNC"},
       0},
      {"full disk on the second file",
       true,
       [](Installation&, LoadedApp&, FaultFiles& f) {
         f.inject(fail(Call::Write).on("SOSTITUT.V24").fromThenOn().diskFull());
       },
       // Records reach the file in blocks: the write that fails is the file's, not a company's.
       {"NON ESEGUITA", "Fase: anagrafica sostituti (SOSTITUT.V24)", "Errore N.61"},
       0},
      {"failed rename rolls back the files already moved",
       true,
       [](Installation&, LoadedApp&, FaultFiles& f) {
         f.inject(fail(Call::Rename, 75).on("SOSTITUT.V24"));
       },
       {"NON ESEGUITA", "Fase: registrazione dei file di esportazione", "Errore N.75"},
       0},
      {"failed rename of a first export",
       false,
       [](Installation&, LoadedApp&, FaultFiles& f) {
         f.inject(fail(Call::Rename, 75).on("SOSTITUT.V24"));
       },
       {"NON ESEGUITA", "Fase: registrazione dei file di esportazione", "Errore N.75"},
       0},
      {"failed folder sync of the commit record: nothing is renamed",
       true,
       [](Installation&, LoadedApp&, FaultFiles& f) {
         f.inject(fail(Call::FolderSync, 57).after("ZORIR770.CMT"));
       },
       {"NON ESEGUITA", "Fase: registrazione dei file di esportazione", "Errore N.57"},
       0},
      {"failed folder sync after the renames puts the previous files back",
       true,
       [](Installation&, LoadedApp&, FaultFiles& f) {
         f.inject(fail(Call::FolderSync, 57).nth(2).after("ZORIR770.CMT"));
       },
       {"NON ESEGUITA", "Fase: registrazione dei file di esportazione", "Errore N.57"},
       0},
      {"failed folder sync after a first export removes the new files",
       false,
       [](Installation&, LoadedApp&, FaultFiles& f) {
         f.inject(fail(Call::FolderSync, 57).nth(2).after("ZORIR770.CMT"));
       },
       {"NON ESEGUITA", "Fase: registrazione dei file di esportazione", "Errore N.57"},
       0},
      {"archive read error mid-run",
       true,
       [](Installation&, LoadedApp& a, FaultFiles& f) {
         const auto company2 = static_cast<std::uint64_t>(a.app->lib.LUNGREC(1));
         f.inject(fail(Call::Read)
                      .on(companyArchivePath(*a.app))
                      .atOffset(company2)
                      .after("FRONTE.V24"));
       },
       {"NON ESEGUITA", "Fase: frontespizio (FRONTE.V24)", "Azienda: 002 SECONDA SRL", "archivi"},
       3},  // the archive library's error routine ends the program
      {"unopenable payments database",
       true,
       [](Installation& inst, LoadedApp&, FaultFiles&) {
         writeBytes(inst.archive("SF242015.MDB"), std::string(2048, 'z'));
       },
       {"SF242015.MDB"},
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst;
    auto& b = inst.builder;
    b.putCompany(company(1, {{"T002", "PRIMA SPA"}, {"T012", "11111111111"}}));
    b.putCompany(company(2, {{"T002", "SECONDA SRL"}, {"T012", "22222222222"}}));
    b.putCompany(company(3, {{"T002", "TERZA SNC"}, {"T012", "33333333333"}}));
    b.putCompany(company(4, {{"T002", "QUARTA SAS"}, {"T012", "44444444444"}, {"T326", "1"}}));
    b.close();
    if (c.previousExport) {
      LoadedApp a(inst);
      a.select({1, 2, 4});
      ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);
      ASSERT_EQ(std::filesystem::file_size(inst.archive("FRONTE.V24")), 2u * 1964);
    }
    const auto front = contents(inst.archive("FRONTE.V24"));
    const auto substitutes = contents(inst.archive("SOSTITUT.V24"));

    FaultFiles* faulty = nullptr;
    LoadedApp a(inst, injector(faulty));
    c.inject(inst, a, *faulty);
    a.selectAll();
    int status = 0;
    try {
      EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
    } catch (const ProgramEnd& e) {
      status = e.status;
    }
    EXPECT_EQ(status, c.programEnd);
    EXPECT_EQ(contents(inst.archive("FRONTE.V24")), front);
    EXPECT_EQ(contents(inst.archive("SOSTITUT.V24")), substitutes);
    EXPECT_EQ(inst.leftovers(), std::vector<std::string>{});
    if (status == 0) {
      EXPECT_FALSE(a.app->form.anySelected());  // the form is restored after a failed run
    }
    const auto d = a.dialogs();
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(d.back().icon, Icon::Critical);
    for (const auto& text : c.says) EXPECT_NE(d.back().text.find(text), std::string::npos) << text;
    for (const auto& e : d) EXPECT_EQ(e.text.find("terminata"), std::string::npos) << e.text;
  }
}

// Every read that SQLite makes of the databases during a run, failed in turn: each run fails
// naming a database, the previous files stay and nothing is left behind.
TEST(TransactionalExport, ADatabaseReadErrorInsideTheEngineFailsTheRunWhereverItFalls) {
  Installation inst;
  auto& b = inst.builder;
  b.putCompany(company(1, {{"T002", "PRIMA SPA"}, {"T012", "11111111111"}}));
  b.putCompany(company(2, {{"T002", "SECONDA SRL"}, {"T012", "22222222222"}}));
  b.close();
  {
    LoadedApp a(inst);
    a.selectAll();
    ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);
  }
  const auto front = contents(inst.archive("FRONTE.V24"));
  const auto substitutes = contents(inst.archive("SOSTITUT.V24"));
  ASSERT_TRUE(front && substitutes);

  int reads = 0;
  {
    FaultFiles* faulty = nullptr;
    LoadedApp a(inst, injector(faulty));
    a.selectAll();
    const int before = faulty->calls(Call::Read, ".MDB");
    ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);
    reads = faulty->calls(Call::Read, ".MDB") - before;
  }
  ASSERT_GT(reads, 24) << "the run reads every yearly database";
  for (int k = 1; k <= reads; ++k) {
    SCOPED_TRACE("database read " + std::to_string(k) + " of " + std::to_string(reads));
    FaultFiles* faulty = nullptr;
    LoadedApp a(inst, injector(faulty));
    a.selectAll();
    faulty->inject(fail(Call::Read).nth(k).on(".MDB"));
    int status = 0;
    try {
      EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
    } catch (const ProgramEnd& e) {
      status = e.status;
    }
    EXPECT_EQ(faulty->fired(), 1);
    EXPECT_TRUE(status == 0 || status == 3) << status;
    EXPECT_EQ(contents(inst.archive("FRONTE.V24")), front);
    EXPECT_EQ(contents(inst.archive("SOSTITUT.V24")), substitutes);
    EXPECT_EQ(inst.leftovers(), std::vector<std::string>{});
    const auto d = a.dialogs();
    ASSERT_FALSE(d.empty());
    bool named = false;
    for (const auto& e : d) {
      EXPECT_EQ(e.text.find("terminata"), std::string::npos) << e.text;
      if (e.icon == Icon::Critical && e.text.find(".MDB") != std::string::npos) named = true;
    }
    EXPECT_TRUE(named) << d.back().text;
  }
  RecordProperty("database_reads_swept", reads);
}

}  // namespace
}  // namespace zr::exporttest

// The export set across crashes, termination requests, overlapping runs and planted links: a
// fresh start always finds one whole set, the previous or the new, and none of the run's
// temporaries. Crashes and signals happen in forked children, at each step of the commit.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <string>

#include "shell/commitrecord.h"
#include "export/installation.h"
#include "platform/errors.h"
#include "shell/installationlock.h"
#include "shell/runfailure.h"
#include "support/fault_files.h"
#include "support/hook_files.h"
#include "support/processes.h"

namespace zr::exporttest {
namespace {

namespace fs = std::filesystem;
using testing::HookFiles;
using testing::Step;

struct Set {
  std::optional<std::string> front, substitutes;
  bool operator==(const Set&) const = default;
};

Set setOf(Installation& inst) {
  const auto read = [&](const char* name) -> std::optional<std::string> {
    if (!fs::exists(inst.archive(name))) return std::nullopt;
    return readBytes(inst.archive(name));
  };
  return {read("FRONTE.V24"), read("SOSTITUT.V24")};
}

void putSet(Installation& inst, const Set& s) {
  writeBytes(inst.archive("FRONTE.V24"), *s.front);
  writeBytes(inst.archive("SOSTITUT.V24"), *s.substitutes);
}

void threeCompanies(Installation& inst) {
  auto& b = inst.builder;
  b.putCompany(company(1, {{"T002", "PRIMA SPA"}, {"T012", "11111111111"}}));
  b.putCompany(company(2, {{"T002", "SECONDA SRL"}, {"T012", "22222222222"}}));
  b.putCompany(company(3, {{"T002", "TERZA SNC"}, {"T012", "33333333333"}, {"T326", "1"}}));
  b.close();
}

RunOutcome exportCompanies(Installation& inst, std::initializer_list<int> codes,
                           HookFiles::Hook before = {}, HookFiles::Hook after = {}) {
  LoadedApp a(inst, [&](platform::Files& host) -> std::unique_ptr<platform::Files> {
    return std::make_unique<HookFiles>(host, before, after);
  });
  a.select(codes);
  return CMDAVVIO_Click(*a.app);
}

// A fresh start's recovery, as an export or a date update begins it: under the lock.
void freshStart(Installation& inst) {
  LoadedApp a(inst);
  const auto lock = takeInstallationLock(*a.app);
  ASSERT_TRUE(lock);
  recoverExportSet(a.app->files(), a.app->config.PERCORSOARCHIVI);
}

// Runs `body` in a forked child and returns its exit status (-signal when a signal ended it).
template <class Body>
int inChild(Body body) {
  const testing::Ended e = testing::forkChild(body).wait();
  return e.signal != 0 ? -e.signal : e.status;
}

// The steps of the commit: temporaries created and synced, backups, the record, each rename,
// the folder syncs and the record's removal.
bool commitStep(Step s, std::string_view path) {
  return s == Step::FolderSync || path.find(".V24") != std::string_view::npos ||
         path.find("ZORIR770.CMT") != std::string_view::npos;
}

struct Fixture {
  Installation inst;
  Set previous, next;
  Fixture() {
    threeCompanies(inst);
    EXPECT_EQ(exportCompanies(inst, {1, 2, 3}), RunOutcome::Done);
    next = setOf(inst);
    EXPECT_EQ(exportCompanies(inst, {1, 3}), RunOutcome::Done);
    previous = setOf(inst);
    EXPECT_NE(previous, next);
  }
};

TEST(CommitSet, ACrashAtAnyStepLeavesThePreviousSetOrTheNewOneWholeAndNoTemporary) {
  Fixture f;
  int steps = 0;
  ASSERT_EQ(exportCompanies(f.inst, {1, 2, 3}, {},
                            [&](Step s, std::string_view p) { steps += commitStep(s, p); }),
            RunOutcome::Done);
  ASSERT_GT(steps, 8);
  int sawPrevious = 0, sawNext = 0;
  for (int k = 1; k <= steps; ++k) {
    SCOPED_TRACE("crash after commit step " + std::to_string(k) + " of " + std::to_string(steps));
    putSet(f.inst, f.previous);
    const int status = inChild([&] {
      int seen = 0;
      exportCompanies(f.inst, {1, 2, 3}, {}, [&](Step s, std::string_view p) {
        if (commitStep(s, p) && ++seen == k) ::_exit(86);  // no destructor runs
      });
      return 0;
    });
    ASSERT_EQ(status, 86);
    freshStart(f.inst);
    const Set now = setOf(f.inst);
    EXPECT_TRUE(now == f.previous || now == f.next);
    sawPrevious += now == f.previous;
    sawNext += now == f.next;
    EXPECT_EQ(f.inst.leftovers(), std::vector<std::string>{});
  }
  // The sweep crossed the commit point: early crashes keep the old set, late ones the new.
  EXPECT_GT(sawPrevious, 0);
  EXPECT_GT(sawNext, 0);
  RecordProperty("commit_steps_crashed", steps);
}

TEST(CommitSet, ATerminationRequestBeforeTheRecordUndoesTheRunAfterItFinishesTheRenames) {
  Fixture f;
  struct Case {
    const char* what;
    Step step;
    const char* on;
    int status;  // 0 done, 10 failed naming the request
    bool becomesNext;
  };
  const Case cases[] = {
      {"while the second file is written", Step::Create, "SOSTITUT.V24", 10, false},
      {"as the last temporary is synced", Step::Sync, "SOSTITUT.V24", 10, false},
      {"once the record is in place", Step::Rename, "ZORIR770.CMT", 0, true},
      {"between two renames", Step::Rename, "FRONTE.V24", 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    putSet(f.inst, f.previous);
    const int status = inChild([&] {
      bool sent = false;
      LoadedApp a(f.inst, [&](platform::Files& host) -> std::unique_ptr<platform::Files> {
        return std::make_unique<HookFiles>(host, HookFiles::Hook{},
                                           [&](Step s, std::string_view p) {
                                             if (sent || s != c.step ||
                                                 p.find(c.on) == std::string_view::npos)
                                               return;
                                             sent = true;
                                             ::kill(::getpid(), SIGTERM);
                                           });
      });
      a.select({1, 2, 3});
      const RunOutcome outcome = CMDAVVIO_Click(*a.app);
      if (outcome == RunOutcome::Done) return 0;
      const auto d = a.dialogs();
      const bool named = !d.empty() && d.back().text.find(kInterruptedCause) != std::string::npos;
      return outcome == RunOutcome::Failed && named ? 10 : 20;
    });
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(setOf(f.inst), c.becomesNext ? f.next : f.previous);
    EXPECT_EQ(f.inst.leftovers(), std::vector<std::string>{});
  }
}

TEST(CommitSet, ACommitThatCanBeNeitherFinishedNorUndoneIsCompletedAtTheNextStart) {
  using testing::Call;
  using testing::fail;
  Fixture f;
  putSet(f.inst, f.previous);
  {
    LoadedApp a(f.inst, [](platform::Files& host) -> std::unique_ptr<platform::Files> {
      auto faulty = std::make_unique<testing::FaultFiles>(host);
      // The second rename fails, and so does putting the first file back.
      faulty->inject(fail(Call::Rename, 75).on("SOSTITUT.V24"));
      faulty->inject(fail(Call::Rename, 75).on("FRONTE.V24").nth(2));
      return faulty;
    });
    a.select({1, 2, 3});
    EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
    const std::string said = a.dialogs().back().text;
    for (const char* text : {"NON ESEGUITA", "Errore N.75", "ricomposti", "ZORIR770.CMT"})
      EXPECT_NE(said.find(text), std::string::npos) << text << " in " << said;
    EXPECT_EQ(said.find("rimasti invariati"), std::string::npos) << said;
  }
  EXPECT_TRUE(fs::exists(f.inst.archive("ZORIR770.CMT")));
  freshStart(f.inst);
  EXPECT_EQ(setOf(f.inst), f.previous);
  EXPECT_EQ(f.inst.leftovers(), std::vector<std::string>{});
}

TEST(CommitSet, AnotherProcessRunningOnTheInstallationIsWaitedForThenRefused) {
  Installation inst;
  threeCompanies(inst);
  // Held by this process: the run waits its ten seconds on the clock, then is refused.
  {
    auto host = platform::makeHostFiles(inst.dir.str());
    const auto held = host->openLocked(inst.builder.archivePath("ZORIR770.LCK"));
    LoadedApp a(inst);
    a.selectAll();
    EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Refused);
    EXPECT_GE(a.app->clock().now().time_since_epoch(), std::chrono::seconds(10));
    const auto d = a.dialogs();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_NE(d[0].text.find("in corso sugli archivi " + inst.builder.archivesPath()),
              std::string::npos)
        << d[0].text;
    EXPECT_FALSE(fs::exists(inst.archive("FRONTE.V24")));
    EXPECT_TRUE(a.app->form.anySelected());  // the selection stays for a retry
  }
  // A second process, with a runtime folder of its own, started while this one exports.
  int other = -1;
  std::string said;
  const RunOutcome first = exportCompanies(inst, {1, 2, 3}, {}, [&](Step s, std::string_view p) {
    if (other != -1 || s != Step::Create || p.find("FRONTE.V24") == std::string_view::npos) return;
    const fs::path runtime = inst.dir / "other-user";
    fs::create_directories(runtime);
    const std::string root = inst.dir.str();
    const std::string command = "XDG_RUNTIME_DIR='" + runtime.string() + "' " + ZR_CLI_PATH +
                                " --root '" + root + "' --registry '" +
                                inst.builder.registryPath() + "' --yes export --select 1 2>'" +
                                root + "/other.err' >/dev/null";
    const int raw = std::system(command.c_str());
    other = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    said = readBytes(inst.dir / "other.err");
  });
  EXPECT_EQ(first, RunOutcome::Done);
  EXPECT_EQ(other, 1) << said;
  EXPECT_NE(said.find(inst.builder.archivesPath()), std::string::npos) << said;
  // The files are the first run's alone: two front pages (003 is a substitute), not the second
  // run's one.
  EXPECT_EQ(fs::file_size(inst.archive("FRONTE.V24")), 2u * 1964);
  EXPECT_EQ(fs::file_size(inst.archive("SOSTITUT.V24")), 202u);
  EXPECT_EQ(inst.leftovers(), std::vector<std::string>{});
}

TEST(CommitSet, LinksPlantedAtTheNamesAboutToBeCreatedAreNeverWrittenThrough) {
  Installation inst;
  threeCompanies(inst);
  ASSERT_EQ(exportCompanies(inst, {1}), RunOutcome::Done);  // a previous set to back up
  fs::create_directories(inst.dir / "ZAVUVOD");
  writeBytes(inst.dir / "ZAVUVOD" / "ZAVUVOD.INI", "05\r\n");
  const fs::path outside = inst.dir / "OUTSIDE.TXT";
  writeBytes(outside, "KEEP");
  std::set<std::string> planted;
  auto host = platform::makeHostFiles(inst.dir.str());
  // Just before each name is made, a link to a file outside appears under it (once a base).
  const auto plant = [&](Step s, std::string_view p) {
    if (s != Step::Create && s != Step::Copy) return;
    const std::string base(p.substr(0, p.find(".zr770-")));
    if (!planted.insert(base + std::string(p.substr(p.size() - 4))).second) return;
    fs::create_symlink(outside, host->resolve(p));
  };
  {
    LoadedApp a(inst, [&](platform::Files& h) -> std::unique_ptr<platform::Files> {
      return std::make_unique<HookFiles>(h, plant, HookFiles::Hook{});
    });
    a.selectAll();
    EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);
    EXPECT_THROW(FINETASK(*a.app), ProgramEnd);
  }
  // The five temporaries, the five backups, the record and the task file.
  EXPECT_EQ(planted.size(), 12u);
  EXPECT_EQ(readBytes(outside), "KEEP");
  EXPECT_EQ(fs::file_size(inst.archive("FRONTE.V24")), 2u * 1964);  // 003 is a substitute
  EXPECT_FALSE(fs::is_symlink(inst.archive("FRONTE.V24")));
  EXPECT_TRUE(readBytes(inst.dir / "ZAVUVOD" / "ZAVUVOD.INI").starts_with("05 "));
  // The planted links carry this program's temporary names: the next start removes them.
  freshStart(inst);
  EXPECT_EQ(readBytes(outside), "KEEP");
  EXPECT_EQ(inst.leftovers(), std::vector<std::string>{});
}

TEST(CommitSet, RecoveryCompletesTheRecordInPlaceAndRefusesOneThatNamesOtherFiles) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> files;  // name, bytes, before
    std::string record;                                      // empty: none
    std::vector<std::pair<std::string, std::string>> after;  // name, bytes ("" absent)
    bool refused;
  };
  const std::string t1 = "FRONTE.V24.zr770-41-00ab.tmp", t2 = "SOSTITUT.V24.zr770-41-0cd.tmp";
  const std::string b1 = "FRONTE.V24.zr770-41-0ef.old";
  const Case cases[] = {
      {"a record with every temporary still to rename",
       {{"FRONTE.V24", "F-OLD"}, {"SOSTITUT.V24", "S-OLD"}, {t1, "F-NEW"}, {t2, "S-NEW"},
        {b1, "F-OLD"}},
       "ZORIR770 COMMIT 1\r\nAVANTI\r\n" + t1 + "|FRONTE.V24\r\n" + t2 + "|SOSTITUT.V24\r\nFINE\r\n",
       {{"FRONTE.V24", "F-NEW"}, {"SOSTITUT.V24", "S-NEW"}},
       false},
      {"a record half carried out, with LF line ends",
       {{"FRONTE.V24", "F-NEW"}, {"SOSTITUT.V24", "S-OLD"}, {t2, "S-NEW"}},
       "ZORIR770 COMMIT 1\nAVANTI\n" + t1 + "|FRONTE.V24\n" + t2 + "|SOSTITUT.V24\nFINE\n",
       {{"FRONTE.V24", "F-NEW"}, {"SOSTITUT.V24", "S-NEW"}},
       false},
      {"a record that puts the previous set back",
       {{"FRONTE.V24", "F-NEW"}, {"SOSTITUT.V24", "S-NEW"}, {b1, "F-OLD"}},
       "ZORIR770 COMMIT 1\r\nINDIETRO\r\n" + b1 + "|FRONTE.V24\r\n|SOSTITUT.V24\r\nFINE\r\n",
       {{"FRONTE.V24", "F-OLD"}, {"SOSTITUT.V24", ""}},
       false},
      {"no record: only this program's temporaries go",
       {{"FRONTE.V24", "F-OLD"}, {t1, "X"}, {b1, "X"}, {".FRONTE.V24.zr770-9-ab.old.tmp9-0-0", "X"},
        {".QUADST.V24.tmp12-3-0", "X"}, {"ZORIR770.CMT.zr770-3-ff.tmp", "X"},
        {"NOTE.TXT.zr770-3-ff.tmp", "KEEP"}, {"FRONTE.V24.bak", "KEEP"},
        {"FRONTE.V24.zr770-x-ab.tmp", "KEEP"}},
       "",
       {{"FRONTE.V24", "F-OLD"}, {t1, ""}, {b1, ""}, {"NOTE.TXT.zr770-3-ff.tmp", "KEEP"},
        {"FRONTE.V24.bak", "KEEP"}, {"FRONTE.V24.zr770-x-ab.tmp", "KEEP"}},
       false},
      // A load or an export killed while it copied a database from its template leaves the
      // copy's hidden file; copies of anything else are not this program's.
      {"no record: half-made copies of the databases go",
       {{".SF242011.MDB.tmp4242-3-0", "HALF"}, {".TRCER24P.MDB.tmp4242-0-0", "HALF"},
        {".KVDITTE.DAT.tmp4242-1-0", "KEEP"}, {".SF24XXXX.MDB.tmp4242-1-0", "KEEP"},
        {".SF24201.MDB.tmp4242-1-0", "KEEP"}, {".SF242011.MDB.tmp4242-3", "KEEP"}},
       "",
       {{".SF242011.MDB.tmp4242-3-0", ""}, {".TRCER24P.MDB.tmp4242-0-0", ""},
        {".KVDITTE.DAT.tmp4242-1-0", "KEEP"}, {".SF24XXXX.MDB.tmp4242-1-0", "KEEP"},
        {".SF24201.MDB.tmp4242-1-0", "KEEP"}, {".SF242011.MDB.tmp4242-3", "KEEP"}},
       false},
      {"a record renaming a file that is not an export file",
       {{"TRPERARK.TRP", "ARCHIVE"}, {"TRPERARK.TRP.zr770-1-a.tmp", "X"}},
       "ZORIR770 COMMIT 1\r\nAVANTI\r\nTRPERARK.TRP.zr770-1-a.tmp|TRPERARK.TRP\r\nFINE\r\n",
       {{"TRPERARK.TRP", "ARCHIVE"}},
       true},
      {"a record reaching out of the folder",
       {{"FRONTE.V24", "F-OLD"}},
       "ZORIR770 COMMIT 1\r\nAVANTI\r\n..\\..\\OUT.V24.zr770-1-a.tmp|FRONTE.V24\r\nFINE\r\n",
       {{"FRONTE.V24", "F-OLD"}},
       true},
      {"a record cut short",
       {{"FRONTE.V24", "F-OLD"}, {t1, "F-NEW"}},
       "ZORIR770 COMMIT 1\r\nAVANTI\r\n" + t1 + "|FRONTE.V24\r\n",
       {{"FRONTE.V24", "F-OLD"}, {t1, "F-NEW"}},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst;
    threeCompanies(inst);
    for (const auto& [name, bytes] : c.files) writeBytes(inst.archive(name), bytes);
    if (!c.record.empty()) writeBytes(inst.archive("ZORIR770.CMT"), c.record);
    auto files = platform::makeHostFiles(inst.dir.str());
    const std::string archives = inst.builder.archivesPath();
    if (c.refused) {
      EXPECT_THROW(recoverExportSet(*files, archives), RuntimeError);
      // An export refuses to start on it, naming the record, and writes nothing.
      LoadedApp a(inst);
      a.selectAll();
      EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
      EXPECT_NE(a.dialogs().back().text.find("ZORIR770.CMT"), std::string::npos);
      EXPECT_TRUE(fs::exists(inst.archive("ZORIR770.CMT")));
    } else {
      recoverExportSet(*files, archives);
      EXPECT_FALSE(fs::exists(inst.archive("ZORIR770.CMT")));
    }
    for (const auto& [name, bytes] : c.after) {
      const bool present = fs::exists(inst.archive(name));
      EXPECT_EQ(present, !bytes.empty()) << name;
      if (present && !bytes.empty()) {
        EXPECT_EQ(readBytes(inst.archive(name)), bytes) << name;
      }
    }
    if (!c.refused) {
      for (const auto& e : fs::directory_iterator(inst.archivesFolder()))
        EXPECT_FALSE(isExportTemporary(e.path().filename().string())) << e.path();
    }
  }
}

}  // namespace
}  // namespace zr::exporttest

// Crash safety by real kills: an export and a date update are ended by SIGKILL at many points,
// in a forked child at its Nth Files call (every kind, from the load to the task file at the
// end) and in the real executable after a random delay. After each kill the next start's
// recovery runs, then the export set must be the previous one or the new one, whole, no
// temporary may be left anywhere, each payment date must be old or updated and nothing else
// in the installation may have changed.
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "reliability/crash_bed.h"

namespace zr::reliability {
namespace {

namespace fs = std::filesystem;
using testing::Child;
using testing::Ended;
using testing::Op;

constexpr std::uint64_t kSeed = 770;
constexpr int kReportedFailures = 8;

struct Call {
  Op op;
  std::string path;
};

// Every Files call of a run, in order.
struct Recorder {
  std::vector<Call> calls;
  FilesHook hook() {
    return [this](long, Op op, std::string_view path) { calls.push_back({op, std::string(path)}); };
  }
};

FilesHook killAt(long k) {
  return [k](long n, Op, std::string_view) {
    if (n == k) ::kill(::getpid(), SIGKILL);
  };
}

// Picks `count` of `from`, evenly spread, first and last included.
std::vector<long> spread(const std::vector<long>& from, std::size_t count) {
  if (from.size() <= count) return from;
  std::vector<long> picked;
  for (std::size_t j = 0; j < count; ++j)
    picked.push_back(from[count == 1 ? 0 : j * (from.size() - 1) / (count - 1)]);
  return picked;
}

// Where to kill: at the calls that change the disk and just after them (three quarters of the
// budget at most, spread over them), then at calls spread evenly over the whole run.
std::vector<long> killPoints(const std::vector<Call>& calls, std::size_t budget) {
  const long n = static_cast<long>(calls.size());
  std::set<long> changing;
  for (long i = 0; i < n; ++i)
    if (testing::changesDisk(calls[static_cast<std::size_t>(i)].op)) {
      changing.insert(i + 1);
      if (i + 2 <= n) changing.insert(i + 2);
    }
  const auto picked = spread({changing.begin(), changing.end()}, budget * 3 / 4);
  std::printf("%zu calls change the disk or follow one that does; %zu of them taken\n",
              changing.size(), picked.size());
  std::set<long> chosen(picked.begin(), picked.end());
  for (std::size_t j = 0; chosen.size() < budget && j < budget; ++j)
    chosen.insert(1 + static_cast<long>(j * static_cast<std::size_t>(n) / budget));
  return {chosen.begin(), chosen.end()};
}

// One sweep: the state each run starts from, the run, and what the checks after it accept.
struct Sweep {
  Installation& inst;
  Tree start;
  std::function<void(FilesHook)> run;   // in-process, for the forked child
  std::vector<std::string> cli;         // the same run on the executable
  std::function<void(Verdict&)> check;  // after the fresh start
  std::function<bool()> finished;       // the state a whole run leaves
  Tally tally;
  int reported = 0;
  int recoveriesKilled = 0;  // first kills after which the recovery was killed too

  void report(const std::string& where, const Verdict& v) {
    if (v.ok() || ++reported > kReportedFailures) return;
    ADD_FAILURE() << "after a kill " << where << ":\n" << v.text();
  }

  void afterKill(const std::string& where, bool killed) {
    Verdict v;
    freshStart(inst, v);
    check(v);
    if (killed) add(tally, v);
    report(where, v);
  }

  // The next start killed in its turn while it recovers what a first kill left: at each call of
  // that recovery that changes the disk, and just after it; a third start must still recover.
  void duringRecovery(const Tree& crashed, const std::string& first) {
    testing::restore(inst.dir.path(), crashed);
    Recorder rec;
    const auto recover = [&](FilesHook hook) {
      LoadedApp a(inst, counted(hook));
      beginWriting(*a.app, FailureTexts{"RIPRISTINO", ""}, "");
    };
    recover(rec.hook());
    ++recoveriesKilled;
    for (long k = 1; k <= static_cast<long>(rec.calls.size()); ++k) {
      const Call& c = rec.calls[static_cast<std::size_t>(k - 1)];
      const bool changes = testing::changesDisk(c.op);
      const bool after =
          k > 1 && testing::changesDisk(rec.calls[static_cast<std::size_t>(k - 2)].op);
      if (!changes && !after) continue;
      testing::restore(inst.dir.path(), crashed);
      Child child = testing::forkChild([&] {
        recover(killAt(k));
        return 0;
      });
      const Ended e = child.wait();
      afterKill(first + ", then its recovery at call " + std::to_string(k) + " (" +
                    testing::opName(c.op) + " " + c.path + ")",
                e.killedBy(SIGKILL));
    }
  }

  // Whether a kill left anything for the next start to recover.
  bool leftSomething() {
    for (const auto& [path, bytes] : testing::pictureOf(inst.dir.path()))
      if (!start.count(path)) return true;
    return false;
  }

  // A kill at each chosen call of the in-process run; after up to `recoveries` of them that
  // left something behind, the recovery is killed too.
  void atCalls(std::size_t budget, int recoveries = 0) {
    testing::restore(inst.dir.path(), start);
    Recorder rec;
    run(rec.hook());
    ASSERT_GT(rec.calls.size(), 100u);
    const std::vector<long> points = killPoints(rec.calls, budget);
    std::printf("kills at %zu of the run's %zu Files calls\n", points.size(), rec.calls.size());
    long unreached = 0, onlyTemporaries = 0;
    for (long k : points) {
      testing::restore(inst.dir.path(), start);
      Child child = testing::forkChild([&] {
        run(killAt(k));
        return 0;
      });
      const Ended e = child.wait();
      if (!e.killedBy(SIGKILL)) ++unreached;
      const Call& c = rec.calls[static_cast<std::size_t>(k - 1)];
      const std::string where = "at call " + std::to_string(k) + " of " +
                                std::to_string(rec.calls.size()) + " (" + testing::opName(c.op) +
                                " " + c.path + ")";
      // Every commit record left, and one in ten of the states with only temporaries.
      const bool record = fs::exists(inst.archive(std::string(inst::kCommitRecord)));
      if (recoveries > 0 && e.killedBy(SIGKILL) &&
          (record || (leftSomething() && ++onlyTemporaries % 10 == 1))) {
        --recoveries;
        const Tree crashed = testing::pictureOf(inst.dir.path());
        duringRecovery(crashed, "killed " + where);
        testing::restore(inst.dir.path(), crashed);
      }
      afterKill(where, e.killedBy(SIGKILL));
    }
    std::printf("the recovery killed in turn after %d of them\n", recoveriesKilled);
    // A run that takes another path when killed than when recorded would test nothing there.
    EXPECT_EQ(unreached, 0) << "runs that ended before their kill point";
  }

  // Kills of the executable after random delays over its whole run.
  void byTiming(int kills, std::mt19937_64& random) {
    testing::TempDir out;
    testing::restore(inst.dir.path(), start);
    Child clean = testing::startCli(cli, out / "out", out / "err");
    const Ended e = clean.wait();
    ASSERT_EQ(e.status, 0) << readBytes(out / "err");
    Verdict cleanRun;
    check(cleanRun);
    ASSERT_TRUE(cleanRun.ok() && finished()) << "the executable's own run:\n" << cleanRun.text();
    const double length = e.elapsed.count();
    std::uniform_real_distribution<double> delay(0, length * 1.1);
    for (int i = 0; i < kills; ++i) {
      testing::restore(inst.dir.path(), start);
      const double after = delay(random);
      Child child = testing::startCli(cli, out / "out", out / "err");
      std::this_thread::sleep_for(std::chrono::duration<double>(after));
      child.signal(SIGKILL);
      const Ended k = child.wait();
      afterKill("of the executable after " + std::to_string(after) + " s", k.killedBy(SIGKILL));
    }
  }
};

TEST(Crash, AnExportKilledAnywhereLeavesThePreviousSetOrTheNewOneWhole) {
  Installation inst(demo::Options{6, 3, 24});
  // The new set: every company; the previous one: one declarant, without the CU payments.
  ASSERT_EQ(exportRun(inst, {}), RunOutcome::Done);
  const ExportSet next = exportSetOf(inst);
  const std::string task = readBytes(inst.dir / "ZAVUVOD" / "ZAVUVOD.INI");
  ASSERT_EQ(exportRun(inst, {inst.summary.companies.front()}), RunOutcome::Done);
  const ExportSet previous = exportSetOf(inst);
  int differing = 0;
  for (const auto& name : exportNames()) differing += previous.at(name) != next.at(name);
  ASSERT_GE(differing, 4) << "the two sets must tell a mix apart";

  Sweep s{inst, testing::pictureOf(inst.dir.path()), {}, {}, {}, {}, {}, 0};
  s.run = [&](FilesHook hook) { exportRun(inst, {}, hook); };
  s.cli = testing::cliOn(inst, {"--yes", "export", "--all"});
  s.check = [&](Verdict& v) {
    checkExportSet(exportSetOf(inst), {&previous, &next}, v);
    checkRest(
        s.start, testing::pictureOf(inst.dir.path()), [](const std::string&) { return false; },
        {task}, v);
  };
  s.finished = [&] { return exportSetOf(inst) == next; };
  std::mt19937_64 random(kSeed);
  s.atCalls(200, 8);
  s.byTiming(25, random);
  printFigures(s.tally);
  EXPECT_EQ(s.tally.survived, s.tally.points);
  EXPECT_EQ(s.tally.lost, 0);
  EXPECT_EQ(s.tally.corrupted, 0);
  EXPECT_GT(s.tally.points, 200);
}

TEST(Crash, ADateUpdateKilledAnywhereLeavesEachDateOldOrUpdatedAndNothingElseChanged) {
  Installation inst(demo::Options{6, 3, 25});
  ASSERT_EQ(exportRun(inst, {}), RunOutcome::Done);  // export files that must stay as they are
  const ExportSet exported = exportSetOf(inst);
  const std::string task = readBytes(inst.dir / "ZAVUVOD" / "ZAVUVOD.INI");
  const Tree start = testing::pictureOf(inst.dir.path());
  const auto f24 = inst.archive("KVF24.DAT");
  const std::string old = readBytes(f24);
  ASSERT_EQ(updateRun(inst), VerifyOutcome::Done);
  const std::string updated = readBytes(f24);
  ASSERT_NE(updated, old) << "the demo must have dates to fill";
  const DateFields fields = f24DateFields(inst);

  Sweep s{inst, start, {}, {}, {}, {}, {}, 0};
  s.run = [&](FilesHook hook) { updateRun(inst, hook); };
  s.cli = testing::cliOn(inst, {"verify", "--all", "--grid", kGrid, "--update"});
  s.check = [&](Verdict& v) {
    checkDates(old, updated, readBytes(f24), fields, v);
    checkExportSet(exportSetOf(inst), {&exported}, v);
    checkRest(
        start, testing::pictureOf(inst.dir.path()),
        [](const std::string& p) { return p.ends_with("/KVF24.DAT"); }, {task}, v);
  };
  s.finished = [&] { return readBytes(f24) == updated; };
  std::mt19937_64 random(kSeed + 1);
  s.atCalls(120, 0);
  s.byTiming(20, random);
  printFigures(s.tally);
  EXPECT_EQ(s.tally.survived, s.tally.points);
  EXPECT_EQ(s.tally.lost, 0);
  EXPECT_EQ(s.tally.corrupted, 0);
  EXPECT_GT(s.tally.points, 120);
}

// A database the load or an export makes by copying its template (a yearly F24 database, the
// certification database), by its path in the installation.
bool copiedDatabase(const std::string& p) {
  const std::string name = fs::path(p).filename().string();
  return name == inst::certificationDatabaseName() ||
         (name.size() == 12 && name.starts_with("SF24") && name != inst::kF24TemplateName);
}

TEST(Crash, TheFirstExportOnAFreshInstallationKilledAnywhereLeavesNoHalfMadeFile) {
  Installation inst(demo::Options{4, 2, 26});
  // Its first run copies the yearly databases it lacks and the certification database.
  fs::remove(inst.archive(inst::certificationDatabaseName()));
  const Tree start = testing::pictureOf(inst.dir.path());
  const std::string f24Template = readBytes(inst.archive(std::string(inst::kF24TemplateName)));
  const std::string certTemplate = readBytes(inst.archive(inst::certificationTemplateName()));
  const ExportSet none = exportSetOf(inst);
  ASSERT_EQ(exportRun(inst, {}), RunOutcome::Done);
  const ExportSet next = exportSetOf(inst);
  const std::string task = readBytes(inst.dir / "ZAVUVOD" / "ZAVUVOD.INI");

  Sweep s{inst, start, {}, {}, {}, {}, {}, 0};
  s.run = [&](FilesHook hook) { exportRun(inst, {}, hook); };
  s.cli = testing::cliOn(inst, {"--yes", "export", "--all"});
  s.check = [&](Verdict& v) {
    checkExportSet(exportSetOf(inst), {&none, &next}, v);
    const Tree now = testing::pictureOf(inst.dir.path());
    checkRest(
        start, now, [&](const std::string& p) { return !start.count(p) && copiedDatabase(p); },
        {task}, v);
    for (const auto& [path, bytes] : now) {
      if (start.count(path) || !copiedDatabase(path)) continue;
      const bool cert = path.ends_with(inst::certificationDatabaseName());
      if (bytes == (cert ? certTemplate : f24Template)) continue;
      ++v.corrupted;
      v.problem(path + " is not a whole copy of its template");
    }
  };
  s.finished = [&] { return exportSetOf(inst) == next; };
  std::mt19937_64 random(kSeed + 2);
  s.atCalls(40, 0);
  s.byTiming(15, random);
  printFigures(s.tally);
  EXPECT_EQ(s.tally.survived, s.tally.points);
  EXPECT_EQ(s.tally.lost, 0);
  EXPECT_EQ(s.tally.corrupted, 0);
  EXPECT_GT(s.tally.points, 40);
}

}  // namespace
}  // namespace zr::reliability

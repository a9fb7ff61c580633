// The program beside other processes on one installation, all of them real: a payroll program
// holding the semaphore, one rewriting F24 records under it, one appending companies, and a
// second export started from another user's session. Nothing either side wrote may be lost and
// no export file may be anything but one whole run's.
#include <gtest/gtest.h>
#include <poll.h>

#include <map>
#include <sstream>
#include <thread>
#include <tuple>

#include "reliability/crash_bed.h"

namespace zr::reliability {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::Child;
using testing::Ended;

// A pipe whose read end a parent waits on until a child says it is ready.
class Signal {
 public:
  Signal() {
    if (::pipe(fds_) != 0) throw std::runtime_error("pipe");
  }
  ~Signal() {
    ::close(fds_[0]);
    ::close(fds_[1]);
  }
  void give() const { (void)!::write(fds_[1], "!", 1); }
  // False when nothing came within `patience`.
  bool await(std::chrono::milliseconds patience) const {
    pollfd p{fds_[0], POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(patience.count())) != 1) return false;
    char c;
    return ::read(fds_[0], &c, 1) == 1;
  }

 private:
  int fds_[2];
};

// The semaphore as another payroll program takes it: the same exclusive lock on TRSEMA.DAT,
// retried after a short pause while this program holds it.
std::unique_ptr<platform::File> takeSemaphore(platform::Files& files, Installation& inst) {
  const std::string path = inst.builder.archivePath(std::string(inst::kSemaphoreFile));
  for (;;) {
    try {
      return files.openLocked(path);
    } catch (const RuntimeError& e) {
      if (e.number() != 70) throw;
    }
    std::this_thread::sleep_for(200us);
  }
}

std::size_t recordLength(Installation& inst, double base) {
  ArchiveLib& lib = inst.builder.lib();
  lib.FAIOPEN(base);
  const auto length = static_cast<std::size_t>(lib.LUNGREC(base));
  lib.CHIUDIFILE(base);
  return length;
}

struct Concurrency : ::testing::Test {
  Tally tally;
  testing::TempDir out;

  void TearDown() override {
    figure("concurrent_runs", tally.points);
    figure("files_lost", tally.lost);
    figure("files_corrupted", tally.corrupted);
    EXPECT_EQ(tally.survived, tally.points);
  }

  void count(const Verdict& v, const std::string& what) {
    add(tally, v);
    EXPECT_TRUE(v.ok()) << what << ":\n" << v.text();
  }

  Child cli(Installation& inst, const std::vector<std::string>& command, const std::string& tag,
            const std::map<std::string, std::string>& env = {}) {
    return testing::startCli(testing::cliOn(inst, command), out / (tag + ".out"),
                             out / (tag + ".err"), env);
  }
  std::string err(const std::string& tag) { return readBytes(out / (tag + ".err")); }
};

TEST_F(Concurrency, ACommandWaitsForTheSemaphoreHeldByAnotherProcessThenGoesOnWithoutSpinning) {
  Installation inst(demo::Options{4, 3, 41});
  const Tree start = testing::pictureOf(inst.dir.path());
  const auto f24 = inst.archive("KVF24.DAT");
  ASSERT_EQ(updateRun(inst), VerifyOutcome::Done);
  const std::string updated = readBytes(f24);
  testing::restore(inst.dir.path(), start);
  ASSERT_EQ(exportRun(inst, {}), RunOutcome::Done);
  const ExportSet exported = exportSetOf(inst);

  struct Case {
    std::vector<std::string> command;
    std::function<bool()> done;
  };
  const Case cases[] = {
      {{"verify", "--all", "--grid", kGrid, "--update"}, [&] { return readBytes(f24) == updated; }},
      {{"--yes", "export", "--all"}, [&] { return exportSetOf(inst) == exported; }},
  };
  constexpr auto kHold = 1500ms;
  for (int round = 0; round < 2; ++round)
    for (const Case& c : cases) {
      SCOPED_TRACE(c.command[0] + " " + c.command[1]);
      // What the command costs on its own, to tell waiting from spinning.
      testing::restore(inst.dir.path(), start);
      const Ended alone = cli(inst, c.command, "alone").wait();
      ASSERT_EQ(alone.status, 0) << err("alone");
      testing::restore(inst.dir.path(), start);
      Signal held;
      Child holder = testing::forkChild([&] {
        auto files = platform::makeHostFiles(inst.dir.str());
        const auto lock = takeSemaphore(*files, inst);
        held.give();
        std::this_thread::sleep_for(kHold);
        return 0;
      });
      ASSERT_TRUE(held.await(5000ms));
      const auto since = std::chrono::steady_clock::now();
      const Ended e = cli(inst, c.command, "waiting").wait();
      EXPECT_EQ(holder.wait().status, 0);
      Verdict v;
      if (e.status != 0) v.problem("exit " + std::to_string(e.status) + ": " + err("waiting"));
      if (!c.done()) {
        ++v.corrupted;
        v.problem("the files are not those of a whole run");
      }
      // It waited for the holder, and the waiting cost next to nothing.
      const auto waited = std::chrono::steady_clock::now() - since;
      if (waited < kHold - 200ms) v.problem("it did not wait for the semaphore");
      if (e.cpuSeconds > alone.cpuSeconds + 0.2)
        v.problem("it used " + std::to_string(e.cpuSeconds) + " s of CPU (" +
                  std::to_string(alone.cpuSeconds) + " s alone) while waiting " +
                  std::to_string(std::chrono::duration<double>(waited).count()) + " s");
      count(v, "a command beside a held semaphore");
    }
}

TEST_F(Concurrency, ADateUpdateBesideAnotherProgramRewritingF24RecordsLosesNoUpdateOfEither) {
  Installation inst(demo::Options{6, 2, 42});
  const auto f24 = inst.archive("KVF24.DAT");
  const Tree start = testing::pictureOf(inst.dir.path());
  const std::string old = readBytes(f24);
  ASSERT_EQ(updateRun(inst), VerifyOutcome::Done);
  const std::string updated = readBytes(f24);
  const DateFields dates = f24DateFields(inst);
  const std::size_t length = dates.recordLength;
  // The other program's field: the first Erario row's year, beside the date in every record.
  const FieldLayout theirs = parseDescriptor(desc::A005);
  const auto at = static_cast<std::size_t>(theirs.start - 1);
  const auto width = static_cast<std::size_t>(theirs.length);
  const std::size_t records = old.size() / length;
  ASSERT_GT(records, 20u);
  // Each pass rewrites the records the update writes a date into; every fourth pass all the
  // others too.
  std::vector<std::size_t> targets, everyRecord;
  for (std::size_t r = 0; r < records; ++r) {
    everyRecord.push_back(r);
    if (old.compare(r * length + dates.at, dates.length, updated, r * length + dates.at,
                    dates.length) != 0)
      targets.push_back(r);
  }
  ASSERT_FALSE(targets.empty());

  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    testing::restore(inst.dir.path(), start);
    const fs::path stop = out / "stop", log = out / "written";
    fs::remove(stop);
    Signal going;
    // Record by record, over and over: read it whole under the semaphore, change its own field,
    // write it back whole, as the payroll programs do; the last value of each is logged.
    Child other = testing::forkChild([&] {
      auto files = platform::makeHostFiles(inst.dir.str());
      auto archive =
          files->open(inst.builder.archivePath("KVF24.DAT"), platform::OpenMode::ReadWrite);
      std::map<std::size_t, std::string> last;
      long writes = 0;
      for (std::size_t pass = 0; !fs::exists(stop); ++pass) {
        for (const std::size_t r : pass % 4 == 3 ? everyRecord : targets) {
          std::string rec(length, ' ');
          {
            const auto lock = takeSemaphore(*files, inst);
            archive->readAt(r * length, rec.data(), length);
            std::string value = std::to_string(100000000 + ++writes).substr(1);
            rec.replace(at, width, value.substr(value.size() - width));
            std::this_thread::sleep_for(500us);  // a program takes its time over a record
            archive->writeAt(r * length, rec);
            last[r] = rec.substr(at, width);
          }
          std::this_thread::sleep_for(300us);
        }
        if (pass == 0) going.give();
      }
      std::string text = std::to_string(writes) + "\n";
      for (const auto& [r, v] : last) text += std::to_string(r) + " " + v + "\n";
      writeBytes(log, text);
      return 0;
    });
    ASSERT_TRUE(going.await(20000ms));
    const Ended e = cli(inst, {"verify", "--all", "--grid", kGrid, "--update"}, "verify").wait();
    writeBytes(stop, "");
    EXPECT_EQ(other.wait().status, 0);

    Verdict v;
    if (e.status != 0) v.problem("exit " + std::to_string(e.status) + ": " + err("verify"));
    std::map<std::size_t, std::string> theirsLast;
    std::istringstream in(readBytes(log));
    long writes = 0;
    in >> writes;
    for (std::size_t r; in >> r;) in >> theirsLast[r];
    // It went on rewriting while the update ran, beyond the first pass made before it started.
    if (writes <= static_cast<long>(targets.size())) v.problem("the other program stopped early");
    const std::string now = readBytes(f24);
    long lostDates = 0, lostTheirs = 0, otherwise = 0;
    if (now.size() != old.size()) {
      ++v.lost;
      v.problem("the F24 archive changed length");
    } else {
      for (std::size_t r = 0; r < records; ++r) {
        std::string expected = updated.substr(r * length, length);
        if (theirsLast.count(r)) expected.replace(at, width, theirsLast[r]);
        std::string got = now.substr(r * length, length);
        if (got == expected) continue;
        if (got.compare(dates.at, dates.length, expected, dates.at, dates.length) != 0) ++lostDates;
        if (got.compare(at, width, expected, at, width) != 0) ++lostTheirs;
        got.replace(dates.at, dates.length, expected, dates.at, dates.length);
        got.replace(at, width, expected, at, width);
        if (got != expected) ++otherwise;
      }
    }
    if (lostDates + lostTheirs + otherwise > 0) {
      ++v.corrupted;
      v.problem(std::to_string(lostDates) + " dates of the update lost, " +
                std::to_string(lostTheirs) + " fields of the other program lost, " +
                std::to_string(otherwise) + " records otherwise changed");
    }
    count(v, "a date update beside another writer");
  }
}

TEST_F(Concurrency, TwoExportsStartedTogetherFromTwoSessionsNeverMixTheirFiles) {
  Installation inst(demo::Options{6, 3, 43});
  const std::vector<int>& codes = inst.summary.companies;
  ASSERT_EQ(exportRun(inst, {codes.front()}), RunOutcome::Done);
  const ExportSet one = exportSetOf(inst);
  ASSERT_EQ(exportRun(inst, {}), RunOutcome::Done);
  const ExportSet all = exportSetOf(inst);
  for (const auto& [name, bytes] : one) writeBytes(inst.archive(name), *bytes);
  const Tree start = testing::pictureOf(inst.dir.path());
  const auto session = [&](const std::string& name) {
    const fs::path runtime = out / name;
    fs::create_directories(runtime);
    return std::map<std::string, std::string>{{"XDG_RUNTIME_DIR", runtime.string()}};
  };
  const std::vector<std::string> exportAll{"--yes", "export", "--all"};
  const std::vector<std::string> exportOne{"--yes", "export", "--select",
                                           std::to_string(codes.front())};
  const auto refusedAsBusy = [&](const std::string& tag) {
    return err(tag).find("in corso sugli archivi " + inst.builder.archivesPath()) !=
           std::string::npos;
  };

  // Started at the same moment: the second waits for the first, or is refused if it has
  // waited long enough; the set is one run's, whole.
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    testing::restore(inst.dir.path(), start);
    Child a = cli(inst, exportAll, "a", session("a"));
    Child b = cli(inst, exportOne, "b", session("b"));
    const Ended ea = a.wait(), eb = b.wait();
    std::printf("two exports at once: exit %d and %d\n", ea.status, eb.status);
    Verdict v;
    std::vector<const ExportSet*> allowed;
    for (const auto& [e, set, tag] : {std::tuple{ea, &all, "a"}, std::tuple{eb, &one, "b"}}) {
      if (e.status == 0)
        allowed.push_back(set);
      else if (e.status != 1 || !refusedAsBusy(tag))
        v.problem(std::string(tag) + " exit " + std::to_string(e.status) + ": " + err(tag));
    }
    if (allowed.empty())
      v.problem("neither run was done");
    else
      checkExportSet(exportSetOf(inst), allowed, v);
    checkRest(
        start, testing::pictureOf(inst.dir.path()), [](const std::string&) { return false; }, {},
        v);
    count(v, "two exports at once");
  }

  // The first run holds the installation for longer than the second will wait (stopped while it
  // holds the lock, as a slow share would): the second is refused and writes nothing.
  testing::restore(inst.dir.path(), start);
  auto host = platform::makeHostFiles(inst.dir.str());
  const std::string lock = inst.builder.archivePath(std::string(inst::kInstallationLock));
  Child a = cli(inst, exportAll, "a", session("a"));
  for (bool holding = false; !holding;) {
    try {
      host->openLocked(lock);
      std::this_thread::sleep_for(1ms);
    } catch (const RuntimeError& e) {
      ASSERT_EQ(e.number(), 70);
      holding = true;
    }
  }
  a.signal(SIGSTOP);
  const Ended eb = cli(inst, exportOne, "b", session("b")).wait();
  a.signal(SIGCONT);
  const Ended ea = a.wait();
  Verdict v;
  if (eb.status != 1 || !refusedAsBusy("b"))
    v.problem("the second run: exit " + std::to_string(eb.status) + ": " + err("b"));
  if (eb.elapsed < 10s) v.problem("the second run did not wait its ten seconds");
  if (ea.status != 0)
    v.problem("the first run: exit " + std::to_string(ea.status) + ": " + err("a"));
  checkExportSet(exportSetOf(inst), {&all}, v);
  checkRest(
      start, testing::pictureOf(inst.dir.path()), [](const std::string&) { return false; }, {}, v);
  count(v, "an export refused while another holds the installation");
}

TEST_F(Concurrency, CompaniesAppendedDuringAnExportNeverChangeWhatItWrites) {
  Installation inst(demo::Options{6, 3, 44});
  const std::vector<int>& codes = inst.summary.companies;
  std::string selection;
  for (int c : codes) selection += (selection.empty() ? "" : ",") + std::to_string(c);
  const std::size_t length = recordLength(inst, inst::kCompanies);
  const auto companies = inst.archive("KVDITTE.DAT");
  ASSERT_TRUE(fs::exists(companies));
  ASSERT_EQ(exportRun(inst, codes), RunOutcome::Done);
  const ExportSet selected = exportSetOf(inst);
  ASSERT_EQ(exportRun(inst, {codes.front()}), RunOutcome::Done);
  const ExportSet before = exportSetOf(inst);
  const Tree start = testing::pictureOf(inst.dir.path());
  // The appended companies are copies of a company that presents its own return.
  std::string model = readBytes(companies).substr((codes.front() - 1) * length, length);
  const FieldLayout code = parseDescriptor(desc::T001);
  const auto codeText = [](std::uint64_t c) { return std::to_string(1000 + c).substr(1); };
  ASSERT_EQ(model.substr(static_cast<std::size_t>(code.start - 1), 3),
            codeText(static_cast<std::uint64_t>(codes.front())));
  const std::string archived = readBytes(companies);

  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    testing::restore(inst.dir.path(), start);
    const fs::path stop = out / "stop";
    fs::remove(stop);
    Signal going;
    Child other = testing::forkChild([&] {
      auto files = platform::makeHostFiles(inst.dir.str());
      auto archive =
          files->open(inst.builder.archivePath("KVDITTE.DAT"), platform::OpenMode::ReadWrite);
      for (int n = 0; !fs::exists(stop); ++n) {
        {
          const auto lock = takeSemaphore(*files, inst);
          const std::uint64_t next = archive->size() / length + 1;
          if (next >= demo::kFirstVoidingCompany) break;
          std::string rec = model;
          rec.replace(static_cast<std::size_t>(code.start - 1), 3, codeText(next));
          archive->writeAt((next - 1) * length, rec);
        }
        if (n == 0) going.give();
        std::this_thread::sleep_for(2ms);
      }
      return 0;
    });
    ASSERT_TRUE(going.await(10000ms));
    const Ended e = cli(inst, {"--yes", "export", "--select", selection}, "export").wait();
    writeBytes(stop, "");
    std::printf("an export beside companies being appended: exit %d\n", e.status);
    EXPECT_EQ(other.wait().status, 0);
    Verdict v;
    if (e.status == 0)
      checkExportSet(exportSetOf(inst), {&selected}, v);
    else if (e.status == 1)
      checkExportSet(exportSetOf(inst), {&before}, v);
    else
      v.problem("exit " + std::to_string(e.status) + ": " + err("export"));
    checkRest(
        start, testing::pictureOf(inst.dir.path()),
        [](const std::string& p) { return p.ends_with("/KVDITTE.DAT"); }, {}, v);
    // The program never writes the company archive: what was there, and what the other
    // program appended, is whole.
    const std::string now = readBytes(companies);
    if (now.compare(0, archived.size(), archived) != 0 || now.size() % length != 0) {
      ++v.corrupted;
      v.problem("the company archive changed under the export");
    }
    count(v, "an export beside companies being appended (exit " + std::to_string(e.status) + ")");
  }
}

}  // namespace
}  // namespace zr::reliability

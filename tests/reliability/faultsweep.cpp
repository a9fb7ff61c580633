// An I/O error at every call: each command run clean to count its calls, then once for every
// call (or, over the many reads, a stride that still reaches every file) with that call broken.
// After each run the installation must hold the previous state or the clean run's, file by file
// (the F24 payment dates field by field), the export set as a whole, no temporary, and a failure
// must be said, naming the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "archive/installation.h"
#include "reliability/fault_bed.h"
#include "reliability/figures.h"
#include "repository/descriptors.h"
#include "repository/families.h"
#include "support/tree.h"

namespace zr::reliability {
namespace {

namespace fs = std::filesystem;
using testing::Call;
using testing::Effect;
using testing::Fault;
using testing::Tree;

// Reads beyond this many in one command are swept with a stride.
constexpr std::size_t kReadsSweptWhole = 150;

struct Injection {
  Call call;
  Effect effect;
  int error;
  const char* name;
};
const Injection kInjections[] = {
    {Call::Open, Effect::Fail, 75, "open"},
    {Call::Read, Effect::Fail, 57, "read"},
    {Call::Read, Effect::Short, 57, "short read"},
    {Call::Write, Effect::Fail, 57, "write"},
    {Call::Write, Effect::Short, 57, "short write"},
    {Call::Write, Effect::DiskFull, 61, "disk full"},
    {Call::Rename, Effect::Fail, 75, "rename"},
    {Call::Sync, Effect::Fail, 57, "sync"},
    {Call::Lock, Effect::Fail, 57, "lock"},
    {Call::FolderSync, Effect::Fail, 57, "folder sync"},
};

struct Tally {
  long long injected = 0, survived = 0, reported = 0, absorbed = 0, lost = 0, corrupted = 0;
};

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string leafOf(const std::string& path) {
  std::string leaf = path.substr(path.find_last_of("\\/") + 1);
  const std::size_t mark = leaf.find(platform::kTemporaryMark);
  return mark == std::string::npos ? leaf : leaf.substr(0, mark);
}

bool isExportFile(const std::string& rel) { return upper(rel).ends_with(".V24"); }

bool isLeftover(const std::string& rel) {
  const std::string leaf = rel.substr(rel.find_last_of('/') + 1);
  return platform::isTemporaryName(leaf) || leaf.starts_with(".") ||
         leaf == inst::kCommitRecord;
}

Tree exportSet(const Tree& t) {
  Tree set;
  for (const auto& [rel, bytes] : t)
    if (isExportFile(rel)) set[rel] = bytes;
  return set;
}

// One command swept over its calls.
class Sweep {
 public:
  Sweep(testbed::Installation& inst, std::vector<std::string> args, std::string what, Tally& tally)
      : inst_(inst), args_(std::move(args)), what_(std::move(what)), tally_(tally) {
    root_ = inst_.dir.path();
    before_ = testing::pictureOf(root_);
    clean_ = runInProcess(inst_, args_);
    after_ = testing::pictureOf(root_);
    testing::restore(root_, before_, after_);
    for (const auto& e : demo::InstallationBuilder::defaultCatalogue())
      if (e.base == inst::kF24) {
        f24Name_ = upper(e.pattern);
        f24Length_ = static_cast<std::size_t>(e.recordLength);
      }
  }
  ~Sweep() { testing::restore(root_, before_, testing::pictureOf(root_)); }

  const CommandRun& clean() const { return clean_; }
  const Tree& before() const { return before_; }
  const Tree& after() const { return after_; }

  void sweepAll() {
    for (const Injection& in : kInjections) {
      const std::vector<int> calls = chosenCalls(in.call);
      for (int k : calls) one(in, k);
      std::printf("%s: %s: %zu of %d calls\n", what_.c_str(), in.name, calls.size(),
                  clean_.calls[static_cast<std::size_t>(in.call)]);
    }
  }

 private:
  // Every call of the kind; over many reads or opens, every stride-th and each file's first
  // and last.
  std::vector<int> chosenCalls(Call kind) const {
    std::vector<int> all;
    std::map<std::string, std::pair<int, int>> firstLast;
    int n = 0;
    for (const auto& seen : clean_.history) {
      if (seen.call != kind) continue;
      all.push_back(++n);
      auto [it, fresh] = firstLast.try_emplace(leafOf(seen.path), n, n);
      if (!fresh) it->second.second = n;
    }
    if ((kind != Call::Read && kind != Call::Open) || all.size() <= kReadsSweptWhole) return all;
    const std::size_t stride = (all.size() + kReadsSweptWhole - 1) / kReadsSweptWhole;
    std::set<int> picked;
    for (std::size_t i = 0; i < all.size(); i += stride) picked.insert(all[i]);
    for (const auto& [leaf, range] : firstLast) picked.insert({range.first, range.second});
    return {picked.begin(), picked.end()};
  }

  void one(const Injection& in, int k) {
    Fault f = testing::fail(in.call, in.error).nth(k);
    f.effect = in.effect;
    const CommandRun run = runInProcess(inst_, args_, {f});
    const std::string where = what_ + ", " + in.name + " " + std::to_string(k) + " (" +
                              (run.firedOn.empty() ? std::string("not met") : run.firedOn[0]) +
                              ")";
    SCOPED_TRACE(where);
    if (run.firedOn.empty()) {
      testing::restore(root_, before_, testing::pictureOf(root_));
      ADD_FAILURE() << "the fault was never met: the run took another path than the clean one";
      return;
    }
    ++tally_.injected;
    const Tree now = testing::pictureOf(root_);
    std::vector<std::string> faults;
    check(run, now, faults);
    testing::restore(root_, before_, now);
    for (const auto& why : faults) ADD_FAILURE() << why << "\n" << transcript(run);
    if (!faults.empty()) return;
    ++tally_.survived;
    ++(run.status == 0 ? tally_.absorbed : tally_.reported);
  }

  static std::string transcript(const CommandRun& run) {
    std::string t = "status " + std::to_string(run.status) + "\n";
    for (const auto& d : run.dialogs) t += d.title + ": " + d.text + "\n";
    return t + run.err;
  }

  void check(const CommandRun& run, const Tree& now, std::vector<std::string>& faults) {
    const bool success = run.status == 0;
    for (const auto& [rel, bytes] : now)
      if (isLeftover(rel)) faults.push_back("left behind: " + rel);
    if (success) {
      // A fault the program got over: the clean run's results, exactly.
      if (run.document != clean_.document) faults.push_back("the document differs from the clean run's");
      compareFiles(now, true, faults);
      return;
    }
    saidWhatFailed(run, faults);
    compareFiles(now, false, faults);
  }

  // A critical dialog (or the command line's own error line) naming the file that failed.
  void saidWhatFailed(const CommandRun& run, std::vector<std::string>& faults) const {
    const std::string name = upper(leafOf(run.firedOn[0]));
    // A template that cannot be opened cannot be told from a missing one: the load's own
    // message for that case stands, as the payroll bureau knows it.
    if (name == upper(std::string(inst::kF24TemplateName)) && run.status == 3 && !run.dialogs.empty() &&
        run.dialogs.back().text.starts_with("Non esiste file F24"))
      return;
    bool critical = false, named = upper(run.err).find(name) != std::string::npos;
    for (const auto& d : run.dialogs) {
      if (d.icon != platform::Icon::Critical) continue;
      critical = true;
      if (upper(d.text).find(name) != std::string::npos) named = true;
    }
    if (!critical) faults.push_back("failed (status " + std::to_string(run.status) + ") without a critical message");
    else if (!named) faults.push_back("the message does not name " + name);
  }

  void compareFiles(const Tree& now, bool success, std::vector<std::string>& faults) {
    // The export set: the previous one or, only after a success, the clean run's, whole.
    const Tree set = exportSet(now), previous = exportSet(before_), fresh = exportSet(after_);
    if (set != (success ? fresh : previous)) {
      if (!success && set == fresh)
        faults.push_back("the new export set is in place but the run says it failed");
      else {
        const Tree& expected = success ? fresh : previous;
        for (const auto& [rel, bytes] : expected) {
          const auto it = set.find(rel);
          if (it == set.end()) {
            ++tally_.lost;
            faults.push_back("export file lost: " + rel);
          } else if (it->second != bytes) {
            ++tally_.corrupted;
            faults.push_back("export file neither previous nor new: " + rel);
          }
        }
        for (const auto& [rel, bytes] : set)
          if (!expected.count(rel)) faults.push_back("export file that should not be there: " + rel);
      }
    }
    std::set<std::string> names;
    for (const Tree* t : std::initializer_list<const Tree*>{&now, &before_, &after_})
      for (const auto& [rel, bytes] : *t)
        if (!isExportFile(rel) && !isLeftover(rel)) names.insert(rel);
    for (const std::string& rel : names) compareFile(rel, now, success, faults);
  }

  static const std::string* in(const Tree& t, const std::string& rel) {
    const auto it = t.find(rel);
    return it == t.end() ? nullptr : &it->second;
  }

  static bool same(const std::string* a, const std::string* b) {
    return (!a && !b) || (a && b && *a == *b);
  }

  void compareFile(const std::string& rel, const Tree& now, bool success,
                   std::vector<std::string>& faults) {
    const std::string *was = in(before_, rel), *clean = in(after_, rel), *is = in(now, rel);
    if (same(is, clean) || (!success && same(is, was))) return;
    if (!is) {
      ++tally_.lost;
      faults.push_back("file lost: " + rel);
      return;
    }
    if (!success && was && clean && upper(rel).ends_with("/" + f24Name_) && datesOnly(*was, *clean, *is))
      return;
    ++tally_.corrupted;
    faults.push_back("file neither as before nor as after the clean run: " + rel);
  }

  // The F24 archive after a failed update: each payment date old or new, nothing else changed.
  bool datesOnly(const std::string& was, const std::string& clean, const std::string& is) const {
    if (is.size() != was.size() || clean.size() != was.size()) return false;
    const FieldLayout date = parseDescriptor(desc::A003);
    const std::size_t pos = static_cast<std::size_t>(date.start - 1);
    const std::size_t len = static_cast<std::size_t>(date.length);
    for (std::size_t at = 0; at < is.size(); at += f24Length_) {
      const std::size_t end = std::min(is.size(), at + f24Length_);
      for (std::size_t i = at; i < end; ++i)
        if ((i < at + pos || i >= at + pos + len) && is[i] != was[i]) return false;
      if (at + pos + len > end) continue;
      const std::string field = is.substr(at + pos, len);
      if (field != was.substr(at + pos, len) && field != clean.substr(at + pos, len)) return false;
    }
    return true;
  }

  testbed::Installation& inst_;
  std::vector<std::string> args_;
  std::string what_;
  Tally& tally_;
  fs::path root_;
  Tree before_, after_;
  CommandRun clean_;
  std::string f24Name_;
  std::size_t f24Length_ = 0;
};

// The sweeps test the program's handling of failures, not the disk: on a machine whose
// temporary folder is a loaded disk, thousands of runs' syncs would take most of the time.
class FastTemporaryFolder {
 public:
  FastTemporaryFolder() {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    std::error_code ec;
    if (fs::is_directory("/dev/shm", ec)) ::setenv("TMPDIR", "/dev/shm", 1);
  }
  ~FastTemporaryFolder() { old_ ? ::setenv("TMPDIR", old_->c_str(), 1) : ::unsetenv("TMPDIR"); }
  FastTemporaryFolder(const FastTemporaryFolder&) = delete;
  FastTemporaryFolder& operator=(const FastTemporaryFolder&) = delete;

 private:
  std::optional<std::string> old_;
};

demo::Options twoCompanies() {
  demo::Options o;
  o.companies = 2;
  o.employees = 2;
  return o;
}

std::string grid() {
  std::string g;
  for (int m = 2; m <= 12; ++m) g += "16/" + std::string(m < 10 ? "0" : "") + std::to_string(m) + "/2023,";
  return g + "16/01/2024,16/02/2024";
}

void figures(const Tally& t) {
  figure("faults_injected", t.injected);
  figure("faults_survived", t.survived);
  figure("files_lost", t.lost);
  figure("files_corrupted", t.corrupted);
  std::printf("of the runs that passed: %lld failed and said so, %lld ended as the clean run\n",
              t.reported, t.absorbed);
  EXPECT_EQ(t.lost, 0);
  EXPECT_EQ(t.corrupted, 0);
}

TEST(FaultSweep, ExportWithAndWithoutAPreviousSet) {
  FastTemporaryFolder fast;
  Tally tally;
  const auto started = std::chrono::steady_clock::now();
  {
    testbed::Installation inst(twoCompanies());
    Sweep first(inst, {"export", "--all"}, "first export", tally);
    ASSERT_EQ(first.clean().status, 0) << first.clean().err;
    first.sweepAll();
  }
  {
    testbed::Installation inst(twoCompanies());
    // The previous set holds one company: it differs from what the swept run writes.
    ASSERT_EQ(runInProcess(inst, {"export", "--select", std::to_string(inst.summary.companies[0])})
                  .status,
              0);
    Sweep again(inst, {"export", "--all"}, "export over a previous set", tally);
    ASSERT_EQ(again.clean().status, 0) << again.clean().err;
    ASSERT_NE(exportSet(again.before()), exportSet(again.after()));
    again.sweepAll();
  }
  figures(tally);
  std::printf("export sweep: %lld s\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(
                                         std::chrono::steady_clock::now() - started)
                                         .count()));
}

TEST(FaultSweep, DateUpdate) {
  FastTemporaryFolder fast;
  Tally tally;
  testbed::Installation inst(twoCompanies());
  Sweep update(inst, {"verify", "--all", "--grid", grid(), "--update"}, "date update", tally);
  ASSERT_EQ(update.clean().status, 0) << update.clean().err;
  ASSERT_NE(update.clean().document.find(" A "), std::string::npos)
      << "the clean update writes dates\n" << update.clean().document;
  update.sweepAll();
  figures(tally);
}

TEST(FaultSweep, ControlLists) {
  FastTemporaryFolder fast;
  Tally tally;
  testbed::Installation inst(twoCompanies());
  for (const char* list : {"erario", "regioni", "comuni", "tutte", "sx"}) {
    Sweep sweep(inst, {"list", list, "--all"}, std::string("list ") + list, tally);
    ASSERT_EQ(sweep.clean().status, 0) << sweep.clean().err;
    ASSERT_FALSE(sweep.clean().document.empty());
    sweep.sweepAll();
  }
  figures(tally);
}

}  // namespace
}  // namespace zr::reliability

// What the kill sweeps and the concurrent runs share: a demo bureau on disk with a previous
// export set and the set a clean run writes, the runs themselves (in-process, as the command
// line runs them), the fresh start that recovers, and the checks made after it, tallied into
// the figures.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "export/run.h"
#include "paydates/verification.h"
#include "platform/errors.h"
#include "reliability/figures.h"
#include "repository/descriptors.h"
#include "repository/families.h"
#include "shell/installationlock.h"
#include "shell/startup.h"
#include "support/counting_files.h"
#include "support/installation.h"
#include "support/processes.h"
#include "support/tree.h"

namespace zr::reliability {

using namespace zr::testbed;
using testing::Tree;

inline const std::vector<std::string>& exportNames() {
  static const std::vector<std::string> names{"FRONTE.V24", "SOSTITUT.V24", "QUADST.V24",
                                              "QUADSV.V24", "Q770ULTE.V24"};
  return names;
}

inline const std::string kGrid =
    "16/02/2023,16/03/2023,17/04/2023,16/05/2023,16/06/2023,17/07/2023,21/08/2023,18/09/2023,"
    "16/10/2023,16/11/2023,18/12/2023,16/01/2024,16/02/2024";

inline std::vector<std::string> gridBoxes() {
  std::vector<std::string> boxes;
  for (std::size_t at = 0; at < kGrid.size(); at += 11) boxes.push_back(kGrid.substr(at, 10));
  return boxes;
}

// The export files of a folder by name; nullopt for one that is absent.
using ExportSet = std::map<std::string, std::optional<std::string>>;

inline ExportSet exportSetOf(Installation& inst) {
  ExportSet s;
  for (const std::string& name : exportNames()) {
    const auto p = inst.archive(name);
    s[name] = std::filesystem::exists(p) ? std::optional(readBytes(p)) : std::nullopt;
  }
  return s;
}

// The sums the figures report.
struct Tally {
  long points = 0;     // kills (or concurrent runs) done
  long survived = 0;   // after which every check passed
  long lost = 0;       // export files or archives gone
  long corrupted = 0;  // files neither wholly old nor wholly new, or a mixed set
};

// What one check after a fresh start found.
struct Verdict {
  long lost = 0, corrupted = 0;
  std::vector<std::string> problems;
  bool ok() const { return problems.empty(); }
  void problem(std::string p) { problems.push_back(std::move(p)); }
  std::string text() const {
    std::string t;
    for (const auto& p : problems) t += "  " + p + "\n";
    return t;
  }
};

// The set in the folder must be one of `allowed`, whole; else each file that matches none of
// them is corrupted, each one that is gone (present in every allowed set) is lost, and a set of
// whole files from different runs counts as one corrupted set.
inline void checkExportSet(const ExportSet& now, const std::vector<const ExportSet*>& allowed,
                           Verdict& v) {
  for (const ExportSet* a : allowed)
    if (now == *a) return;
  long bad = 0;
  for (const auto& [name, bytes] : now) {
    bool known = false, everywhere = true;
    for (const ExportSet* a : allowed) {
      known = known || a->at(name) == bytes;
      everywhere = everywhere && a->at(name).has_value();
    }
    if (known) continue;
    ++bad;
    if (!bytes && everywhere) {
      ++v.lost;
      v.problem(name + " is gone");
    } else {
      ++v.corrupted;
      v.problem(name + " matches no whole run (" + std::to_string(bytes ? bytes->size() : 0) +
                " bytes)");
    }
  }
  if (bad == 0) {
    ++v.corrupted;
    v.problem("the export files are whole but from different runs");
  }
}

// Files a run may leave changed besides those checked on their own: the installation lock
// (created once, empty) and the task file (rewritten whole at the end).
inline bool runsMayTouch(const std::string& relative) {
  return relative.ends_with("ZORIR770.LCK") || relative.ends_with("ZAVUVOD.INI");
}

// Every file but the export set, the lock and the task file as `before`, no new file (a
// temporary left anywhere), and the task file whole: `before`'s or one of `taskFiles`.
inline void checkRest(const Tree& before, const Tree& now,
                      const std::function<bool(const std::string&)>& checkedApart,
                      const std::set<std::string>& taskFiles, Verdict& v) {
  const auto ignore = [&](const std::string& p) {
    if (runsMayTouch(p) || checkedApart(p)) return true;
    for (const std::string& name : exportNames())
      if (p.ends_with("/" + name)) return true;
    return false;
  };
  for (const std::string& d : testing::differences(before, now, ignore)) {
    if (d.ends_with("(gone)")) ++v.lost;
    if (d.ends_with("(changed)")) ++v.corrupted;
    v.problem(d);
  }
  for (const auto& [path, bytes] : now)
    if (path.ends_with("ZAVUVOD.INI") && before.count(path) && bytes != before.at(path) &&
        !taskFiles.count(bytes)) {
      ++v.corrupted;
      v.problem("task file " + path + " is neither the old one nor a whole new one");
    }
}

inline void add(Tally& t, const Verdict& v, bool counted = true) {
  if (!counted) return;
  ++t.points;
  t.survived += v.ok() ? 1 : 0;
  t.lost += v.lost;
  t.corrupted += v.corrupted;
}

// The fresh start of the next export or date update: a new App, the installation lock taken
// and what a crashed run left recovered, by the routine those commands begin with.
inline bool freshStart(Installation& inst, Verdict& v) {
  LoadedApp a(inst);
  const WritingSession s = beginWriting(*a.app, FailureTexts{"RIPRISTINO", ""}, "");
  if (s.start != WritingStart::Held) v.problem("the fresh start failed: " + a.transcript());
  return s.start == WritingStart::Held;
}

// The command line's own run, in-process: the load, the command, the exit's task file.
inline void endAsTheCommandLine(App& app) {
  try {
    FINETASK(app);
  } catch (const ProgramEnd&) {
  }
}

using FilesHook = testing::CountingFiles::Hook;

inline std::function<std::unique_ptr<platform::Files>(platform::Files&)> counted(FilesHook hook) {
  return [hook](platform::Files& host) -> std::unique_ptr<platform::Files> {
    return std::make_unique<testing::CountingFiles>(host, hook);
  };
}

// An export of these companies (all when empty), as `zorir770 --yes export` runs it.
inline RunOutcome exportRun(Installation& inst, const std::vector<int>& codes,
                            FilesHook hook = {}) {
  LoadedApp a(inst, hook ? counted(hook) : nullptr);
  if (codes.empty()) a.selectAll();
  for (int c : codes) a.select({c});
  const RunOutcome o = CMDAVVIO_Click(*a.app);
  endAsTheCommandLine(*a.app);
  return o;
}

// `verify --all --grid kGrid --update`, in-process, the list kept as text.
inline VerifyOutcome updateRun(Installation& inst, FilesHook hook = {}) {
  LoadedApp a(inst, hook ? counted(hook) : nullptr, std::make_unique<StringPrinters>());
  a.selectAll();
  const auto boxes = gridBoxes();
  for (std::size_t i = 0; i < boxes.size(); ++i) a.app->form.Text1[i] = boxes[i];
  const VerifyOutcome o = cmdverifica_Click(*a.app, UpdateAnswer::Yes);
  endAsTheCommandLine(*a.app);
  return o;
}

// The bytes of every payment date field of an F24 archive: record length and field place.
struct DateFields {
  std::size_t recordLength = 0, at = 0, length = 0;
};
inline DateFields f24DateFields(Installation& inst) {
  const FieldLayout date = parseDescriptor(desc::A003);
  DateFields d;
  ArchiveLib& lib = inst.builder.lib();
  lib.FAIOPEN(inst::kF24);
  d.recordLength = static_cast<std::size_t>(lib.LUNGREC(inst::kF24));
  lib.CHIUDIFILE(inst::kF24);
  d.at = static_cast<std::size_t>(date.start - 1);
  d.length = static_cast<std::size_t>(date.length);
  return d;
}

// An F24 archive after a date update that may have stopped anywhere: each date field is the
// old one or the updated one, whole, and nothing else differs from the old archive.
inline void checkDates(const std::string& old, const std::string& updated, const std::string& now,
                       const DateFields& d, Verdict& v) {
  if (now.size() != old.size()) {
    ++(now.size() < old.size() ? v.lost : v.corrupted);
    v.problem("the F24 archive is " + std::to_string(now.size()) + " bytes, was " +
              std::to_string(old.size()));
    return;
  }
  long torn = 0, other = 0;
  for (std::size_t r = 0; r + d.recordLength <= old.size(); r += d.recordLength) {
    const std::size_t at = r + d.at;
    const auto field = [&](const std::string& s) {
      return s.compare(at, d.length, now, at, d.length);
    };
    if (field(old) != 0 && field(updated) != 0) ++torn;
    if (now.compare(r, d.at, old, r, d.at) != 0 ||
        now.compare(at + d.length, d.recordLength - d.at - d.length, old, at + d.length,
                    d.recordLength - d.at - d.length) != 0)
      ++other;
  }
  if (torn + other == 0) return;
  ++v.corrupted;
  v.problem("F24 archive: " + std::to_string(torn) + " dates neither old nor updated, " +
            std::to_string(other) + " records changed outside their date");
}

inline void printFigures(const Tally& t) {
  figure("crash_points", t.points);
  figure("crash_survived", t.survived);
  figure("files_lost", t.lost);
  figure("files_corrupted", t.corrupted);
}

}  // namespace zr::reliability

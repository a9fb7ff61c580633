// What the fuzz targets share: a drive root in a temporary folder, made once per process and
// emptied before each input; Files over it that refuse any path leading out of that folder;
// the input cut into parts; an archive library over the root; and the one place that lets
// through the ways the program's routines are meant to reject bad input.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive.h"
#include "f24db/rowreaders.h"
#include "platform/database.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "platform/ui.h"
#include "shell/app.h"

namespace zr::fuzz {

namespace fs = std::filesystem;

// Every host path a target's Files hand out must lie under `folder`: a catalogue or a path
// file naming "/etc/x", "D:\x" or a share is refused as a file that cannot be reached.
class ConfinedFiles : public platform::FilesWrapper {
 public:
  ConfinedFiles(std::unique_ptr<platform::Files> host, std::string folder)
      : FilesWrapper(*host), host_(std::move(host)), folder_(std::move(folder)) {}

  std::string resolve(std::string_view p) const override { return inside(p); }
  std::unique_ptr<platform::File> open(std::string_view p, platform::OpenMode m) override {
    inside(p);
    return target_.open(p, m);
  }
  std::unique_ptr<platform::File> openLocked(std::string_view p) override {
    inside(p);
    return target_.openLocked(p);
  }
  bool exists(std::string_view p) override { return reachable(p) && target_.exists(p); }
  bool isDirectory(std::string_view p) override { return reachable(p) && target_.isDirectory(p); }
  std::optional<std::uint64_t> fileLength(std::string_view p) override {
    if (!reachable(p)) return std::nullopt;
    return target_.fileLength(p);
  }
  void remove(std::string_view p) override {
    inside(p);
    target_.remove(p);
  }
  void copy(std::string_view f, std::string_view t) override {
    inside(f);
    inside(t);
    target_.copy(f, t);
  }
  void rename(std::string_view f, std::string_view t) override {
    inside(f);
    inside(t);
    target_.rename(f, t);
  }
  void syncFolder(std::string_view p) override {
    inside(p);
    target_.syncFolder(p);
  }
  void makeDirectories(std::string_view p) override {
    inside(p);
    target_.makeDirectories(p);
  }
  std::vector<std::string> list(std::string_view p) override {
    inside(p);
    return target_.list(p);
  }
  std::vector<std::string> readLines(std::string_view p) override {
    inside(p);
    return target_.readLines(p);
  }
  void writeText(std::string_view p, std::string_view c) override {
    inside(p);
    target_.writeText(p, c);
  }
  // No lock file: the host's would be made outside the folder. Each input is its own instance.
  std::unique_ptr<platform::InstanceLock> acquireInstanceLock(std::string_view) override {
    return std::make_unique<platform::InstanceLock>();
  }

 private:
  bool reachable(std::string_view p) const {
    const std::string host = target_.resolve(p);
    std::error_code ec;
    const std::string normal = fs::absolute(host, ec).lexically_normal().string();
    if (ec) return false;
    return normal.starts_with(folder_ + "/");
  }
  // The host path, or error 75 naming the system path.
  std::string inside(std::string_view p) const {
    if (!reachable(p)) throw RuntimeError::of(75, std::string(p) + " (outside the fuzz folder)");
    return target_.resolve(p);
  }

  std::unique_ptr<platform::Files> host_;
  std::string folder_;
};

// The temporary folder of this process: drive C: is its "c" (so "D:\x" and shares stay inside
// it too) and the current folder is its "cwd" (relative paths). Removed at exit.
class Root {
 public:
  Root() {
    std::string tmpl = (fs::temp_directory_path() / "zr-fuzz-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    folder_ = tmpl;
    fs::create_directories(drive());
    fs::create_directories(cwd());
    fs::current_path(cwd());
    files_ = std::make_unique<ConfinedFiles>(platform::makeHostFiles(drive().string()),
                                             folder_.string());
  }
  ~Root() {
    std::error_code ec;
    fs::current_path(folder_.parent_path(), ec);
    fs::remove_all(folder_, ec);
  }
  Root(const Root&) = delete;
  Root& operator=(const Root&) = delete;

  // Each input starts from an empty drive: nothing a previous input left is seen.
  void reset() {
    // The current folder itself stays: a process whose current folder is gone has none.
    for (const auto& e : fs::directory_iterator(folder_))
      if (e.path() != cwd()) fs::remove_all(e.path());
    for (const auto& e : fs::directory_iterator(cwd())) fs::remove_all(e.path());
    fs::create_directories(drive());
  }
  fs::path drive() const { return folder_ / "c"; }
  fs::path cwd() const { return folder_ / "cwd"; }
  platform::Files& files() { return *files_; }

  // Writes a host file below drive C: ("RORIZIDO/TRPERARK.TRP"), making its folders.
  void put(const std::string& relative, std::string_view bytes) const {
    const fs::path p = drive() / relative;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::abort();
  }

 private:
  fs::path folder_;
  std::unique_ptr<platform::Files> files_;
};

// The process's root, made at the first input and emptied for each one.
inline Root& freshRoot() {
  static Root root;
  root.reset();
  return root;
}

// The input's parts between lines "~~" ("a\n~~\nb"): exactly `count` of them, the missing
// ones empty, the last one taking the rest of the input whatever it holds.
inline std::vector<std::string_view> parts(std::string_view data, std::size_t count) {
  constexpr std::string_view kMark = "\n~~\n";
  std::vector<std::string_view> out;
  while (out.size() + 1 < count) {
    const std::size_t at = data.find(kMark);
    if (at == std::string_view::npos) break;
    out.push_back(data.substr(0, at));
    data.remove_prefix(at + kMark.size());
  }
  out.push_back(data);
  out.resize(count);
  return out;
}

// The fields of a line between '|'.
inline std::vector<std::string> fields(std::string_view line) {
  std::vector<std::string> out;
  for (;;) {
    const std::size_t bar = line.find('|');
    out.emplace_back(line.substr(0, bar));
    if (bar == std::string_view::npos) return out;
    line.remove_prefix(bar + 1);
  }
}

// An archive library over the root with its archives in C:\ARCHIVI, as the builder's tools
// run it: failures are exceptions, not message boxes.
struct Library {
  explicit Library(platform::Files& files, std::string task = "07")
      : lib(files, ui, clock, config, ErrorPolicy::Throwing) {
    config.PERCORSOARCHIVI = "C:\\ARCHIVI";
    config.CODICETASK = std::move(task);
  }
  platform::ScriptedUi ui;
  platform::FixedClock clock{std::chrono::year{2024} / 3 / 15};
  Config config;
  ArchiveLib lib;
};

// An App over the root as the front ends make one: scripted Ui, a fixed day, the registry
// stand-in at `registry` (a system path under the root).
inline std::unique_ptr<App> makeApp(Root& root, platform::ScriptedUi*& ui,
                                    std::string registry = "C:\\REGISTRY.INI") {
  Services s;
  s.files = std::make_unique<platform::FilesWrapper>(root.files());
  auto scripted = std::make_unique<platform::ScriptedUi>();
  ui = scripted.get();
  s.ui = std::move(scripted);
  s.clock = std::make_unique<platform::FixedClock>(std::chrono::year{2024} / 2 / 20);
  s.settings = platform::makeIniSettings(*s.files, std::move(registry));
  return std::make_unique<App>(std::move(s));
}

// A broken invariant: the input that shows it is kept by the fuzzer.
[[noreturn]] inline void fault(const char* what) {
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
  std::abort();
}

// Runs `body`; the ways the program rejects bad input end it quietly, anything else (another
// exception, a crash, a sanitizer report) is a finding.
template <class F>
bool rejectedQuietly(F&& body) {
  try {
    body();
    return false;
  } catch (const RuntimeError&) {
  } catch (const ProgramStopped&) {
  } catch (const ProgramEnd&) {
  } catch (const CommandAborted&) {
  } catch (const F24ValueError&) {
  }
  return true;
}

// What the program reads of a yearly F24 database, each reading on its own: RELEASE, the
// row tables by company and by their index. Bad values and missing tables are errors with
// their numbers or F24ValueError, never anything else.
inline void readF24Database(platform::Database& db) {
  rejectedQuietly([&] {
    auto rs = db.openTable("RELEASE");
    if (!rs->eof()) rs->field("RELEASE").asNumber();
    rs->close();
  });
  for (const char* company : {"001", "002"}) {
    rejectedQuietly([&] { regionRowsOfCompany(db, company); });
    rejectedQuietly([&] { localTaxRowsOfCompany(db, company); });
    rejectedQuietly([&] { localTaxRows(db, company, "202301", 11); });
    rejectedQuietly([&] { regionRows(db, company, "202301"); });
  }
  for (std::string_view table : {kRegionTable, kLocalTaxTable}) {
    rejectedQuietly([&] {
      RowTable rows(db, table);
      for (double row : {1.0, 11.0, 1005.0})
        if (rows.seek("001", "202301", row)) rows.current().field("KRIGO");
    });
  }
}

}  // namespace zr::fuzz

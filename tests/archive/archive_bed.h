// A payroll archives folder on disk for the archive library's tests: a TRBASE.DAT written
// from a few entries, the library built on the host files of a temporary drive root, a
// scripted UI, and helpers that read and write the archives directly.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "support/tempdir.h"

namespace zr::testing {

struct CatalogueEntry {
  int base;
  std::string pattern;  // bytes 4-32
  std::string length;   // bytes 33-37, as the catalogue holds it
};

class ArchiveBed {
 public:
  // Writes TRBASE.DAT with records 1..max(base) (records without an entry are blank).
  explicit ArchiveBed(const std::vector<CatalogueEntry>& entries,
                      std::unique_ptr<platform::Clock> clock = nullptr);

  ArchiveLib& lib() { return *lib_; }
  platform::ScriptedUi& ui() { return ui_; }
  platform::Files& files() { return *files_; }
  const std::filesystem::path& root() const { return root_.path(); }
  // The host folder of C:\ARCHIVI.
  std::filesystem::path archives() const { return root_.path() / "ARCHIVI"; }

  std::string read(const std::string& name) const;  // whole file in C:\ARCHIVI
  void write(const std::string& name, const std::string& bytes) const;
  bool exists(const std::string& name) const;
  std::vector<std::string> listing() const;  // names in C:\ARCHIVI, sorted

 private:
  TempDir root_;
  std::unique_ptr<platform::Files> files_;
  platform::ScriptedUi ui_;
  std::unique_ptr<platform::Clock> clock_;
  Config config_;
  std::unique_ptr<ArchiveLib> lib_;
};

// The archives folder as the library names it.
inline constexpr const char* kArchives = "C:\\ARCHIVI";

}  // namespace zr::testing

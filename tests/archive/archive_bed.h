// A payroll archives folder on disk for the archive library's tests: a TRBASE.DAT written
// from a few entries, the library built on the host files of a temporary drive root, a
// scripted UI, and helpers that read and write the archives directly.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "support/tempdir.h"

namespace zr::testing {

// The archives folder as the library names it.
inline constexpr const char* kArchives = "C:\\ARCHIVI";

struct CatalogueEntry {
  int base;
  std::string pattern;  // bytes 4-32
  std::string length;   // bytes 33-37, as the catalogue holds it
};

class ArchiveBed {
 public:
  // Writes TRBASE.DAT with records 1..max(base), blank where no entry is given. Each is laid
  // out by hand: base number right-aligned in 1-3, pattern in 4-32, length text right-aligned
  // in 33-37, blanks, CR LF.
  explicit ArchiveBed(const std::vector<CatalogueEntry>& entries,
                      std::unique_ptr<platform::Clock> clock = nullptr,
                      ErrorPolicy policy = ErrorPolicy::Interactive)
      : files_(platform::makeHostFiles(root_.str())), clock_(std::move(clock)) {
    using namespace std::chrono;
    if (!clock_) clock_ = std::make_unique<platform::FixedClock>(year{2024} / 3 / 15);
    std::filesystem::create_directories(archives());
    std::vector<std::string> records;
    for (const auto& e : entries) {
      records.resize(std::max<std::size_t>(records.size(), e.base), std::string(79, ' '));
      std::string& r = records[static_cast<std::size_t>(e.base - 1)];
      const std::string number = std::to_string(e.base), len = e.length.substr(0, 5);
      r.replace(3 - number.size(), number.size(), number);
      r.replace(3, std::min<std::size_t>(29, e.pattern.size()), e.pattern.substr(0, 29));
      r.replace(37 - len.size(), len.size(), len);
      r.replace(77, 2, "\r\n");
    }
    std::string catalogue;
    for (const auto& r : records) catalogue += r;
    write("TRBASE.DAT", catalogue);
    config_.PERCORSOARCHIVI = kArchives;
    config_.CODICETASK = "07";
    lib_ = std::make_unique<ArchiveLib>(*files_, ui_, *clock_, config_, policy);
  }

  ArchiveLib& lib() { return *lib_; }
  platform::ScriptedUi& ui() { return ui_; }
  platform::Files& files() { return *files_; }
  const std::filesystem::path& root() const { return root_.path(); }
  // The host folder of C:\ARCHIVI.
  std::filesystem::path archives() const { return root_.path() / "ARCHIVI"; }

  std::string read(const std::string& name) const {
    std::ifstream in(archives() / name, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + name);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(archives() / name, std::ios::binary | std::ios::trunc);
    if (!(out << bytes)) throw std::runtime_error("cannot write " + name);
  }
  bool exists(const std::string& name) const {
    return std::filesystem::is_regular_file(archives() / name);
  }
  std::vector<std::string> listing() const {  // names in C:\ARCHIVI, sorted
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(archives()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  TempDir root_;
  std::unique_ptr<platform::Files> files_;
  platform::ScriptedUi ui_;
  std::unique_ptr<platform::Clock> clock_;
  Config config_;
  std::unique_ptr<ArchiveLib> lib_;
};

}  // namespace zr::testing

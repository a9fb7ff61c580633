#include "archive/archive_bed.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zr::testing {

namespace {
// One 79-byte catalogue record, laid out by hand: base number right-aligned in 1-3, pattern
// in 4-32, length text right-aligned in 33-37, blanks, CR LF.
std::string catalogueRecord(const CatalogueEntry& e) {
  std::string r(79, ' ');
  const std::string number = std::to_string(e.base), len = e.length.substr(0, 5);
  r.replace(3 - number.size(), number.size(), number);
  r.replace(3, std::min<std::size_t>(29, e.pattern.size()), e.pattern.substr(0, 29));
  r.replace(37 - len.size(), len.size(), len);
  r.replace(77, 2, "\r\n");
  return r;
}
}  // namespace

ArchiveBed::ArchiveBed(const std::vector<CatalogueEntry>& entries,
                       std::unique_ptr<platform::Clock> clock)
    : files_(platform::makeHostFiles(root_.str())), clock_(std::move(clock)) {
  if (!clock_) {
    clock_ = std::make_unique<platform::FixedClock>(std::chrono::year_month_day{
        std::chrono::year{2024}, std::chrono::month{3}, std::chrono::day{15}});
  }
  std::filesystem::create_directories(archives());
  int last = 0;
  for (const auto& e : entries) last = std::max(last, e.base);
  std::string catalogue;
  for (int base = 1; base <= last; ++base) {
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const CatalogueEntry& e) { return e.base == base; });
    catalogue += it != entries.end() ? catalogueRecord(*it) : std::string(79, ' ');
  }
  write("TRBASE.DAT", catalogue);
  config_.PERCORSOARCHIVI = kArchives;
  config_.CODICETASK = "07";
  lib_ = std::make_unique<ArchiveLib>(*files_, ui_, *clock_, config_);
}

std::string ArchiveBed::read(const std::string& name) const {
  std::ifstream in(archives() / name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + name);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void ArchiveBed::write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(archives() / name, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + name);
}

bool ArchiveBed::exists(const std::string& name) const {
  return std::filesystem::is_regular_file(archives() / name);
}

std::vector<std::string> ArchiveBed::listing() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(archives()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace zr::testing

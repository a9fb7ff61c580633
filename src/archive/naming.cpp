// Archive names: the catalogue TRBASE.DAT and the opening context (unit, company, task, year,
// region, province) substituted into its name patterns.
#include <array>

#include "archive/archive.h"
#include "archive/runcache.h"
#include "platform/numtext.h"
#include "platform/text.h"

namespace zr {

namespace {

using inst::kCatalogueRecord;

// "000" + digits of the value, last `width` characters.
std::string padded(std::string_view text, std::size_t width) {
  std::string s = std::string(width, '0') + platform::shortText(platform::valNumber(text));
  return s.substr(s.size() - width);
}

using platform::rightTrimmed;

// Record n of TRBASE.DAT, opened shared and closed at once so a catalogue changed by the
// payroll procedure is seen at the next command.
CatalogueRecord readCatalogue(platform::Files& files, const std::string& folder, double n) {
  std::array<char, kCatalogueRecord> record;
  record.fill(' ');  // a record past the end of the catalogue reads as blanks
  auto catalogue =
      files.open(inst::inArchives(folder, inst::kCatalogueFile), platform::OpenMode::Read);
  const std::size_t got =
      platform::readFully(*catalogue, (static_cast<std::uint64_t>(n) - 1) * kCatalogueRecord,
                          record.data(), record.size());
  // A catalogue cut inside a record's pattern or length holds no usable record there: a cut
  // length ("99" of "9940") would open the archive with records of the wrong size.
  if (got > 0 && got < inst::kCatalogueLengthStart + inst::kCatalogueLengthChars) return {};
  const std::string_view bytes(record.data(), record.size());
  return {
      rightTrimmed(bytes.substr(inst::kCataloguePatternStart, inst::kCataloguePatternChars)),
      platform::valNumber(bytes.substr(inst::kCatalogueLengthStart, inst::kCatalogueLengthChars))};
}

// Replaces the placeholder found at `at`.
void substitute(std::string& name, std::size_t at, std::string_view placeholder,
                std::string_view value) {
  name.replace(at, placeholder.size(), value);
}

}  // namespace

CatalogueRecord ArchiveLib::catalogueRecord(double n) {
  const int base = slot(n);
  if (run_) {
    if (auto it = run_->catalogue.find(base); it != run_->catalogue.end()) return it->second;
  }
  CatalogueRecord record = readCatalogue(files_, config_.PERCORSOARCHIVI, n);
  if (run_) run_->catalogue.emplace(base, record);
  return record;
}

void ArchiveLib::normaliseContext(std::string& annoBefore) {
  annoBefore = ANNOOPEN;
  DITTAOPEN = padded(DITTAOPEN, 3);
  ANNOOPEN = padded(ANNOOPEN, 2);
  REGIONEOPEN = padded(REGIONEOPEN, 2);
}

std::string ArchiveLib::DAMMIFILE(double n, bool& prefix) {
  TRACCIAOPERAZIONE("DAMMIFILE$ (" + platform::shortText(n) + ")");
  return guarded([&]() -> std::string {
    if (!(n > 0)) return {};
    slot(n);
    std::string annoBefore;
    normaliseContext(annoBefore);

    CatalogueRecord record = catalogueRecord(n);
    LUNGRECBASE = record.length;
    std::string name = std::move(record.pattern);

    const auto stop = [&](std::string_view text) { endProgram(text, config_.projectExe); };
    const auto nMissing = [&](std::string_view what) {
      return "ERRORE OPEN - MANCA " + std::string(what) + " - CSTR(NUMEROBASE)";
    };

    if (auto at = name.find("!:\\"); at != std::string::npos) {
      if (!UNITAOPEN.empty() && (UNITAOPEN[0] == 'A' || UNITAOPEN[0] == 'B')) {
        name[at] = UNITAOPEN[0];
      } else {
        name = UNITAOPEN + name.substr(2);
      }
      UNITAOPEN.clear();
      prefix = false;
    }
    if (auto at = name.find("###"); at != std::string::npos) {
      if (!(platform::valNumber(DITTAOPEN) > 0))
        stop("ERRORE OPEN FILE - MANCA DITTAOPEN " + platform::shortText(n));
      substitute(name, at, "###", std::string_view(DITTAOPEN).substr(0, 3));
      DITTAOPEN.clear();
    }
    if (auto at = name.find("$$"); at != std::string::npos) {
      substitute(name, at, "$$", std::string_view(config_.CODICETASK).substr(0, 2));
    }
    if (auto at = name.find("**"); at != std::string::npos) {
      if (!(platform::valNumber(annoBefore) > 0)) stop(nMissing("ANNO"));
      substitute(name, at, "**", std::string_view(ANNOOPEN).substr(0, 2));
      ANNOOPEN.clear();
    }
    if (auto at = name.find("@@"); at != std::string::npos) {
      if (!(platform::valNumber(REGIONEOPEN) > 0)) stop(nMissing("REGIONE"));
      substitute(name, at, "@@", std::string_view(REGIONEOPEN).substr(0, 2));
      REGIONEOPEN.clear();
    }
    if (auto at = name.find("%%"); at != std::string::npos) {
      if (PROVINCIAOPEN.size() != 2) stop(nMissing("PROVINCIA"));
      substitute(name, at, "%%", PROVINCIAOPEN);
      PROVINCIAOPEN.clear();
    }
    std::string path = prefix ? config_.PERCORSOARCHIVI + "\\" + name : name;
    // The host would create such a name where Windows refuses it: a pattern or a substituted
    // value must never make a file the payroll procedure cannot see.
    if (!platform::isSafeSystemPath(path)) {
      throw RuntimeError::of(52, "base number " + platform::shortText(n) + " names " +
                                     platform::shownName(path) +
                                     ", which holds a character not allowed in a file name");
    }
    return path;
  });
}

}  // namespace zr

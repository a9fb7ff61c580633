#include "f24db/f24db.h"

#include <cmath>

#include "archive/installation.h"
#include "platform/errors.h"
#include "platform/numtext.h"

namespace zr {

namespace {

constexpr std::string_view kTitle = "Gestionde ACQUSIZIONE 770";
constexpr std::string_view kNoTemplate =
    "Non esiste file F24ENTI... contattare VerantiData Daduzor";

// Whether nothing at all is at the path: an open for input that finds no file or no folder.
bool nothingAt(platform::Files& files, const std::string& path) {
  try {
    files.open(path, platform::OpenMode::Read);
    return false;
  } catch (const RuntimeError& e) {
    return e.number() == 53 || e.number() == 76;
  }
}

std::size_t slotOf(int year) {
  return static_cast<std::size_t>(year - kFirstF24Year);
}
bool inRange(int year) {
  return year >= kFirstF24Year && year <= kLastF24Year;
}

// The database year of a year text, or 0 when it names none of the 24 (the caller then opens
// nothing). A fraction is rounded as an array index is.
int yearOf(std::string_view text) {
  const double y = platform::valNumber(text);
  if (!(y >= kFirstF24Year && y <= kLastF24Year)) return 0;
  return static_cast<int>(std::nearbyint(y));
}

// Opens the row table of a year into `slot`; a year outside the 24 leaves `slot` as it was.
void openRows(F24Databases& f24, std::string_view year, std::string_view table,
              std::unique_ptr<RowTable>& slot) {
  const int y = yearOf(year);
  if (y == 0) return;
  slot = std::make_unique<RowTable>(f24.DBF24(y), table);
}

// A database that cannot be opened ends the command, not the program: the operator is told
// which file and why, and the caller's command stops (the databases already closed).
[[noreturn]] void abandon(platform::Ui& ui, const std::string& name, const RuntimeError& e) {
  ui.message(
      "ARCHIVIO F24 " + name + "\rErrore N." + std::to_string(e.number()) + "\r" + e.description(),
      kTitle, platform::Icon::Critical);
  throw CommandAborted{3};
}

}  // namespace

F24Databases::F24Databases(ArchiveLib& lib, platform::DatabaseEngine& engine)
    : lib_(lib), engine_(engine) {}

std::string F24Databases::yearlyName(const std::string& archives, int year) {
  return inst::inArchives(archives, inst::f24DatabaseName(year));
}

std::string F24Databases::templateName(const std::string& archives) {
  return inst::inArchives(archives, inst::kF24TemplateName);
}

bool F24Databases::PREPARAF24() {
  const std::string& archives = lib_.config().PERCORSOARCHIVI;
  const std::string source = templateName(archives);
  if (lib_.ESISTEFILE(source) == 0) {
    lib_.ui().message(kNoTemplate, kTitle, platform::Icon::Information);
    lib_.CHIUDIFILE(0);
    return false;
  }
  for (int year = kFirstF24Year; year <= kLastF24Year; ++year) {
    const std::string name = yearlyName(archives, year);
    // A database that is there but cannot be read now (locked, no permission) is still the
    // payroll procedure's data: copying over it would destroy it.
    if (lib_.ESISTEFILE(name) != 0 || lib_.files().fileLength(name)) continue;
    // Nor is anything else in its place (a FIFO, a folder) ever replaced by a copy: it is an
    // error naming it, as every file that is not a regular one.
    if (!nothingAt(lib_.files(), name)) {
      lib_.guarded([&] { throw RuntimeError::of(75, name + " (non e' un file)"); });
      return false;
    }
    lib_.COPIAFILE(source, name);
  }
  return true;
}

void F24Databases::APRIF24() {
  const std::string& archives = lib_.config().PERCORSOARCHIVI;
  for (int year = kFirstF24Year; year <= kLastF24Year; ++year) {
    const std::string name = yearlyName(archives, year);
    try {
      db_[slotOf(year)] = engine_.open(name);
    } catch (const RuntimeError& e) {
      CHIUDIF24();
      abandon(lib_.ui(), name, e);
    }
  }
}

void F24Databases::CHIUDIF24() {
  for (auto& db : db_) {
    if (!db) continue;
    try {
      db->close();
    } catch (const RuntimeError& e) {
      if (e.number() != 91 && e.number() != 3420) return;
    }
    db.reset();
  }
}

void F24Databases::APRIRELEASE() {
  const int year = static_cast<int>(platform::valNumber(ANNORIFERIMENTO));
  if (!inRange(year)) return;
  const std::string name = yearlyName(lib_.config().PERCORSOARCHIVI, year);
  try {
    RSRELEASE = DBF24(year).openTable("RELEASE");
  } catch (const RuntimeError& e) {
    CHIUDIF24();
    abandon(lib_.ui(), name, e);
  }
}

bool F24Databases::isOpen(int year) const {
  return inRange(year) && db_[slotOf(year)];
}

platform::Database& F24Databases::DBF24(int year) {
  if (!isOpen(year)) {
    throw RuntimeError::of(91, "the F24 database of " + std::to_string(year) + " is not open");
  }
  return *db_[slotOf(year)];
}

void F24Databases::APRIENTILOCALI(std::string_view year) {
  openRows(*this, year, kLocalTaxTable, RSENTILOCALI);
}

void F24Databases::CHIUDIENTILOCALI() {
  if (RSENTILOCALI) RSENTILOCALI->close();
}

void F24Databases::APRIREGIONI(std::string_view year) {
  openRows(*this, year, kRegionTable, RSREGIONI);
}

void F24Databases::CHIUDIREGIONI() {
  if (RSREGIONI) RSREGIONI->close();
}

}  // namespace zr

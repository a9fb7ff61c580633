// Opening, closing, existence, deletion and copy of archives, and the file numbers behind them.
#include <algorithm>
#include <cmath>

#include "archive/archive.h"
#include "archive/runcache.h"
#include "platform/numtext.h"

namespace zr {

namespace {

// What an archive open needs of the catalogue, saved and put back by routines that build
// the same name twice.
struct SavedContext {
  std::string ditta, anno, regione, provincia;
};

SavedContext saveContext(const ArchiveLib& lib) {
  return {lib.DITTAOPEN, lib.ANNOOPEN, lib.REGIONEOPEN, lib.PROVINCIAOPEN};
}

void restoreContext(ArchiveLib& lib, const SavedContext& c) {
  lib.DITTAOPEN = c.ditta;
  lib.ANNOOPEN = c.anno;
  lib.REGIONEOPEN = c.regione;
  lib.PROVINCIAOPEN = c.provincia;
}

constexpr double kMaxRecordLength = 32767;  // the run time's record length is 16-bit

}  // namespace

void ArchiveLib::NUOVONUMEROFILE(double n) {
  const int s = slot(n);
  if (number_[s] != 0) CHIUDIFILE(n);
  number_[s] = freeFileNumber();
}

void ArchiveLib::CHIUDIFILE(double n) {
  if (n == 0) {
    const std::int16_t semaphore = number_[kSemaphoreBase];
    while (!open_.empty()) {
      const std::int16_t number = open_.begin()->first;
      release(number, number == semaphore);
    }
    std::fill(number_.begin() + 1, number_.end(), std::int16_t{0});
    return;
  }
  const int s = slot(n);
  if (number_[s] == 0) return;
  release(number_[s], s == kSemaphoreBase);
  number_[s] = 0;
}

platform::File& ArchiveLib::fileOf(double n) {
  const int s = slot(n);
  if (number_[s] != 0) {
    if (auto it = open_.find(number_[s]); it != open_.end()) return *it->second;
  }
  throw RuntimeError::of(52, "base number " + platform::shortText(n) + " is not open");
}

std::uint64_t ArchiveLib::openFileLength(double n) {
  return fileOf(n).size();
}

double ArchiveLib::FAIOPEN(double n) {
  TRACCIAOPERAZIONE("FAIOPEN");
  return guarded([&]() -> double {
    if (!(n > 0)) return 0;
    NUOVONUMEROFILE(n);
    const int s = slot(n);
    const std::int16_t number = number_[s];
    number_[s] = 0;  // until the open succeeds, so a failed open leaves no stale number behind
    bool prefix = true;
    const std::string name = DAMMIFILE(n, prefix);
    const double length = LUNGRECBASE;
    // An empty pattern names the folder itself.
    if (name.empty() || name.back() == '\\' || length == 0) {
      throw RuntimeError::of(52, "base number " + platform::shortText(n) + " not in " +
                                     std::string(inst::kCatalogueFile));
    }
    if (!(length > 0 && length <= kMaxRecordLength) || std::trunc(length) != length) {
      throw RuntimeError::of(52, "base number " + platform::shortText(n) + " has record length " +
                                     platform::shortText(length) + " in " +
                                     std::string(inst::kCatalogueFile));
    }
    open_[number] = openArchive(name);
    number_[s] = number;
    buffer_[s].assign(static_cast<std::size_t>(length), ' ');
    length_[s] = length;
    return length;
  });
}

int ArchiveLib::VERBASE(double n) {
  TRACCIAOPERAZIONE("VERBASE");
  return guarded([&]() -> int {
    if (!(n > 0)) return 0;
    bool prefix = true;
    const std::string name = DAMMIFILE(n, prefix);
    if (name.empty()) return 0;
    const auto length = files_.fileLength(name);
    return length && *length != 0 ? 1 : 0;
  });
}

void ArchiveLib::ELIMINA(double n) {
  const SavedContext saved = saveContext(*this);
  TRACCIAOPERAZIONE("ELIMINA");
  guarded([&] {
    if (!(n > 0)) return;
    if (NUMFILE(n) != 0) CHIUDIFILE(n);
    if (VERBASE(n) == 0) return;
    restoreContext(*this, saved);
    bool prefix = true;
    const std::string name = DAMMIFILE(n, prefix);
    if (name.empty()) return;
    CHIUDIFILE(n);
    const std::uint64_t length = files_.open(name, platform::OpenMode::Read)->size();
    forgetName(name);
    if (length > 0) files_.remove(name);
  });
}

void ArchiveLib::AZZERAFILE(double n) {
  const SavedContext saved = saveContext(*this);
  ELIMINA(n);
  restoreContext(*this, saved);
  FAIOPEN(n);
}

std::int16_t ArchiveLib::ESISTEFILE(std::string_view name) {
  try {
    files_.open(name, platform::OpenMode::Read);
    return -1;
  } catch (const std::exception&) {
    return 0;
  }
}

void ArchiveLib::COPIAFILE(std::string_view source, std::string_view destination) {
  TRACCIAOPERAZIONE("COPIAFILE");
  guarded([&] {
    if (ESISTEFILE(destination) != 0) {
      // Copying a file onto itself would delete the only copy first.
      if (files_.resolve(source) == files_.resolve(destination)) return;
    }
    forgetName(destination);
    files_.copy(source, destination);  // replaces the destination
  });
}

}  // namespace zr

#include "shell/archivecheck.h"

#include "archive/installation.h"
#include "platform/numtext.h"
#include "platform/text.h"
#include "shell/app.h"
#include "shell/companylist.h"
#include "shell/runfailure.h"

namespace zr {

namespace {

constexpr double kLastCompanyRecord = 10000;  // as far as the company list reads

}  // namespace

std::optional<std::string> partialRecordDamage(ArchiveLib& lib, double base) {
  const std::uint64_t length = lib.openFileLength(base);
  const double record = lib.LUNGREC(base);
  if (record >= 1 && length % static_cast<std::uint64_t>(record) == 0) return std::nullopt;
  return "l'archivio " + lib.fileOf(base).path() + " (base " + platform::shortText(base) +
         ") e' lungo " + std::to_string(length) +
         " byte, che non e' un multiplo della lunghezza del record (" +
         platform::shortText(record) + " byte)";
}

void requireWholeRecords(ArchiveLib& lib, double base) {
  if (auto damage = partialRecordDamage(lib, base)) throw RunFailure({}, std::move(*damage));
}

std::optional<std::string> companyArchiveDamage(App& app) {
  ArchiveLib& lib = app.lib;
  const double base = inst::kCompanies;
  lib.FAIOPEN(base);
  std::optional<std::string> damage = partialRecordDamage(lib, base);
  for (double r = 1; !damage && r <= kLastCompanyRecord; ++r) {
    if (lib.LEGGIREC(base, r) == 1) break;
    app.repo.DITX() = lib.BUFFERREC(base);
    if (app.repo.DITX().starts_with("99")) continue;
    if (app.repo.VALCOSTANTE(kCodeField) == r) continue;
    // The list and the producers find a company by its code as record number: a record under
    // another number would export one company twice and lose another.
    damage = "il record numero " + platform::shortText(r) + " dell'archivio " +
             lib.fileOf(base).path() + " porta il codice azienda " +
             platform::trimmed(app.repo.STRCOSTANTE(kCodeField)) + " invece di " +
             platform::shortText(r);
  }
  lib.CHIUDIFILE(base);
  return damage;
}

}  // namespace zr

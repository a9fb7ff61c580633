#include "export/certdb.h"

#include "archive/installation.h"
#include "export/valuerules.h"

namespace zr {

std::string CertificationDb::databaseName(std::string_view archives) {
  return inst::inArchives(archives, inst::certificationDatabaseName());
}

std::string CertificationDb::templateName(std::string_view archives) {
  return inst::inArchives(archives, inst::certificationTemplateName());
}

CertificationDb::CertificationDb(platform::DatabaseEngine& engine, platform::Ui& ui)
    : engine_(engine), ui_(ui) {}

CertificationDb::~CertificationDb() {
  for (auto& t : tables_) {
    try {
      if (t) t->close();
    } catch (...) {
      // Already closed: nothing left to release.
    }
  }
  try {
    if (db_) db_->close();
  } catch (...) {
  }
}

void CertificationDb::report(const RuntimeError& e) {
  const std::string text = "ARCHIVIO CERTIFICAZIONE UNICA \rErrore N." +
                           exportrules::trimmed(std::to_string(e.number())) + "\r" +
                           exportrules::trimmed(e.description()) +
                           "Contattare la VerantiData Daduzor";
  ui_.message(text, "Controllo Archivio C.U", platform::Icon::Critical);
}

bool CertificationDb::APRICERTIFICAZIONI(std::string_view path) {
  try {
    db_ = engine_.open(path);
    return true;
  } catch (const RuntimeError& e) {
    db_.reset();
    report(e);
    return false;
  }
}

bool CertificationDb::APRITABELLECU() {
  try {
    if (!db_) throw RuntimeError::of(91);
    for (std::size_t i = 0; i < kTables.size(); ++i) {
      tables_[i] = db_->openTable(kTables[i]);
      tables_[i]->setIndex("CHIAVE");
    }
    return true;
  } catch (const RuntimeError& e) {
    report(e);
    CHIUDICERTIFICAZIONI();
    return false;
  }
}

void CertificationDb::CHIUDITABELLECU() {
  for (auto& t : tables_) {
    try {
      if (!t) continue;  // never opened: the object variable is not set
      t->close();
    } catch (const RuntimeError& e) {
      if (e.number() == 91 || e.number() == 3420) continue;
      return;
    }
  }
}

void CertificationDb::CHIUDICERTIFICAZIONI() {
  CHIUDITABELLECU();
  for (auto& t : tables_) t.reset();
  try {
    if (db_) db_->close();
  } catch (const RuntimeError&) {
    // 91 is tolerated and any other error only ends the close: the handle goes either way.
  }
  db_.reset();
}

platform::Database& CertificationDb::DBCERTIFICAZIONI() {
  if (!db_) throw RuntimeError::of(91, "DBCERTIFICAZIONI");
  return *db_;
}

}  // namespace zr

// The certification database of one run (DBCERTIFICAZIONI) and its nine table recordsets:
// names, opening with the "Controllo Archivio C.U" message, closing with the tolerance of
// errors 91 and 3420. Databases through platform::DatabaseEngine, messages through platform::Ui.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "platform/database.h"
#include "platform/errors.h"
#include "platform/ui.h"

namespace zr {

class CertificationDb {
 public:
  static constexpr std::array<std::string_view, 9> kTables = {
      "FRONTESPIZIO", "PERCETTORI", "PERCPARCELLE", "QUADROCU1", "QUADROCU2",
      "QUADROCU3",    "QUADROCU4",  "QUADROCU5",    "QUADROCU6"};

  static std::string databaseName(std::string_view archives);  // ...\TRCER24P.MDB
  static std::string templateName(std::string_view archives);  // ...\TRUNCE24X.MDB

  CertificationDb(platform::DatabaseEngine& engine, platform::Ui& ui);
  ~CertificationDb();  // closes whatever is still open, errors ignored
  CertificationDb(const CertificationDb&) = delete;
  CertificationDb& operator=(const CertificationDb&) = delete;

  // Opens the database. False after the "Controllo Archivio C.U" message (nothing left open).
  [[nodiscard]] bool APRICERTIFICAZIONI(std::string_view path);
  // Opens the nine tables with their index "CHIAVE". False after the message; the database
  // has then been closed.
  [[nodiscard]] bool APRITABELLECU();
  void CHIUDITABELLECU();
  void CHIUDICERTIFICAZIONI();

  bool isOpen() const { return db_ != nullptr; }
  // The open database (error 91 when it is not open).
  platform::Database& DBCERTIFICAZIONI();

 private:
  void report(const RuntimeError& e);

  platform::DatabaseEngine& engine_;
  platform::Ui& ui_;
  std::unique_ptr<platform::Database> db_;
  std::array<std::unique_ptr<platform::Recordset>, kTables.size()> tables_;
};

}  // namespace zr

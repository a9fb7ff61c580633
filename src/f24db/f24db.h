// The yearly F24 databases SF242007.MDB .. SF242030.MDB in the archives folder, their template
// SF24XXXX.MDB and the version table RELEASE. Files through the archive library, databases
// through platform::DatabaseEngine.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "archive/archive.h"
#include "f24db/rowreaders.h"
#include "platform/database.h"

namespace zr {

inline constexpr int kFirstF24Year = 2007;
inline constexpr int kLastF24Year = 2030;

class F24Databases {
 public:
  F24Databases(ArchiveLib& lib, platform::DatabaseEngine& engine);
  F24Databases(const F24Databases&) = delete;
  F24Databases& operator=(const F24Databases&) = delete;

  // Creates the missing yearly databases from the template; a file that is present but cannot
  // be read now is left alone, never copied over. False when the template is
  // missing: the message has been shown and every archive closed; the caller ends the
  // program through FINETASK.
  [[nodiscard]] bool PREPARAF24();
  // Opens the 24 yearly databases. A database that cannot be opened: a critical message titled
  // "Gestionde ACQUSIZIONE 770" ("ARCHIVIO F24 <file>", "Errore N.<number>", the engine's
  // reason), everything opened so far closed, then CommandAborted{3}. Files stay unchanged.
  void APRIF24();
  void CHIUDIF24();
  // RSRELEASE on the RELEASE table of ANNORIFERIMENTO's database (same failure rule).
  void APRIRELEASE();

  bool isOpen(int year) const;
  // An open yearly database (error 91 when it is not open).
  platform::Database& DBF24(int year);
  std::unique_ptr<platform::Recordset> RSRELEASE;

  // RSENTILOCALI / RSREGIONI on the row table of the year (its text, "2023"): opened with
  // "CHIAVE" current when the year is 2007..2030, else nothing is opened and the recordset
  // keeps what it held. The platform's errors go to the caller. Closing tolerates a recordset
  // never opened or already closed.
  void APRIENTILOCALI(std::string_view year);
  void CHIUDIENTILOCALI();
  void APRIREGIONI(std::string_view year);
  void CHIUDIREGIONI();
  std::unique_ptr<RowTable> RSENTILOCALI;
  std::unique_ptr<RowTable> RSREGIONI;

  static std::string yearlyName(const std::string& archives, int year);  // ...\SF24YYYY.MDB
  static std::string templateName(const std::string& archives);          // ...\SF24XXXX.MDB

 private:
  ArchiveLib& lib_;
  platform::DatabaseEngine& engine_;
  std::array<std::unique_ptr<platform::Database>, kLastF24Year - kFirstF24Year + 1> db_;
};

// The yearly F24 databases stay open only inside this scope, however it is left.
class F24Session {
 public:
  explicit F24Session(F24Databases& f24) : f24_(f24) {}
  ~F24Session() {
    try {
      f24_.CHIUDIF24();
    } catch (...) {
    }
  }
  F24Session(const F24Session&) = delete;
  F24Session& operator=(const F24Session&) = delete;

 private:
  F24Databases& f24_;
};

}  // namespace zr

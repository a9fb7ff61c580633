#include "f24_template.h"

#include <sqlite3.h>

#include <stdexcept>

namespace zr::testing {

namespace {

// Text keys compare without regard to case, as in the Access originals.
constexpr const char* kSchema = R"(
  CREATE TABLE F24ENTILOCICI (
    KDITTA TEXT COLLATE NOCASE, KPERIODO TEXT COLLATE NOCASE, KRIGO INTEGER,
    F24ELI_7 TEXT, F24ELI_9 TEXT, F24ELI_10 REAL, F24ELI_11 REAL, F24ELI_12 REAL,
    F24ELI_13 REAL, F24ELI_14 REAL);
  CREATE UNIQUE INDEX F24ENTILOCICI_CHIAVE ON F24ENTILOCICI (KDITTA, KPERIODO, KRIGO);
  CREATE TABLE F24REGIONI (
    KDITTA TEXT COLLATE NOCASE, KPERIODO TEXT COLLATE NOCASE, KRIGO INTEGER,
    F24REG_1 TEXT, F24REG_4 REAL, F24REG_5 REAL);
  CREATE UNIQUE INDEX F24REGIONI_CHIAVE ON F24REGIONI (KDITTA, KPERIODO, KRIGO);
  CREATE TABLE RELEASE (RELEASE INTEGER);
)";

}  // namespace

void runSql(const std::filesystem::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + file.string());
  }
  char* err = nullptr;
  const std::string all = "PRAGMA synchronous = OFF; BEGIN; " + sql + "; COMMIT;";
  const int rc = sqlite3_exec(db, all.c_str(), nullptr, nullptr, &err);
  const std::string message = err ? err : "";
  sqlite3_free(err);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error(file.string() + ": " + message);
}

void writeF24Database(const std::filesystem::path& file, int release) {
  runSql(file,
         std::string(kSchema) + "INSERT INTO RELEASE VALUES (" + std::to_string(release) + ");");
}

}  // namespace zr::testing

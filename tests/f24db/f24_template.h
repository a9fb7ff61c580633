// Test support: the yearly F24 database layout written with the sqlite3 API, so the F24 tests
// build their template and yearly files on disk without the program's own code.
#pragma once

#include <filesystem>
#include <string>

namespace zr::testing {

// Writes an empty F24 database: the row tables F24ENTILOCICI and F24REGIONI with their key
// (KDITTA, KPERIODO, KRIGO) and index <table>_CHIAVE, and RELEASE with one row.
void writeF24Database(const std::filesystem::path& file, int release = 1);

// Runs SQL statements on an existing database file (rows for a test).
void runSql(const std::filesystem::path& file, const std::string& sql);

}  // namespace zr::testing

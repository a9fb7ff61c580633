// The installation's databases as SQLite files: the yearly F24 row databases and their
// template, the certification database and its template. Table layouts are data; files are
// written through the sqlite3 API with bound parameters, one transaction per call.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "builder.h"

namespace zr::demo {

struct ColumnDef {
  std::string_view name;
  std::string_view type;  // TEXT, INTEGER, REAL
};

struct TableDef {
  std::string_view name;
  std::vector<ColumnDef> columns;
  std::vector<std::string_view> key;  // columns of the index <name>_CHIAVE
};

// F24ENTILOCICI, F24REGIONI, RELEASE.
std::vector<TableDef> f24Schema();
// FRONTESPIZIO, PERCETTORI, PERCPARCELLE, QUADROCU1 .. QUADROCU6.
std::vector<TableDef> certificationSchema();

struct TableRows {
  std::string table;
  std::vector<Columns> rows;
};

// Writes a new database at a system path (an existing file there is replaced) holding the
// tables of the schema, their key indexes (none for a table without key) and the given rows.
void createDatabase(platform::Files& files, const std::string& path,
                    const std::vector<TableDef>& schema, const std::vector<TableRows>& rows);
// Adds rows to a table of an existing database in one transaction.
void insertRows(platform::Files& files, const std::string& path, std::string_view table,
                const std::vector<Columns>& rows);
// Removes a table (and its index) from an existing database; a table not there is an error.
void dropTable(platform::Files& files, const std::string& path, std::string_view table);

}  // namespace zr::demo

// Inside the database layer only: the Access (Jet) backend. The file's bytes are handed to the
// reader process (app/mdb), which streams a table at a time; each table is loaded on first use
// into an in-memory SQLite database with its indexes, where the SQLite recordsets serve it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/database.h"
#include "platform/jetframes.h"

namespace zr::platform::jet {

// A Jet date (days since 30 December 1899, the fraction the time of day) as the run time shows
// it under Italian settings: "dd/mm/yyyy", with " hh:mm:ss" when there is a time of day. A value
// outside years 1 to 9999 (or not a number) is jetframes::Malformed: no file holds such a date.
std::string dateText(double days);

// One value of a Row frame, read from `in`, as the program sees it (text in CP1252).
Value readValue(jetframes::Reader& in);

struct ColumnDef {
  std::string name;
  jetframes::ColumnType type = jetframes::ColumnType::Text;
};

struct IndexKey {
  std::size_t column = 0;  // ordinal in the table's columns
  bool descending = false;
};

struct IndexDef {
  std::string name;
  std::uint8_t flags = 0;  // jetframes::IndexFlag
  std::vector<IndexKey> keys;
};

// The SQL that recreates a Jet table and its indexes in SQLite: text compared without regard to
// case, the index "X" of table T named T_X, as the SQLite route names it. Throws
// std::invalid_argument for a key that names no column.
std::string createTableSql(std::string_view table, const std::vector<ColumnDef>& columns);
std::vector<std::string> createIndexSql(std::string_view table,
                                        const std::vector<ColumnDef>& columns,
                                        const std::vector<IndexDef>& indexes);

// Opens a Jet file read through `files` (its whole content is read once, here).
std::unique_ptr<Database> openFile(Files& files, const std::string& path,
                                   const JetOptions& options);

}  // namespace zr::platform::jet

// Inside the database layer only: the SQLite connection shared by a database and its
// recordsets, its statement and schema caches, and the backends' entry points. Other layers
// include platform/database.h instead.
#pragma once

#include <sqlite3.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/database.h"
#include "platform/database_vfs.h"

namespace zr::platform::sqlitedb {

struct Column {
  std::string name;
  bool textual = false;  // text or untyped affinity: compared without regard to case
};

struct TableInfo {
  std::string name;  // as the schema spells it
  std::vector<Column> columns;
};

struct IndexColumn {
  std::string name;
  std::string collation;
  bool descending = false;
};

struct IndexInfo {
  std::string name;
  std::vector<IndexColumn> columns;
};

class Connection;

// Brings a table that the handle lacks into it (a reader that loads tables on first use);
// true when it did, false when the source has no such table.
using TableLoader = std::function<bool(std::string_view table)>;

// A prepared statement borrowed from the connection's cache and given back on destruction.
// After the connection is closed it is inert (the connection finalised it).
class Statement {
 public:
  Statement(std::shared_ptr<Connection> conn, std::string sql, sqlite3_stmt* stmt);
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&&) = delete;
  Statement(const Statement&) = delete;
  ~Statement();

  void bind(int index, const Value& value);  // index from 1
  bool step();                               // true while a row is there
  int columnCount() const;
  int parameterCount() const;
  Value column(int index) const;  // index from 0
  std::string columnName(int index) const;
  void reset();

 private:
  std::shared_ptr<Connection> conn_;
  std::string sql_;
  sqlite3_stmt* stmt_;
};

// One open SQLite handle. Closing finalises every statement, so recordsets that outlive the
// close see a closed connection rather than a dangling handle.
class Connection : public std::enable_shared_from_this<Connection> {
 public:
  // `vfs`, when given, is the file layer the handle was opened through; it outlives the handle.
  Connection(sqlite3* db, std::string path, std::unique_ptr<FilesVfs> vfs = nullptr,
             TableLoader loader = {});
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool isOpen() const { return db_ != nullptr; }
  void close();
  const std::string& path() const { return path_; }

  Statement statement(const std::string& sql);
  void giveBack(const std::string& sql, sqlite3_stmt* stmt);

  // Schema, read once per connection. nullptr when absent.
  const TableInfo* table(std::string_view name);
  const IndexInfo* index(const TableInfo& table, std::string_view name);

  // A RuntimeError for an engine failure, naming the file and the engine's reason.
  [[noreturn]] void fail(int rc, std::string_view doing) const;

 private:
  TableInfo loadTable(const std::string& name);
  std::optional<std::string> tableNamed(std::string_view name);

  sqlite3* db_;
  std::string path_;
  std::unique_ptr<FilesVfs> vfs_;
  TableLoader loader_;
  std::unordered_map<std::string, std::vector<sqlite3_stmt*>> idle_;
  std::map<std::string, std::unique_ptr<TableInfo>> tables_;   // by upper-case name
  std::map<std::string, std::unique_ptr<IndexInfo>> indexes_;  // by upper-case name
};

// Upper-case ASCII copy: schema names are matched without regard to case.
std::string upper(std::string_view s);
// "name" quoted as an SQL identifier.
std::string quoted(std::string_view name);

std::unique_ptr<Recordset> openTableRecordset(std::shared_ptr<Connection> conn,
                                              const TableInfo& table);
std::unique_ptr<Recordset> runQuery(std::shared_ptr<Connection> conn, std::string_view sql,
                                    const std::vector<Value>& params);

// A database over a handle this object takes over (a file, or an in-memory copy made by
// another reader); `path` is the name the messages use.
std::unique_ptr<Database> adopt(sqlite3* db, std::string path,
                                std::unique_ptr<FilesVfs> vfs = nullptr, TableLoader loader = {});
// Opens a SQLite file read-only through `files`, which must outlive the database.
std::unique_ptr<Database> openFile(Files& files, const std::string& path);

}  // namespace zr::platform::sqlitedb

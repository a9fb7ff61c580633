// The SQLite backend: the shared connection with its statement and schema caches, and the
// database object. Files are opened read-only and wait a while for another program's writer.
#include "platform/database_sqlite.h"

#include <cmath>
#include <limits>

#include "platform/errors.h"

namespace zr::platform::sqlitedb {

namespace {

constexpr int kBusyTimeoutMs = 5000;

std::string engineReason(sqlite3* db, int rc) {
  return db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
}

// The classic number and wording of an engine failure.
RuntimeError engineError(int rc, const std::string& path, const std::string& reason,
                         std::string_view doing) {
  std::string tail = " (" + reason + (doing.empty() ? "" : "; " + std::string(doing)) + ")";
  switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return RuntimeError(3045, "Could not use '" + path + "'; file already in use" + tail);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return RuntimeError(3049, "Cannot open database '" + path +
                                    "'. It may not be a database, or the file may be corrupt" +
                                    tail);
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return RuntimeError(3051, "Cannot open the file '" + path + "'" + tail);
    case SQLITE_IOERR:
      return RuntimeError(3043, "Disk or network error: " + path + tail);
    case SQLITE_READONLY:
      return RuntimeError(3027, "Cannot update. Database or object is read-only: " + path + tail);
    case SQLITE_NOMEM:
      return RuntimeError(3035, "System resource exceeded: " + path + tail);
    default:
      return RuntimeError(3001, "Invalid argument: " + path + tail);
  }
}

Column describeColumn(std::string name, std::string_view declaredType) {
  std::string t = upper(declaredType);
  bool numeric =
      t.find("INT") != std::string::npos ||
      (t.find("CHAR") == std::string::npos && t.find("CLOB") == std::string::npos &&
       t.find("TEXT") == std::string::npos && t.find("BLOB") == std::string::npos && !t.empty());
  return Column{std::move(name), !numeric};
}

}  // namespace

std::string upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return u;
}

std::string quoted(std::string_view name) {
  std::string q = "\"";
  for (char c : name) {
    q += c;
    if (c == '"') q += '"';
  }
  return q + "\"";
}

// --- Statement ---

Statement::Statement(std::shared_ptr<Connection> conn, std::string sql, sqlite3_stmt* stmt)
    : conn_(std::move(conn)), sql_(std::move(sql)), stmt_(stmt) {}

Statement::Statement(Statement&& other) noexcept
    : conn_(std::move(other.conn_)), sql_(std::move(other.sql_)), stmt_(other.stmt_) {
  other.stmt_ = nullptr;
}

Statement::~Statement() {
  if (stmt_ && conn_ && conn_->isOpen()) conn_->giveBack(sql_, stmt_);
}

void Statement::bind(int index, const Value& value) {
  int rc = SQLITE_OK;
  if (value.isNull()) {
    rc = sqlite3_bind_null(stmt_, index);
  } else if (value.isText()) {
    std::string text = value.asText();
    rc = sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                           SQLITE_TRANSIENT);
  } else {
    // Whole numbers bind as integers, so a text column compares them as "3", not "3.0".
    double n = value.asNumber();
    constexpr double kLimit = 9.0e15;
    if (std::trunc(n) == n && std::fabs(n) < kLimit) {
      rc = sqlite3_bind_int64(stmt_, index, static_cast<sqlite3_int64>(n));
    } else {
      rc = sqlite3_bind_double(stmt_, index, n);
    }
  }
  if (rc != SQLITE_OK) conn_->fail(rc, "binding parameter " + std::to_string(index));
}

bool Statement::step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  sqlite3_reset(stmt_);
  conn_->fail(rc, sql_);
}

int Statement::columnCount() const {
  return sqlite3_column_count(stmt_);
}

int Statement::parameterCount() const {
  return sqlite3_bind_parameter_count(stmt_);
}

Value Statement::column(int index) const {
  switch (sqlite3_column_type(stmt_, index)) {
    case SQLITE_INTEGER:
      return Value(static_cast<double>(sqlite3_column_int64(stmt_, index)));
    case SQLITE_FLOAT:
      return Value(sqlite3_column_double(stmt_, index));
    case SQLITE_NULL:
      return Value();
    default: {  // text, and blobs as their bytes
      const void* p = sqlite3_column_blob(stmt_, index);
      int n = sqlite3_column_bytes(stmt_, index);
      return Value(std::string(p ? static_cast<const char*>(p) : "", static_cast<size_t>(n)));
    }
  }
}

std::string Statement::columnName(int index) const {
  const char* name = sqlite3_column_name(stmt_, index);
  return name ? name : "";
}

void Statement::reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

// --- Connection ---

Connection::Connection(sqlite3* db, std::string path, std::unique_ptr<FilesVfs> vfs,
                       TableLoader loader)
    : db_(db), path_(std::move(path)), vfs_(std::move(vfs)), loader_(std::move(loader)) {}

Connection::~Connection() {
  close();
}

void Connection::close() {
  if (!db_) return;
  idle_.clear();
  while (sqlite3_stmt* s = sqlite3_next_stmt(db_, nullptr)) sqlite3_finalize(s);
  // A handle that would not close still uses its file layer: that must then stay registered.
  if (sqlite3_close(db_) != SQLITE_OK) (void)vfs_.release();
  db_ = nullptr;
  vfs_.reset();
}

Statement Connection::statement(const std::string& sql) {
  auto it = idle_.find(sql);
  if (it != idle_.end() && !it->second.empty()) {
    sqlite3_stmt* s = it->second.back();
    it->second.pop_back();
    return Statement(shared_from_this(), sql, s);
  }
  sqlite3_stmt* s = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &s, &tail);
  if (rc != SQLITE_OK) {
    std::string reason = sqlite3_errmsg(db_);
    constexpr std::string_view kNoTable = "no such table: ";
    if (reason.starts_with(kNoTable)) {
      // Each load adds a table the statement lacked, so the retries end.
      if (loader_ && loader_(std::string_view(reason).substr(kNoTable.size()))) return statement(sql);
      throw RuntimeError::of(
          3078, "table " + reason.substr(kNoTable.size()) + " in " + path_ + " (" + sql + ")");
    }
    fail(rc, sql);
  }
  if (!s || std::string_view(tail).find_first_not_of(" \t\r\n;") != std::string_view::npos) {
    sqlite3_finalize(s);
    throw RuntimeError(
        3001, "Invalid argument: one SQL statement expected on " + path_ + " (" + sql + ")");
  }
  return Statement(shared_from_this(), sql, s);
}

void Connection::giveBack(const std::string& sql, sqlite3_stmt* stmt) {
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  idle_[sql].push_back(stmt);
}

void Connection::fail(int rc, std::string_view doing) const {
  std::string reason = engineReason(db_, rc);
  // The file layer's own failure says what the engine's code cannot: which call, which error.
  if (vfs_) {
    if (std::string file = vfs_->takeFailure(); !file.empty()) reason += "; " + file;
  }
  throw engineError(rc, path_, reason, doing);
}

std::optional<std::string> Connection::tableNamed(std::string_view name) {
  Statement s = statement(
      "SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
  s.bind(1, Value(std::string(name)));
  if (!s.step()) return std::nullopt;
  return s.column(0).asText();
}

const TableInfo* Connection::table(std::string_view name) {
  std::string key = upper(name);
  auto it = tables_.find(key);
  if (it != tables_.end()) return it->second.get();
  std::optional<std::string> actual = tableNamed(name);
  if (!actual && loader_ && loader_(name)) actual = tableNamed(name);
  if (!actual) return nullptr;
  auto info = std::make_unique<TableInfo>(loadTable(*actual));
  const TableInfo* result = info.get();
  tables_.emplace(key, std::move(info));
  return result;
}

TableInfo Connection::loadTable(const std::string& name) {
  TableInfo info{name, {}};
  Statement s = statement("SELECT name, type FROM pragma_table_info(?1)");
  s.bind(1, Value(name));
  while (s.step())
    info.columns.push_back(describeColumn(s.column(0).asText(), s.column(1).asText()));
  return info;
}

const IndexInfo* Connection::index(const TableInfo& table, std::string_view name) {
  std::string key = upper(table.name) + "\n" + upper(name);
  auto it = indexes_.find(key);
  if (it != indexes_.end()) return it->second.get();
  auto info = std::make_unique<IndexInfo>();
  {
    Statement s = statement(
        "SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = ?1 COLLATE NOCASE "
        "AND name = ?2 COLLATE NOCASE");
    s.bind(1, Value(table.name));
    s.bind(2, Value(std::string(name)));
    if (!s.step()) return nullptr;
    info->name = s.column(0).asText();
  }
  Statement s = statement(
      "SELECT name, coll, \"desc\" FROM pragma_index_xinfo(?1) WHERE key = 1 ORDER BY seqno");
  s.bind(1, Value(info->name));
  while (s.step()) {
    if (s.column(0).isNull()) return nullptr;  // an index on an expression cannot be sought
    info->columns.push_back(
        IndexColumn{s.column(0).asText(), s.column(1).asText(), s.column(2).asNumber() != 0});
  }
  if (info->columns.empty()) return nullptr;
  const IndexInfo* result = info.get();
  indexes_.emplace(key, std::move(info));
  return result;
}

// --- Database ---

namespace {

class SqliteDatabase : public Database {
 public:
  explicit SqliteDatabase(std::shared_ptr<Connection> conn) : conn_(std::move(conn)) {}

  std::unique_ptr<Recordset> openTable(std::string_view table) override {
    usable();
    const TableInfo* info = conn_->table(table);
    if (!info) {
      throw RuntimeError::of(3078, "table " + std::string(table) + " in " + conn_->path());
    }
    return openTableRecordset(conn_, *info);
  }

  std::unique_ptr<Recordset> query(std::string_view sql,
                                   const std::vector<Value>& params) override {
    usable();
    return runQuery(conn_, sql, params);
  }

  void close() override {
    if (closed_) throw RuntimeError::of(91, "database " + conn_->path() + " already closed");
    closed_ = true;
    conn_->close();
  }

  const std::string& path() const override { return conn_->path(); }

 private:
  void usable() const {
    if (closed_) throw RuntimeError::of(3420, "database " + conn_->path() + " is closed");
  }

  std::shared_ptr<Connection> conn_;
  bool closed_ = false;
};

}  // namespace

std::unique_ptr<Database> adopt(sqlite3* db, std::string path, std::unique_ptr<FilesVfs> vfs,
                                TableLoader loader) {
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  auto conn = std::make_shared<Connection>(db, std::move(path), std::move(vfs), std::move(loader));
  // Reading the schema now makes a damaged or foreign file fail at the open, by name.
  Statement probe = conn->statement("SELECT count(*) FROM sqlite_master");
  probe.step();
  return std::make_unique<SqliteDatabase>(std::move(conn));
}

std::unique_ptr<Database> openFile(Files& files, const std::string& path) {
  auto vfs = std::make_unique<FilesVfs>(files);
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, vfs->name());
  if (rc != SQLITE_OK) {
    std::string reason = engineReason(db, rc);
    if (std::string file = vfs->takeFailure(); !file.empty()) reason += "; " + file;
    sqlite3_close(db);
    throw engineError(rc, path, reason, "opening");
  }
  return adopt(db, path, std::move(vfs));
}

}  // namespace zr::platform::sqlitedb

#include "databases.h"

#include <sqlite3.h>

#include <stdexcept>

namespace zr::demo {

namespace {

class Connection {
 public:
  Connection(const std::string& path, int flags) : path_(path) {
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
      const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      throw std::runtime_error("cannot open database " + path + ": " + why);
    }
  }
  ~Connection() { sqlite3_close(db_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // A database being built is moved into place only when complete, and the rows added later are
  // generated again on a rebuild: durability on every commit buys nothing here.
  void fast() { exec("PRAGMA synchronous = OFF; PRAGMA journal_mode = MEMORY"); }

  void exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      const std::string why = err ? err : "unknown error";
      sqlite3_free(err);
      throw std::runtime_error("database " + path_ + ": " + why + " in: " + sql);
    }
  }
  sqlite3* handle() { return db_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
};

class Statement {
 public:
  Statement(Connection& c, const std::string& sql) : conn_(c) {
    if (sqlite3_prepare_v2(c.handle(), sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) {
      throw std::runtime_error("database " + c.path() + ": " + sqlite3_errmsg(c.handle()) +
                               " in: " + sql);
    }
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  void bind(int i, const platform::Value& v) {
    int rc = SQLITE_OK;
    if (v.isNull()) {
      rc = sqlite3_bind_null(stmt_, i);
    } else if (v.isNumber()) {
      rc = sqlite3_bind_double(stmt_, i, v.asNumber());
    } else {
      const std::string text = v.asText();
      rc =
          sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    check(rc);
  }
  void run() {
    check(sqlite3_step(stmt_) == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR);
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }

 private:
  void check(int rc) {
    if (rc != SQLITE_OK) {
      throw std::runtime_error("database " + conn_.path() + ": " + sqlite3_errmsg(conn_.handle()));
    }
  }
  Connection& conn_;
  sqlite3_stmt* stmt_ = nullptr;
};

// Table and column names are ours or the caller's; they cannot be bound, so only plain
// identifiers are let through.
std::string identifier(std::string_view name) {
  if (name.empty()) throw std::invalid_argument("empty database identifier");
  for (char c : name) {
    const bool ok =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    if (!ok) throw std::invalid_argument("bad database identifier: " + std::string(name));
  }
  return "\"" + std::string(name) + "\"";
}

std::string createTableSql(const TableDef& t) {
  std::string sql = "CREATE TABLE " + identifier(t.name) + " (";
  for (std::size_t i = 0; i < t.columns.size(); ++i) {
    if (i) sql += ", ";
    sql += identifier(t.columns[i].name) + " " + std::string(t.columns[i].type);
  }
  return sql + ")";
}

std::string createIndexSql(const TableDef& t) {
  std::string sql = "CREATE UNIQUE INDEX " + identifier(std::string(t.name) + "_CHIAVE") + " ON " +
                    identifier(t.name) + " (";
  for (std::size_t i = 0; i < t.key.size(); ++i) {
    if (i) sql += ", ";
    sql += identifier(t.key[i]);
  }
  return sql + ")";
}

void insertInto(Connection& c, std::string_view table, const std::vector<Columns>& rows) {
  for (const auto& row : rows) {
    std::string names, marks;
    for (const auto& [name, value] : row) {
      if (!names.empty()) names += ", ", marks += ", ";
      names += identifier(name);
      marks += "?";
    }
    Statement st(c, "INSERT INTO " + identifier(table) + " (" + names + ") VALUES (" + marks + ")");
    int i = 1;
    for (const auto& [name, value] : row) st.bind(i++, value);
    st.run();
  }
}

std::vector<ColumnDef> withKey(std::vector<ColumnDef> key, const std::vector<ColumnDef>& rest) {
  key.insert(key.end(), rest.begin(), rest.end());
  return key;
}

}  // namespace

std::vector<TableDef> f24Schema() {
  const std::vector<ColumnDef> key = {
      {"KDITTA", "TEXT"}, {"KPERIODO", "TEXT"}, {"KRIGO", "INTEGER"}};
  return {
      {"F24ENTILOCICI",
       withKey(key, {{"F24ELI_1", "TEXT"},
                     {"F24ELI_2", "TEXT"},
                     {"F24ELI_3", "TEXT"},
                     {"F24ELI_4", "TEXT"},
                     {"F24ELI_5", "TEXT"},
                     {"F24ELI_6", "TEXT"},
                     {"F24ELI_7", "TEXT"},
                     {"F24ELI_8", "TEXT"},
                     {"F24ELI_9", "TEXT"},
                     {"F24ELI_10", "REAL"},
                     {"F24ELI_11", "REAL"},
                     {"F24ELI_12", "REAL"},
                     {"F24ELI_13", "REAL"},
                     {"F24ELI_14", "REAL"}}),
       {"KDITTA", "KPERIODO", "KRIGO"}},
      {"F24REGIONI",
       withKey(key, {{"F24REG_1", "TEXT"},
                     {"F24REG_2", "TEXT"},
                     {"F24REG_3", "TEXT"},
                     {"F24REG_4", "REAL"},
                     {"F24REG_5", "REAL"}}),
       {"KDITTA", "KPERIODO", "KRIGO"}},
      {"RELEASE", {{"RELEASE", "INTEGER"}}, {}},
  };
}

std::vector<TableDef> certificationSchema() {
  const std::vector<ColumnDef> company = {{"CODAZI", "TEXT"}};
  const std::vector<ColumnDef> person = {{"CODAZI", "TEXT"}, {"CODIP", "TEXT"}};
  const std::vector<ColumnDef> row = {{"CODAZI", "TEXT"}, {"CODIP", "TEXT"}, {"SEQ", "INTEGER"}};
  return {
      {"FRONTESPIZIO",
       withKey(company, {{"CODFISC", "TEXT"}, {"DENOMINAZIONE", "TEXT"}, {"NUMCERT", "INTEGER"}}),
       {"CODAZI"}},
      {"PERCETTORI",
       withKey(person,
               {{"CODFISC", "TEXT"}, {"COGNOME", "TEXT"}, {"NOME", "TEXT"}, {"TIPO", "TEXT"}}),
       {"CODAZI", "CODIP"}},
      {"PERCPARCELLE",
       withKey(row, {{"DATA", "TEXT"}, {"IMPORTO", "REAL"}}),
       {"CODAZI", "CODIP", "SEQ"}},
      {"QUADROCU1",
       {{"CODAZI", "TEXT"},
        {"SEQ", "INTEGER"},
        {"CU1_55", "REAL"},
        {"CU1_61", "REAL"},
        {"CU1_73", "REAL"},
        {"CU1_94", "REAL"},
        {"CU1_96", "REAL"},
        {"CU1_104", "REAL"}},
       {"CODAZI", "SEQ"}},
      {"QUADROCU2",
       withKey(row, {{"CU2_1", "REAL"}, {"CU2_2", "REAL"}}),
       {"CODAZI", "CODIP", "SEQ"}},
      {"QUADROCU3",
       withKey(row, {{"CU3_1", "REAL"}, {"CU3_2", "REAL"}}),
       {"CODAZI", "CODIP", "SEQ"}},
      {"QUADROCU4",
       withKey(row, {{"CU4_24", "TEXT"},
                     {"CU4_25", "TEXT"},
                     {"CU4_26", "TEXT"},
                     {"CU4_27", "REAL"},
                     {"CU4_28", "TEXT"}}),
       {"CODAZI", "CODIP", "SEQ"}},
      {"QUADROCU5", withKey(row, {{"CU5_1", "REAL"}}), {"CODAZI", "CODIP", "SEQ"}},
      {"QUADROCU6", withKey(row, {{"CU6_1", "REAL"}}), {"CODAZI", "CODIP", "SEQ"}},
  };
}

void createDatabase(platform::Files& files, const std::string& path,
                    const std::vector<TableDef>& schema, const std::vector<TableRows>& rows) {
  // Built beside its final name and moved there when complete.
  const std::string building = path + ".BUILDING";
  if (files.exists(building)) files.remove(building);
  {
    Connection c(files.resolve(building), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    c.fast();
    c.exec("BEGIN");
    for (const auto& t : schema) {
      c.exec(createTableSql(t));
      if (!t.key.empty()) c.exec(createIndexSql(t));
    }
    for (const auto& r : rows) insertInto(c, r.table, r.rows);
    c.exec("COMMIT");
  }
  files.rename(building, path);
}

void insertRows(platform::Files& files, const std::string& path, std::string_view table,
                const std::vector<Columns>& rows) {
  if (!files.exists(path)) throw std::runtime_error("database " + path + " does not exist");
  Connection c(files.resolve(path), SQLITE_OPEN_READWRITE);
  c.fast();
  c.exec("BEGIN");
  insertInto(c, table, rows);
  c.exec("COMMIT");
}

void dropTable(platform::Files& files, const std::string& path, std::string_view table) {
  if (!files.exists(path)) throw std::runtime_error("database " + path + " does not exist");
  Connection c(files.resolve(path), SQLITE_OPEN_READWRITE);
  c.exec("DROP TABLE " + identifier(table));
}

}  // namespace zr::demo

// The SQLite recordsets: table recordsets (index, seek, walk in index or row order) and query
// results held in memory. Text keys compare without regard to case, as Jet does.
#include <algorithm>
#include <optional>

#include "platform/database_sqlite.h"
#include "platform/errors.h"

namespace zr::platform::sqlitedb {

namespace {

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && upper(a) == upper(b);
}

std::optional<std::size_t> findColumn(const std::vector<std::string>& names,
                                      std::string_view name) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (sameName(names[i], name)) return i;
  }
  return std::nullopt;
}

// What every recordset shares: its own closed state and its database's.
class RecordsetBase : public Recordset {
 public:
  RecordsetBase(std::shared_ptr<Connection> conn, std::string what)
      : conn_(std::move(conn)), what_(std::move(what)) {}

  void close() override {
    if (closed_) throw RuntimeError::of(91, what_ + " already closed");
    closed_ = true;
    release();
    if (!conn_->isOpen()) throw RuntimeError::of(3420, what_ + ": its database was closed");
  }

 protected:
  void usable() const {
    if (closed_ || !conn_->isOpen()) throw RuntimeError::of(3420, what_ + " is closed");
  }
  [[noreturn]] void noCurrentRecord() const { throw RuntimeError::of(3021, what_); }
  [[noreturn]] void unknownField(std::string_view name) const {
    throw RuntimeError::of(3265, "field " + std::string(name) + " in " + what_);
  }
  [[noreturn]] void unsupported(std::string_view operation) const {
    throw RuntimeError(3251, "Operation is not supported for this type of object: " +
                                 std::string(operation) + " on " + what_);
  }
  virtual void release() {}

  std::shared_ptr<Connection> conn_;
  std::string what_;  // for messages: "table T of FILE", "query ... on FILE"

 private:
  bool closed_ = false;
};

// --- Table recordset ---

// Where a table recordset stands. After an open or a new index it stands on the first row,
// read only when asked for: a lookup that opens, seeks and closes never pays for it.
struct Cursor {
  bool pending = true;
  std::vector<Value> row;  // the current row; empty when there is none
  sqlite3_int64 rowid = 0;
  bool eof = false;
  std::optional<std::size_t> position;  // the current row's place in the keyset, once known

  static Cursor placed() {
    Cursor c;
    c.pending = false;
    return c;
  }
};

bool hasLetter(const Value& v) {
  if (!v.isText()) return false;
  std::string t = v.asText();
  return std::any_of(t.begin(), t.end(),
                     [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

class TableRecordset : public RecordsetBase {
 public:
  TableRecordset(std::shared_ptr<Connection> conn, const TableInfo& table)
      : RecordsetBase(conn, "table " + table.name + " of " + conn->path()), table_(table) {
    std::string cols = "rowid";
    for (const Column& c : table_.columns) {
      cols += ", " + quoted(c.name);
      names_.push_back(c.name);
    }
    select_ = "SELECT " + cols + " FROM " + quoted(table_.name);
    order_ = " ORDER BY rowid";
  }

  void setIndex(std::string_view name) override {
    usable();
    const IndexInfo* index = conn_->index(table_, table_.name + "_" + std::string(name));
    if (!index) index = conn_->index(table_, name);
    if (!index) {
      throw RuntimeError::of(3800, table_.name + "_" + std::string(name) + " (" + what_ + ")");
    }
    index_ = index;
    seek_.reset();
    order_ = " ORDER BY ";
    for (const IndexColumn& c : index_->columns) {
      order_ += ordered(c) + (c.descending ? " DESC, " : ", ");
    }
    order_ += "rowid";
    keyset_.reset();
    cur_ = Cursor{};
    noMatch_ = false;
  }

  void seek(std::string_view comparison, const std::vector<Value>& keys) override {
    usable();
    if (!index_) {
      throw RuntimeError(3019, "Operation invalid without a current index: " + what_);
    }
    if (comparison != "=") {
      throw RuntimeError::of(5, "seek comparison \"" + std::string(comparison) + "\" on " + what_);
    }
    if (keys.empty() || keys.size() > index_->columns.size()) {
      throw RuntimeError(3001, "Invalid argument: " + std::to_string(keys.size()) +
                                   " seek keys for index " + index_->name + " of " + what_);
    }
    Statement& s = seekStatement(keys);
    s.reset();
    for (std::size_t i = 0; i < keys.size(); ++i) s.bind(static_cast<int>(i + 1), keys[i]);
    cur_ = Cursor::placed();
    noMatch_ = !load(s);
    if (noMatch_) cur_.eof = true;
  }

  bool noMatch() const override {
    usable();
    return noMatch_;
  }
  bool eof() const override {
    usable();
    settle();
    return cur_.eof;
  }

  long recordCount() const override {
    usable();
    Statement s = conn_->statement("SELECT count(*) FROM " + quoted(table_.name));
    s.step();
    return static_cast<long>(s.column(0).asNumber());
  }

  void moveFirst() override {
    usable();
    noMatch_ = false;
    keyset_.reset();  // a new walk sees what was written since the last one
    cur_ = Cursor{};
    settle();
    if (cur_.eof) noCurrentRecord();
  }

  void moveLast() override {
    usable();
    noMatch_ = false;
    const auto& keys = keyset();
    cur_ = Cursor::placed();
    if (keys.empty() || !loadKeyFrom(keys.size() - 1, -1)) {
      toEof();
      noCurrentRecord();
    }
  }

  void moveNext() override {
    usable();
    settle();
    if (cur_.row.empty()) noCurrentRecord();
    const auto& keys = keyset();
    if (!cur_.position) {
      auto it = std::find(keys.begin(), keys.end(), cur_.rowid);
      cur_.position = static_cast<std::size_t>(it - keys.begin());
    }
    if (*cur_.position + 1 >= keys.size() || !loadKeyFrom(*cur_.position + 1, +1)) toEof();
  }

  Value field(std::string_view name) const override {
    usable();
    auto i = findColumn(names_, name);
    if (!i) unknownField(name);
    settle();
    if (cur_.row.empty()) noCurrentRecord();
    return cur_.row[*i];
  }

 private:
  const Column* column(const IndexColumn& c) const {
    for (const Column& t : table_.columns) {
      if (sameName(t.name, c.name)) return &t;
    }
    return nullptr;
  }

  // True when the index orders the column by bytes although its values are text.
  bool foldsCase(const IndexColumn& c) const {
    const Column* col = column(c);
    return (!col || col->textual) && !sameName(c.collation, "NOCASE");
  }

  // The column as the walk orders it: text without regard to case.
  std::string ordered(const IndexColumn& c) const {
    bool nocase = foldsCase(c) || sameName(c.collation, "NOCASE");
    return quoted(c.name) + " COLLATE " + (nocase ? "NOCASE" : quoted(c.collation));
  }

  // The seek's statement, kept while the keys keep their shape: a lookup loop seeks thousands
  // of times. A key without letters compares the same with or without case, so it is matched
  // in the index's own collation and the index serves the lookup even when it orders by bytes.
  Statement& seekStatement(const std::vector<Value>& keys) {
    std::string where = " WHERE ";
    for (std::size_t i = 0; i < keys.size(); ++i) {
      const IndexColumn& c = index_->columns[i];
      bool fold = foldsCase(c) && hasLetter(keys[i]);
      if (i) where += " AND ";
      where += quoted(c.name) + " COLLATE " + (fold ? "NOCASE" : quoted(c.collation)) + " IS ?" +
               std::to_string(i + 1);
    }
    if (!seek_ || seekWhere_ != where) {
      seek_.reset();
      seek_.emplace(conn_->statement(select_ + where + order_ + " LIMIT 1"));
      seekWhere_ = where;
    }
    return *seek_;
  }

  void release() override { seek_.reset(); }

  // Reads the first row in the current order when the cursor still owes it.
  void settle() const {
    if (!cur_.pending) return;
    cur_.pending = false;
    Statement s = conn_->statement(select_ + order_ + " LIMIT 1");
    if (!load(s)) return toEof();
    if (keyset_) cur_.position = 0;
  }

  // Reads the statement's first row into the cursor; false (and no row) when none.
  bool load(Statement& s) const {
    cur_.row.clear();
    if (!s.step()) return false;
    cur_.rowid = static_cast<sqlite3_int64>(s.column(0).asNumber());
    for (int i = 1; i < s.columnCount(); ++i) cur_.row.push_back(s.column(i));
    cur_.eof = false;
    return true;
  }

  // Loads the row at keyset position i, stepping by `dir` past rows deleted meanwhile.
  bool loadKeyFrom(std::size_t i, int dir) {
    const auto& keys = *keyset_;
    Statement s = conn_->statement(select_ + " WHERE rowid = ?1");
    for (; i < keys.size(); i += static_cast<std::size_t>(dir)) {
      s.reset();
      s.bind(1, Value(static_cast<double>(keys[i])));
      if (load(s)) {
        cur_.position = i;
        return true;
      }
    }
    return false;
  }

  const std::vector<sqlite3_int64>& keyset() {
    if (!keyset_) {
      keyset_.emplace();
      Statement s = conn_->statement("SELECT rowid FROM " + quoted(table_.name) + order_);
      while (s.step()) keyset_->push_back(static_cast<sqlite3_int64>(s.column(0).asNumber()));
    }
    return *keyset_;
  }

  void toEof() const {
    cur_.row.clear();
    cur_.eof = true;
    cur_.position.reset();
  }

  const TableInfo& table_;  // owned by the connection's schema cache, as long as conn_ lives
  std::vector<std::string> names_;
  std::string select_, order_;
  const IndexInfo* index_ = nullptr;
  mutable Cursor cur_;
  bool noMatch_ = false;
  std::optional<std::vector<sqlite3_int64>> keyset_;  // rowids in the current order
  std::optional<Statement> seek_;
  std::string seekWhere_;
};

// --- Query result ---

class QueryRecordset : public RecordsetBase {
 public:
  QueryRecordset(std::shared_ptr<Connection> conn, std::string what, std::vector<std::string> names,
                 std::vector<std::vector<Value>> rows)
      : RecordsetBase(std::move(conn), std::move(what)),
        names_(std::move(names)),
        rows_(std::move(rows)) {}

  void setIndex(std::string_view) override { unsupported("setting an index"); }
  void seek(std::string_view, const std::vector<Value>&) override { unsupported("seek"); }
  bool noMatch() const override {
    usable();
    return false;
  }
  bool eof() const override {
    usable();
    return pos_ >= rows_.size();
  }
  long recordCount() const override {
    usable();
    return static_cast<long>(rows_.size());
  }
  void moveFirst() override { moveTo(0); }
  void moveLast() override { moveTo(rows_.empty() ? 0 : rows_.size() - 1); }
  void moveNext() override {
    usable();
    if (pos_ >= rows_.size()) noCurrentRecord();
    ++pos_;
  }
  Value field(std::string_view name) const override {
    usable();
    auto i = findColumn(names_, name);
    if (!i) unknownField(name);
    if (pos_ >= rows_.size()) noCurrentRecord();
    return rows_[pos_][*i];
  }

 private:
  void moveTo(std::size_t pos) {
    usable();
    if (rows_.empty()) noCurrentRecord();
    pos_ = pos;
  }
  void release() override {
    rows_.clear();
    rows_.shrink_to_fit();
  }

  std::vector<std::string> names_;
  std::vector<std::vector<Value>> rows_;
  std::size_t pos_ = 0;
};

}  // namespace

std::unique_ptr<Recordset> openTableRecordset(std::shared_ptr<Connection> conn,
                                              const TableInfo& table) {
  return std::make_unique<TableRecordset>(std::move(conn), table);
}

std::unique_ptr<Recordset> runQuery(std::shared_ptr<Connection> conn, std::string_view sqlView,
                                    const std::vector<Value>& params) {
  std::string sql(sqlView);
  std::string what = "query \"" + sql + "\" on " + conn->path();
  std::vector<std::string> names;
  std::vector<std::vector<Value>> rows;
  {
    Statement s = conn->statement(sql);
    if (static_cast<std::size_t>(s.parameterCount()) != params.size()) {
      throw RuntimeError(3061, "Too few parameters. Expected " +
                                   std::to_string(s.parameterCount()) + ", given " +
                                   std::to_string(params.size()) + ": " + what);
    }
    for (std::size_t i = 0; i < params.size(); ++i) s.bind(static_cast<int>(i + 1), params[i]);
    for (int i = 0; i < s.columnCount(); ++i) names.push_back(s.columnName(i));
    while (s.step()) {
      std::vector<Value> row;
      row.reserve(names.size());
      for (int i = 0; i < s.columnCount(); ++i) row.push_back(s.column(i));
      rows.push_back(std::move(row));
    }
  }
  return std::make_unique<QueryRecordset>(std::move(conn), std::move(what), std::move(names),
                                          std::move(rows));
}

}  // namespace zr::platform::sqlitedb

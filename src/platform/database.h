// Databases, shaped like the DAO subset the system uses. Opened read-only: the program never
// writes a database. SQLite files are opened directly; Access (Jet) files are recognised by
// their header. Failures are RuntimeErrors (3024 missing file, 3343 unrecognised format, 3078
// missing table, 3800 missing index, 3265 missing field, 3420 closed object).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zr::platform {

class Files;

// A field's value: Null, a number or a text.
class Value {
 public:
  Value() = default;
  Value(double n) : v_(n) {}
  Value(std::string s) : v_(std::move(s)) {}
  Value(const char* s) : v_(std::string(s)) {}

  bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
  bool isNumber() const { return std::holds_alternative<double>(v_); }
  bool isText() const { return std::holds_alternative<std::string>(v_); }
  // Null gives 0; a text its number by the field rule (platform::fieldNumber).
  double asNumber() const;
  // Null gives ""; a number its shortest decimal text ("12.5", "3").
  std::string asText() const;

  bool operator==(const Value&) const = default;

 private:
  std::variant<std::monostate, double, std::string> v_;
};

// A table recordset (openTable) or a query result (query).
class Recordset {
 public:
  virtual ~Recordset() = default;
  Recordset() = default;
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Table recordsets: makes the named index current (3800 when the table has none such).
  virtual void setIndex(std::string_view name) = 0;
  // Seek with "=" (only) on the current index; afterwards noMatch() tells.
  virtual void seek(std::string_view comparison, const std::vector<Value>& keys) = 0;
  virtual bool noMatch() const = 0;

  virtual bool eof() const = 0;
  virtual long recordCount() const = 0;
  virtual void moveFirst() = 0;
  virtual void moveLast() = 0;
  virtual void moveNext() = 0;
  // The current row's field, the name matched without regard to case (3265 when unknown;
  // 3021 when there is no current row).
  virtual Value field(std::string_view name) const = 0;
  // After close every call but close is error 3420; closing twice is error 91.
  virtual void close() = 0;
};

class Database {
 public:
  virtual ~Database() = default;
  Database() = default;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  virtual std::unique_ptr<Recordset> openTable(std::string_view table) = 0;
  // SQL with "?" parameters bound in order; values are never pasted into the text.
  virtual std::unique_ptr<Recordset> query(std::string_view sql,
                                           const std::vector<Value>& params = {}) = 0;
  virtual void close() = 0;
  virtual const std::string& path() const = 0;
};

class DatabaseEngine {
 public:
  virtual ~DatabaseEngine() = default;
  // Opens a database file by its system path (read-only).
  virtual std::unique_ptr<Database> open(std::string_view path) = 0;
};

// How Access files are read: by the reader process, under limits.
struct JetOptions {
  std::string reader;  // the reader program; empty: "zorir770-mdb" beside the running program
  std::chrono::milliseconds timeLimit{30000};  // for one table
  std::uint64_t memoryLimit = std::uint64_t{1} << 30;
};

std::unique_ptr<DatabaseEngine> makeDatabaseEngine(Files& files, JetOptions jet = {});

}  // namespace zr::platform

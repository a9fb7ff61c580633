// Test support for the platform and F24 tests: bytes and SQLite databases on disk, the error a
// call throws, the environment for one scope. Touches only the files and variables tests name.
#pragma once

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/errors.h"

namespace zr::testing {

inline void writeBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string bytesOf(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The RuntimeError that `call` throws; number 0 when it throws none, which no check expects.
inline RuntimeError errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    return e;
  }
  return RuntimeError(0, "no error");
}

// Runs SQL statements in one transaction on a database file, creating it if need be, with the
// sqlite3 API itself so that no code under test writes the test's data.
inline void runSql(const std::filesystem::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open(file.string().c_str(), &db);
  char* err = nullptr;
  const std::string all = "PRAGMA synchronous = OFF; BEGIN; " + sql + "; COMMIT;";
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, all.c_str(), nullptr, nullptr, &err);
  const std::string message = err ? err : sqlite3_errmsg(db);
  sqlite3_free(err);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error(file.string() + ": " + message);
}

// Sets (or, given nullptr, unsets) an environment variable for one scope.
class EnvVar {
 public:
  EnvVar(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    set(name, value);
  }
  ~EnvVar() { set(name_, old_ ? old_->c_str() : nullptr); }
  EnvVar(const EnvVar&) = delete;
  EnvVar& operator=(const EnvVar&) = delete;

 private:
  static void set(const char* name, const char* value) {
#ifdef _WIN32
    ::_putenv_s(name, value ? value : "");  // an empty value removes it
#else
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
#endif
  }
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace zr::testing

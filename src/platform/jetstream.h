// Inside the database layer only: the reading side of the Access reader's stream, free of the
// child process. The stream's frames are checked for order and completeness, and a table's
// frames are loaded into SQLite. The Jet backend feeds them what the reader writes; tests and
// fuzzers feed them bytes of their own.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/database_jet.h"
#include "platform/jetframes.h"

namespace zr::platform::jet {

// A damaged file, or a reader that did not deliver it whole: Jet's own error 3049, naming the
// file and what failed.
[[noreturn]] void corrupt(const std::string& path, const std::string& reason);

// One stream as it arrives: the header first, nothing after the End frame, an Error frame's
// text kept. Every other frame goes to `onFrame`.
class StreamCheck {
 public:
  using OnFrame = std::function<void(const jetframes::Splitter::Frame&)>;
  explicit StreamCheck(OnFrame onFrame) : onFrame_(std::move(onFrame)) {}

  // Takes the next bytes; jetframes::Malformed (or what `onFrame` throws) stops the stream.
  void feed(std::string_view bytes);
  // What the reader said in an Error frame; "" when it said nothing.
  const std::string& error() const { return error_; }
  // The count the End frame declares, once the stream is whole; corrupt() when it ended early
  // (no End frame, or bytes of an unfinished frame after it).
  std::int64_t declared(const std::string& path, const std::string& what) const;

 private:
  OnFrame onFrame_;
  jetframes::Splitter splitter_;
  bool header_ = false, ended_ = false;
  std::int64_t declared_ = 0;
  std::string error_;
};

// A table's frames (Column, Index, RowCount, Row) into `db`: the table is created at the row
// count and each row inserted as it comes. Call finish once the stream is whole.
class TableFrames {
 public:
  TableFrames(sqlite3* db, std::string table, std::string path);
  ~TableFrames();
  TableFrames(const TableFrames&) = delete;
  TableFrames& operator=(const TableFrames&) = delete;

  void take(const jetframes::Splitter::Frame& f);  // jetframes::Malformed, corrupt()
  // Checks the rows against the declared and the recorded counts and creates the indexes.
  void finish(std::int64_t declared);

 private:
  sqlite3* db_;
  std::string table_, path_, what_;
  std::vector<ColumnDef> columns_;
  std::vector<IndexDef> indexes_;
  std::int64_t expected_ = -1, rows_ = 0;
  sqlite3_stmt* insert_ = nullptr;
};

// Runs SQL on the in-memory database; a failure is corrupt(), naming `what`.
void execute(sqlite3* db, const std::string& sql, const std::string& path, const std::string& what);

}  // namespace zr::platform::jet

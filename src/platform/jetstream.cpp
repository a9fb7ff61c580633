#include "platform/jetstream.h"

#include <cmath>

#include "platform/database_sqlite.h"
#include "platform/errors.h"

namespace zr::platform::jet {

namespace fr = jetframes;

namespace {

void bindValue(sqlite3_stmt* s, int i, const Value& v) {
  if (v.isNull()) {
    sqlite3_bind_null(s, i);
  } else if (v.isText()) {
    const std::string t = v.asText();
    sqlite3_bind_text(s, i, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
  } else {
    const double n = v.asNumber();
    if (std::trunc(n) == n && std::fabs(n) < 9.0e15)
      sqlite3_bind_int64(s, i, static_cast<sqlite3_int64>(n));
    else
      sqlite3_bind_double(s, i, n);
  }
}

std::string insertSql(const std::string& table, std::size_t n) {
  std::string sql = "INSERT INTO " + sqlitedb::quoted(table) + " VALUES (";
  for (std::size_t i = 0; i < n; ++i) sql += i ? ", ?" : "?";
  return sql + ")";
}

}  // namespace

[[noreturn]] void corrupt(const std::string& path, const std::string& reason) {
  throw RuntimeError(3049, "Cannot open database '" + path +
                               "'. It may not be a database, or the file may be corrupt (" +
                               reason + ")");
}

void execute(sqlite3* db, const std::string& sql, const std::string& path, const std::string& what) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    std::string reason = message ? message : "unknown";
    sqlite3_free(message);
    corrupt(path, what + ": " + reason);
  }
}

void StreamCheck::feed(std::string_view bytes) {
  splitter_.feed(bytes);
  while (auto f = splitter_.next()) {
    fr::Reader in(f->payload);
    if (ended_) throw fr::Malformed("a frame after the end");
    if (f->tag == fr::Tag::Error) {
      error_ = std::string(in.str());
      continue;
    }
    if (!header_) {
      if (f->tag != fr::Tag::Header) throw fr::Malformed("no header");
      if (in.u32() != fr::kVersion) throw fr::Malformed("another version of the stream");
      const int jet = in.u8();
      if (jet != 3 && jet != 4) throw fr::Malformed("Jet version " + std::to_string(jet));
      header_ = true;
      continue;
    }
    if (f->tag == fr::Tag::End) {
      declared_ = in.i64();
      ended_ = true;
      continue;
    }
    onFrame_(*f);
  }
}

std::int64_t StreamCheck::declared(const std::string& path, const std::string& what) const {
  if (!ended_ || splitter_.pending() != 0) corrupt(path, what + ": the reader's stream ends early");
  return declared_;
}

TableFrames::TableFrames(sqlite3* db, std::string table, std::string path)
    : db_(db), table_(std::move(table)), path_(std::move(path)), what_("table " + table_) {}

TableFrames::~TableFrames() {
  sqlite3_finalize(insert_);
}

void TableFrames::take(const fr::Splitter::Frame& f) {
  fr::Reader in(f.payload);
  switch (f.tag) {
    case fr::Tag::Column:
      if (expected_ >= 0) throw fr::Malformed("a column after the rows began");
      columns_.push_back({std::string(in.str()), static_cast<fr::ColumnType>(in.u8())});
      break;
    case fr::Tag::Index: {
      IndexDef d{std::string(in.str()), in.u8(), {}};
      const std::uint32_t n = in.u32();
      for (std::uint32_t k = 0; k < n; ++k) {
        IndexKey key{in.u32(), false};
        key.descending = in.u8() != 0;
        d.keys.push_back(key);
      }
      indexes_.push_back(std::move(d));
      break;
    }
    case fr::Tag::RowCount:
      expected_ = in.i64();
      if (columns_.empty()) throw fr::Malformed("a table without columns");
      execute(db_, createTableSql(table_, columns_), path_, what_);
      if (sqlite3_prepare_v2(db_, insertSql(table_, columns_.size()).c_str(), -1, &insert_,
                             nullptr) != SQLITE_OK)
        throw fr::Malformed(sqlite3_errmsg(db_));
      break;
    case fr::Tag::Row: {
      if (!insert_) throw fr::Malformed("a row before the row count");
      for (std::size_t i = 0; i < columns_.size(); ++i)
        bindValue(insert_, static_cast<int>(i + 1), readValue(in));
      if (!in.done()) throw fr::Malformed("a row with more values than columns");
      const int rc = sqlite3_step(insert_);
      sqlite3_reset(insert_);
      if (rc != SQLITE_DONE) throw fr::Malformed(sqlite3_errmsg(db_));
      ++rows_;
      break;
    }
    default:
      throw fr::Malformed("a frame out of place in a table");
  }
}

void TableFrames::finish(std::int64_t declared) {
  sqlite3_finalize(insert_);
  insert_ = nullptr;
  if (expected_ < 0) corrupt(path_, what_ + ": the reader sent no row count");
  if (declared != rows_) corrupt(path_, what_ + ": the reader's count does not match its rows");
  if (rows_ < expected_)
    corrupt(path_, what_ + ": " + std::to_string(rows_) + " of its " + std::to_string(expected_) +
                       " rows could be read");
  // More rows than the table records would be rows read twice: amounts summed twice.
  if (rows_ > expected_)
    corrupt(path_, what_ + ": " + std::to_string(rows_) + " rows read where the table records " +
                       std::to_string(expected_) + " (compacting the database repairs its count)");
  std::vector<std::string> keys;
  try {
    keys = createIndexSql(table_, columns_, indexes_);
  } catch (const std::invalid_argument& e) {
    corrupt(path_, what_ + ": " + e.what());
  }
  for (const std::string& sql : keys) execute(db_, sql, path_, what_);
}

}  // namespace zr::platform::jet

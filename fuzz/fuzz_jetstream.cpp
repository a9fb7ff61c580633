// The Access reader's stream as the database layer reads it, fed with arbitrary bytes instead
// of the reader's output, in pieces of a size the input chooses: the catalogue's stream, or a
// table's loaded into an in-memory SQLite database that the program's readers then use.
// Input: a byte (bit 0: a table rather than the catalogue; bit 1: which row table), a byte
// for the piece size, then the stream.
#include <sqlite3.h>

#include "fuzz_support.h"
#include "platform/database_sqlite.h"
#include "platform/jetstream.h"

using namespace zr;
namespace fr = platform::jetframes;
namespace jet = platform::jet;

namespace {

const std::string kPath = "C:\\ARCHIVI\\SF242023.MDB";

void feed(jet::StreamCheck& check, std::string_view stream, std::size_t piece) {
  for (std::size_t at = 0; at < stream.size(); at += piece) check.feed(stream.substr(at, piece));
}

void catalogue(std::string_view stream, std::size_t piece) {
  std::int64_t names = 0;
  jet::StreamCheck check([&](const fr::Splitter::Frame& f) {
    if (f.tag != fr::Tag::TableName) throw fr::Malformed("a frame out of place in the catalogue");
    fr::Reader in(f.payload);
    in.str();
    ++names;
  });
  feed(check, stream, piece);
  if (check.error().empty()) check.declared(kPath, "catalogue");
}

void table(std::string_view stream, std::size_t piece, std::string_view name) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK)
    std::abort();
  auto database = platform::sqlitedb::adopt(db, kPath);  // owns the handle from here on
  const std::string table(name), what = "table " + table;
  jet::execute(db, "SAVEPOINT load", kPath, what);
  try {
    jet::TableFrames frames(db, table, kPath);
    jet::StreamCheck check([&](const fr::Splitter::Frame& f) { frames.take(f); });
    feed(check, stream, piece);
    if (!check.error().empty()) jet::corrupt(kPath, what + ": " + check.error());
    frames.finish(check.declared(kPath, what));
    jet::execute(db, "RELEASE load", kPath, what);
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK TO load; RELEASE load", nullptr, nullptr, nullptr);
    throw;
  }
  fuzz::readF24Database(*database);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return -1;
  const std::string_view stream(reinterpret_cast<const char*>(data) + 2, size - 2);
  const std::size_t piece = data[1] % 64 + 1;
  try {
    fuzz::rejectedQuietly([&] {
      if ((data[0] & 1) == 0)
        catalogue(stream, piece);
      else
        table(stream, piece, (data[0] & 2) ? kLocalTaxTable : kRegionTable);
    });
  } catch (const fr::Malformed&) {
    // What the reader's stream may not hold is refused by name.
  }
  return 0;
}

// The Access (Jet) backend: the reader process over a sealed in-memory copy of the file, its
// streams checked frame by frame, and each table loaded whole into SQLite before it is used.
#include "platform/database_jet.h"

#include <sqlite3.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <system_error>

#include "platform/childprocess.h"
#include "platform/cp1252.h"
#include "platform/database_sqlite.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/jetstream.h"
#include "platform/numtext.h"
#include "platform/ui.h"

namespace zr::platform::jet {

namespace fr = jetframes;

namespace {

constexpr std::size_t kJetVersionOffset = 0x14;
constexpr std::size_t kReadChunk = 1 << 20;
constexpr double kFirstDay = -693593, kLastDay = 2958465;  // 01/01/0001 and 31/12/9999

std::string twoDigits(long v) {
  return std::string(1, static_cast<char>('0' + v / 10 % 10)) + static_cast<char>('0' + v % 10);
}

std::string upperAscii(std::string_view s) { return sqlitedb::upper(s); }

// The reader's own words, as one printable line for a message.
std::string said(const std::string& output) {
  std::string line;
  for (char c : output) {
    if (line.size() >= 300) break;
    line += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line.empty() ? std::string() : "; it said: " + toUtf8Printable(line);
}

std::string readWhole(Files& files, const std::string& path) {
  auto file = files.open(path, OpenMode::Read);
  std::string bytes(static_cast<std::size_t>(file->size()), '\0');
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t n = file->readAt(at, bytes.data() + at, std::min(kReadChunk, bytes.size() - at));
    if (n == 0) break;
    at += n;
  }
  bytes.resize(at);
  return bytes;
}

// One run of the reader: its frames, checked for order and completeness.
class ReaderRun {
 public:
  ReaderRun(const JetOptions& options, const std::string& reader, const std::string& path,
            std::string what)
      : options_(options), reader_(reader), path_(path), what_(std::move(what)) {}

  // Runs the reader; `onFrame` sees each frame after the header, End excluded. Returns the
  // count the End frame declares.
  std::int64_t run(const HandedFile& file, const std::vector<std::string>& args,
                   const StreamCheck::OnFrame& onFrame) {
    StreamCheck check(onFrame);
    const auto take = [&](std::string_view bytes) { check.feed(bytes); };
    ChildEnd end;
    try {
      end = runChild(reader_, args, &file, {options_.timeLimit, options_.memoryLimit}, take);
    } catch (const fr::Malformed& e) {
      corrupt(path_, what_ + ": the reader's stream is malformed: " + e.what());
    } catch (const std::system_error& e) {
      throw RuntimeError(3049, "Cannot open database '" + path_ + "': the Access reader " +
                                   reader_ + " cannot be started (" + e.what() + ")");
    }
    const std::string out = said(end.output);
    if (end.how == ChildEnd::How::TimedOut)
      corrupt(path_, what_ + ": the reader did not finish within " +
                         std::to_string(options_.timeLimit.count() / 1000.0).substr(0, 4) + " s" + out);
    if (end.how == ChildEnd::How::Signalled)
      corrupt(path_, what_ + ": the reader was stopped by signal " + std::to_string(end.code) + out);
    if (!check.error().empty()) corrupt(path_, what_ + ": " + check.error());
    if (end.code != 0)
      corrupt(path_, what_ + ": the reader ended with status " + std::to_string(end.code) + out);
    return check.declared(path_, what_);
  }

 private:
  const JetOptions& options_;
  const std::string& reader_;
  const std::string& path_;
  std::string what_;
};

// What a Jet database keeps: the sealed copy, the catalogue and the tables loaded so far.
class JetSource {
 public:
  JetSource(Files& files, std::string path, std::uint64_t page, JetOptions options)
      : files_(files),
        path_(std::move(path)),
        page_(page),
        options_(std::move(options)),
        reader_(options_.reader.empty() ? siblingProgram("zorir770-mdb") : options_.reader) {}

  // Loads the table into `db` when the file has it and it is not there yet.
  bool load(sqlite3* db, std::string_view requested) {
    readCatalogue();
    const auto it = catalogue_.find(upperAscii(requested));
    if (it == catalogue_.end() || loaded_.count(it->first)) return false;
    // Marked only once whole: a table that failed to load fails again, never reads as absent.
    loadTable(db, it->second);
    loaded_.insert(it->first);
    return true;
  }

 private:
  // The file is read, and its catalogue listed, when a table of it is first wanted: of the
  // yearly databases a run opens, most are never used.
  void readCatalogue() {
    if (file_) return;
    const std::string bytes = readWhole(files_, path_);
    if (bytes.size() % page_ != 0)  // changed since it was opened
      corrupt(path_, "its length " + std::to_string(bytes.size()) + " is not a whole number of " +
                         std::to_string(page_) + "-byte pages");
    auto file = makeHandedFile(path_, bytes);
    ReaderRun run(options_, reader_, path_, "catalogue");
    std::map<std::string, std::string> names;
    std::int64_t count = 0;
    const std::int64_t declared = run.run(*file, {"list", file->childPath()}, [&](const auto& f) {
      if (f.tag != fr::Tag::TableName) throw fr::Malformed("a frame out of place in the catalogue");
      fr::Reader in(f.payload);
      const std::string name(in.str());
      names.emplace(upperAscii(name), name);
      ++count;
    });
    if (declared != count) corrupt(path_, "catalogue: the reader's count does not match its tables");
    catalogue_ = std::move(names);
    file_ = std::move(file);
  }

  void loadTable(sqlite3* db, const std::string& table) {
    const std::string what = "table " + table;
    execute(db, "SAVEPOINT load", path_, what);
    try {
      TableFrames frames(db, table, path_);
      ReaderRun run(options_, reader_, path_, what);
      frames.finish(run.run(*file_, {"table", file_->childPath(), table},
                            [&](const fr::Splitter::Frame& f) { frames.take(f); }));
      execute(db, "RELEASE load", path_, what);
    } catch (...) {
      sqlite3_exec(db, "ROLLBACK TO load; RELEASE load", nullptr, nullptr, nullptr);
      throw;
    }
  }

  Files& files_;
  std::string path_;
  std::uint64_t page_;
  JetOptions options_;
  std::string reader_;
  std::unique_ptr<HandedFile> file_;
  std::map<std::string, std::string> catalogue_;  // upper-case name -> the file's spelling
  std::set<std::string> loaded_;
};

}  // namespace

std::string dateText(double days) {
  using namespace std::chrono;
  // Years 1 to 9999, what a date value can hold; anything else (a NaN, 1e154) would be no date
  // at all, and converting it to a day count is undefined.
  if (!(days > kFirstDay - 1 && days < kLastDay + 1)) throw fr::Malformed("a date out of range");
  double whole = std::trunc(days);
  long seconds = std::lround(std::fabs(days - whole) * 86400.0);
  if (seconds >= 86400) {  // a time that rounds up to midnight is the next day's
    seconds = 0;
    whole += days < 0 ? -1 : 1;
  }
  const year_month_day ymd{sys_days{year{1899} / December / 30} + std::chrono::days{static_cast<long>(whole)}};
  std::string text = twoDigits(static_cast<unsigned>(ymd.day())) + "/" +
                     twoDigits(static_cast<unsigned>(ymd.month())) + "/";
  const int y = static_cast<int>(ymd.year());
  text += twoDigits(y / 100) + twoDigits(y % 100);
  if (seconds != 0)
    text += " " + twoDigits(seconds / 3600) + ":" + twoDigits(seconds / 60 % 60) + ":" + twoDigits(seconds % 60);
  return text;
}

Value readValue(fr::Reader& in) {
  switch (static_cast<fr::ValueKind>(in.u8())) {
    case fr::ValueKind::Null:
      return Value();
    case fr::ValueKind::Integer:
      return Value(static_cast<double>(in.i64()));
    case fr::ValueKind::Float:
      return Value(in.f64());
    case fr::ValueKind::Text:
      return Value(fromUtf8(in.str()));
    case fr::ValueKind::Currency:
      return Value(static_cast<double>(in.i64()) / 10000.0);
    case fr::ValueKind::Decimal: {
      const std::string_view digits = in.str();
      double n = 0;
      const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
      if (ec != std::errc() || end != digits.data() + digits.size())
        throw fr::Malformed("a decimal \"" + std::string(digits) + "\"");
      return Value(n);
    }
    case fr::ValueKind::Boolean:
      return Value(in.u8() ? -1.0 : 0.0);
    case fr::ValueKind::Date:
      return Value(dateText(in.f64()));
    case fr::ValueKind::Bytes:
      return Value(std::string(in.str()));
  }
  throw fr::Malformed("an unknown kind of value");
}

std::string createTableSql(std::string_view table, const std::vector<ColumnDef>& columns) {
  std::string sql = "CREATE TABLE " + sqlitedb::quoted(table) + " (";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    using T = fr::ColumnType;
    std::string type;
    switch (columns[i].type) {
      case T::Boolean:
      case T::Byte:
      case T::Integer:
      case T::Long:
        type = "INTEGER";
        break;
      case T::Currency:
      case T::Single:
      case T::Double:
      case T::Numeric:
        type = "REAL";
        break;
      case T::Binary:
      case T::Ole:
      case T::Complex:
        type = "BLOB";
        break;
      default:  // text, memo, GUID, and dates, which the program sees as their text
        type = "TEXT COLLATE NOCASE";
    }
    sql += (i ? ", " : "") + sqlitedb::quoted(columns[i].name) + " " + type;
  }
  return sql + ")";
}

std::vector<std::string> createIndexSql(std::string_view table,
                                        const std::vector<ColumnDef>& columns,
                                        const std::vector<IndexDef>& indexes) {
  std::vector<std::string> sql;
  for (const IndexDef& index : indexes) {
    if (index.keys.empty()) continue;
    std::string s = std::string("CREATE ") + ((index.flags & fr::kUnique) ? "UNIQUE " : "") +
                    "INDEX " + sqlitedb::quoted(std::string(table) + "_" + index.name) + " ON " +
                    sqlitedb::quoted(table) + " (";
    for (std::size_t k = 0; k < index.keys.size(); ++k) {
      const IndexKey& key = index.keys[k];
      if (key.column >= columns.size())
        throw std::invalid_argument("index " + index.name + " names column " +
                                    std::to_string(key.column) + " of " + std::to_string(columns.size()));
      s += (k ? ", " : "") + sqlitedb::quoted(columns[key.column].name) + (key.descending ? " DESC" : "");
    }
    sql.push_back(s + ")");
  }
  return sql;
}

std::unique_ptr<Database> openFile(Files& files, const std::string& path, const JetOptions& options) {
  const std::uint64_t length = files.fileLength(path).value_or(0);
  char version = 0;
  if (length <= kJetVersionOffset ||
      files.open(path, OpenMode::Read)->readAt(kJetVersionOffset, &version, 1) != 1)
    corrupt(path, "it ends inside its header");
  if (static_cast<unsigned char>(version) > 1)
    throw RuntimeError::of(3343, path + " (an Access format after Access 2003: only Jet 3 and Jet 4 files are read)");
  const std::uint64_t page = version == 0 ? 2048 : 4096;
  if (length % page != 0)
    corrupt(path, "its length " + std::to_string(length) + " is not a whole number of " +
                      std::to_string(page) + "-byte pages");
  auto source = std::make_shared<JetSource>(files, path, page, options);
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    throw RuntimeError(3035, "System resource exceeded: " + path + " (in-memory database)");
  }
  // The loader keeps the source alive with the connection; the handle is the connection's.
  return sqlitedb::adopt(db, path, nullptr,
                         [source, db](std::string_view table) { return source->load(db, table); });
}

}  // namespace zr::platform::jet

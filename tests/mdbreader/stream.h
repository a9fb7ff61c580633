// Runs the Access reader on a file, the way the database layer does (frames on descriptor 3,
// its own chatter on stdout and stderr thrown away), and decodes everything it sent. The
// decoder checks the stream's own shape as it goes: a Header first, each payload read to its
// last byte, nothing after an End or an Error.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/jetframes.h"
#include "support/tempdir.h"

namespace zr::testing {

namespace jf = platform::jetframes;

inline const std::string kJet = std::string(ZR_SHARED_TESTDATA) + "/jet/";

struct Value {
  jf::ValueKind kind = jf::ValueKind::Null;
  std::int64_t integer = 0;  // Integer, Currency, Boolean
  double number = 0;         // Float, Date
  std::string text;          // Text, Decimal, Bytes
};

struct Column {
  std::string name;
  int type = 0;
  std::uint32_t size = 0;
  int precision = 0, scale = 0;
};

struct Index {
  std::string name;
  int flags = 0;
  std::vector<std::pair<std::uint32_t, bool>> keys;  // column ordinal, descending
};

struct Stream {
  int exit = -1;
  int jet = 0;
  std::vector<std::string> tables;
  std::vector<Column> columns;
  std::vector<Index> indexes;
  std::optional<std::int64_t> rowCount, end;
  std::vector<std::vector<Value>> rows;
  std::optional<std::string> error;
};

inline std::string shellQuoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline Value valueOf(jf::Reader& r) {
  Value v;
  v.kind = static_cast<jf::ValueKind>(r.u8());
  switch (v.kind) {
    case jf::ValueKind::Null:
      break;
    case jf::ValueKind::Integer:
    case jf::ValueKind::Currency:
      v.integer = r.i64();
      break;
    case jf::ValueKind::Float:
    case jf::ValueKind::Date:
      v.number = r.f64();
      break;
    case jf::ValueKind::Boolean:
      v.integer = r.u8();
      break;
    case jf::ValueKind::Text:
    case jf::ValueKind::Decimal:
    case jf::ValueKind::Bytes:
      v.text = r.str();
      break;
    default:
      ADD_FAILURE() << "unknown value kind " << int(v.kind);
  }
  return v;
}

inline void decodeFrame(const jf::Splitter::Frame& f, Stream& s) {
  jf::Reader r(f.payload);
  switch (f.tag) {
    case jf::Tag::Header:
      EXPECT_EQ(r.u32(), jf::kVersion);
      s.jet = r.u8();
      break;
    case jf::Tag::TableName:
      s.tables.emplace_back(r.str());
      break;
    case jf::Tag::Column: {
      Column c;
      c.name = r.str();
      c.type = r.u8();
      c.size = r.u32();
      c.precision = r.u8();
      c.scale = r.u8();
      s.columns.push_back(c);
      break;
    }
    case jf::Tag::Index: {
      Index i;
      i.name = r.str();
      i.flags = r.u8();
      for (std::uint32_t k = r.u32(); k > 0; --k) {
        const std::uint32_t ordinal = r.u32();
        i.keys.emplace_back(ordinal, r.u8() == 1);
      }
      s.indexes.push_back(i);
      break;
    }
    case jf::Tag::RowCount:
      s.rowCount = r.i64();
      break;
    case jf::Tag::Row: {
      std::vector<Value> row;
      while (!r.done()) row.push_back(valueOf(r));
      s.rows.push_back(row);
      break;
    }
    case jf::Tag::End:
      s.end = r.i64();
      break;
    case jf::Tag::Error:
      s.error = std::string(r.str());
      break;
    default:
      ADD_FAILURE() << "unknown frame tag " << int(f.tag);
  }
  EXPECT_TRUE(r.done()) << "bytes left over in a frame " << char(f.tag);
}

// `args` go to the reader quoted; `redirect` is how descriptor 3 is set up for it.
inline Stream runReader(const std::vector<std::string>& args,
                        const std::string& redirect = "3>{out}") {
  TempDir dir;
  const std::string out = (dir / "frames.bin").string();
  std::string cmd = shellQuoted(ZR_MDB_PATH);
  for (const auto& a : args) cmd += " " + shellQuoted(a);
  std::string fd3 = redirect;
  if (const auto at = fd3.find("{out}"); at != std::string::npos)
    fd3.replace(at, 5, shellQuoted(out));
  const int status = std::system((cmd + " " + fd3 + " >/dev/null 2>&1").c_str());
  Stream s;
  s.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::ifstream in(out, std::ios::binary);
  jf::Splitter split;
  split.feed(std::string(std::istreambuf_iterator<char>(in), {}));
  bool first = true, closed = false;
  while (auto f = split.next()) {
    EXPECT_FALSE(closed) << "a frame after the End or Error frame";
    if (first && f->tag != jf::Tag::Error) {
      EXPECT_EQ(f->tag, jf::Tag::Header);
    }
    first = false;
    closed = f->tag == jf::Tag::End || f->tag == jf::Tag::Error;
    decodeFrame(*f, s);
  }
  EXPECT_EQ(split.pending(), 0u) << "a frame cut short";
  return s;
}

}  // namespace zr::testing

// The framed stream between the Access reader process (app/mdb) and the database layer.
// Header-only and free of libmdb, so both sides share one definition of the format. A frame is
// a tag byte, a 32-bit little-endian payload length and the payload; payload fields are u8,
// u32 and i64 little-endian, f64 as its IEEE bits, and str as a u32 length and the bytes.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zr::platform::jetframes {

inline constexpr std::uint32_t kVersion = 1;
// No frame of a sound file comes near this; a larger length is a malformed stream.
inline constexpr std::uint32_t kMaxPayload = 64u << 20;

// The reader's exit statuses besides 0.
inline constexpr int kExitUsage = 64;
inline constexpr int kExitFailed = 2;  // after an Error frame

enum class Tag : char {
  // u32 kVersion, u8 Jet version (3 or 4): first frame of every stream.
  Header = 'H',
  // "list": str table name, one frame per user table, in catalogue order.
  TableName = 'T',
  // "table": one per column, in column order: str name, u8 ColumnType, u32 size in bytes,
  // u8 precision, u8 scale.
  Column = 'C',
  // "table": one per index: str name, u8 flags (IndexFlag), u32 key count, then per key
  // u32 column ordinal (0-based, in Column frame order) and u8 1 when descending.
  Index = 'I',
  // "table": i64 the row count that the table's own definition records, before the rows.
  RowCount = 'N',
  // "table": one per row, a value per column in column order (see ValueKind).
  Row = 'R',
  // i64 the number of TableName or Row frames sent: the last frame of a complete stream.
  End = 'E',
  // str what went wrong; the reader then exits with kExitFailed.
  Error = 'X',
};

// libmdb's column type numbers.
enum class ColumnType : std::uint8_t {
  Boolean = 1,
  Byte = 2,
  Integer = 3,
  Long = 4,
  Currency = 5,
  Single = 6,
  Double = 7,
  DateTime = 8,
  Binary = 9,
  Text = 10,
  Ole = 11,
  Memo = 12,
  Guid = 15,
  Numeric = 16,
  Complex = 18,
};

enum IndexFlag : std::uint8_t { kUnique = 1, kPrimary = 2 };

// How each value of a Row frame is written: a u8 kind, then its payload.
enum class ValueKind : std::uint8_t {
  Null = 0,      // nothing follows
  Integer = 1,   // i64 (byte, integer, long)
  Float = 2,     // f64 (single, widened; double)
  Text = 3,      // str, UTF-8 (text, memo, GUID)
  Currency = 4,  // i64, the stored value: ten-thousandths
  Decimal = 5,   // str, the exact digits: "-123.4500"
  Boolean = 6,   // u8 0 or 1; booleans are never Null
  Date = 7,      // f64, days since 1899-12-30, the fraction the time of day
  Bytes = 8,     // str, raw bytes (binary, OLE)
};

// Builds one frame's payload, then the frame.
class Writer {
 public:
  Writer& u8(std::uint8_t v) {
    payload_.push_back(static_cast<char>(v));
    return *this;
  }
  Writer& u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) payload_.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    return *this;
  }
  Writer& i64(std::int64_t value) {
    const auto v = static_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i) payload_.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    return *this;
  }
  Writer& f64(double v) { return i64(static_cast<std::int64_t>(std::bit_cast<std::uint64_t>(v))); }
  Writer& str(std::string_view s) {
    u32(static_cast<std::uint32_t>(s.size()));
    payload_.append(s);
    return *this;
  }
  // The whole frame; the writer is empty again afterwards.
  std::string frame(Tag tag) {
    std::string f(1, static_cast<char>(tag));
    const auto n = static_cast<std::uint32_t>(payload_.size());
    for (int i = 0; i < 4; ++i) f.push_back(static_cast<char>((n >> (8 * i)) & 0xff));
    f += payload_;
    payload_.clear();
    return f;
  }

 private:
  std::string payload_;
};

// A malformed payload: what the reader of the stream reports, naming the field.
struct Malformed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Reads one frame's payload field by field; every read checks the bounds.
class Reader {
 public:
  explicit Reader(std::string_view payload) : p_(payload) {}
  std::uint8_t u8() { return static_cast<std::uint8_t>(take(1)[0]); }
  std::uint32_t u32() {
    const std::string_view b = take(4);
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[i]);
    return v;
  }
  std::int64_t i64() {
    const std::string_view b = take(8);
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[i]);
    return static_cast<std::int64_t>(v);
  }
  double f64() { return std::bit_cast<double>(static_cast<std::uint64_t>(i64())); }
  std::string_view str() { return take(u32()); }
  bool done() const { return p_.empty(); }

 private:
  std::string_view take(std::size_t n) {
    if (n > p_.size()) throw Malformed("frame payload ends early");
    std::string_view b = p_.substr(0, n);
    p_.remove_prefix(n);
    return b;
  }
  std::string_view p_;
};

// Splits a byte stream into frames as they arrive.
class Splitter {
 public:
  struct Frame {
    Tag tag;
    std::string payload;
  };
  void feed(std::string_view bytes) { buf_.append(bytes); }
  // The next whole frame, or nullopt until more bytes come. Malformed on an oversized frame.
  std::optional<Frame> next() {
    if (buf_.size() - at_ < 5) return compact(), std::nullopt;
    std::uint32_t n = 0;
    for (int i = 4; i >= 1; --i) n = (n << 8) | static_cast<unsigned char>(buf_[at_ + i]);
    if (n > kMaxPayload) throw Malformed("frame of " + std::to_string(n) + " bytes");
    if (buf_.size() - at_ < 5 + std::size_t{n}) return compact(), std::nullopt;
    Frame f{static_cast<Tag>(buf_[at_]), buf_.substr(at_ + 5, n)};
    at_ += 5 + std::size_t{n};
    return f;
  }
  // Bytes received that do not make a whole frame.
  std::size_t pending() const { return buf_.size() - at_; }

 private:
  void compact() {
    buf_.erase(0, at_);
    at_ = 0;
  }
  std::string buf_;
  std::size_t at_ = 0;
};

}  // namespace zr::platform::jetframes

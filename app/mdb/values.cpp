#include "values.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>

#include "output.h"

namespace zr::mdb {
namespace {

using platform::jetframes::ValueKind;
using platform::jetframes::Writer;

constexpr unsigned kOffsetMask = 0x1fff;  // a row offset without its flag bits

std::uint64_t little(const unsigned char* p, int n) {
  std::uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

Writer& kind(Writer& row, ValueKind k) {
  return row.u8(static_cast<std::uint8_t>(k));
}

std::string named(const MdbColumn& col, const std::string& what) {
  return "column " + std::string(col.name) + ": " + what;
}

// The value's bytes on the page, at least `need` of them.
const unsigned char* bytesAt(MdbHandle* mdb, const MdbColumn& col, const MdbField& f, int need) {
  if (f.start < 0 || f.siz < need || f.siz < 0 || f.start + f.siz > mdb->fmt->pg_size)
    throw Failure(named(col, "value of " + std::to_string(f.siz) + " bytes at offset " +
                                 std::to_string(f.start) + " does not fit its type or the page"));
  return mdb->pg_buf + f.start;
}

std::string utf8(MdbHandle* mdb, const unsigned char* src, std::size_t n) {
  if (n == 0) return {};
  // Three bytes out per byte in covers every code page and UCS-2, compressed or not.
  std::string out(3 * n + 8, '\0');
  const int got =
      mdb_unicode2ascii(mdb, reinterpret_cast<const char*>(src), n, out.data(), out.size() - 1);
  out.resize(got < 0 ? 0 : std::min(static_cast<std::size_t>(got), out.size() - 1));
  return out;
}

// One row of a long-value page, read into the handle's second buffer so that the data page
// being cracked stays where it is.
std::string longValueRow(MdbHandle* mdb, std::uint32_t pgRow) {
  const std::uint32_t page = pgRow >> 8, row = pgRow & 0xff;
  const std::string where =
      "long value at page " + std::to_string(page) + " row " + std::to_string(row);
  const int size = static_cast<int>(mdb->fmt->pg_size);
  if (page == 0 || mdb_read_alt_pg(mdb, page) != size) throw Failure(where + " cannot be read");
  const unsigned char* pg = mdb->alt_pg_buf;
  const int rco = mdb->fmt->row_count_offset;
  if (pg[0] != MDB_PAGE_DATA || std::memcmp(pg + 4, "LVAL", 4) != 0)
    throw Failure(where + ": not a long value page");
  const auto count = static_cast<std::uint32_t>(little(pg + rco, 2));
  if (row >= count || rco + 2 + 2 * static_cast<int>(count) > size)
    throw Failure(where + ": no such row");
  const auto start = static_cast<int>(little(pg + rco + 2 + 2 * row, 2) & kOffsetMask);
  const int end = row == 0 ? size : static_cast<int>(little(pg + rco + 2 * row, 2) & kOffsetMask);
  if (start > end || end > size) throw Failure(where + ": damaged row offsets");
  return std::string(reinterpret_cast<const char*>(pg) + start, end - start);
}

// A memo or OLE value: a 12-byte header in the row, then the bytes in the row itself, in one
// long-value row, or in a chain of them each beginning with the next one's page and row.
std::string longValue(MdbHandle* mdb, const MdbColumn& col, const MdbField& f) {
  if (f.siz == 0) return {};
  const unsigned char* p = bytesAt(mdb, col, f, MDB_MEMO_OVERHEAD);
  const auto head = static_cast<std::uint32_t>(little(p, 4));
  const std::uint32_t length = head & 0x3fffffff;
  if (length > platform::jetframes::kMaxPayload)
    throw Failure(named(col, "value of " + std::to_string(length) + " bytes is too long"));
  auto pgRow = static_cast<std::uint32_t>(little(p + 4, 4));
  try {
    switch (head & 0xc0000000) {
      case 0x80000000:
        if (length > static_cast<std::uint32_t>(f.siz - MDB_MEMO_OVERHEAD))
          throw Failure("value longer than its row");
        return std::string(reinterpret_cast<const char*>(p) + MDB_MEMO_OVERHEAD, length);
      case 0x40000000: {
        std::string v = longValueRow(mdb, pgRow);
        if (v.size() < length) throw Failure("value shorter than its length");
        v.resize(length);
        return v;
      }
      case 0: {
        std::string v;
        std::set<std::uint32_t> seen;
        while (v.size() < length) {
          if (pgRow == 0 || !seen.insert(pgRow).second)
            throw Failure("chain of long value pages ends early or loops");
          const std::string part = longValueRow(mdb, pgRow);
          if (part.size() <= 4) throw Failure("empty long value page row");
          pgRow = static_cast<std::uint32_t>(
              little(reinterpret_cast<const unsigned char*>(part.data()), 4));
          v.append(part, 4);
        }
        v.resize(length);
        return v;
      }
      default:
        throw Failure("unknown long value flags");
    }
  } catch (const Failure& e) {
    throw Failure(named(col, e.what()));
  }
}

template <typename T>
std::string taken(T* text) {
  std::string s = text ? text : "";
  g_free(text);
  return s;
}

}  // namespace

bool knownType(int type) {
  switch (type) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_DATETIME:
    case MDB_BINARY:
    case MDB_TEXT:
    case MDB_OLE:
    case MDB_MEMO:
    case MDB_REPID:
    case MDB_NUMERIC:
    case MDB_COMPLEX:
      return true;
    default:
      return false;
  }
}

void putValue(MdbHandle* mdb, const MdbColumn& col, const MdbField& f, bool stored, Writer& row) {
  // A boolean lives in the null mask itself: the flag libmdb calls "null" is the value false.
  if (col.col_type == MDB_BOOL) {
    kind(row, ValueKind::Boolean).u8(stored && !f.is_null ? 1 : 0);
    return;
  }
  if (!stored || f.is_null || col.col_type == MDB_COMPLEX) {
    kind(row, ValueKind::Null);
    return;
  }
  switch (col.col_type) {
    case MDB_BYTE:
      kind(row, ValueKind::Integer).i64(*bytesAt(mdb, col, f, 1));
      return;
    case MDB_INT:
      kind(row, ValueKind::Integer)
          .i64(static_cast<std::int16_t>(little(bytesAt(mdb, col, f, 2), 2)));
      return;
    case MDB_LONGINT:
      kind(row, ValueKind::Integer)
          .i64(static_cast<std::int32_t>(little(bytesAt(mdb, col, f, 4), 4)));
      return;
    case MDB_MONEY:
      kind(row, ValueKind::Currency)
          .i64(static_cast<std::int64_t>(little(bytesAt(mdb, col, f, 8), 8)));
      return;
    case MDB_FLOAT:
      kind(row, ValueKind::Float)
          .f64(
              std::bit_cast<float>(static_cast<std::uint32_t>(little(bytesAt(mdb, col, f, 4), 4))));
      return;
    case MDB_DOUBLE:
    case MDB_DATETIME:
      kind(row, col.col_type == MDB_DOUBLE ? ValueKind::Float : ValueKind::Date)
          .f64(std::bit_cast<double>(little(bytesAt(mdb, col, f, 8), 8)));
      return;
    case MDB_NUMERIC:
      bytesAt(mdb, col, f, 17);
      // libmdb's own callers pass the column's fields in this order.
      kind(row, ValueKind::Decimal)
          .str(taken(mdb_numeric_to_string(mdb, f.start, col.col_scale, col.col_prec)));
      return;
    case MDB_REPID:
      bytesAt(mdb, col, f, 16);
      kind(row, ValueKind::Text).str(taken(mdb_uuid_to_string(mdb->pg_buf, f.start)));
      return;
    case MDB_TEXT:
      kind(row, ValueKind::Text).str(utf8(mdb, bytesAt(mdb, col, f, 0), f.siz));
      return;
    case MDB_BINARY:
      kind(row, ValueKind::Bytes)
          .str(std::string(reinterpret_cast<const char*>(bytesAt(mdb, col, f, 0)), f.siz));
      return;
    case MDB_MEMO: {
      const std::string bytes = longValue(mdb, col, f);
      kind(row, ValueKind::Text)
          .str(utf8(mdb, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
      return;
    }
    case MDB_OLE:
      kind(row, ValueKind::Bytes).str(longValue(mdb, col, f));
      return;
    default:
      throw Failure(named(col, "type " + std::to_string(col.col_type) + " cannot be decoded"));
  }
}

}  // namespace zr::mdb

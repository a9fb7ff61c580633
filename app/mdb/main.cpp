// zorir770-mdb: opens one Access (Jet 3 or Jet 4) file with libmdb and streams its table names,
// or one table's columns, indexes and rows, as frames on file descriptor 3. The program runs it
// as a child process, so a damaged file can hang or crash this process only; libmdb's own
// chatter goes to stdout and stderr, which the parent captures apart from the frames.
#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <signal.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "output.h"
#include "platform/jetframes.h"
#include "values.h"

namespace zr::mdb {
namespace {

namespace jf = platform::jetframes;
constexpr int kFrameFd = 3;
constexpr unsigned kDeletedRow = 0x8000;   // row offset flags on a data page
constexpr unsigned kOverflowRow = 0x4000;  // the row holds only a pointer to its data elsewhere

struct CloseDb {
  void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct FreeTable {
  void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// libmdb takes any file it can read a page of; the signature tells an Access file from others.
std::unique_ptr<MdbHandle, CloseDb> openDatabase(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure("cannot open " + path + ": " + std::strerror(errno));
  char head[19] = {};
  in.read(head, sizeof head);
  const std::string_view sig(head + 4, 15);
  if (in.gcount() < 19 || (sig != "Standard Jet DB" && sig != "Standard ACE DB"))
    throw Failure(path + " is not an Access database");
  std::unique_ptr<MdbHandle, CloseDb> mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
  if (!mdb) throw Failure("cannot read " + path + " as an Access database");
  const auto version = mdb->f->jet_version;
  if (version != MDB_VER_JET3 && version != MDB_VER_JET4)
    throw Failure(path + " is not a Jet 3 or Jet 4 database (version code " +
                  std::to_string(version) + ")");
  if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
    throw Failure("cannot read the catalogue of " + path);
  return mdb;
}

std::vector<MdbCatalogEntry*> tables(MdbHandle* mdb) {
  std::vector<MdbCatalogEntry*> found;
  for (guint i = 0; mdb->catalog && i < mdb->catalog->len; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type == MDB_TABLE) found.push_back(entry);
  }
  return found;
}

bool userTable(MdbCatalogEntry* entry) {
  return !mdb_is_system_table(entry) && std::strncmp(entry->object_name, "MSys", 4) != 0;
}

std::int64_t sendList(MdbHandle* mdb, FrameOut& out) {
  std::int64_t sent = 0;
  for (MdbCatalogEntry* entry : tables(mdb)) {
    if (!userTable(entry)) continue;
    out.send(jf::Writer().str(entry->object_name).frame(jf::Tag::TableName));
    ++sent;
  }
  return sent;
}

void sendColumns(MdbTableDef* table, FrameOut& out) {
  for (guint i = 0; i < table->num_cols; ++i) {
    const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
    if (!knownType(col->col_type))
      throw Failure("column " + std::string(col->name) + " of table " + table->name + " has type " +
                    std::to_string(col->col_type) + ", which cannot be read");
    // libmdb keeps a decimal's precision in col_scale and its scale in col_prec; other types
    // leave unrelated bytes there.
    const bool decimal = col->col_type == MDB_NUMERIC;
    out.send(jf::Writer()
                 .str(col->name)
                 .u8(static_cast<std::uint8_t>(col->col_type))
                 .u32(static_cast<std::uint32_t>(col->col_size))
                 .u8(static_cast<std::uint8_t>(decimal ? col->col_scale : 0))
                 .u8(static_cast<std::uint8_t>(decimal ? col->col_prec : 0))
                 .frame(jf::Tag::Column));
  }
}

void sendIndexes(MdbTableDef* table, FrameOut& out) {
  for (guint i = 0; table->indices && i < table->indices->len; ++i) {
    const auto* idx = static_cast<MdbIndex*>(g_ptr_array_index(table->indices, i));
    if (idx->index_type == 2) continue;  // the far side of a relationship, not an index
    jf::Writer w;
    w.str(idx->name)
        .u8(static_cast<std::uint8_t>(((idx->flags & MDB_IDX_UNIQUE) ? jf::kUnique : 0) |
                                      (idx->index_type == 1 ? jf::kPrimary : 0)))
        .u32(idx->num_keys);
    for (unsigned k = 0; k < idx->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
      // Keys name the column's number in the definition, which deletions leave with gaps.
      guint ordinal = 0;
      while (ordinal < table->num_cols &&
             static_cast<MdbColumn*>(g_ptr_array_index(table->columns, ordinal))->col_num !=
                 idx->key_col_num[k] - 1)
        ++ordinal;
      if (ordinal == table->num_cols)
        throw Failure("index " + std::string(idx->name) + " of table " + table->name +
                      " names a column that does not exist");
      w.u32(ordinal).u8(idx->key_col_order[k] == MDB_DESC ? 1 : 0);
    }
    out.send(w.frame(jf::Tag::Index));
  }
}

// The table's next data page after `page`, read into the handle's buffer, or 0 after the last.
// libmdb reads a page past the end of the file as zeros and then moves on; here the usage map
// naming such a page means the file was cut short.
guint32 nextDataPage(MdbTableDef* table, guint32 page, std::uint64_t fileSize) {
  MdbHandle* mdb = table->entry->mdb;
  const auto pageSize = static_cast<std::uint64_t>(mdb->fmt->pg_size);
  for (;;) {
    const gint32 found = mdb_map_find_next(mdb, table->usage_map, table->map_sz, page);
    if (found == 0) return 0;
    // A usage map of a kind libmdb does not know: every page is looked at in turn.
    const guint32 next = found < 0 ? page + 1 : static_cast<guint32>(found);
    if ((std::uint64_t{next} + 1) * pageSize > fileSize) {
      if (found < 0) return 0;
      throw Failure("table " + std::string(table->name) + " has a page (" + std::to_string(next) +
                    ") past the end of the file");
    }
    if (mdb_read_pg(mdb, next) != mdb->fmt->pg_size)
      throw Failure("page " + std::to_string(next) + " of table " + table->name +
                    " cannot be read");
    page = next;
    if (mdb->pg_buf[0] == MDB_PAGE_DATA &&
        static_cast<guint32>(mdb_get_int32(mdb->pg_buf, 4)) == table->entry->table_pg)
      return page;
  }
}

// Walks the table's data pages itself rather than through mdb_fetch_row, which skips a row it
// cannot crack without a word and hides which values are null.
std::int64_t sendRows(MdbTableDef* table, FrameOut& out) {
  MdbHandle* mdb = table->entry->mdb;
  const int rco = mdb->fmt->row_count_offset;
  const int pageSize = static_cast<int>(mdb->fmt->pg_size);
  std::vector<MdbField> fields(table->num_cols + 1);
#ifdef _WIN32
  struct _stat64 st {};
  if (::_fstat64(::_fileno(mdb->f->stream), &st) != 0) throw Failure("cannot read the file's size");
#else
  struct stat st {};
  if (::fstat(::fileno(mdb->f->stream), &st) != 0) throw Failure("cannot read the file's size");
#endif
  const auto fileSize = static_cast<std::uint64_t>(st.st_size);
  std::int64_t sent = 0;
  for (guint32 page = nextDataPage(table, 0, fileSize); page != 0;
       page = nextDataPage(table, page, fileSize)) {
    const int count = mdb_get_int16(mdb->pg_buf, rco);
    if (rco + 2 + 2 * count > pageSize)
      throw Failure("data page " + std::to_string(page) + " of table " + table->name +
                    " has a damaged row table");
    for (int r = 0; r < count; ++r) {
      const auto flags = static_cast<unsigned>(mdb_get_int16(mdb->pg_buf, rco + 2 + 2 * r));
      if (flags & kDeletedRow) continue;
      const std::string which = "row " + std::to_string(sent + 1) + " of table " + table->name;
      if (flags & kOverflowRow)
        throw Failure(which +
                      " was moved to an overflow page, which this reader does not "
                      "follow; compacting the database puts it back");
      int start = 0;
      std::size_t size = 0;
      if (mdb_find_row(mdb, r, &start, &size) != 0 || size == 0)
        throw Failure(which + " has a damaged offset on page " + std::to_string(page));
      const int stored = mdb_crack_row(table, start, size, fields.data());
      if (stored < 0) throw Failure(which + " cannot be cracked");
      jf::Writer row;
      try {
        for (guint i = 0; i < table->num_cols; ++i) {
          const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
          putValue(mdb, *col, fields[i], col->col_num < stored, row);
        }
      } catch (const Failure& e) {
        throw Failure(which + ", " + e.what());
      }
      std::string frame = row.frame(jf::Tag::Row);
      if (frame.size() > jf::kMaxPayload) throw Failure(which + " is too large for one frame");
      out.send(frame);
      ++sent;
    }
  }
  return sent;
}

std::int64_t sendTable(MdbHandle* mdb, const std::string& name, FrameOut& out) {
  MdbCatalogEntry* entry = nullptr;
  for (MdbCatalogEntry* e : tables(mdb))
    if (sameName(e->object_name, name)) {
      entry = e;
      break;
    }
  if (!entry) throw Failure("table " + name + " not found");
  std::unique_ptr<MdbTableDef, FreeTable> table(mdb_read_table(entry));
  if (!table || !mdb_read_columns(table.get()))
    throw Failure("cannot read the definition of table " + name);
  mdb_read_indices(table.get());
  sendColumns(table.get(), out);
  sendIndexes(table.get(), out);
  out.send(jf::Writer().i64(table->num_rows).frame(jf::Tag::RowCount));
  return sendRows(table.get(), out);
}

int run(const std::vector<std::string>& args) {
  FrameOut out(kFrameFd);
  try {
    auto mdb = openDatabase(args[1]);
    out.send(jf::Writer()
                 .u32(jf::kVersion)
                 .u8(mdb->f->jet_version == MDB_VER_JET3 ? 3 : 4)
                 .frame(jf::Tag::Header));
    const std::int64_t sent =
        args[0] == "list" ? sendList(mdb.get(), out) : sendTable(mdb.get(), args[2], out);
    out.send(jf::Writer().i64(sent).frame(jf::Tag::End));
    out.flush();
    return 0;
  } catch (const Failure& e) {
    out.send(jf::Writer().str(e.what()).frame(jf::Tag::Error));
  } catch (const std::bad_alloc&) {
    out.send(jf::Writer().str("out of memory reading " + args[1]).frame(jf::Tag::Error));
  }
  out.flush();
  return jf::kExitFailed;
}

}  // namespace
}  // namespace zr::mdb

int main(int argc, char** argv) {
  namespace jf = zr::platform::jetframes;
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const bool list = args.size() == 2 && args[0] == "list";
  const bool table = args.size() == 3 && args[0] == "table";
  if (!list && !table) {
    std::fputs("usage: zorir770-mdb list FILE\n       zorir770-mdb table FILE NAME\n", stderr);
    return jf::kExitUsage;
  }
#ifdef _WIN32
  // The parent hands the frame pipe over as descriptor 3 as the C run time passes descriptors
  // to a child; the frames are bytes, never text with CR LF.
  const bool framesOpen = ::_get_osfhandle(zr::mdb::kFrameFd) != -1;
  if (framesOpen) ::_setmode(zr::mdb::kFrameFd, _O_BINARY);
#else
  const bool framesOpen = ::fcntl(zr::mdb::kFrameFd, F_GETFD) != -1;
#endif
  if (!framesOpen) {
    std::fputs("zorir770-mdb: file descriptor 3 is not open for the frames\n", stderr);
    return jf::kExitUsage;
  }
#ifndef _WIN32
  // A reader that goes away is seen as a failed write, not as a signal.
  ::signal(SIGPIPE, SIG_IGN);
#endif
  try {
    return zr::mdb::run(args);
  } catch (const zr::mdb::PeerGone& e) {
    std::fprintf(stderr, "zorir770-mdb: %s\n", e.what());
    return jf::kExitFailed;
  }
}

#include "platform/database_vfs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "platform/errors.h"

namespace zr::platform::sqlitedb {

namespace {

// The main database: bytes through Files, locks through the engine's own file over the same
// host file, so that another program's writer is waited for as before.
struct MainFile {
  sqlite3_file base;  // first: the engine sees only this
  FilesVfs* owner;
  File* file;
  sqlite3_file* lock;
};

FilesVfs& ownerOf(sqlite3_vfs* vfs) {
  return *static_cast<FilesVfs*>(vfs->pAppData);
}

MainFile& mainOf(sqlite3_file* f) {
  return *reinterpret_cast<MainFile*>(f);
}

std::string failureText(const RuntimeError& e) {
  return "error " + std::to_string(e.number()) + " " + e.description();
}

int mainClose(sqlite3_file* f) {
  MainFile& m = mainOf(f);
  if (m.lock) {
    if (m.lock->pMethods) m.lock->pMethods->xClose(m.lock);
    sqlite3_free(m.lock);
    m.lock = nullptr;
  }
  delete m.file;
  m.file = nullptr;
  return SQLITE_OK;
}

int mainRead(sqlite3_file* f, void* buf, int amount, sqlite3_int64 offset) {
  MainFile& m = mainOf(f);
  try {
    const auto n = static_cast<std::size_t>(amount);
    const std::size_t got =
        m.file->readAt(static_cast<std::uint64_t>(offset), static_cast<char*>(buf), n);
    if (got == n) return SQLITE_OK;
    // The engine takes a short read for the end of the file and reads zeros on: within the
    // file's length it is a failed read, or a page of real rows would read as empty.
    if (static_cast<std::uint64_t>(offset) + n <= m.file->size()) {
      m.owner->noteFailure("short read at offset " + std::to_string(offset) + " of " +
                           m.file->path());
      return SQLITE_IOERR_READ;
    }
    std::memset(static_cast<char*>(buf) + got, 0, n - got);
    return SQLITE_IOERR_SHORT_READ;
  } catch (const RuntimeError& e) {
    m.owner->noteFailure(failureText(e));
  } catch (const std::bad_alloc&) {
    return SQLITE_IOERR_NOMEM;
  } catch (const std::exception& e) {
    m.owner->noteFailure(e.what());
  }
  return SQLITE_IOERR_READ;
}

// The program never writes a database: the engine asks for neither of these on a read-only file.
int mainWrite(sqlite3_file*, const void*, int, sqlite3_int64) {
  return SQLITE_READONLY;
}
int mainTruncate(sqlite3_file*, sqlite3_int64) {
  return SQLITE_READONLY;
}
int mainSync(sqlite3_file*, int) {
  return SQLITE_OK;
}

int mainFileSize(sqlite3_file* f, sqlite3_int64* size) {
  MainFile& m = mainOf(f);
  try {
    *size = static_cast<sqlite3_int64>(m.file->size());
    return SQLITE_OK;
  } catch (const RuntimeError& e) {
    m.owner->noteFailure(failureText(e));
  } catch (const std::exception& e) {
    m.owner->noteFailure(e.what());
  }
  return SQLITE_IOERR_FSTAT;
}

int mainLock(sqlite3_file* f, int level) {
  sqlite3_file* lock = mainOf(f).lock;
  return lock->pMethods->xLock(lock, level);
}
int mainUnlock(sqlite3_file* f, int level) {
  sqlite3_file* lock = mainOf(f).lock;
  return lock->pMethods->xUnlock(lock, level);
}
int mainCheckReservedLock(sqlite3_file* f, int* out) {
  sqlite3_file* lock = mainOf(f).lock;
  return lock->pMethods->xCheckReservedLock(lock, out);
}
int mainFileControl(sqlite3_file*, int, void*) {
  return SQLITE_NOTFOUND;
}
int mainSectorSize(sqlite3_file* f) {
  sqlite3_file* lock = mainOf(f).lock;
  return lock->pMethods->xSectorSize(lock);
}
int mainDeviceCharacteristics(sqlite3_file* f) {
  sqlite3_file* lock = mainOf(f).lock;
  return lock->pMethods->xDeviceCharacteristics(lock);
}

// Version 1: no shared memory, so a database in write-ahead-log mode is refused at the open.
sqlite3_io_methods mainMethods() {
  sqlite3_io_methods m{};
  m.iVersion = 1;
  m.xClose = mainClose;
  m.xRead = mainRead;
  m.xWrite = mainWrite;
  m.xTruncate = mainTruncate;
  m.xSync = mainSync;
  m.xFileSize = mainFileSize;
  m.xLock = mainLock;
  m.xUnlock = mainUnlock;
  m.xCheckReservedLock = mainCheckReservedLock;
  m.xFileControl = mainFileControl;
  m.xSectorSize = mainSectorSize;
  m.xDeviceCharacteristics = mainDeviceCharacteristics;
  return m;
}
const sqlite3_io_methods kMainMethods = mainMethods();

int openMain(FilesVfs& owner, const char* name, MainFile& m, int* outFlags) {
  std::unique_ptr<File> file;
  const char* hostName = nullptr;
  try {
    file = owner.files().open(name, OpenMode::Read);
    hostName = owner.noteMain(name, owner.files().resolve(name));
  } catch (const RuntimeError& e) {
    owner.noteFailure(failureText(e));
    return SQLITE_CANTOPEN;
  }
  sqlite3_vfs& host = owner.host();
  auto* lock = static_cast<sqlite3_file*>(sqlite3_malloc(host.szOsFile));
  if (!lock) return SQLITE_NOMEM;
  std::memset(lock, 0, static_cast<std::size_t>(host.szOsFile));
  const int rc =
      host.xOpen(&host, hostName, lock, SQLITE_OPEN_READONLY | SQLITE_OPEN_MAIN_DB, nullptr);
  if (rc != SQLITE_OK) {
    if (lock->pMethods) lock->pMethods->xClose(lock);
    sqlite3_free(lock);
    owner.noteFailure(std::string("cannot lock ") + name);
    return rc;
  }
  m.owner = &owner;
  m.file = file.release();
  m.lock = lock;
  m.base.pMethods = &kMainMethods;
  if (outFlags) *outFlags = SQLITE_OPEN_READONLY | SQLITE_OPEN_MAIN_DB;
  return SQLITE_OK;
}

int vfsOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* f, int flags, int* outFlags) {
  FilesVfs& owner = ownerOf(vfs);
  f->pMethods = nullptr;
  // Names the engine makes itself are never URIs; the engine's own files must not read them so.
  const int plain = flags & ~SQLITE_OPEN_URI;
  if (name && (flags & SQLITE_OPEN_MAIN_DB))
    return openMain(owner, name, reinterpret_cast<MainFile&>(*f), outFlags);
  // Journals and temporary files: the engine's own files, under the mapped name.
  const char* hostName = nullptr;
  if (name) {
    try {
      hostName = owner.hostName(name);
    } catch (const RuntimeError& e) {
      owner.noteFailure(failureText(e));
      return SQLITE_CANTOPEN;
    }
  }
  return owner.host().xOpen(&owner.host(), hostName, f, plain, outFlags);
}

int vfsDelete(sqlite3_vfs* vfs, const char* name, int syncDir) {
  FilesVfs& owner = ownerOf(vfs);
  try {
    return owner.host().xDelete(&owner.host(), owner.hostName(name), syncDir);
  } catch (const RuntimeError&) {
    return SQLITE_IOERR_DELETE;
  }
}

int vfsAccess(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
  FilesVfs& owner = ownerOf(vfs);
  try {
    return owner.host().xAccess(&owner.host(), owner.hostName(name), flags, out);
  } catch (const RuntimeError&) {
    *out = 0;
    return SQLITE_OK;
  }
}

// The system's own spelling stays the engine's name for the file: Files maps it.
int vfsFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
  const std::size_t n = std::strlen(name);
  if (n + 1 > static_cast<std::size_t>(size)) return SQLITE_CANTOPEN;
  std::memcpy(out, name, n + 1);
  return SQLITE_OK;
}

void* vfsDlOpen(sqlite3_vfs* vfs, const char* name) {
  return ownerOf(vfs).host().xDlOpen(&ownerOf(vfs).host(), name);
}
void vfsDlError(sqlite3_vfs* vfs, int n, char* out) {
  ownerOf(vfs).host().xDlError(&ownerOf(vfs).host(), n, out);
}
void (*vfsDlSym(sqlite3_vfs* vfs, void* lib, const char* sym))(void) {
  return ownerOf(vfs).host().xDlSym(&ownerOf(vfs).host(), lib, sym);
}
void vfsDlClose(sqlite3_vfs* vfs, void* lib) {
  ownerOf(vfs).host().xDlClose(&ownerOf(vfs).host(), lib);
}
int vfsRandomness(sqlite3_vfs* vfs, int n, char* out) {
  return ownerOf(vfs).host().xRandomness(&ownerOf(vfs).host(), n, out);
}
int vfsSleep(sqlite3_vfs* vfs, int micro) {
  return ownerOf(vfs).host().xSleep(&ownerOf(vfs).host(), micro);
}
int vfsCurrentTime(sqlite3_vfs* vfs, double* now) {
  return ownerOf(vfs).host().xCurrentTime(&ownerOf(vfs).host(), now);
}
int vfsGetLastError(sqlite3_vfs* vfs, int n, char* out) {
  return ownerOf(vfs).host().xGetLastError(&ownerOf(vfs).host(), n, out);
}
int vfsCurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* now) {
  sqlite3_vfs& host = ownerOf(vfs).host();
  if (host.iVersion >= 2 && host.xCurrentTimeInt64) return host.xCurrentTimeInt64(&host, now);
  double day = 0;
  const int rc = host.xCurrentTime(&host, &day);
  *now = static_cast<sqlite3_int64>(day * 86400000.0);
  return rc;
}

}  // namespace

FilesVfs::FilesVfs(Files& files) : files_(files), host_(sqlite3_vfs_find(nullptr)) {
  if (!host_) throw RuntimeError(3001, "Invalid argument: the database engine has no file layer");
  char name[48];
  std::snprintf(name, sizeof name, "zr-files-%p", static_cast<void*>(this));
  name_ = name;
  vfs_.iVersion = 2;
  vfs_.szOsFile = std::max(static_cast<int>(sizeof(MainFile)), host_->szOsFile);
  vfs_.mxPathname = std::max(host_->mxPathname, 1024);
  vfs_.zName = name_.c_str();
  vfs_.pAppData = this;
  vfs_.xOpen = vfsOpen;
  vfs_.xDelete = vfsDelete;
  vfs_.xAccess = vfsAccess;
  vfs_.xFullPathname = vfsFullPathname;
  vfs_.xDlOpen = vfsDlOpen;
  vfs_.xDlError = vfsDlError;
  vfs_.xDlSym = vfsDlSym;
  vfs_.xDlClose = vfsDlClose;
  vfs_.xRandomness = vfsRandomness;
  vfs_.xSleep = vfsSleep;
  vfs_.xCurrentTime = vfsCurrentTime;
  vfs_.xGetLastError = vfsGetLastError;
  vfs_.xCurrentTimeInt64 = vfsCurrentTimeInt64;
  if (sqlite3_vfs_register(&vfs_, 0) != SQLITE_OK)
    throw RuntimeError(3035, "System resource exceeded: cannot register the database file layer");
}

FilesVfs::~FilesVfs() {
  sqlite3_vfs_unregister(&vfs_);
}

const char* FilesVfs::noteMain(std::string_view systemName, std::string hostName) {
  mainSystem_ = systemName;
  mainHost_ = std::move(hostName);
  return names_.insert(mainHost_).first->c_str();
}

const char* FilesVfs::hostName(std::string_view systemName) {
  // Beside the main database: its host name plus the engine's suffix, without a folder scan.
  if (!mainSystem_.empty() && systemName.starts_with(mainSystem_))
    return names_.insert(mainHost_ + std::string(systemName.substr(mainSystem_.size())))
        .first->c_str();
  return names_.insert(files_.resolve(systemName)).first->c_str();
}

}  // namespace zr::platform::sqlitedb

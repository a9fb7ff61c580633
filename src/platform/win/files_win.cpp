// The Windows Files backend: the ANSI functions, so names are CP1252 bytes as in the archives.
// With an empty root, system paths are used as they are; with a root (tests, a copied
// installation) "C:\A\B" is root\A\B as on other hosts, and a path already under the root is
// the host's own. Components are not looked up: the file system ignores case itself.
#include "platform/files_host.h"

#include <cstdlib>

#include "platform/errors.h"
#include "platform/pathmap.h"
#include "platform/win/winio.h"

namespace zr::platform {

namespace {

class WinFile : public File {
 public:
  WinFile(winio::Handle h, std::string systemPath, std::string hostPath)
      : h_(std::move(h)), system_(std::move(systemPath)), host_(std::move(hostPath)) {}

  std::size_t readAt(std::uint64_t offset, char* buf, std::size_t n) override {
    return winio::readFully(h_.get(), offset, buf, n, system_, host_);
  }
  void writeAt(std::uint64_t offset, std::string_view bytes) override {
    winio::writeFully(h_.get(), offset, bytes, system_, host_);
  }
  std::uint64_t size() override {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(h_.get(), &size))
      winio::fail(winio::ioErrorNumber(::GetLastError()), system_, host_);
    return static_cast<std::uint64_t>(size.QuadPart);
  }
  void sync() override {
    if (!::FlushFileBuffers(h_.get()))
      winio::fail(winio::ioErrorNumber(::GetLastError()), system_, host_);
  }
  const std::string& path() const override { return system_; }
  const std::string& hostPath() const { return host_; }
  HANDLE handle() const { return h_.get(); }

 private:
  winio::Handle h_;
  std::string system_;
  std::string host_;
};

winio::Handle openOrFail(const std::string& host, DWORD access, DWORD disposition,
                         std::string_view systemPath) {
  DWORD err = 0;
  winio::Handle h = winio::openShared(host, access, disposition, err);
  if (!h) winio::fail(err == ERROR_BAD_FILE_TYPE ? 75 : winio::openErrorNumber(err, host),
                      systemPath, host);
  return h;
}

// The whole file, locked against every other handle, in this process or another, at once.
bool lockWhole(HANDLE h) {
  OVERLAPPED ov{};
  return ::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                      MAXDWORD, &ov);
}

void unlockWhole(HANDLE h) {
  OVERLAPPED ov{};
  ::UnlockFileEx(h, 0, MAXDWORD, MAXDWORD, &ov);
}

// "Held by another" is 70 and retried by the caller; any other failure is the access error.
int lockFailure(DWORD err) {
  return err == ERROR_LOCK_VIOLATION || err == ERROR_SHARING_VIOLATION || err == ERROR_IO_PENDING
             ? 70
             : 75;
}

class WinLockable : public LockableFile {
 public:
  explicit WinLockable(std::unique_ptr<WinFile> file) : file_(std::move(file)) {}
  ~WinLockable() override { unlock(); }
  File& lock() override {
    if (!held_) {
      if (!lockWhole(file_->handle()))
        winio::fail(lockFailure(::GetLastError()), file_->path(), file_->hostPath());
      held_ = true;
    }
    return *file_;
  }
  void unlock() override {
    if (held_) unlockWhole(file_->handle());
    held_ = false;
  }

 private:
  std::unique_ptr<WinFile> file_;
  bool held_ = false;
};

// A lock held by one WinFile: closing the handle gives it back.
class LockedWinFile : public WinFile {
 public:
  using WinFile::WinFile;
  ~LockedWinFile() override { unlockWhole(handle()); }
};

}  // namespace

std::unique_ptr<Files> makeHostFiles(std::string root) {
  return std::make_unique<HostFiles>(std::move(root));
}

std::string defaultDriveRoot() {
  const char* root = std::getenv("ZORIR770_ROOT");
  return root ? std::string(root) : std::string();
}

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Whether `path` already lies in the folder `root` (in any case, either separator): then it is
// a host path, as a path that starts with "/" is elsewhere.
bool liesUnder(std::string_view path, std::string_view root) {
  while (!root.empty() && isSeparator(root.back())) root.remove_suffix(1);
  if (root.empty() || path.size() < root.size()) return false;
  for (std::size_t i = 0; i < root.size(); ++i) {
    const char a = path[i], b = root[i];
    if (isSeparator(a) && isSeparator(b)) continue;
    if (pathmap::foldByte(static_cast<unsigned char>(a)) !=
        pathmap::foldByte(static_cast<unsigned char>(b)))
      return false;
  }
  return path.size() == root.size() || isSeparator(path[root.size()]);
}

}  // namespace

std::string HostFiles::resolve(std::string_view path) const {
  if (root_.empty()) return std::string(path);
  std::string host = liesUnder(path, root_) ? std::string(path) : mapPathLiterally(root_, path);
  for (char& c : host)
    if (c == '/') c = '\\';
  return host;
}

std::unique_ptr<File> HostFiles::open(std::string_view path, OpenMode mode) {
  std::string host = resolve(path);
  DWORD access = GENERIC_READ | GENERIC_WRITE;
  DWORD disposition = OPEN_ALWAYS;
  switch (mode) {
    case OpenMode::Read:
      access = GENERIC_READ;
      disposition = OPEN_EXISTING;
      break;
    case OpenMode::ReadWrite:
    case OpenMode::Truncate:  // emptied below, so that the file keeps its attributes
      break;
    case OpenMode::CreateNew:  // a link under the name is a name that is taken
      disposition = CREATE_NEW;
      break;
  }
  winio::Handle h = openOrFail(host, access, disposition, path);
  if (mode == OpenMode::Truncate && !::SetEndOfFile(h.get()))
    winio::fail(winio::ioErrorNumber(::GetLastError()), path, host);
  return std::make_unique<WinFile>(std::move(h), std::string(path), std::move(host));
}

std::unique_ptr<File> HostFiles::openLocked(std::string_view path) {
  std::string host = resolve(path);
  winio::Handle h = openOrFail(host, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, path);
  if (!lockWhole(h.get())) winio::fail(lockFailure(::GetLastError()), path, host);
  return std::make_unique<LockedWinFile>(std::move(h), std::string(path), std::move(host));
}

std::unique_ptr<LockableFile> HostFiles::openLockable(std::string_view path) {
  std::string host = resolve(path);
  winio::Handle h = openOrFail(host, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, path);
  return std::make_unique<WinLockable>(
      std::make_unique<WinFile>(std::move(h), std::string(path), std::move(host)));
}

bool HostFiles::exists(std::string_view path) {
  DWORD err = 0;
  return static_cast<bool>(winio::openShared(resolve(path), GENERIC_READ, OPEN_EXISTING, err));
}

bool HostFiles::isDirectory(std::string_view path) { return winio::isFolder(resolve(path)); }

std::optional<std::uint64_t> HostFiles::fileLength(std::string_view path) {
  DWORD err = 0;
  winio::Handle h = winio::openShared(resolve(path), FILE_READ_ATTRIBUTES, OPEN_EXISTING, err);
  LARGE_INTEGER size;
  if (!h || !::GetFileSizeEx(h.get(), &size)) return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

void HostFiles::remove(std::string_view path) {
  std::string host = resolve(path);
  if (!::DeleteFileA(host.c_str()))
    winio::fail(winio::openErrorNumber(::GetLastError(), host), path, host);
}

}  // namespace zr::platform

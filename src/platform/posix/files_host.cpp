#include "platform/posix/files_host.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/errors.h"
#include "platform/posix/hostio.h"
#include "platform/posix/pathmap_disk.h"

namespace zr::platform {

namespace {

class HostFile : public File {
 public:
  HostFile(int fd, std::string systemPath, std::string hostPath)
      : fd_(fd), system_(std::move(systemPath)), host_(std::move(hostPath)) {}
  ~HostFile() override { ::close(fd_); }

  std::size_t readAt(std::uint64_t offset, char* buf, std::size_t n) override {
    return hostio::readFully(fd_, offset, buf, n, system_, host_);
  }
  void writeAt(std::uint64_t offset, std::string_view bytes) override {
    hostio::writeFully(fd_, offset, bytes, system_, host_);
  }
  std::uint64_t size() override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) hostio::fail(hostio::ioErrorNumber(errno), system_, host_);
    return static_cast<std::uint64_t>(st.st_size);
  }
  void sync() override { hostio::syncOrFail(fd_, system_, host_); }
  const std::string& path() const override { return system_; }
  const std::string& hostPath() const { return host_; }

 private:
  int fd_;
  std::string system_;
  std::string host_;
};

int openFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::Read:
      return O_RDONLY;
    case OpenMode::ReadWrite:
      return O_RDWR | O_CREAT;
    case OpenMode::Truncate:
      return O_RDWR | O_CREAT | O_TRUNC;
    case OpenMode::CreateNew:
      return O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
  }
  return O_RDONLY;
}

// Opens a regular file; a folder, FIFO or device under the name is a path/file access error.
// The open itself does not block, so a FIFO planted under an archive's name cannot hang a run.
int openRegular(const std::string& host, int flags, std::string_view systemPath) {
  int fd;
  do {
    fd = ::open(host.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) hostio::fail(hostio::openErrorNumber(errno, host), systemPath, host);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    hostio::fail(75, systemPath, host);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

enum class LockKind { None, Description, Flock };

// A write lock on the whole file, owned by this open description: another description, in
// this process or another, is refused at once.
LockKind lockWholeFile(int fd) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;
  while (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
    if (errno == EINTR) continue;
    if (errno != EINVAL) return LockKind::None;
    // A kernel without description locks: flock locks belong to the description as well.
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0)
      if (errno != EINTR) return LockKind::None;
    return LockKind::Flock;
  }
  return LockKind::Description;
}

void unlockWholeFile(int fd, LockKind kind) {
  if (kind == LockKind::Flock) {
    while (::flock(fd, LOCK_UN) != 0)
      if (errno != EINTR) return;
    return;
  }
  struct flock fl {};
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  while (::fcntl(fd, F_OFD_SETLK, &fl) != 0)
    if (errno != EINTR) return;
}

int lockFailure(int err) {
  return err == EAGAIN || err == EACCES || err == EWOULDBLOCK ? 70 : 75;
}

// One open description whose lock comes and goes.
class HostLockable : public LockableFile {
 public:
  HostLockable(int fd, std::string systemPath, std::string hostPath)
      : fd_(fd), file_(fd, std::move(systemPath), std::move(hostPath)) {}
  File& lock() override {
    if (held_ == LockKind::None) {
      held_ = lockWholeFile(fd_);
      if (held_ == LockKind::None) hostio::fail(lockFailure(errno), file_.path(), host());
    }
    return file_;
  }
  void unlock() override {
    if (held_ == LockKind::None) return;
    unlockWholeFile(fd_, held_);
    held_ = LockKind::None;
  }

 private:
  std::string host() const { return file_.hostPath(); }
  int fd_;
  HostFile file_;  // closes the descriptor, and with it a lock still held
  LockKind held_ = LockKind::None;
};

}  // namespace

std::unique_ptr<Files> makeHostFiles(std::string root) {
  return std::make_unique<HostFiles>(std::move(root));
}

std::string HostFiles::resolve(std::string_view path) const {
  return pathmap::resolveOnDisk(pathmap::split(root_, path));
}

std::unique_ptr<File> HostFiles::open(std::string_view path, OpenMode mode) {
  std::string host = resolve(path);
  int fd = openRegular(host, openFlags(mode), path);
  return std::make_unique<HostFile>(fd, std::string(path), std::move(host));
}

std::unique_ptr<File> HostFiles::openLocked(std::string_view path) {
  std::string host = resolve(path);
  int fd = openRegular(host, O_RDWR | O_CREAT, path);
  if (lockWholeFile(fd) == LockKind::None) {
    int err = errno;
    ::close(fd);
    hostio::fail(lockFailure(err), path, host);
  }
  return std::make_unique<HostFile>(fd, std::string(path), std::move(host));
}

std::unique_ptr<LockableFile> HostFiles::openLockable(std::string_view path) {
  std::string host = resolve(path);
  int fd = openRegular(host, O_RDWR | O_CREAT, path);
  return std::make_unique<HostLockable>(fd, std::string(path), std::move(host));
}

bool HostFiles::exists(std::string_view path) {
  std::string host = resolve(path);
  int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  ::close(fd);
  return regular;
}

bool HostFiles::isDirectory(std::string_view path) {
  struct stat st;
  return ::stat(resolve(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::uint64_t> HostFiles::fileLength(std::string_view path) {
  struct stat st;
  if (::stat(resolve(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

void HostFiles::remove(std::string_view path) {
  std::string host = resolve(path);
  if (::unlink(host.c_str()) != 0) {
    int err = errno;
    hostio::fail(err == EISDIR ? 75 : hostio::openErrorNumber(err, host), path, host);
  }
}

}  // namespace zr::platform

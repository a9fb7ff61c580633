#include "platform/posix/hostio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/errors.h"

namespace zr::platform::hostio {

namespace {

std::string folderOf(const std::string& hostPath) {
  std::size_t slash = hostPath.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return hostPath.substr(0, slash);
}

bool isFolder(const std::string& hostPath) {
  struct stat st;
  return ::stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string where(std::string_view systemPath, std::string_view hostPath) {
  std::string s(systemPath);
  if (!hostPath.empty() && hostPath != systemPath) {
    s += " (";
    s += hostPath;
    s += ")";
  }
  return s;
}

int openErrorNumber(int err, const std::string& hostPath) {
  switch (err) {
    case ENOENT:
      return isFolder(folderOf(hostPath)) ? 53 : 76;
    case ENOTDIR:
      return 76;
    case ENXIO:  // a FIFO without a reader, opened for writing without waiting
      return 75;
    case EEXIST:  // an exclusive creation found the name taken
    case ELOOP:   // a link where none may be followed
      return 58;
    case EACCES:
    case EPERM:
    case EWOULDBLOCK:
      return 70;
    case EMFILE:
    case ENFILE:
      return 67;
    case ENAMETOOLONG:
      return 52;
    case ENOSPC:
    case EDQUOT:
      return 61;
    default:
      return 75;  // EISDIR, EROFS, ELOOP, ETXTBSY, ...
  }
}

int ioErrorNumber(int err) {
  switch (err) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return 61;
    case EBADF:
      return 54;
    default:
      return 57;
  }
}

void fail(int number, std::string_view systemPath, std::string_view hostPath) {
  throw RuntimeError::of(number, where(systemPath, hostPath));
}

std::size_t readFully(int fd, std::uint64_t offset, char* buf, std::size_t n,
                      std::string_view systemPath, std::string_view hostPath) {
  std::size_t done = 0;
  while (done < n) {
    ssize_t got = ::pread(fd, buf + done, n - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      fail(ioErrorNumber(errno), systemPath, hostPath);
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

void writeFully(int fd, std::uint64_t offset, std::string_view bytes, std::string_view systemPath,
                std::string_view hostPath) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put =
        ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (put < 0) {
      if (errno == EINTR) continue;
      fail(ioErrorNumber(errno), systemPath, hostPath);
    }
    if (put == 0) fail(61, systemPath, hostPath);  // no progress: nothing more fits
    done += static_cast<std::size_t>(put);
  }
}

void syncOrFail(int fd, std::string_view systemPath, std::string_view hostPath) {
  while (::fsync(fd) != 0) {
    if (errno == EINTR) continue;
    if (errno == EINVAL || errno == EROFS) return;  // a file that cannot be synced
    fail(ioErrorNumber(errno), systemPath, hostPath);
  }
}

void syncFolderOf(const std::string& hostPath) {
  int fd = ::open(folderOf(hostPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

TempFile::TempFile(std::string target, std::string_view systemPath, unsigned serial)
    : target_(std::move(target)), system_(systemPath) {
  std::size_t slash = target_.rfind('/');
  std::string folder = folderOf(target_);
  std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  std::string stem = folder + "/." + name + ".tmp" + std::to_string(::getpid()) + "-";
  for (unsigned attempt = 0; fd_ < 0; ++attempt) {
    temp_ = stem + std::to_string(serial) + "-" + std::to_string(attempt);
    fd_ = ::open(temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && (errno != EEXIST || attempt > 1000))
      fail(openErrorNumber(errno, temp_), system_, target_);
  }
}

TempFile::~TempFile() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(temp_.c_str());
  }
}

void TempFile::write(std::string_view bytes) {
  writeFully(fd_, written_, bytes, system_, temp_);
  written_ += bytes.size();
}

void TempFile::takeModeOf(const std::string& hostPath, unsigned fallbackMode) {
  struct stat st;
  if (::stat(hostPath.c_str(), &st) == 0)
    ::fchmod(fd_, st.st_mode & 07777);
  else if (fallbackMode != 0)
    ::fchmod(fd_, fallbackMode & 07777);
}

void TempFile::commit() {
  syncOrFail(fd_, system_, temp_);
  if (::rename(temp_.c_str(), target_.c_str()) != 0)
    fail(openErrorNumber(errno, target_), system_, target_);
  ::close(fd_);
  fd_ = -1;
  syncFolderOf(target_);
}

}  // namespace zr::platform::hostio

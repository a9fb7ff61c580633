// Whole-file operations of the host backend: copies and text written through a temporary,
// renames, folders, listings and the previous-instance lock.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/errors.h"
#include "platform/files_common.h"
#include "platform/files_host.h"
#include "platform/posix/hostio.h"

namespace zr::platform {

namespace {

class HeldLock : public InstanceLock {
 public:
  explicit HeldLock(int fd) : fd_(fd) {}
  ~HeldLock() override {
    if (fd_ >= 0) ::close(fd_);
  }
  HeldLock(const HeldLock&) = delete;
  HeldLock& operator=(const HeldLock&) = delete;

 private:
  int fd_;
};

std::string lockFolder() {
  const char* run = std::getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (run && run[0] == '/' && ::stat(run, &st) == 0 && S_ISDIR(st.st_mode)) return run;
  std::error_code ec;
  std::string tmp = std::filesystem::temp_directory_path(ec).string();
  return ec || tmp.empty() ? std::string("/tmp") : tmp;
}

}  // namespace

void HostFiles::copy(std::string_view from, std::string_view to) {
  auto source = open(from, OpenMode::Read);
  std::string target = resolve(to);
  hostio::TempFile temp(target, to, nextSerial());
  filescommon::copyInPieces(*source, [&](std::string_view piece) { temp.write(piece); });
  struct stat st;
  std::string sourceHost = resolve(from);
  unsigned sourceMode = ::stat(sourceHost.c_str(), &st) == 0 ? st.st_mode : 0;
  temp.takeModeOf(target, sourceMode);
  temp.commit();
}

void HostFiles::rename(std::string_view from, std::string_view to) {
  std::string source = resolve(from);
  struct stat st;
  if (::lstat(source.c_str(), &st) != 0)
    hostio::fail(hostio::openErrorNumber(errno, source), from, source);
  std::string target = resolve(to);
  if (::rename(source.c_str(), target.c_str()) == 0) {
    hostio::syncFolderOf(target);
    return;
  }
  int err = errno;
  if (err != EXDEV) hostio::fail(hostio::openErrorNumber(err, target), to, target);
  // Another file system: copy beside the target, then drop the source.
  copy(from, to);
  if (::unlink(source.c_str()) != 0)
    hostio::fail(hostio::openErrorNumber(errno, source), from, source);
}

void HostFiles::keepCopy(std::string_view from, std::string_view to) {
  const std::string source = resolve(from);
  const std::string target = resolve(to);
  if (::link(source.c_str(), target.c_str()) == 0) {
    hostio::syncFolderOf(target);
    return;
  }
  const int err = errno;
  struct stat st;
  if ((err == ENOENT || err == ENOTDIR) && ::lstat(source.c_str(), &st) != 0)
    hostio::fail(hostio::openErrorNumber(errno, source), from, source);
  // A file system without second names (or a name already taken, which a copy replaces
  // without writing through it): the bytes themselves.
  if (err == EEXIST || err == EPERM || err == EXDEV || err == EMLINK || err == ENOTSUP ||
      err == EOPNOTSUPP || err == ENOSYS) {
    copy(from, to);
    return;
  }
  hostio::fail(hostio::openErrorNumber(err, target), to, target);
}

void HostFiles::syncFolder(std::string_view folder) {
  std::string host = resolve(folder);
  int fd = ::open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    hostio::fail(err == ENOENT || err == ENOTDIR ? 76 : hostio::openErrorNumber(err, host), folder,
                 host);
  }
  int err = 0;
  while (::fsync(fd) != 0) {
    if (errno == EINTR) continue;
    if (errno != EINVAL && errno != EROFS) err = errno;  // EINVAL: a folder that cannot be synced
    break;
  }
  ::close(fd);
  if (err) hostio::fail(hostio::ioErrorNumber(err), folder, host);
}

void HostFiles::makeDirectories(std::string_view path) {
  std::string host = resolve(path);
  std::error_code ec;
  std::filesystem::create_directories(host, ec);
  if (ec) {
    int err = ec.value();
    hostio::fail(err == EACCES || err == EPERM ? 70 : 75, path, host);
  }
  struct stat st;
  if (::stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) hostio::fail(75, path, host);
}

std::vector<std::string> HostFiles::list(std::string_view folder) {
  std::string host = resolve(folder);
  DIR* dir = ::opendir(host.c_str());
  if (!dir) {
    int err = errno;
    hostio::fail(err == ENOENT || err == ENOTDIR ? 76 : hostio::openErrorNumber(err, host), folder,
                 host);
  }
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(dir)) {
    std::string_view name = e->d_name;
    if (name == "." || name == "..") continue;
    bool regular = e->d_type == DT_REG;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st;
      std::string full = host + "/" + std::string(name);
      regular = ::stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }
    if (regular) names.emplace_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

void HostFiles::writeText(std::string_view path, std::string_view content) {
  std::string target = resolve(path);
  hostio::TempFile temp(target, path, nextSerial());
  temp.write(content);
  temp.takeModeOf(target, 0);
  temp.commit();
}

std::unique_ptr<InstanceLock> HostFiles::acquireInstanceLock(std::string_view program) {
  std::error_code ec;
  // One installation under two spellings (a symbolic link, a trailing slash) is one.
  std::string root = std::filesystem::weakly_canonical(std::filesystem::absolute(root_), ec);
  if (ec) root = std::filesystem::absolute(root_, ec).lexically_normal().string();
  if (ec) root = root_;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  std::string name = lockFolder() + "/" + filescommon::instanceLockName(program, root) + ".lock";
  int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return std::make_unique<HeldLock>(-1);  // no lock file: no other instance either
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK) return nullptr;
    return std::make_unique<HeldLock>(-1);
  }
  return std::make_unique<HeldLock>(fd);
}

}  // namespace zr::platform

// The file a child is handed on POSIX: the bytes in an anonymous, sealed memory file, so that
// the child sees exactly what the program read, through the program's own file layer.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/childprocess.h"
#include "platform/errors.h"

namespace zr::platform {

namespace {

class MemoryFile : public HandedFile {
 public:
  MemoryFile(const std::string& path, const std::string& bytes) {
    fd_ = ::memfd_create("zorir770-jet", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd_ < 0) throw RuntimeError(3035, "System resource exceeded: " + path + " (memfd)");
    for (std::size_t at = 0; at < bytes.size();) {
      const ssize_t n = ::write(fd_, bytes.data() + at, bytes.size() - at);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ::close(fd_);
        throw RuntimeError(3035, "System resource exceeded: " + path + " (memfd)");
      }
      at += static_cast<std::size_t>(n);
    }
    ::fcntl(fd_, F_ADD_SEALS, F_SEAL_WRITE | F_SEAL_GROW | F_SEAL_SHRINK | F_SEAL_SEAL);
  }
  ~MemoryFile() override { ::close(fd_); }

  // The child's descriptor 4, where runChild puts it.
  const std::string& childPath() const override { return path_; }
  int descriptor() const override { return fd_; }

 private:
  int fd_ = -1;
  std::string path_ = "/dev/fd/4";
};

}  // namespace

std::unique_ptr<HandedFile> makeHandedFile(const std::string& what, const std::string& bytes) {
  return std::make_unique<MemoryFile>(what, bytes);
}

std::string siblingProgram(const std::string& name) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? name : (self.parent_path() / name).string();
}

}  // namespace zr::platform

// The Windows Files backend: the ANSI functions, so names are CP1252 bytes as in the archives.
// With an empty root, system paths are used as they are; with a root (tests, a copied
// installation) "C:\A\B" is root\A\B as on other hosts. Components are not looked up: the file
// system ignores case itself.
#pragma once

#include <atomic>
#include <string>

#include "platform/files.h"

namespace zr::platform {

class WinFiles : public Files {
 public:
  explicit WinFiles(std::string root) : root_(std::move(root)) {}

  std::string resolve(std::string_view path) const override;
  std::unique_ptr<File> open(std::string_view path, OpenMode mode) override;
  std::unique_ptr<File> openLocked(std::string_view path) override;
  std::unique_ptr<LockableFile> openLockable(std::string_view path) override;
  bool exists(std::string_view path) override;
  bool isDirectory(std::string_view path) override;
  std::optional<std::uint64_t> fileLength(std::string_view path) override;
  void remove(std::string_view path) override;
  void copy(std::string_view from, std::string_view to) override;
  void rename(std::string_view from, std::string_view to) override;
  void syncFolder(std::string_view folder) override;
  void makeDirectories(std::string_view path) override;
  std::vector<std::string> list(std::string_view folder) override;
  std::vector<std::string> readLines(std::string_view path) override;
  void writeText(std::string_view path, std::string_view content) override;
  std::unique_ptr<InstanceLock> acquireInstanceLock(std::string_view program) override;

 private:
  unsigned nextSerial() { return serial_.fetch_add(1); }

  std::string root_;
  std::atomic<unsigned> serial_{0};
};

}  // namespace zr::platform

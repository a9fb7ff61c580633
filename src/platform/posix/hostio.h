// POSIX helpers of the host Files backend: errno to classic error numbers, whole reads and
// writes that survive short counts and signals, and temporary files renamed into place.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zr::platform::hostio {

// Where a failure happened: the system's spelling and, when it differs, the host path.
std::string where(std::string_view systemPath, std::string_view hostPath);

// Classic numbers for a failed open (53 or 76 for a missing file or folder, 70, 75, ...).
int openErrorNumber(int err, const std::string& hostPath);
// Classic numbers for a failed read, write or sync (61 full, 54 wrong mode, 57 other).
int ioErrorNumber(int err);
[[noreturn]] void fail(int number, std::string_view systemPath, std::string_view hostPath);

// Reads up to n bytes at offset; fewer only at the end of the file. Throws on failure.
std::size_t readFully(int fd, std::uint64_t offset, char* buf, std::size_t n,
                      std::string_view systemPath, std::string_view hostPath);
void writeFully(int fd, std::uint64_t offset, std::string_view bytes, std::string_view systemPath,
                std::string_view hostPath);
void syncOrFail(int fd, std::string_view systemPath, std::string_view hostPath);
// Best effort: makes a rename in the folder durable.
void syncFolderOf(const std::string& hostPath);

// A new file beside `target` that is removed unless committed; commit() renames it over the
// target after flushing it. A reader never sees a half-written target.
class TempFile {
 public:
  TempFile(std::string target, std::string_view systemPath, unsigned serial);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int fd() const { return fd_; }
  void write(std::string_view bytes);
  // Gives the file the target's permissions when the target exists, else `fallbackMode`.
  void takeModeOf(const std::string& hostPath, unsigned fallbackMode);
  void commit();

 private:
  std::string target_;
  std::string system_;
  std::string temp_;
  int fd_ = -1;
  std::uint64_t written_ = 0;
};

}  // namespace zr::platform::hostio

// Files and paths: every file, lock and directory call of the system passes through Files.
// Callers speak the installation's own Windows paths ("C:\RORIZIDO\TRPERARK.TRP"); the backend
// maps them to the host. Failures are RuntimeErrors with their classic numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr::platform {

// An open file. Closing is destruction (RAII); a lock taken with Files::openLocked is held
// for the object's life.
class File {
 public:
  virtual ~File() = default;
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Reads up to n bytes at offset; returns how many were read (fewer at the end of the file).
  virtual std::size_t readAt(std::uint64_t offset, char* buf, std::size_t n) = 0;
  // Writes all bytes at offset; writing past the end extends the file.
  virtual void writeAt(std::uint64_t offset, std::string_view bytes) = 0;
  virtual std::uint64_t size() = 0;
  // Flushes to stable storage (before a rename makes the file visible).
  virtual void sync() = 0;
  // The path the file was opened with (the system's spelling), for messages.
  virtual const std::string& path() const = 0;
};

// Reads n bytes at offset, fewer only where the file ends: a read that hands back part of the
// request (a share, a device) is read on from where it stopped, never taken for the end.
std::size_t readFully(File& file, std::uint64_t offset, char* buf, std::size_t n);

enum class OpenMode {
  Read,       // shared input; a missing file is error 53
  ReadWrite,  // shared binary access; a missing file is created empty
  Truncate,   // created anew or emptied, read and write
  CreateNew,  // created here and now, never through a link; a name that is taken is error 58
};

// A file kept open whose exclusive lock is taken and given back again and again (the semaphore
// around each index lookup of a command): the lock that Files::openLocked takes, without a new
// open each time. Closing is destruction; a lock still held goes with it.
class LockableFile {
 public:
  virtual ~LockableFile() = default;
  LockableFile() = default;
  LockableFile(const LockableFile&) = delete;
  LockableFile& operator=(const LockableFile&) = delete;

  // Takes the lock (error 70 while another opener holds it) and gives the locked file.
  virtual File& lock() = 0;
  // Gives the lock back; the file stays open for the next lock().
  virtual void unlock() = 0;
};

// What the previous-instance test holds for the process's life.
class InstanceLock {
 public:
  virtual ~InstanceLock() = default;
};

class Files {
 public:
  virtual ~Files() = default;

  // The host path that a system path names: existing components in their existing spelling.
  virtual std::string resolve(std::string_view path) const = 0;

  virtual std::unique_ptr<File> open(std::string_view path, OpenMode mode) = 0;
  // Exclusive open (read and write, created if missing) locked against every other opener.
  // Held by another process or open description: error 70.
  virtual std::unique_ptr<File> openLocked(std::string_view path) = 0;
  // The same lock, taken by each lock() on a file kept open. By default every lock() is an
  // openLocked and every unlock() closes it, so that a wrapper's openLocked meets each one.
  virtual std::unique_ptr<LockableFile> openLockable(std::string_view path);

  // True when the path names a regular file that can be opened for input.
  virtual bool exists(std::string_view path) = 0;
  virtual bool isDirectory(std::string_view path) = 0;
  // Length of a regular file; nullopt when there is none.
  virtual std::optional<std::uint64_t> fileLength(std::string_view path) = 0;
  virtual void remove(std::string_view path) = 0;                       // 53 when missing
  virtual void copy(std::string_view from, std::string_view to) = 0;    // replaces `to`
  virtual void rename(std::string_view from, std::string_view to) = 0;  // atomic replace
  // `to` (replaced, never written through) holds what `from` holds now and keeps it when
  // `from` is later replaced by a rename: a second name for the file where the file system
  // has them, else a copy. Durable when it returns.
  virtual void keepCopy(std::string_view from, std::string_view to) { copy(from, to); }
  // Makes the renames and removals already done in a folder durable; fails when it cannot.
  virtual void syncFolder(std::string_view folder) = 0;
  virtual void makeDirectories(std::string_view path) = 0;
  // Names (not paths) of the regular files in a folder, in byte order.
  virtual std::vector<std::string> list(std::string_view folder) = 0;

  // Text files of the installation: lines without their CR LF or LF. 53 when missing.
  virtual std::vector<std::string> readLines(std::string_view path) = 0;
  // Writes the whole content anew (bytes as given).
  virtual void writeText(std::string_view path, std::string_view content) = 0;

  // The process-wide previous-instance lock for this installation; nullptr when another
  // process holds it. A lock file that cannot be made counts as no other instance.
  virtual std::unique_ptr<InstanceLock> acquireInstanceLock(std::string_view program) = 0;
};

// Forwards every call to another Files: tests override only the call they break.
class FilesWrapper : public Files {
 public:
  explicit FilesWrapper(Files& target) : target_(target) {}
  // A wrapper given another wrapper forwards to it: never a copy that bypasses it.
  FilesWrapper(const FilesWrapper&) = delete;
  FilesWrapper& operator=(const FilesWrapper&) = delete;
  std::string resolve(std::string_view p) const override { return target_.resolve(p); }
  std::unique_ptr<File> open(std::string_view p, OpenMode m) override { return target_.open(p, m); }
  std::unique_ptr<File> openLocked(std::string_view p) override { return target_.openLocked(p); }
  bool exists(std::string_view p) override { return target_.exists(p); }
  bool isDirectory(std::string_view p) override { return target_.isDirectory(p); }
  std::optional<std::uint64_t> fileLength(std::string_view p) override {
    return target_.fileLength(p);
  }
  void remove(std::string_view p) override { target_.remove(p); }
  void copy(std::string_view f, std::string_view t) override { target_.copy(f, t); }
  void rename(std::string_view f, std::string_view t) override { target_.rename(f, t); }
  void keepCopy(std::string_view f, std::string_view t) override { target_.keepCopy(f, t); }
  void syncFolder(std::string_view folder) override { target_.syncFolder(folder); }
  void makeDirectories(std::string_view p) override { target_.makeDirectories(p); }
  std::vector<std::string> list(std::string_view f) override { return target_.list(f); }
  std::vector<std::string> readLines(std::string_view p) override { return target_.readLines(p); }
  void writeText(std::string_view p, std::string_view c) override { target_.writeText(p, c); }
  std::unique_ptr<InstanceLock> acquireInstanceLock(std::string_view program) override {
    return target_.acquireInstanceLock(program);
  }

 protected:
  Files& target_;
};

// A temporary of this program beside `finalPath`, under a name no other run uses:
// finalPath + ".zr770-<process id>-<random>" + `kind`. It is created exclusively, never through
// a link; a name that is taken is another name, never a write through it.
inline constexpr std::string_view kTemporaryMark = ".zr770-";
struct Temporary {
  std::unique_ptr<File> file;
  std::string path;
};
Temporary createTemporary(Files& files, std::string_view finalPath, std::string_view kind = ".tmp");
// A fresh name of that shape, for a temporary that another call creates (a copy's target).
std::string temporaryName(std::string_view finalPath, std::string_view kind);
// Whether a name (without folder) has the shape that temporaryName gives, with either kind.
bool isTemporaryName(std::string_view name);

// The host backend. `root` is the folder that stands for drive C: (ignored on Windows).
std::unique_ptr<Files> makeHostFiles(std::string root);

// The drive root chosen as the command line says: --root, else $ZORIR770_ROOT, else
// $XDG_DATA_HOME/zorir770/c (~/.local/share/zorir770/c).
std::string defaultDriveRoot();

// Maps a system path onto the host without looking at the disk (no case folding):
// "C:\A\B" and "\A\B" -> root/A/B, "D:\X" -> root/../D/X, "\\S\SH\A" -> root/../S/SH/A,
// "/x" native, anything else relative to the current folder.
std::string mapPathLiterally(std::string_view root, std::string_view path);

}  // namespace zr::platform

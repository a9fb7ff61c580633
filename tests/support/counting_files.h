// A Files that numbers every call a run makes, of every kind (on the folder and on the files it
// opens), and calls the test's hook before each one: a test records a run call by call, then
// ends a process at its Nth call (kill(getpid(), SIGKILL) from the hook) to prove what survives.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace zr::testing {

enum class Op {
  Open,       // for input
  OpenWrite,  // ReadWrite: shared access to a file that is there (created when missing)
  Create,     // Truncate or CreateNew
  OpenLocked,
  Exists,
  IsDirectory,
  FileLength,
  Remove,
  Copy,
  Rename,
  FolderSync,
  MakeDirectories,
  List,
  ReadLines,
  WriteText,
  InstanceLock,
  Read,
  Write,
  Size,
  Sync,
};

inline const char* opName(Op op) {
  static const char* const names[] = {"open",        "open for writing",
                                      "create",      "lock",
                                      "exists",      "is folder",
                                      "length",      "remove",
                                      "copy",        "rename",
                                      "folder sync", "make folders",
                                      "list",        "read lines",
                                      "write text",  "instance lock",
                                      "read",        "write",
                                      "size",        "sync"};
  return names[static_cast<int>(op)];
}

// Whether a call of this kind changes what is on disk (an open for shared access or a lock only
// creates a file that is missing).
inline bool changesDisk(Op op) {
  switch (op) {
    case Op::Create:
    case Op::Remove:
    case Op::Copy:
    case Op::Rename:
    case Op::FolderSync:
    case Op::MakeDirectories:
    case Op::WriteText:
    case Op::Write:
    case Op::Sync:
      return true;
    default:
      return false;
  }
}

class CountingFiles : public platform::FilesWrapper {
 public:
  // `n` counts from 1; the hook runs before the call is made.
  using Hook = std::function<void(long n, Op op, std::string_view path)>;
  CountingFiles(platform::Files& target, Hook hook)
      : FilesWrapper(target), hook_(std::move(hook)) {}

  long calls() const { return calls_; }

  std::unique_ptr<platform::File> open(std::string_view p, platform::OpenMode m) override {
    note(m == platform::OpenMode::Read        ? Op::Open
         : m == platform::OpenMode::ReadWrite ? Op::OpenWrite
                                              : Op::Create,
         p);
    return wrap(target_.open(p, m));
  }
  std::unique_ptr<platform::File> openLocked(std::string_view p) override {
    note(Op::OpenLocked, p);
    return wrap(target_.openLocked(p));
  }
  bool exists(std::string_view p) override { return note(Op::Exists, p), target_.exists(p); }
  bool isDirectory(std::string_view p) override {
    return note(Op::IsDirectory, p), target_.isDirectory(p);
  }
  std::optional<std::uint64_t> fileLength(std::string_view p) override {
    return note(Op::FileLength, p), target_.fileLength(p);
  }
  void remove(std::string_view p) override { note(Op::Remove, p), target_.remove(p); }
  void copy(std::string_view f, std::string_view t) override {
    note(Op::Copy, t), target_.copy(f, t);
  }
  void rename(std::string_view f, std::string_view t) override {
    note(Op::Rename, t), target_.rename(f, t);
  }
  void keepCopy(std::string_view f, std::string_view t) override {
    note(Op::Copy, t), target_.keepCopy(f, t);
  }
  void syncFolder(std::string_view f) override { note(Op::FolderSync, f), target_.syncFolder(f); }
  void makeDirectories(std::string_view p) override {
    note(Op::MakeDirectories, p), target_.makeDirectories(p);
  }
  std::vector<std::string> list(std::string_view f) override {
    return note(Op::List, f), target_.list(f);
  }
  std::vector<std::string> readLines(std::string_view p) override {
    return note(Op::ReadLines, p), target_.readLines(p);
  }
  void writeText(std::string_view p, std::string_view c) override {
    note(Op::WriteText, p), target_.writeText(p, c);
  }
  std::unique_ptr<platform::InstanceLock> acquireInstanceLock(std::string_view program) override {
    return note(Op::InstanceLock, program), target_.acquireInstanceLock(program);
  }

 private:
  class CountedFile : public platform::File {
   public:
    CountedFile(CountingFiles& owner, std::unique_ptr<platform::File> f)
        : owner_(owner), f_(std::move(f)) {}
    std::size_t readAt(std::uint64_t o, char* b, std::size_t n) override {
      return owner_.note(Op::Read, f_->path()), f_->readAt(o, b, n);
    }
    void writeAt(std::uint64_t o, std::string_view bytes) override {
      owner_.note(Op::Write, f_->path()), f_->writeAt(o, bytes);
    }
    std::uint64_t size() override { return owner_.note(Op::Size, f_->path()), f_->size(); }
    void sync() override { owner_.note(Op::Sync, f_->path()), f_->sync(); }
    const std::string& path() const override { return f_->path(); }

   private:
    CountingFiles& owner_;
    std::unique_ptr<platform::File> f_;
  };

  std::unique_ptr<platform::File> wrap(std::unique_ptr<platform::File> f) {
    return std::make_unique<CountedFile>(*this, std::move(f));
  }
  void note(Op op, std::string_view path) {
    ++calls_;
    if (hook_) hook_(calls_, op, path);
  }

  Hook hook_;
  long calls_ = 0;
};

}  // namespace zr::testing

// A Files that forwards every call to another and counts the bytes its reads return: the file
// reads (archives, indexes, catalogue and, through the database layer, the databases) and the
// text lines, in all and per file; the write calls with their bytes; the opens; and the bytes a
// copy moves, as read and written. The counts belong to the wrapper; the target is borrowed.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace zr::bench {

class CountingFiles : public platform::FilesWrapper {
 public:
  explicit CountingFiles(platform::Files& target) : FilesWrapper(target) {}

  std::unique_ptr<platform::File> open(std::string_view p, platform::OpenMode m) override {
    ++opens_;
    return std::make_unique<CountingFile>(*this, target_.open(p, m));
  }
  std::unique_ptr<platform::File> openLocked(std::string_view p) override {
    ++opens_;
    return std::make_unique<CountingFile>(*this, target_.openLocked(p));
  }
  // The target's own lockable file (the host keeps one open), its reads counted.
  std::unique_ptr<platform::LockableFile> openLockable(std::string_view p) override {
    ++opens_;
    return std::make_unique<CountingLockable>(*this, target_.openLockable(p));
  }
  void copy(std::string_view from, std::string_view to) override {
    const std::uint64_t n = target_.fileLength(from).value_or(0);
    target_.copy(from, to);
    ++opens_;
    ++reads_;
    ++writes_;
    bytes_ += n;
    written_ += n;
  }
  void writeText(std::string_view p, std::string_view c) override {
    target_.writeText(p, c);
    ++opens_;
    ++writes_;
    written_ += c.size();
  }
  std::vector<std::string> readLines(std::string_view p) override {
    ++opens_;
    ++reads_;
    auto lines = target_.readLines(p);
    std::uint64_t n = 0;
    for (const auto& l : lines) n += l.size() + 1;  // at least the line feed
    bytes_ += n;
    byFile_[std::string(p)] += n;
    return lines;
  }

  // Since the last reset.
  std::uint64_t bytesRead() const { return bytes_; }
  std::uint64_t reads() const { return reads_; }
  std::uint64_t writes() const { return writes_; }
  std::uint64_t bytesWritten() const { return written_; }
  std::uint64_t opens() const { return opens_; }
  void reset() { bytes_ = reads_ = writes_ = written_ = opens_ = 0; }
  // Bytes read per path as opened, over the wrapper's life; a file counts once it is closed.
  const std::map<std::string, std::uint64_t>& byFile() const { return byFile_; }

 private:
  class CountingFile : public platform::File {
   public:
    CountingFile(CountingFiles& owner, std::unique_ptr<platform::File> f)
        : owner_(owner), owned_(std::move(f)), f_(owned_.get()) {}
    CountingFile(CountingFiles& owner, platform::File& f) : owner_(owner), f_(&f) {}
    ~CountingFile() override { owner_.byFile_[f_->path()] += mine_; }
    std::size_t readAt(std::uint64_t o, char* b, std::size_t n) override {
      const std::size_t got = f_->readAt(o, b, n);
      owner_.bytes_ += got;
      ++owner_.reads_;
      mine_ += got;
      return got;
    }
    void writeAt(std::uint64_t o, std::string_view bytes) override {
      f_->writeAt(o, bytes);
      ++owner_.writes_;
      owner_.written_ += bytes.size();
    }
    std::uint64_t size() override { return f_->size(); }
    void sync() override { f_->sync(); }
    const std::string& path() const override { return f_->path(); }

   private:
    CountingFiles& owner_;
    std::unique_ptr<platform::File> owned_;
    platform::File* f_;
    std::uint64_t mine_ = 0;
  };

  class CountingLockable : public platform::LockableFile {
   public:
    CountingLockable(CountingFiles& owner, std::unique_ptr<platform::LockableFile> l)
        : owner_(owner), l_(std::move(l)) {}
    platform::File& lock() override {
      platform::File& f = l_->lock();
      if (!counted_) counted_ = std::make_unique<CountingFile>(owner_, f);
      return *counted_;
    }
    void unlock() override { l_->unlock(); }

   private:
    CountingFiles& owner_;
    std::unique_ptr<platform::LockableFile> l_;
    std::unique_ptr<CountingFile> counted_;
  };

  std::map<std::string, std::uint64_t> byFile_;
  std::uint64_t bytes_ = 0;
  std::uint64_t reads_ = 0;
  std::uint64_t writes_ = 0;
  std::uint64_t written_ = 0;
  std::uint64_t opens_ = 0;
};

}  // namespace zr::bench

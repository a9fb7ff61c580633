// The run scope: what one command keeps of its reads, and how writes and deletions drop it.
#include "archive/runcache.h"

namespace zr {

ArchiveLib::RunScope::RunScope(ArchiveLib& lib)
    : lib_(lib), outermost_(!lib.run_ && lib.runCaching) {
  if (outermost_) lib_.run_ = std::make_unique<RunCache>();
}

ArchiveLib::RunScope::~RunScope() {
  if (outermost_) lib_.run_.reset();
}

namespace {

// The semaphore as the slot table holds it while it is taken: the run's file, its lock given
// back when the slot lets go of it.
class HeldLock : public platform::File {
 public:
  explicit HeldLock(std::shared_ptr<platform::LockableFile> lockable)
      : lockable_(std::move(lockable)), file_(lockable_->lock()) {}
  ~HeldLock() override {
    try {
      lockable_->unlock();
    } catch (...) {
      // The lock goes with the file at the end of the command at the latest.
    }
  }
  std::size_t readAt(std::uint64_t o, char* b, std::size_t n) override {
    return file_.readAt(o, b, n);
  }
  void writeAt(std::uint64_t o, std::string_view bytes) override { file_.writeAt(o, bytes); }
  std::uint64_t size() override { return file_.size(); }
  void sync() override { file_.sync(); }
  const std::string& path() const override { return file_.path(); }

 private:
  std::shared_ptr<platform::LockableFile> lockable_;
  platform::File& file_;
};

}  // namespace

std::unique_ptr<platform::File> ArchiveLib::lockSemaphore(const std::string& path) {
  if (!run_) return files_.openLocked(path);
  if (!run_->semaphore) run_->semaphore = files_.openLockable(path);
  return std::make_unique<HeldLock>(run_->semaphore);
}

std::unique_ptr<platform::File> ArchiveLib::openArchive(const std::string& name) {
  if (run_) {
    if (auto it = run_->parked.find(name); it != run_->parked.end()) {
      std::unique_ptr<platform::File> file = std::move(it->second);
      run_->parked.erase(it);
      return file;
    }
  }
  return files_.open(name, platform::OpenMode::ReadWrite);
}

void ArchiveLib::release(std::int16_t number, bool semaphore) {
  auto it = open_.find(number);
  if (it == open_.end()) return;
  std::unique_ptr<platform::File> file = std::move(it->second);
  open_.erase(it);
  if (!run_ || !file) return;
  if (semaphore) {
    // Closed for real, so that the lock goes; nothing of it may outlive the handle.
    forgetFile(*file);
    return;
  }
  std::string name = file->path();
  run_->parked.emplace(std::move(name), std::move(file));
}

void ArchiveLib::forgetFile(const platform::File& file) {
  if (!run_) return;
  auto& nodes = run_->nodes;
  const std::uintptr_t at = RunCache::keyOf(file);
  nodes.erase(nodes.lower_bound({at, 0}), nodes.lower_bound({at + 1, 0}));
}

std::uintptr_t ArchiveLib::RunCache::keyOf(const platform::File& file) {
  return reinterpret_cast<std::uintptr_t>(&file);
}

void ArchiveLib::forgetName(std::string_view name) {
  if (!run_) return;
  for (auto& [number, file] : open_)
    if (file && file->path() == name) forgetFile(*file);
  auto [first, last] = run_->parked.equal_range(name);
  for (auto it = first; it != last; ++it) forgetFile(*it->second);
  run_->parked.erase(first, last);
}

}  // namespace zr

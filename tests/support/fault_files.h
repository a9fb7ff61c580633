// The one fault injector of the tests: a Files that forwards to a real backend and breaks the
// Nth call of a kind (open, read, write, rename, sync, lock, folder sync) the way a disk does.
// It counts every call per kind, so a test can sweep "fail call k" over every k of a run. Whole
// file operations (a text file read, a copy) meet the faults of the calls they are made of.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"

namespace zr::testing {

enum class Call { Open, Read, Write, Rename, Sync, Lock, FolderSync };
constexpr std::size_t kCallKinds = 7;

enum class Effect {
  Fail,      // the call throws `error`; nothing is done
  Short,     // a read returns half of what it asked for; a write puts half, then throws `error`
  DiskFull,  // the call throws 61; nothing is written
};

// One fault, built by chaining: fail(Call::Read).nth(2).on("SF24").
struct Fault {
  Call call = Call::Read;
  int error = 57;
  // The Nth matching call from when the fault is added (1 is the next one).
  int nthCall = 1;
  Effect effect = Effect::Fail;
  bool everyLater = false;  // every matching call from the Nth on fails, not only the Nth
  // Only calls on a path containing this count (empty: every path). For a rename, the target.
  std::string path;
  // Only reads or writes at this offset count.
  std::optional<std::uint64_t> offset;
  // Calls count only once a file whose path contains this has been opened.
  std::string armedBy;

  Fault& nth(int n) { return nthCall = n, *this; }
  Fault& on(std::string p) { return path = std::move(p), *this; }
  Fault& atOffset(std::uint64_t at) { return offset = at, *this; }
  Fault& after(std::string opened) { return armedBy = std::move(opened), *this; }
  Fault& fromThenOn() { return everyLater = true, *this; }
  Fault& shortened() { return effect = Effect::Short, *this; }
  Fault& diskFull() { return effect = Effect::DiskFull, *this; }
};

// The `call` of kind c fails with `error` (a classic number).
inline Fault fail(Call c, int error = 57) {
  Fault f;
  f.call = c;
  f.error = error;
  return f;
}

class FaultFiles : public platform::FilesWrapper {
 public:
  using FilesWrapper::FilesWrapper;

  // Adds a fault; several may be pending at once.
  FaultFiles& inject(Fault f) {
    faults_.push_back({std::move(f), 0, false, false});
    return *this;
  }
  void clear() { faults_.clear(); }

  // Calls of a kind seen so far, on every path, or on the paths that contain `path`.
  int calls(Call c) const { return counts_[index(c)]; }
  int calls(Call c, std::string_view path) const {
    int n = 0;
    for (const auto& [p, counts] : byPath_)
      if (p.find(path) != std::string::npos) n += counts[index(c)];
    return n;
  }
  // Every call seen so far, in order: its kind and path (a sweep picks calls from it).
  struct Seen {
    Call call;
    std::string path;
  };
  const std::vector<Seen>& history() const { return history_; }
  // The paths of the calls that met a fault, in order.
  const std::vector<std::string>& firedOn() const { return firedOn_; }

  // Faults that have fired at least once.
  int fired() const {
    int n = 0;
    for (const auto& p : faults_) n += p.fired ? 1 : 0;
    return n;
  }

  std::unique_ptr<platform::File> open(std::string_view p, platform::OpenMode m) override {
    noteOpen(p);
    if (const Fault* f = hit(Call::Open, p)) throw failure(*f, p);
    return wrap(target_.open(p, m));
  }
  // The host's test opens the file for input, so it meets the open faults too.
  bool exists(std::string_view p) override { return !hit(Call::Open, p) && target_.exists(p); }
  std::unique_ptr<platform::File> openLocked(std::string_view p) override {
    noteOpen(p);
    if (const Fault* f = hit(Call::Lock, p)) throw failure(*f, p);
    return wrap(target_.openLocked(p));
  }
  void rename(std::string_view from, std::string_view to) override {
    if (const Fault* f = hit(Call::Rename, to)) throw failure(*f, to);
    target_.rename(from, to);
  }
  // Read as a whole: an open and a read. A short read is read on to the end, as the host does.
  std::vector<std::string> readLines(std::string_view p) override {
    noteOpen(p);
    if (const Fault* f = hit(Call::Open, p)) throw failure(*f, p);
    if (const Fault* f = hit(Call::Read, p); f && f->effect != Effect::Short) throw failure(*f, p);
    return target_.readLines(p);
  }
  // The source read, the copy written and synced; a fault in any leaves the target as it was,
  // as the host's copy through a temporary does.
  void copy(std::string_view from, std::string_view to) override {
    copyFaults(from, to);
    target_.copy(from, to);
  }
  // A second name meets the faults of the copy it may turn into.
  void keepCopy(std::string_view from, std::string_view to) override {
    copyFaults(from, to);
    target_.keepCopy(from, to);
  }
  void syncFolder(std::string_view folder) override {
    if (const Fault* f = hit(Call::FolderSync, folder)) throw failure(*f, folder);
    target_.syncFolder(folder);
  }

 private:
  void copyFaults(std::string_view from, std::string_view to) {
    noteOpen(from);
    if (const Fault* f = hit(Call::Open, from)) throw failure(*f, from);
    if (const Fault* f = hit(Call::Read, from); f && f->effect != Effect::Short)
      throw failure(*f, from);
    if (const Fault* f = hit(Call::Write, to)) throw failure(*f, to);
    if (const Fault* f = hit(Call::Sync, to)) throw failure(*f, to);
  }

  struct Pending {
    Fault fault;
    int seen;
    bool armed;
    bool fired;
  };

  // An open file whose reads, writes and syncs pass through the owner's faults.
  class FaultFile : public platform::File {
   public:
    FaultFile(FaultFiles& owner, std::unique_ptr<platform::File> f)
        : owner_(owner), f_(std::move(f)) {}
    std::size_t readAt(std::uint64_t offset, char* buf, std::size_t n) override {
      if (const Fault* fault = owner_.hit(Call::Read, f_->path(), offset)) {
        if (fault->effect != Effect::Short) throw owner_.failure(*fault, f_->path());
        return f_->readAt(offset, buf, n / 2);
      }
      return f_->readAt(offset, buf, n);
    }
    void writeAt(std::uint64_t offset, std::string_view bytes) override {
      if (const Fault* fault = owner_.hit(Call::Write, f_->path(), offset)) {
        if (fault->effect == Effect::Short) f_->writeAt(offset, bytes.substr(0, bytes.size() / 2));
        throw owner_.failure(*fault, f_->path());
      }
      f_->writeAt(offset, bytes);
    }
    std::uint64_t size() override { return f_->size(); }
    void sync() override {
      if (const Fault* fault = owner_.hit(Call::Sync, f_->path())) {
        throw owner_.failure(*fault, f_->path());
      }
      f_->sync();
    }
    const std::string& path() const override { return f_->path(); }

   private:
    FaultFiles& owner_;
    std::unique_ptr<platform::File> f_;
  };

  static std::size_t index(Call c) { return static_cast<std::size_t>(c); }

  std::unique_ptr<platform::File> wrap(std::unique_ptr<platform::File> f) {
    return std::make_unique<FaultFile>(*this, std::move(f));
  }

  void noteOpen(std::string_view p) {
    for (auto& pending : faults_)
      if (!pending.fault.armedBy.empty() &&
          p.find(pending.fault.armedBy) != std::string_view::npos)
        pending.armed = true;
  }

  // Counts the call and returns the fault it meets, if any.
  const Fault* hit(Call c, std::string_view p, std::optional<std::uint64_t> offset = {}) {
    ++counts_[index(c)];
    ++byPath_[std::string(p)][index(c)];
    history_.push_back({c, std::string(p)});
    const Fault* met = nullptr;
    for (auto& pending : faults_) {
      const Fault& f = pending.fault;
      if (f.call != c) continue;
      if (!f.path.empty() && p.find(f.path) == std::string_view::npos) continue;
      if (f.offset && offset != f.offset) continue;
      if (!f.armedBy.empty() && !pending.armed) continue;
      ++pending.seen;
      if (pending.seen == f.nthCall || (f.everyLater && pending.seen > f.nthCall)) {
        pending.fired = true;
        if (!met) met = &f;
      }
    }
    if (met) firedOn_.emplace_back(p);
    return met;
  }

  RuntimeError failure(const Fault& f, std::string_view p) const {
    return RuntimeError::of(f.effect == Effect::DiskFull ? 61 : f.error, std::string(p));
  }

  std::vector<Pending> faults_;
  std::vector<Seen> history_;
  std::vector<std::string> firedOn_;
  std::array<int, kCallKinds> counts_{};
  std::map<std::string, std::array<int, kCallKinds>, std::less<>> byPath_;
};

}  // namespace zr::testing

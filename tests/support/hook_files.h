// A Files that forwards to a real backend and calls the test's hooks around the calls that
// change a folder (create, sync, rename, copy, remove, folder sync): a test plants a link just
// before a file is created, ends the process just after a step, or raises a signal mid-run.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace zr::testing {

enum class Step { Create, Sync, Rename, Copy, Remove, FolderSync };

class HookFiles : public platform::FilesWrapper {
 public:
  using Hook = std::function<void(Step, std::string_view path)>;
  HookFiles(platform::Files& target, Hook before, Hook after)
      : FilesWrapper(target), before_(std::move(before)), after_(std::move(after)) {}

  std::unique_ptr<platform::File> open(std::string_view p, platform::OpenMode m) override {
    const bool creates = m == platform::OpenMode::CreateNew;
    if (creates) call(before_, Step::Create, p);
    auto f = std::make_unique<HookFile>(*this, target_.open(p, m));
    if (creates) call(after_, Step::Create, p);
    return f;
  }
  void rename(std::string_view f, std::string_view t) override {
    call(before_, Step::Rename, t);
    target_.rename(f, t);
    call(after_, Step::Rename, t);
  }
  void copy(std::string_view f, std::string_view t) override {
    call(before_, Step::Copy, t);
    target_.copy(f, t);
    call(after_, Step::Copy, t);
  }
  void keepCopy(std::string_view f, std::string_view t) override {
    call(before_, Step::Copy, t);
    target_.keepCopy(f, t);
    call(after_, Step::Copy, t);
  }
  void remove(std::string_view p) override {
    call(before_, Step::Remove, p);
    target_.remove(p);
    call(after_, Step::Remove, p);
  }
  void syncFolder(std::string_view folder) override {
    call(before_, Step::FolderSync, folder);
    target_.syncFolder(folder);
    call(after_, Step::FolderSync, folder);
  }

 private:
  class HookFile : public platform::File {
   public:
    HookFile(HookFiles& owner, std::unique_ptr<platform::File> f)
        : owner_(owner), f_(std::move(f)) {}
    std::size_t readAt(std::uint64_t o, char* b, std::size_t n) override {
      return f_->readAt(o, b, n);
    }
    void writeAt(std::uint64_t o, std::string_view bytes) override { f_->writeAt(o, bytes); }
    std::uint64_t size() override { return f_->size(); }
    void sync() override {
      owner_.call(owner_.before_, Step::Sync, f_->path());
      f_->sync();
      owner_.call(owner_.after_, Step::Sync, f_->path());
    }
    const std::string& path() const override { return f_->path(); }

   private:
    HookFiles& owner_;
    std::unique_ptr<platform::File> f_;
  };

  static void call(const Hook& h, Step s, std::string_view p) {
    if (h) h(s, p);
  }

  Hook before_;
  Hook after_;
};

}  // namespace zr::testing

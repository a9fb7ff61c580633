// Win32 helpers of the host backends: an owned HANDLE, Win32 errors to classic error numbers,
// and whole reads and writes at an offset.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace zr::platform::winio {

// One kernel handle, closed with its owner; never copied.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  ~Handle() { reset(); }
  Handle(Handle&& other) noexcept : h_(other.release()) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      reset();
      h_ = other.release();
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  HANDLE release() {
    HANDLE h = h_;
    h_ = nullptr;
    return h;
  }
  void reset() {
    if (h_) ::CloseHandle(h_);
    h_ = nullptr;
  }

 private:
  HANDLE h_ = nullptr;
};

// Classic numbers for a failed open, rename or removal (53 missing file, 76 missing folder,
// 58 taken, 70 refused, 75 a folder or device, ...).
int openErrorNumber(DWORD err, const std::string& hostPath);
// Classic numbers for a failed read, write or flush (61 full, 54 wrong mode, 57 other).
int ioErrorNumber(DWORD err);
[[noreturn]] void fail(int number, std::string_view systemPath, std::string_view hostPath);

bool isFolder(const std::string& hostPath);
// The folder part of a path ("." when it has none).
std::string folderOf(const std::string& hostPath);

// Opens with every share mode, so that other readers and writers (and a rename) go on; only a
// file on disk is accepted. Invalid handle and the error in `err` on failure.
Handle openShared(const std::string& hostPath, DWORD access, DWORD disposition, DWORD& err);

std::size_t readFully(HANDLE h, std::uint64_t offset, char* buf, std::size_t n,
                      std::string_view systemPath, std::string_view hostPath);
void writeFully(HANDLE h, std::uint64_t offset, std::string_view bytes,
                std::string_view systemPath, std::string_view hostPath);

// A new file beside `target`, removed unless committed; commit() flushes it and moves it over
// the target, keeping the target's existing spelling.
class TempFile {
 public:
  TempFile(std::string target, std::string_view systemPath, unsigned serial);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  void write(std::string_view bytes);
  void commit();

 private:
  std::string target_;
  std::string system_;
  std::string temp_;
  Handle file_;
  std::uint64_t written_ = 0;
};

// One argument of a command line, quoted so that the C run time's parser gives it back whole.
std::string commandLineArgument(const std::string& arg);

// Moves `from` over `to` durably (MOVEFILE_WRITE_THROUGH returns once the move is on disk).
// Returns 0 or the Win32 error.
DWORD replaceFile(const std::string& from, const std::string& to);

}  // namespace zr::platform::winio

// The file a child is handed on Windows: the bytes in a temporary file of our own, kept open
// against writers while the child reads it, and removed with its owner.
#include <windows.h>

#include <random>

#include "platform/childprocess.h"
#include "platform/errors.h"
#include "platform/process.h"
#include "platform/win/winio.h"

namespace zr::platform {

namespace {

class TemporaryCopy : public HandedFile {
 public:
  TemporaryCopy(const std::string& what, const std::string& bytes) {
    char folder[MAX_PATH + 1];
    const DWORD n = ::GetTempPathA(sizeof folder, folder);
    if (n == 0 || n > MAX_PATH) exhausted(what);
    std::random_device random;
    winio::Handle writer;
    for (int attempt = 0; !writer; ++attempt) {
      path_ = std::string(folder, n) + "zorir770-" + std::to_string(currentProcessId()) + "-" +
              std::to_string(random()) + ".mdb";
      writer = winio::Handle(::CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_TEMPORARY, nullptr));
      if (!writer && (::GetLastError() != ERROR_FILE_EXISTS || attempt > 100)) exhausted(what);
    }
    try {
      winio::writeFully(writer.get(), 0, bytes, what, path_);
    } catch (...) {
      writer.reset();
      ::DeleteFileA(path_.c_str());
      throw;
    }
    writer.reset();
    // Readers welcome, writers refused, until the copy is removed.
    reader_ = winio::Handle(::CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_TEMPORARY, nullptr));
  }
  ~TemporaryCopy() override {
    reader_.reset();
    ::DeleteFileA(path_.c_str());
  }

  const std::string& childPath() const override { return path_; }
  int descriptor() const override { return -1; }

 private:
  [[noreturn]] static void exhausted(const std::string& what) {
    throw RuntimeError(3035, "System resource exceeded: " + what + " (temporary copy)");
  }

  std::string path_;
  winio::Handle reader_;
};

}  // namespace

std::unique_ptr<HandedFile> makeHandedFile(const std::string& what, const std::string& bytes) {
  return std::make_unique<TemporaryCopy>(what, bytes);
}

std::string siblingProgram(const std::string& name) {
  char self[MAX_PATH + 1];
  const DWORD n = ::GetModuleFileNameA(nullptr, self, sizeof self);
  const std::string exe = name + ".exe";
  if (n == 0 || n > MAX_PATH) return exe;
  const std::string path(self, n);
  const std::size_t sep = path.find_last_of("\\/");
  return sep == std::string::npos ? exe : path.substr(0, sep + 1) + exe;
}

}  // namespace zr::platform

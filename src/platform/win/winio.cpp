#include "platform/win/winio.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/process.h"

namespace zr::platform::winio {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr std::size_t kChunk = std::size_t{1} << 30;  // what one ReadFile or WriteFile takes

OVERLAPPED at(std::uint64_t offset) {
  OVERLAPPED ov{};
  ov.Offset = static_cast<DWORD>(offset & 0xffffffffu);
  ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return ov;
}

std::string nameOf(const std::string& hostPath) {
  const std::size_t sep = hostPath.find_last_of("\\/:");
  return sep == std::string::npos ? hostPath : hostPath.substr(sep + 1);
}

// The target as it is already spelled on disk, so that a replacement keeps that spelling.
std::string existingSpelling(const std::string& hostPath) {
  const std::string name = nameOf(hostPath);
  if (name.empty() || name.find_first_of("*?") != std::string::npos) return hostPath;
  WIN32_FIND_DATAA found;
  HANDLE h = ::FindFirstFileA(hostPath.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return hostPath;
  ::FindClose(h);
  return hostPath.substr(0, hostPath.size() - name.size()) + found.cFileName;
}

}  // namespace

bool isFolder(const std::string& hostPath) {
  const DWORD a = ::GetFileAttributesA(hostPath.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string folderOf(const std::string& hostPath) {
  const std::size_t sep = hostPath.find_last_of("\\/");
  if (sep == std::string::npos)
    return hostPath.size() >= 2 && hostPath[1] == ':' ? hostPath.substr(0, 2) : ".";
  if (sep == 0 || (sep == 2 && hostPath[1] == ':')) return hostPath.substr(0, sep + 1);
  return hostPath.substr(0, sep);
}

int openErrorNumber(DWORD err, const std::string& hostPath) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
      return isFolder(folderOf(hostPath)) ? 53 : 76;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
      return 76;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return 58;
    case ERROR_ACCESS_DENIED:  // also what opening a folder as a file gives
      return isFolder(hostPath) ? 75 : 70;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return 70;
    case ERROR_TOO_MANY_OPEN_FILES:
      return 67;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_NAME:
      return 52;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return 61;
    default:
      return 75;
  }
}

int ioErrorNumber(DWORD err) {
  switch (err) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return 61;
    case ERROR_INVALID_HANDLE:
    case ERROR_ACCESS_DENIED:
      return 54;
    case ERROR_LOCK_VIOLATION:  // a range another handle has locked: Windows locks are binding
      return 70;
    default:
      return 57;
  }
}

void fail(int number, std::string_view systemPath, std::string_view hostPath) {
  std::string s(systemPath);
  if (!hostPath.empty() && hostPath != systemPath) s += " (" + std::string(hostPath) + ")";
  throw RuntimeError::of(number, s);
}

Handle openShared(const std::string& hostPath, DWORD access, DWORD disposition, DWORD& err) {
  Handle h(::CreateFileA(hostPath.c_str(), access, kShareAll, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) {
    err = ::GetLastError();
    return h;
  }
  // A device (NUL, CON, a pipe) under an archive's name is refused, never read or waited on.
  if (::GetFileType(h.get()) != FILE_TYPE_DISK) {
    err = ERROR_BAD_FILE_TYPE;
    return Handle();
  }
  err = 0;
  return h;
}

std::size_t readFully(HANDLE h, std::uint64_t offset, char* buf, std::size_t n,
                      std::string_view systemPath, std::string_view hostPath) {
  std::size_t done = 0;
  while (done < n) {
    OVERLAPPED ov = at(offset + done);
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min(n - done, kChunk));
    if (!::ReadFile(h, buf + done, want, &got, &ov)) {
      const DWORD err = ::GetLastError();
      if (err == ERROR_HANDLE_EOF) break;
      fail(ioErrorNumber(err), systemPath, hostPath);
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

void writeFully(HANDLE h, std::uint64_t offset, std::string_view bytes,
                std::string_view systemPath, std::string_view hostPath) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    OVERLAPPED ov = at(offset + done);
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(std::min(bytes.size() - done, kChunk));
    if (!::WriteFile(h, bytes.data() + done, want, &put, &ov))
      fail(ioErrorNumber(::GetLastError()), systemPath, hostPath);
    if (put == 0) fail(61, systemPath, hostPath);  // no progress: nothing more fits
    done += put;
  }
}

DWORD replaceFile(const std::string& from, const std::string& to) {
  const std::string target = existingSpelling(to);
  if (::MoveFileExA(from.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH | MOVEFILE_COPY_ALLOWED))
    return 0;
  return ::GetLastError();
}

TempFile::TempFile(std::string target, std::string_view systemPath, unsigned serial)
    : target_(std::move(target)), system_(systemPath) {
  const std::string folder = folderOf(target_);
  const std::string sep = folder.empty() || folder.back() == '\\' || folder.back() == '/' ||
                                  folder.back() == ':'
                              ? ""
                              : "\\";
  const std::string stem = folder + sep + "." + nameOf(target_) + ".tmp" +
                           std::to_string(currentProcessId()) + "-" + std::to_string(serial) + "-";
  for (unsigned attempt = 0; !file_; ++attempt) {
    temp_ = stem + std::to_string(attempt);
    DWORD err = 0;
    file_ = openShared(temp_, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, err);
    if (!file_ && (err != ERROR_FILE_EXISTS || attempt > 1000))
      fail(openErrorNumber(err, temp_), system_, target_);
  }
}

TempFile::~TempFile() {
  if (file_) {
    file_.reset();
    ::DeleteFileA(temp_.c_str());
  }
}

void TempFile::write(std::string_view bytes) {
  writeFully(file_.get(), written_, bytes, system_, temp_);
  written_ += bytes.size();
}

void TempFile::commit() {
  if (!::FlushFileBuffers(file_.get())) fail(ioErrorNumber(::GetLastError()), system_, temp_);
  file_.reset();  // a file still open cannot be moved over another
  if (const DWORD err = replaceFile(temp_, target_)) {
    ::DeleteFileA(temp_.c_str());
    fail(openErrorNumber(err, target_), system_, target_);
  }
}

std::string commandLineArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  // Backslashes are doubled only before a quote, the argument's own or the closing one.
  std::string q = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    q.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    q += c;
  }
  q.append(2 * backslashes, '\\');
  return q + '"';
}

}  // namespace zr::platform::winio

// Whole-file operations of the Windows backend: copies and text written through a temporary,
// moves, folders, listings and the previous-instance mutex.
#include <algorithm>

#include "platform/errors.h"
#include "platform/files_common.h"
#include "platform/files_host.h"
#include "platform/win/winio.h"

namespace zr::platform {

namespace {

// A named mutex held for the process's life: a second CreateMutexA of the name, in any process
// of the session, sees ERROR_ALREADY_EXISTS.
class HeldMutex : public InstanceLock {
 public:
  explicit HeldMutex(winio::Handle h) : h_(std::move(h)) {}

 private:
  winio::Handle h_;
};

std::string withoutTrailingSeparators(std::string s) {
  while (s.size() > 1 && (s.back() == '\\' || s.back() == '/') && s[s.size() - 2] != ':')
    s.pop_back();
  return s;
}

}  // namespace

void HostFiles::copy(std::string_view from, std::string_view to) {
  auto source = open(from, OpenMode::Read);
  std::string target = resolve(to);
  winio::TempFile temp(target, to, nextSerial());
  filescommon::copyInPieces(*source, [&](std::string_view piece) { temp.write(piece); });
  temp.commit();
}

void HostFiles::rename(std::string_view from, std::string_view to) {
  std::string source = resolve(from);
  if (::GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES)
    winio::fail(winio::openErrorNumber(::GetLastError(), source), from, source);
  std::string target = resolve(to);
  // Another volume is a copy and a removal inside the call (MOVEFILE_COPY_ALLOWED).
  if (const DWORD err = winio::replaceFile(source, target))
    winio::fail(winio::openErrorNumber(err, target), to, target);
}

void HostFiles::keepCopy(std::string_view from, std::string_view to) {
  const std::string source = resolve(from);
  const std::string target = resolve(to);
  if (::CreateHardLinkA(target.c_str(), source.c_str(), nullptr)) return;
  const DWORD err = ::GetLastError();
  if (::GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES)
    winio::fail(winio::openErrorNumber(::GetLastError(), source), from, source);
  // A volume without second names (FAT, a share), or a name already taken, which a copy
  // replaces without writing through it: the bytes themselves.
  if (err == ERROR_NOT_SAME_DEVICE || err == ERROR_INVALID_FUNCTION || err == ERROR_ACCESS_DENIED ||
      err == ERROR_ALREADY_EXISTS || err == ERROR_NOT_SUPPORTED || err == ERROR_TOO_MANY_LINKS) {
    copy(from, to);
    return;
  }
  winio::fail(winio::openErrorNumber(err, target), to, target);
}

void HostFiles::syncFolder(std::string_view folder) {
  // Windows offers no flush of a folder's entries to a program: the moves themselves are made
  // with MOVEFILE_WRITE_THROUGH, which returns only once each is on disk. What is left to check
  // is that the folder is there.
  std::string host = resolve(folder);
  if (!winio::isFolder(host)) winio::fail(76, folder, host);
}

void HostFiles::makeDirectories(std::string_view path) {
  const std::string host = withoutTrailingSeparators(resolve(path));
  // Skips the drive ("C:\") or share ("\\server\share\") at the start: those are never made.
  std::size_t start = 0;
  if (host.size() >= 2 && host[1] == ':') start = 3;
  if (host.rfind("\\\\", 0) == 0) {
    const std::size_t server = host.find_first_of("\\/", 2);
    const std::size_t share =
        server == std::string::npos ? std::string::npos : host.find_first_of("\\/", server + 1);
    start = share == std::string::npos ? host.size() : share + 1;
  }
  for (std::size_t at = host.find_first_of("\\/", start);; at = host.find_first_of("\\/", at + 1)) {
    const std::string prefix = host.substr(0, at);
    if (!prefix.empty() && !winio::isFolder(prefix) && !::CreateDirectoryA(prefix.c_str(), nullptr)) {
      const DWORD err = ::GetLastError();
      if (err != ERROR_ALREADY_EXISTS)
        winio::fail(err == ERROR_ACCESS_DENIED ? 70 : 75, path, host);
    }
    if (at == std::string::npos) break;
  }
  if (!winio::isFolder(host)) winio::fail(75, path, host);
}

std::vector<std::string> HostFiles::list(std::string_view folder) {
  const std::string host = resolve(folder);
  if (!winio::isFolder(host)) {
    const DWORD a = ::GetFileAttributesA(host.c_str());
    winio::fail(a == INVALID_FILE_ATTRIBUTES ? winio::openErrorNumber(::GetLastError(), host)
                                             : 76,
                folder, host);
  }
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  const std::string pattern =
      host + (host.back() == '\\' || host.back() == '/' || host.back() == ':' ? "*" : "\\*");
  HANDLE h = ::FindFirstFileA(pattern.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = ::GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_NO_MORE_FILES) return names;  // empty root
    winio::fail(winio::openErrorNumber(err, host), folder, host);
  }
  do {
    if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
      names.emplace_back(found.cFileName);
  } while (::FindNextFileA(h, &found));
  ::FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

void HostFiles::writeText(std::string_view path, std::string_view content) {
  std::string target = resolve(path);
  winio::TempFile temp(target, path, nextSerial());
  temp.write(content);
  temp.commit();
}

std::unique_ptr<InstanceLock> HostFiles::acquireInstanceLock(std::string_view program) {
  // One installation under two spellings is one: the file system ignores case and the
  // separators' kind.
  std::string installation = withoutTrailingSeparators(root_.empty() ? std::string("C:\\") : root_);
  for (char& c : installation) {
    if (c == '/') c = '\\';
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  const std::string name = "Local\\" + filescommon::instanceLockName(program, installation);
  winio::Handle h(::CreateMutexA(nullptr, FALSE, name.c_str()));
  if (!h) return std::make_unique<HeldMutex>(winio::Handle());  // no mutex: no other instance
  if (::GetLastError() == ERROR_ALREADY_EXISTS) return nullptr;
  return std::make_unique<HeldMutex>(std::move(h));
}

}  // namespace zr::platform

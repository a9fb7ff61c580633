// The disk half of the POSIX path mapping: each component looked up on disk, exactly first,
// then without regard to case; and the folders the defaults live in.
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "platform/files.h"
#include "platform/posix/pathmap_disk.h"

namespace zr::platform {

namespace pathmap {

namespace {

bool exists(const std::string& hostPath) {
  struct stat st;
  return ::lstat(hostPath.empty() ? "." : hostPath.c_str(), &st) == 0;
}

// The first entry of `folder` in byte order that names `component` without regard to case.
std::optional<std::string> findIgnoringCase(const std::string& folder, std::string_view component) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return std::nullopt;
  std::optional<std::string> best;
  while (const dirent* e = ::readdir(dir)) {
    std::string_view name = e->d_name;
    if (name == "." || name == "..") continue;
    if (entryMatches(name, component) && (!best || name < *best)) best = std::string(name);
  }
  ::closedir(dir);
  return best;
}

}  // namespace

std::string resolveOnDisk(const SplitPath& sp) {
  std::string literal = join(sp.base, sp.components);
  if (exists(literal)) return literal;
  std::string cur = sp.base;
  bool found = true;
  for (const std::string& c : sp.components) {
    std::string next = join(cur, {c});
    if (found && c != "." && c != ".." && !exists(next)) {
      if (auto match = findIgnoringCase(cur, c)) {
        next = join(cur, {*match});
      } else {
        found = false;  // below a missing component nothing can exist
      }
    }
    cur = std::move(next);
  }
  return cur.empty() ? std::string(".") : cur;
}

std::string homeFolder() {
  if (const char* h = std::getenv("HOME"); h && *h) return h;
  std::vector<char> buf(16384);
  passwd pw;
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && pw.pw_dir)
    return pw.pw_dir;
  return "/tmp";
}

}  // namespace pathmap

namespace {

std::string environment(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

}  // namespace

std::string defaultDriveRoot() {
  if (std::string r = environment("ZORIR770_ROOT"); !r.empty()) return r;
  std::string data = environment("XDG_DATA_HOME");
  if (data.empty() || data[0] != '/') data = pathmap::homeFolder() + "/.local/share";
  return data + "/zorir770/c";
}

}  // namespace zr::platform

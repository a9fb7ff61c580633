#include "platform/pathmap.h"

#include <filesystem>

#include "platform/cp1252.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace zr::platform {

namespace pathmap {

namespace {

bool isSeparator(char c) {
  return c == '\\' || c == '/';
}

void appendComponents(std::string_view rest, std::vector<std::string>& out) {
  std::size_t i = 0;
  while (i < rest.size()) {
    while (i < rest.size() && isSeparator(rest[i])) ++i;
    std::size_t j = i;
    while (j < rest.size() && !isSeparator(rest[j])) ++j;
    if (j > i) out.emplace_back(rest.substr(i, j - i));
    i = j;
  }
}

// "." and ".." of a path below a drive or share root, resolved as Windows does: a ".." at the
// root (the first `fixed` components: the drive letter, or server and share) stays there, so a
// configured path can never leave the folder that stands for its drive.
void resolveDots(std::vector<std::string>& components, std::size_t fixed) {
  std::vector<std::string> out;
  out.reserve(components.size());
  for (std::string& c : components) {
    if (c == ".") continue;
    if (c == "..") {
      if (out.size() > fixed) out.pop_back();
      continue;
    }
    out.push_back(std::move(c));
  }
  components = std::move(out);
}

std::string_view withoutTrailingSlashes(std::string_view s) {
  while (s.size() > 1 && s.back() == '/') s.remove_suffix(1);
  return s;
}

bool isDriveLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool hasHighBytes(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

}  // namespace

// Forward slashes on every host, as the rest of the mapping joins with them.
std::string rootParent(std::string_view root) {
  namespace fs = std::filesystem;
  fs::path p = fs::path(std::string(root)).lexically_normal();
  if (!p.has_filename() && p.has_relative_path()) p = p.parent_path();  // a trailing slash
  if (p.empty() || p == ".") return "..";
  if (p.filename() == "..") return (p / "..").generic_string();
  if (p == p.root_path()) return p.generic_string();
  fs::path parent = p.parent_path();
  return parent.empty() ? std::string(".") : parent.generic_string();
}

SplitPath split(std::string_view root, std::string_view path) {
  SplitPath out;
  if (!path.empty() && path[0] == '/') {
    out.base = "/";
    appendComponents(path.substr(1), out.components);
  } else if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    out.base = rootParent(root);
    appendComponents(path.substr(2), out.components);
    resolveDots(out.components, 2);
  } else if (path.size() >= 2 && path[1] == ':' && isDriveLetter(path[0])) {
    char letter = static_cast<char>(path[0] & ~0x20);
    if (letter == 'C') {
      out.base = std::string(withoutTrailingSlashes(root));
    } else {
      out.base = rootParent(root);
      out.components.emplace_back(1, letter);
    }
    appendComponents(path.substr(2), out.components);
    resolveDots(out.components, letter == 'C' ? 0 : 1);
  } else if (!path.empty() && path[0] == '\\') {
    out.base = std::string(withoutTrailingSlashes(root));
    appendComponents(path, out.components);
    resolveDots(out.components, 0);
  } else {
    appendComponents(path, out.components);
  }
  return out;
}

std::string join(std::string_view base, const std::vector<std::string>& components) {
  std::string out(base);
  for (const std::string& c : components) {
    if (!out.empty() && out.back() != '/') out += '/';
    out += c;
  }
  if (out.empty()) out = ".";
  return out;
}

unsigned char foldByte(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
  switch (c) {
    case 0x8A:
      return 0x9A;  // S caron
    case 0x8C:
      return 0x9C;  // OE
    case 0x8E:
      return 0x9E;  // Z caron
    case 0x9F:
      return 0xFF;  // Y diaeresis
    default:
      return c;
  }
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (foldByte(static_cast<unsigned char>(a[i])) != foldByte(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool entryMatches(std::string_view entry, std::string_view component) {
  if (sameIgnoringCase(entry, component)) return true;
  return hasHighBytes(entry) && isValidUtf8(entry) && sameIgnoringCase(fromUtf8(entry), component);
}

}  // namespace pathmap

std::string mapPathLiterally(std::string_view root, std::string_view path) {
  pathmap::SplitPath sp = pathmap::split(root, path);
  return pathmap::join(sp.base, sp.components);
}

}  // namespace zr::platform

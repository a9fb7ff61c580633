// Every regular file under a folder with its bytes, and what changed between two such
// pictures: a test proves that a run touched nothing but what it may.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/installation.h"

namespace zr::testing {

// Relative path ("KORVANTE/ARCHIVI/KVF24.DAT") -> bytes.
using Tree = std::map<std::string, std::string>;

inline Tree pictureOf(const std::filesystem::path& folder) {
  Tree t;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
    if (e.is_regular_file() && !e.is_symlink())
      t[e.path().lexically_relative(folder).generic_string()] = testbed::readBytes(e.path());
  return t;
}

// The paths present in only one picture, or with other bytes, that `ignore` does not excuse.
inline std::vector<std::string> differences(const Tree& before, const Tree& after,
                                            const std::function<bool(const std::string&)>& ignore) {
  std::vector<std::string> changed;
  for (const auto& [path, bytes] : before) {
    if (ignore && ignore(path)) continue;
    const auto it = after.find(path);
    if (it == after.end())
      changed.push_back(path + " (gone)");
    else if (it->second != bytes)
      changed.push_back(path + " (changed)");
  }
  for (const auto& [path, bytes] : after)
    if (!before.count(path) && !(ignore && ignore(path))) changed.push_back(path + " (new)");
  return changed;
}

// Copies every file under `from` into `to` (made as needed), over files already there. Not
// std::filesystem::copy: MinGW's refuses to write over an existing file whatever its options.
inline void copyFolder(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::filesystem::create_directories(to);
  for (const auto& [path, bytes] : pictureOf(from)) {
    std::filesystem::create_directories((to / path).parent_path());
    testbed::writeBytes(to / path, bytes);
  }
}

// Puts a folder back as `picture` holds it, given what it holds `now`: files added are
// removed, files changed or removed are written again (a link or a folder in a file's place
// goes too).
inline void restore(const std::filesystem::path& folder, const Tree& picture, const Tree& now) {
  for (const auto& [path, bytes] : now)
    if (!picture.count(path)) std::filesystem::remove(folder / path);
  for (const auto& [path, bytes] : picture) {
    const auto it = now.find(path);
    if (it != now.end() && it->second == bytes) continue;
    std::filesystem::remove(folder / path);
    std::filesystem::create_directories((folder / path).parent_path());
    testbed::writeBytes(folder / path, bytes);
  }
}
inline void restore(const std::filesystem::path& folder, const Tree& picture) {
  restore(folder, picture, pictureOf(folder));
}

}  // namespace zr::testing

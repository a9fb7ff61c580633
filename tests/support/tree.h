// Whole folder trees for tests that run a command many times on one installation: every file's
// bytes by its relative path, and a tree put back as it was before the next run.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "support/installation.h"

namespace zr::testing {

// Relative path ("KORVANTE/ARCHIVI/KVF24.DAT") -> bytes, of every regular file under root.
using Tree = std::map<std::string, std::string>;

inline Tree snapshotTree(const std::filesystem::path& root) {
  Tree tree;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root))
    if (e.is_regular_file() && !e.is_symlink())
      tree[e.path().lexically_relative(root).generic_string()] = testbed::readBytes(e.path());
  return tree;
}

// Puts the files under root back as `was` holds them, given what they are `now`: files added
// are removed, files changed or removed are written again.
inline void restoreTree(const std::filesystem::path& root, const Tree& was, const Tree& now) {
  for (const auto& [rel, bytes] : now)
    if (!was.count(rel)) std::filesystem::remove(root / rel);
  for (const auto& [rel, bytes] : was) {
    const auto it = now.find(rel);
    if (it != now.end() && it->second == bytes) continue;
    std::filesystem::remove(root / rel);  // a link or a folder in its place goes too
    std::filesystem::create_directories((root / rel).parent_path());
    testbed::writeBytes(root / rel, bytes);
  }
}

}  // namespace zr::testing

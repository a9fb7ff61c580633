#include "archive/isam_node.h"

#include <algorithm>
#include <cstring>

#include "archive/archive.h"
#include "archive/isam.h"

namespace zr::isam {

std::string pointerText(std::uint32_t value) {
  std::string s(6, '0');
  for (std::size_t i = 6; i-- > 0 && value > 0; value /= 10)
    s[i] = static_cast<char>('0' + value % 10);
  return s;
}

void tell(ArchiveLib& lib, std::string_view text) {
  lib.tellFailure(text);
}

Call::Call(ArchiveLib& lib, double base, std::string_view key, std::size_t lunk,
           std::uint64_t nodeCount)
    : lib_(lib),
      base_(base),
      key_(key),
      lunk_(lunk),
      entry_(lunk + kTailLength),
      high_(lunk, static_cast<char>(kHighKeyChar)),
      nodeCount_(nodeCount) {}

int Call::usedEntries(const std::string& text) const {
  const void* hit = std::memchr(text.data(), kHighKeyChar, text.size());
  if (!hit) return kIsamEntries;
  auto offset = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
  return static_cast<int>(offset / entry_);
}

std::uint32_t Call::pointerAt(const Node& n, int i, int level) const {
  std::size_t at = static_cast<std::size_t>(i) * entry_ + lunk_;
  if (n.text[at] != static_cast<char>('0' + level)) throw Damaged{};
  std::uint32_t value = 0;
  for (std::size_t k = at + 1; k < at + kTailLength; ++k) {
    char d = n.text[k];
    if (d < '0' || d > '9') throw Damaged{};
    value = value * 10 + static_cast<std::uint32_t>(d - '0');
  }
  return value;
}

void Call::markVisited(std::uint32_t record) {
  auto small = visited_.begin() + static_cast<std::ptrdiff_t>(visitedCount_);
  if (std::find(visited_.begin(), small, record) != small ||
      std::find(visitedMore_.begin(), visitedMore_.end(), record) != visitedMore_.end())
    throw Damaged{};
  if (visitedCount_ < visited_.size())
    visited_[visitedCount_++] = record;
  else
    visitedMore_.push_back(record);
}

void Call::readNode(int level, std::uint32_t record) {
  // The root is record 1 and nothing else is; a node met twice in one call means a cycle.
  if (record == 0 || record > nodeCount_ || (record == 1) != (level == 1)) throw Damaged{};
  markVisited(record);
  if (lib_.readIndexNode(base_, record) != 0) throw Damaged{};
  Node& n = node(level);
  n.text = lib_.BUFFERREC(base_);  // reuses the capacity of an earlier read in this call
  n.record = record;
  n.used = usedEntries(n.text);
  n.pos = 0;
  // A node of another level (a pointer into the wrong part of the tree) shows at its first entry.
  if (n.used > 0 && n.text[lunk_] != static_cast<char>('0' + level)) throw Damaged{};
}

void Call::search(int level) {
  Node& n = node(level);
  // Binary narrowing on 1-based entry numbers; hi starts at the first free entry, which for a
  // full node is one past entry 128 and is never compared.
  int lo = 1;
  int hi = n.used + 1;
  int mid = 1;
  for (;;) {
    mid = (lo + hi) / 2;
    if (lo + 1 >= mid) {
      mid = lo;
      break;
    }
    std::string_view k = keyAt(n, mid - 1);
    if (k == key_) {
      n.pos = mid - 1;
      checkTaken(level);
      return;
    }
    if (key_ > k)
      lo = mid;
    else
      hi = mid;
  }
  while (mid <= n.used && key_ > keyAt(n, mid - 1)) ++mid;
  if (mid <= n.used && keyAt(n, mid - 1) == key_)
    n.pos = mid - 1;
  else
    n.pos = std::max(mid - 1, 1) - 1;
  checkTaken(level);
}

// The entry taken must be the last one not greater than the key (or the first), between
// its neighbours: three comparisons that find keys out of order where the search passed.
void Call::checkTaken(int level) const {
  const Node& n = nodes_[static_cast<std::size_t>(level - 1)];
  if (n.used == 0) return;
  std::string_view taken = keyAt(n, n.pos);
  if (n.pos > 0 && (taken > key_ || keyAt(n, n.pos - 1) >= taken)) throw Damaged{};
  if (n.pos + 1 < n.used && keyAt(n, n.pos + 1) <= key_) throw Damaged{};
}

void Call::descend(int level) {
  Node& parent = node(level);
  readNode(level + 1, pointerAt(parent, parent.pos, level));
  const Node& child = node(level + 1);
  if (child.used == 0) {
    if (level + 1 == 2) throw Damaged{};  // a middle node always names at least one leaf
    return;                               // an emptied leaf is passed over by the walk
  }
  // Every key under a separator lies between it and the next one; the first separator of a
  // node may be larger than its child's keys (keys smaller than every key go to entry 1).
  if (parent.pos > 0 && keyAt(child, 0) < keyAt(parent, parent.pos)) throw Damaged{};
  if (parent.pos + 1 < parent.used && keyAt(child, child.used - 1) >= keyAt(parent, parent.pos + 1))
    throw Damaged{};
}

bool Call::findPath() {
  readNode(1, 1);
  if (node(1).used == 0) return false;
  search(1);
  descend(1);
  search(2);
  descend(2);
  search(3);
  return true;
}

std::uint32_t Call::dataPointer() {
  Node& leaf = node(3);
  std::uint32_t value = pointerAt(leaf, leaf.pos, 3);
  if (value == 0) throw Damaged{};
  return value;
}

}  // namespace zr::isam

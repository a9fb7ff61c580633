// One CERCAISAM call's working state: the key, the three nodes on the path with their record
// numbers, used counts and positions, and the checks that turn a damaged index into a message
// instead of a loop or a read beyond a node. Reads nodes only through ArchiveLib::readIndexNode
// (LEGGIREC, or what this command has read of the node already).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zr {
class ArchiveLib;
}

namespace zr::isam {

inline constexpr int kLevels = 3;
inline constexpr std::size_t kTailLength = 7;  // level digit + 6-digit pointer
inline constexpr std::uint32_t kMaxPointer = 999999;

// Thrown inside a call when the index contradicts its own layout; CERCAISAM shows the
// damaged-index message and returns 0.
struct Damaged {};

// The 6-digit zero-filled pointer text (value <= 999999).
std::string pointerText(std::uint32_t value);

struct Node {
  std::string text;          // the whole record, copied from the buffer
  std::uint32_t record = 0;  // its record number in the index archive
  int used = 0;              // entries before the first high-key character
  int pos = 0;               // current entry, 0-based
};

class Call {
 public:
  Call(ArchiveLib& lib, double base, std::string_view key, std::size_t lunk,
       std::uint64_t nodeCount);

  std::size_t lunk() const { return lunk_; }
  std::size_t entrySize() const { return entry_; }
  std::string_view key() const { return key_; }
  const std::string& highKey() const { return high_; }
  std::uint64_t nodeCount() const { return nodeCount_; }
  Node& node(int level) { return nodes_[static_cast<std::size_t>(level - 1)]; }
  ArchiveLib& lib() { return lib_; }
  double base() const { return base_; }

  std::string_view keyAt(const Node& n, int i) const {
    return std::string_view(n.text).substr(static_cast<std::size_t>(i) * entry_, lunk_);
  }
  // The pointer of entry i, checked: six digits and the level digit of the node's level.
  std::uint32_t pointerAt(const Node& n, int i, int level) const;

  // Reads node `record` into level `level` (record 1 only as the root, no node twice in a
  // call, nothing past the end of the index archive).
  void readNode(int level, std::uint32_t record);
  // Node search of the key in the node of `level`: the equal entry, else the last smaller
  // one, else the first; never beyond the used entries.
  void search(int level);
  // Reads the child named by the current entry of `level` into level + 1 and checks that its
  // keys lie between the parent's separators.
  void descend(int level);
  // Root to leaf for the key. False when the index is empty.
  bool findPath();

  // The data record of the leaf's current entry (level digit 3, pointer not 0).
  std::uint32_t dataPointer();

 private:
  int usedEntries(const std::string& text) const;
  void markVisited(std::uint32_t record);
  void checkTaken(int level) const;

  ArchiveLib& lib_;
  double base_;
  std::string_view key_;
  std::size_t lunk_;
  std::size_t entry_;
  std::string high_;
  std::uint64_t nodeCount_;
  std::array<Node, kLevels> nodes_;
  // Nodes read in this call: a lookup reads three, a walk rarely more than a handful.
  std::array<std::uint32_t, 16> visited_{};
  std::size_t visitedCount_ = 0;
  std::vector<std::uint32_t> visitedMore_;
};

// The modes, each after the entry checks have passed.
double exactLookup(Call& c);
double nextKey(Call& c);
double insertKey(Call& c, double record);
double deleteKey(Call& c);
double createEmpty(ArchiveLib& lib, double base);

// Shows an ISAM message with the OK button and the program's title.
void tell(ArchiveLib& lib, std::string_view text);

}  // namespace zr::isam

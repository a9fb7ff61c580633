// Insert, delete and creation of the empty index. Nodes change in memory first; nothing is
// written until the whole change is known to fit, and writes go new nodes first, then the
// existing ones from the root down, so an interrupted change leaves keys doubled, never lost.
#include <cmath>
#include <cstring>
#include <string>

#include "archive/archive.h"
#include "archive/isam.h"
#include "archive/isam_node.h"
#include "platform/numtext.h"

namespace zr::isam {

namespace {

constexpr int kHalf = kIsamEntries / 2;

std::string freeEntry(const Call& c, int level) {
  return c.highKey() + static_cast<char>('0' + level) + "000000";
}

std::string repeated(const std::string& entry, int times) {
  std::string s;
  s.reserve(entry.size() * static_cast<std::size_t>(times));
  for (int i = 0; i < times; ++i) s += entry;
  return s;
}

std::string makeEntry(std::string_view key, int level, std::uint32_t pointer) {
  std::string e(key);
  e += static_cast<char>('0' + level);
  e += pointerText(pointer);
  return e;
}

// Puts `entry` at position i of a node with a free entry left, shifting the rest right.
void insertEntry(const Call& c, Node& n, int i, std::string_view entry) {
  std::size_t size = c.entrySize();
  char* d = n.text.data();
  std::memmove(d + (i + 1) * size, d + i * size, (n.used - i) * size);
  std::memcpy(d + i * size, entry.data(), size);
  ++n.used;
}

// Takes entry i out, shifting the rest left; the entry freed at the end gets the free form.
void removeEntry(const Call& c, Node& n, int i, int level) {
  std::size_t size = c.entrySize();
  char* d = n.text.data();
  std::memmove(d + i * size, d + (i + 1) * size, (n.used - i - 1) * size);
  --n.used;
  std::string blank = freeEntry(c, level);
  std::memcpy(d + n.used * size, blank.data(), size);
}

// Splits a full node in halves of 64: the upper half moves to the returned node, then
// `entry` goes into the half where its position falls (position 64 opens the upper half).
Node splitNode(const Call& c, Node& n, int i, std::string_view entry, int level) {
  std::size_t size = c.entrySize();
  std::string freeHalf = repeated(freeEntry(c, level), kHalf);
  Node upper;
  upper.text = n.text.substr(kHalf * size, kHalf * size) + freeHalf;
  upper.used = kHalf;
  n.text.replace(kHalf * size, kHalf * size, freeHalf);
  n.used = kHalf;
  if (i < kHalf)
    insertEntry(c, n, i, entry);
  else
    insertEntry(c, upper, i - kHalf, entry);
  return upper;
}

void setKey(const Call& c, Node& n, int i, std::string_view key) {
  std::memcpy(n.text.data() + static_cast<std::size_t>(i) * c.entrySize(), key.data(), key.size());
}

double firstInsertion(Call& c, std::uint32_t record) {
  std::string leaf = makeEntry(c.key(), 3, record) + repeated(freeEntry(c, 3), kIsamEntries - 1);
  std::string middle = makeEntry(c.key(), 2, 3) + repeated(freeEntry(c, 2), kIsamEntries - 1);
  std::string root = makeEntry(c.key(), 1, 2) + repeated(freeEntry(c, 1), kIsamEntries - 1);
  c.lib().SCRIVIREC(c.base(), 3, leaf);
  c.lib().SCRIVIREC(c.base(), 2, middle);
  c.lib().SCRIVIREC(c.base(), 1, root);
  return record;
}

bool keyHoldsHighChar(std::string_view key) {
  return key.find(static_cast<char>(kHighKeyChar)) != std::string_view::npos;
}

}  // namespace

double insertKey(Call& c, double record) {
  if (record != std::floor(record) || record < 1 || record >= kMaxPointer) {
    tell(c.lib(), "ERR.ISAM - N.REC.=" + platform::shortText(record));
    return 0;
  }
  // The high-key character ends a node's used entries for every reader of the file.
  if (keyHoldsHighChar(c.key())) {
    tell(c.lib(), "ERRORE ISAM - CARATTERE 252 NELLA CHIAVE");
    return 0;
  }
  auto pointer = static_cast<std::uint32_t>(record);
  if (!c.findPath()) return firstInsertion(c, pointer);

  Node& root = c.node(1);
  Node& middle = c.node(2);
  Node& leaf = c.node(3);
  // A key already present keeps one entry and takes the new record number: the index maps
  // each key to one record, and a record rewritten under the same key is found there.
  if (leaf.used > 0 && c.keyAt(leaf, leaf.pos) == c.key()) {
    c.dataPointer();  // the entry replaced must be sound itself
    std::memcpy(leaf.text.data() + leaf.pos * c.entrySize() + c.lunk() + 1,
                pointerText(pointer).data(), 6);
    c.lib().SCRIVIREC(c.base(), leaf.record, leaf.text);
    return record;
  }
  int at = (leaf.used > 0 && c.keyAt(leaf, leaf.pos) < c.key()) ? leaf.pos + 1 : leaf.pos;

  bool splitLeaf = leaf.used == kIsamEntries;
  bool splitMiddle = splitLeaf && middle.used == kIsamEntries;
  std::uint64_t newNodes = (splitLeaf ? 1 : 0) + (splitMiddle ? 1 : 0);
  if ((splitMiddle && root.used == kIsamEntries) || c.nodeCount() + newNodes > kMaxPointer) {
    tell(c.lib(), "ERRORE ISAM - INDICE PIENO " + platform::shortText(c.base()));
    return 0;
  }

  // A key smaller than every key of its subtree becomes the first separator too, so that
  // each separator stays equal to its child's first key.
  bool rootChanged = false, middleChanged = false;
  if (at == 0 && c.keyAt(middle, middle.pos) > c.key()) {
    setKey(c, middle, middle.pos, c.key());
    middleChanged = true;
    if (middle.pos == 0 && c.keyAt(root, root.pos) > c.key()) {
      setKey(c, root, root.pos, c.key());
      rootChanged = true;
    }
  }

  auto leafRecord = static_cast<std::uint32_t>(c.nodeCount() + 1);
  auto middleRecord = leafRecord + 1;
  std::string entry = makeEntry(c.key(), 3, pointer);
  Node newLeaf, newMiddle;
  if (!splitLeaf) {
    insertEntry(c, leaf, at, entry);
  } else {
    newLeaf = splitNode(c, leaf, at, entry, 3);
    std::string separator = makeEntry(c.keyAt(newLeaf, 0), 2, leafRecord);
    middleChanged = true;
    if (!splitMiddle) {
      insertEntry(c, middle, middle.pos + 1, separator);
    } else {
      newMiddle = splitNode(c, middle, middle.pos + 1, separator, 2);
      insertEntry(c, root, root.pos + 1, makeEntry(c.keyAt(newMiddle, 0), 1, middleRecord));
      rootChanged = true;
    }
  }

  ArchiveLib& lib = c.lib();
  if (splitLeaf) lib.SCRIVIREC(c.base(), leafRecord, newLeaf.text);
  if (splitMiddle) lib.SCRIVIREC(c.base(), middleRecord, newMiddle.text);
  if (rootChanged) lib.SCRIVIREC(c.base(), root.record, root.text);
  if (middleChanged) lib.SCRIVIREC(c.base(), middle.record, middle.text);
  lib.SCRIVIREC(c.base(), leaf.record, leaf.text);
  return record;
}

// Result: the data record of the removed entry. A leaf left without keys leaves its middle
// node, and a middle node left without leaves leaves the root, so no walk meets an empty
// node; the last key gone leaves the root empty, as a new index is. Nodes taken out of the
// tree stay in the archive unused.
double deleteKey(Call& c) {
  if (!c.findPath()) return -1;
  Node& root = c.node(1);
  Node& middle = c.node(2);
  Node& leaf = c.node(3);
  if (leaf.used == 0 || c.keyAt(leaf, leaf.pos) != c.key()) return -1;
  std::uint32_t data = c.dataPointer();
  Node* changed = &leaf;
  int level = 3;
  if (leaf.used == 1) {
    changed = middle.used > 1 ? &middle : &root;
    level = middle.used > 1 ? 2 : 1;
  }
  removeEntry(c, *changed, changed->pos, level);
  c.lib().SCRIVIREC(c.base(), changed->record, changed->text);
  return data;
}

// Result: 1, the record of the root written.
double createEmpty(ArchiveLib& lib, double base) {
  auto validLength = [](double length) {
    return length == std::floor(length) && length > kTailLength * kIsamEntries &&
           std::fmod(length, kIsamEntries) == 0;
  };
  if (!validLength(lib.LUNGREC(base))) {
    tell(lib, "ERRORE ISAM - LUNK NO OK");
    return 0;
  }
  lib.AZZERAFILE(base);
  double length = lib.LUNGREC(base);
  if (!validLength(length)) {
    tell(lib, "ERRORE ISAM - LUNK NO OK");
    return 0;
  }
  auto lunk = static_cast<std::size_t>(length / kIsamEntries) - kTailLength;
  std::string entry(lunk, static_cast<char>(kHighKeyChar));
  entry += "1000000";
  lib.SCRIVIREC(base, 1, repeated(entry, kIsamEntries));
  return 1;
}

}  // namespace zr::isam

#include "archive/isam.h"

#include <algorithm>
#include <string>

#include "archive/archive.h"
#include "archive/isam_node.h"
#include "platform/numtext.h"

namespace zr {

namespace {

bool isBlank(std::string_view key) {
  return std::all_of(key.begin(), key.end(), [](char c) { return c == ' '; });
}

bool knownMode(int mode) {
  return mode == 1 || mode == 2 || mode == 3 || mode == 4 || mode == 9;
}

// Mode 9 may open the index itself; the opening context it consumes is the caller's.
void openKeepingContext(ArchiveLib& lib, double n) {
  std::string unita = lib.UNITAOPEN, ditta = lib.DITTAOPEN, anno = lib.ANNOOPEN,
              regione = lib.REGIONEOPEN, provincia = lib.PROVINCIAOPEN;
  lib.FAIOPEN(n);
  lib.UNITAOPEN = unita;
  lib.DITTAOPEN = ditta;
  lib.ANNOOPEN = anno;
  lib.REGIONEOPEN = regione;
  lib.PROVINCIAOPEN = provincia;
}

double runMode(isam::Call& call, int mode, double record) {
  switch (mode) {
    case 1:
      return isam::insertKey(call, record);
    case 2:
      return isam::exactLookup(call);
    case 3:
      return isam::deleteKey(call);
    default:
      return isam::nextKey(call);
  }
}

}  // namespace

namespace isam {

double exactLookup(Call& c) {
  if (!c.findPath()) return -1;
  Node& leaf = c.node(3);
  if (leaf.used == 0 || c.keyAt(leaf, leaf.pos) != c.key()) return -1;
  return c.dataPointer();
}

double nextKey(Call& c) {
  if (!c.findPath()) return kMaxPointer;
  Node& root = c.node(1);
  Node& middle = c.node(2);
  Node& leaf = c.node(3);
  if (leaf.used > 0 && c.key() >= c.keyAt(leaf, leaf.pos)) ++leaf.pos;
  // Past the leaf's last key (a full leaf ends at entry 128): on through the middle node, and
  // past the middle node's last entry through the root.
  while (leaf.pos >= leaf.used) {
    if (++middle.pos >= middle.used) {
      if (++root.pos >= root.used) return kMaxPointer;
      c.descend(1);
    }
    c.descend(2);
  }
  // A result not beyond the key would send the caller's walk round in a circle.
  if (c.keyAt(leaf, leaf.pos) <= c.key()) throw Damaged{};
  return c.dataPointer();
}

}  // namespace isam

double CERCAISAM(ArchiveLib& lib, double n, std::string_view key, int mode, double record) {
  if (mode == 9 && lib.guarded([&] { return lib.NUMFILE(n); }) == 0) openKeepingContext(lib, n);

  std::uint64_t length = 0;
  if (mode != 9) {
    length = lib.guarded([&] { return lib.openFileLength(n); });
    if (length == 0) {
      isam::tell(lib, "ERRORE ISAM - FILE VUOTO " + platform::shortText(n));
      return 0;
    }
  }
  if (key.empty() && mode != 9) {
    isam::tell(lib, "ERRORE ISAM - LUNK=0");
    return 0;
  }
  double recordLength = lib.guarded([&] { return lib.LUNGREC(n); });
  if (mode != 9 &&
      static_cast<double>((key.size() + isam::kTailLength) * kIsamEntries) != recordLength) {
    isam::tell(lib, "ERRORE ISAM - LUNK NO OK");
    return 0;
  }
  if (isBlank(key) && mode != 4 && mode != 9) {
    isam::tell(lib, "ERRORE ISAM - K=BLANK");
    return 0;
  }
  if (!knownMode(mode)) {
    isam::tell(lib, "ERRORE CODICE ISAM " + platform::shortText(mode));
    return 0;
  }
  if (mode == 9) return isam::createEmpty(lib, n);

  auto nodeCount = length / static_cast<std::uint64_t>(recordLength);
  isam::Call call(lib, n, key, key.size(), nodeCount);
  try {
    return runMode(call, mode, record);
  } catch (const isam::Damaged&) {
    isam::tell(lib, "ERRORE ISAM - INDICE DANNEGGIATO " + platform::shortText(n));
    return 0;
  }
}

}  // namespace zr

// What an ArchiveLib::RunScope keeps for one command: catalogue records by base number, the
// archive handles that CHIUDIFILE let go (by the name they were opened under), the semaphore
// file and index nodes (by file and offset). Private to the archive library's own units.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "archive/archive.h"

namespace zr {

struct CatalogueRecord {
  std::string pattern;  // the name pattern, trailing blanks cut
  double length = 0;    // the record length
};

struct ArchiveLib::RunCache {
  static std::uintptr_t keyOf(const platform::File& file);

  std::map<int, CatalogueRecord> catalogue;
  std::multimap<std::string, std::unique_ptr<platform::File>, std::less<>> parked;
  // The semaphore file, open for the whole command; its lock comes and goes.
  std::shared_ptr<platform::LockableFile> semaphore;
  // By the handle's address (handles live until the scope ends) and the node's offset.
  std::map<std::pair<std::uintptr_t, std::uint64_t>, std::string> nodes;
};

}  // namespace zr

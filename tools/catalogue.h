// The installation's catalogue TRBASE.DAT: which file and record length each base number has.
// Builds the file's bytes; writing them is the builder's business.
#pragma once

#include <string>
#include <vector>

#include "builder.h"

namespace zr::demo {

inline constexpr int kCatalogueRecord = static_cast<int>(inst::kCatalogueRecord);

// The catalogue of the demo bureau: every base number the program opens, with record lengths
// that hold the fields it reads, and a scattering of others with context placeholders.
std::vector<CatalogueEntry> standardCatalogue();

// The bytes of TRBASE.DAT: one 79-byte record per base number up to the highest one listed;
// numbers not listed get a blank record.
std::string catalogueImage(const std::vector<CatalogueEntry>& entries);

// The base numbers whose archives the builder creates (those the program opens).
std::vector<int> openedBases();

}  // namespace zr::demo

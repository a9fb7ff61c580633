#include "catalogue.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace zr::demo {

namespace {

std::string rightAligned(std::string s, std::size_t width, char fill) {
  if (s.size() > width) throw std::invalid_argument("catalogue field too long: " + s);
  return std::string(width - s.size(), fill) + s;
}

std::string leftAligned(std::string s, std::size_t width) {
  s.resize(width, ' ');
  return s;
}

}  // namespace

// Record lengths: the company, employee and payment archives are a little longer than the last
// field they hold; the indexes are (key length + 7) * 128.
std::vector<CatalogueEntry> standardCatalogue() {
  return {
      {inst::kCompanies, "KVDITTE.DAT", 6500},
      {2, "KVTABGEN.DAT", 512},
      {5, "###\\KVCEDO**.DAT", 4096},
      {7, "###\\KVPRES**.DAT", 800},
      {12, "KVREGI@@.DAT", 300},
      {14, "KVPROV%%.DAT", 254},
      {inst::kSemaphore, std::string(inst::kSemaphoreFile), int{inst::kSemaphoreRecord}},
      {20, "!:\\KVSALVA.DAT", 1024},
      {22, "KVSTAMPE$$.DAT", 1357},
      {inst::kEmployees, "KVDIPEND.DAT", 16200},
      {inst::kEmployeeIndex, "KVDIPEND.IDX", (kEmployeeKeyLength + 7) * 128},
      {41, "###\\KVMOVI**.DAT", 3546},
      {inst::kParameters, "KVPARAM$$.DAT", 1357},
      {inst::kCausals, "KVCAUSAL.DAT", 1630},
      {inst::kContracts, "KVCONTRA.DAT", 335},
      {120, "###\\KVLUL**@@.DAT", 2000},
      {inst::kHistory, "KVSTORIC.DAT", 1616},
      {inst::kScrutiny, "KVSCRUT.DAT", 6200},
      {inst::kF24, "KVF24.DAT", 9940},
      {inst::kF24Index, "KVF24.IDX", (kF24KeyLength + 7) * 128},
      {410, "KVMOD770.DAT", 6951},
  };
}

std::vector<int> openedBases() {
  return {std::begin(inst::kExportBases), std::end(inst::kExportBases)};
}

std::string catalogueImage(const std::vector<CatalogueEntry>& entries) {
  int highest = 0;
  for (const auto& e : entries) {
    if (e.base < 1 || e.base > inst::kHighestBase) {
      throw std::invalid_argument("catalogue base number out of range: " + std::to_string(e.base));
    }
    highest = std::max(highest, e.base);
  }
  const std::string blank = std::string(kCatalogueRecord - 2, ' ') + "\r\n";
  std::string image;
  image.reserve(static_cast<std::size_t>(highest) * kCatalogueRecord);
  for (int n = 1; n <= highest; ++n) image += blank;
  for (const auto& e : entries) {
    if (e.pattern.size() > inst::kCataloguePatternChars)
      throw std::invalid_argument("catalogue pattern too long: " + e.pattern);
    // 1-3 the number, 4-32 the pattern, 33-37 the record length, then a line end.
    std::string record =
        rightAligned(std::to_string(e.base), inst::kCatalogueNumberChars, '0') +
        leftAligned(e.pattern, inst::kCataloguePatternChars) +
        rightAligned(std::to_string(e.recordLength), inst::kCatalogueLengthChars, '0');
    record = leftAligned(record, kCatalogueRecord - 2) + "\r\n";
    image.replace(static_cast<std::size_t>(e.base - 1) * kCatalogueRecord, kCatalogueRecord,
                  record);
  }
  return image;
}

}  // namespace zr::demo

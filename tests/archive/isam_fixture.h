// Test support for the ISAM index: an archive test bed whose catalogue names one index base
// number, and helpers that write index files byte by byte from entries spelt out in the test.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/archive_bed.h"
#include "archive/isam.h"
#include "platform/ui.h"

namespace zr::testing {

inline constexpr int kIndexBase = 378;
inline const std::string kDamaged = "ERRORE ISAM - INDICE DANNEGGIATO 378";

// One entry: the key, the level digit (1 root, 2 middle, 3 leaf), a six-digit pointer.
inline std::string entry(int level, const std::string& key, const std::string& ptr) {
  return key + static_cast<char>('0' + level) + ptr;
}
inline std::string entry(int level, const std::string& key, int ptr) {
  std::string p = std::to_string(ptr);
  return entry(level, key, std::string(6 - p.size(), '0') + p);
}

class IsamFolder {
 public:
  // `pattern` is the catalogue's file name pattern of the index base number; its record
  // length is that of key length `lunk` unless `recordLength` says otherwise.
  explicit IsamFolder(int lunk, std::string pattern = "ISAM378.DAT", int recordLength = -1)
      : lunk_(lunk),
        bed_({{kIndexBase, std::move(pattern),
               std::to_string(recordLength >= 0 ? recordLength : (lunk + 7) * 128)}}) {}

  ArchiveLib& lib() { return bed_.lib(); }
  int lunk() const { return lunk_; }

  // The 128-entry node of a level: the entries given, then free entries of that level.
  std::string node(int level, const std::vector<std::string>& entries) const {
    std::string text;
    for (const auto& e : entries) {
      EXPECT_EQ(e.size(), static_cast<std::size_t>(lunk_ + 7)) << e;
      text += e;
    }
    for (std::size_t i = entries.size(); i < 128; ++i)
      text += entry(level, std::string(static_cast<std::size_t>(lunk_), '\xFC'), 0);
    return text;
  }

  // Writes the index file from whole records (record 1 first) and opens it.
  void writeIndex(const std::vector<std::string>& records) {
    std::string bytes;
    for (const auto& r : records) bytes += r;
    writeRaw(bytes);
    lib().FAIOPEN(kIndexBase);
  }
  void writeRaw(const std::string& bytes) { bed_.write("ISAM378.DAT", bytes); }
  std::string readRaw(const std::string& name = "ISAM378.DAT") const { return bed_.read(name); }
  std::string record(int r) const {
    return readRaw().substr(static_cast<std::size_t>(r - 1) * (lunk_ + 7) * 128,
                            static_cast<std::size_t>(lunk_ + 7) * 128);
  }

  double find(const std::string& key, int mode, double record = 0) {
    return CERCAISAM(lib(), kIndexBase, key, mode, record);
  }
  double reads() { return static_cast<double>(lib().recordsRead()); }

  // Texts of the messages shown since the last call, each checked for the OK box's form.
  std::vector<std::string> takeMessages() {
    std::vector<std::string> texts;
    for (const auto& e : bed_.ui().dialogs()) {
      EXPECT_EQ(e.kind, platform::ScriptedUi::Kind::Message) << e.text;
      EXPECT_EQ(e.title, "ZORIR77024") << e.text;
      EXPECT_EQ(e.icon, platform::Icon::None) << e.text;
      texts.push_back(e.text);
    }
    bed_.ui().clear();
    return texts;
  }

  // The data records the caller's walk visits from a blank key, up to the end mark or 0.
  std::vector<double> walk(const std::map<double, std::string>& keyOf, int limit = 100) {
    std::vector<double> seen;
    std::string k(static_cast<std::size_t>(lunk_), ' ');
    for (double r = 0; seen.size() < static_cast<std::size_t>(limit); k = keyOf.at(r)) {
      r = find(k, 4);
      seen.push_back(r);
      if (r == 999999 || r == 0 || !keyOf.count(r)) break;
    }
    return seen;
  }

 private:
  int lunk_;
  ArchiveBed bed_;
};

// Root 1 -> middle nodes 2, 3; middle 2 -> leaves 4, 5; middle 3 -> leaves 6, 7; two keys a
// leaf: B0 B2 | B5 B7 || D0 D3 | D5 D9, data records 101..108 in key order.
inline std::vector<std::string> smallTree(const IsamFolder& f) {
  return {f.node(1, {entry(1, "B0", 2), entry(1, "D0", 3)}),
          f.node(2, {entry(2, "B0", 4), entry(2, "B5", 5)}),
          f.node(2, {entry(2, "D0", 6), entry(2, "D5", 7)}),
          f.node(3, {entry(3, "B0", 101), entry(3, "B2", 102)}),
          f.node(3, {entry(3, "B5", 103), entry(3, "B7", 104)}),
          f.node(3, {entry(3, "D0", 105), entry(3, "D3", 106)}),
          f.node(3, {entry(3, "D5", 107), entry(3, "D9", 108)})};
}
inline const std::map<double, std::string> kSmallTreeKeys = {{101, "B0"}, {102, "B2"}, {103, "B5"},
                                                             {104, "B7"}, {105, "D0"}, {106, "D3"},
                                                             {107, "D5"}, {108, "D9"}};

}  // namespace zr::testing

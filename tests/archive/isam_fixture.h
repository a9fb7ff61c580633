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
inline const std::string kHigh2 = "\xFC\xFC";  // the high key of a 2-character key

// Keys of LUNK 2 in this folder's hand-made indexes are followed by these tails.
inline std::string rootEntry(const std::string& key, const std::string& ptr) {
  return key + "1" + ptr;
}
inline std::string middleEntry(const std::string& key, const std::string& ptr) {
  return key + "2" + ptr;
}
inline std::string leafEntry(const std::string& key, const std::string& ptr) {
  return key + "3" + ptr;
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
    std::string freeEntry = std::string(static_cast<std::size_t>(lunk_), '\xFC') +
                            static_cast<char>('0' + level) + "000000";
    for (std::size_t i = entries.size(); i < 128; ++i) text += freeEntry;
    return text;
  }

  // Writes the index file from whole records (record 1 first) and opens it.
  void writeIndex(const std::vector<std::string>& records) {
    std::string bytes;
    for (const auto& r : records) bytes += r;
    writeRaw(bytes);
    open();
  }
  void writeRaw(const std::string& bytes, const std::string& name = "ISAM378.DAT") {
    bed_.write(name, bytes);
  }
  std::string readRaw(const std::string& name = "ISAM378.DAT") const { return bed_.read(name); }
  void open() { lib().FAIOPEN(kIndexBase); }

  double find(const std::string& key, int mode, double record = 0) {
    return CERCAISAM(lib(), kIndexBase, key, mode, record);
  }

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

 private:
  int lunk_;
  ArchiveBed bed_;
};

// Root 1 -> middle nodes 2, 3; middle 2 -> leaves 4, 5; middle 3 -> leaves 6, 7; two keys a
// leaf: B0 B2 | B5 B7 || D0 D3 | D5 D9, data records 101..108 in key order.
inline std::vector<std::string> smallTree(const IsamFolder& f) {
  return {
      f.node(1, {rootEntry("B0", "000002"), rootEntry("D0", "000003")}),
      f.node(2, {middleEntry("B0", "000004"), middleEntry("B5", "000005")}),
      f.node(2, {middleEntry("D0", "000006"), middleEntry("D5", "000007")}),
      f.node(3, {leafEntry("B0", "000101"), leafEntry("B2", "000102")}),
      f.node(3, {leafEntry("B5", "000103"), leafEntry("B7", "000104")}),
      f.node(3, {leafEntry("D0", "000105"), leafEntry("D3", "000106")}),
      f.node(3, {leafEntry("D5", "000107"), leafEntry("D9", "000108")}),
  };
}
inline const std::map<double, std::string> kSmallTreeKeys = {{101, "B0"}, {102, "B2"}, {103, "B5"},
                                                             {104, "B7"}, {105, "D0"}, {106, "D3"},
                                                             {107, "D5"}, {108, "D9"}};

}  // namespace zr::testing

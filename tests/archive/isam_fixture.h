// Test support for the ISAM index: an archives folder in a temporary directory with a
// TRBASE.DAT naming one index base number, an ArchiveLib over the host files, and helpers
// that write index files byte by byte from entries spelt out in the test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/isam.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "support/tempdir.h"

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
      : lunk_(lunk), pattern_(std::move(pattern)) {
    std::filesystem::create_directories(dir_.path() / "ARC");
    writeCatalogue(kIndexBase, recordLength >= 0 ? recordLength : (lunk + 7) * 128);
    config_.PERCORSOARCHIVI = "C:\\ARC";
    config_.CODICETASK = "01";
    files_ = platform::makeHostFiles(dir_.str());
    lib_ = std::make_unique<ArchiveLib>(*files_, ui_, clock_, config_);
  }

  ArchiveLib& lib() { return *lib_; }
  platform::ScriptedUi& ui() { return ui_; }
  int lunk() const { return lunk_; }
  std::size_t recordLength() const { return static_cast<std::size_t>(lunk_ + 7) * 128; }
  std::filesystem::path indexPath(const std::string& name = "ISAM378.DAT") const {
    return dir_.path() / "ARC" / name;
  }

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
    std::ofstream out(indexPath(name), std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  std::string readRaw(const std::string& name = "ISAM378.DAT") const {
    std::ifstream in(indexPath(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void open() { lib_->FAIOPEN(kIndexBase); }

  double find(const std::string& key, int mode, double record = 0) {
    return CERCAISAM(*lib_, kIndexBase, key, mode, record);
  }

  // Texts of the messages shown since the last call, each checked for the OK box's form.
  std::vector<std::string> takeMessages() {
    std::vector<std::string> texts;
    for (const auto& e : ui_.dialogs()) {
      EXPECT_EQ(e.kind, platform::ScriptedUi::Kind::Message) << e.text;
      EXPECT_EQ(e.title, "ZORIR77024") << e.text;
      EXPECT_EQ(e.icon, platform::Icon::None) << e.text;
      texts.push_back(e.text);
    }
    ui_.clear();
    return texts;
  }

 private:
  void writeCatalogue(int base, int recordLength) {
    std::string catalogue(static_cast<std::size_t>(base) * 79, ' ');
    std::string rec = "   " + pattern_;
    rec.resize(32, ' ');
    std::string len = std::to_string(recordLength);
    rec += std::string(5 - len.size(), ' ') + len;
    rec.resize(79, ' ');
    catalogue.replace(static_cast<std::size_t>(base - 1) * 79, 79, rec);
    std::ofstream out(dir_.path() / "ARC" / "TRBASE.DAT", std::ios::binary);
    out << catalogue;
  }

  TempDir dir_;
  int lunk_;
  std::string pattern_;
  Config config_;
  platform::ScriptedUi ui_;
  platform::FixedClock clock_{std::chrono::year_month_day{
      std::chrono::year{2024}, std::chrono::month{3}, std::chrono::day{1}}};
  std::unique_ptr<platform::Files> files_;
  std::unique_ptr<ArchiveLib> lib_;
};

}  // namespace zr::testing

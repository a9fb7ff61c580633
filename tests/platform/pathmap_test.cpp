// Mapping of the system's paths onto the host: literal mapping and case-insensitive lookup on
// real folders.
#include "platform/pathmap.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/files.h"
#include "support/tempdir.h"

namespace zr::platform {
namespace {

void touch(const std::filesystem::path& p, const std::string& content = "") {
  std::ofstream(p, std::ios::binary) << content;
}

TEST(PathMapTest, MapsSystemPathsLiterally) {
  struct Case {
    const char* root;
    const char* path;
    const char* host;
  };
  const Case cases[] = {
      {"/r/c", "C:\\RORIZIDO\\TRPERARK.TRP", "/r/c/RORIZIDO/TRPERARK.TRP"},
      {"/r/c", "c:\\RORIZIDO\\TRBASE.DAT", "/r/c/RORIZIDO/TRBASE.DAT"},
      {"/r/c", "\\RORIZIDO\\X", "/r/c/RORIZIDO/X"},
      {"/r/c/", "C:\\A", "/r/c/A"},
      {"/r/c", "C:\\", "/r/c"},
      {"/r/c", "C:\\A\\\\B\\", "/r/c/A/B"},  // doubled and trailing separators
      {"/r/c", "D:\\X\\Y", "/r/D/X/Y"},
      {"/r/c", "d:\\X", "/r/D/X"},
      {"/r/c", "\\\\SERVER\\SHARE\\A\\B", "/r/SERVER/SHARE/A/B"},
      {"/r/c", "/etc/hosts", "/etc/hosts"},
      {"/r/c", "/srv/arch\\TRBASE.DAT", "/srv/arch/TRBASE.DAT"},
      {"/r/c", "RORIZIDO\\X", "RORIZIDO/X"},
      {"/r/c", "a/b\\c", "a/b/c"},
      {"c", "D:\\X", "./D/X"},
      {"/c", "E:\\X", "/E/X"},
      {"/r/c", "C:A\\B", "/r/c/A/B"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(mapPathLiterally(c.root, c.path), c.host) << c.root << " " << c.path;
}

TEST(PathMapTest, FoldsAsciiAndCp1252LettersOnly) {
  EXPECT_TRUE(pathmap::sameIgnoringCase("TrPerArk.TRP", "trperark.trp"));
  EXPECT_TRUE(pathmap::sameIgnoringCase("\xC0\xC9\xD6\xDE\x8A\x8C\x8E\x9F",
                                        "\xE0\xE9\xF6\xFE\x9A\x9C\x9E\xFF"));
  EXPECT_FALSE(pathmap::sameIgnoringCase("\xD7", "\xF7"));  // multiplication and division signs
  EXPECT_FALSE(pathmap::sameIgnoringCase("[", "{"));        // not letters, though 0x20 apart
  EXPECT_FALSE(pathmap::sameIgnoringCase("A", "AA"));
  // A name stored on disk as UTF-8 matches its CP1252 spelling.
  EXPECT_TRUE(pathmap::entryMatches("citt\xC3\xA0", "CITT\xC0"));
  EXPECT_FALSE(pathmap::entryMatches("citt\xC3\xA1", "CITT\xC0"));
}

TEST(PathMapTest, ResolvesComponentsWithoutRegardToCase) {
  testing::TempDir root;
  std::filesystem::create_directories(root / "RoRiZiDo" / "Sub");
  touch(root / "RoRiZiDo" / "Sub" / "TrBase.Dat", "x");
  touch(root / "RoRiZiDo" / "exact.txt");
  touch(root / "RoRiZiDo" / "EXACT.TXT");
  // Two names differing only in case: the first in byte order wins ("DUP" < "Dup" < "dup").
  touch(root / "RoRiZiDo" / "dup");
  touch(root / "RoRiZiDo" / "Dup");
  touch(root / "RoRiZiDo" / "DUP");
  auto files = makeHostFiles(root.str());
  const std::string r = root.str();

  EXPECT_EQ(files->resolve("C:\\RORIZIDO\\SUB\\TRBASE.DAT"), r + "/RoRiZiDo/Sub/TrBase.Dat");
  EXPECT_EQ(files->resolve("\\rorizido\\sub"), r + "/RoRiZiDo/Sub");
  // An exact spelling wins over a case-insensitive one.
  EXPECT_EQ(files->resolve("C:\\RORIZIDO\\exact.txt"), r + "/RoRiZiDo/exact.txt");
  EXPECT_EQ(files->resolve("C:\\RORIZIDO\\EXACT.TXT"), r + "/RoRiZiDo/EXACT.TXT");
  EXPECT_EQ(files->resolve("C:\\RORIZIDO\\Exact.Txt"), r + "/RoRiZiDo/EXACT.TXT");
  EXPECT_EQ(files->resolve("C:\\RORIZIDO\\dUp"), r + "/RoRiZiDo/DUP");
  // Missing components keep the given spelling, below an existing folder found by case.
  EXPECT_EQ(files->resolve("C:\\rorizido\\NEW\\FILE.V24"), r + "/RoRiZiDo/NEW/FILE.V24");
  EXPECT_EQ(files->resolve("C:\\rorizido\\sub\\New.V24"), r + "/RoRiZiDo/Sub/New.V24");

  // A file written over an existing one in another case keeps the existing spelling.
  files->writeText("C:\\RORIZIDO\\SUB\\TRBASE.DAT", "new");
  std::vector<std::string> names = files->list("C:\\RORIZIDO\\SUB");
  EXPECT_EQ(names, std::vector<std::string>{"TrBase.Dat"});
  EXPECT_EQ(files->readLines("c:\\rorizido\\sub\\trbase.dat"), std::vector<std::string>{"new"});
}

TEST(PathMapTest, OtherDrivesAndSharesLiveBesideTheRoot) {
  testing::TempDir top;
  std::filesystem::create_directories(top / "c");
  std::filesystem::create_directories(top / "d" / "Data");
  std::filesystem::create_directories(top / "Server" / "share");
  touch(top / "d" / "Data" / "f.txt", "on d\n");
  touch(top / "Server" / "share" / "g.txt", "on share\n");
  auto files = makeHostFiles((top / "c").string());
  EXPECT_EQ(files->readLines("D:\\DATA\\F.TXT"), std::vector<std::string>{"on d"});
  EXPECT_EQ(files->readLines("\\\\SERVER\\SHARE\\G.TXT"), std::vector<std::string>{"on share"});
}

}  // namespace
}  // namespace zr::platform

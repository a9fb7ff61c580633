// Mapping of the system's paths onto the host: literal mapping and case-insensitive lookup on
// real folders.
#include "platform/pathmap.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/files.h"
#include "platform/test_util.h"
#include "support/tempdir.h"

namespace zr::platform {
namespace {

using testing::writeBytes;

TEST(PathMapTest, MapsSystemPathsLiterally) {
  const char* const cases[][3] = {
      {"/r/c", "C:\\RORIZIDO\\TRPERARK.TRP", "/r/c/RORIZIDO/TRPERARK.TRP"},
      {"/r/c", "\\RORIZIDO\\X", "/r/c/RORIZIDO/X"},
      {"/r/c/", "C:\\A", "/r/c/A"},
      {"/r/c", "C:\\", "/r/c"},
      {"/r/c", "C:\\A\\\\B\\", "/r/c/A/B"},  // doubled and trailing separators
      {"/r/c", "d:\\X\\Y", "/r/D/X/Y"},
      {"/r/c", "\\\\SERVER\\SHARE\\A\\B", "/r/SERVER/SHARE/A/B"},
      {"/r/c", "/etc/hosts", "/etc/hosts"},
      {"/r/c", "/srv/arch\\TRBASE.DAT", "/srv/arch/TRBASE.DAT"},
      {"/r/c", "RORIZIDO\\X", "RORIZIDO/X"},
      {"c", "D:\\X", "./D/X"},
      {"/r/c", "C:A\\B", "/r/c/A/B"},
      // ".." at a drive or share root stays at that root; elsewhere it goes up.
      {"/r/c", "C:\\..\\OUTSIDE", "/r/c/OUTSIDE"},
      {"/r/c", "C:\\A\\..\\..\\..\\B\\.\\X.DAT", "/r/c/B/X.DAT"},
      {"/r/c", "\\..\\X", "/r/c/X"},
      {"/r/c", "d:\\..\\..\\X", "/r/D/X"},
      {"/r/c", "\\\\SERVER\\SHARE\\..\\..\\X", "/r/SERVER/SHARE/X"},
      {"/r/c", "C:\\A\\B\\..\\C", "/r/c/A/C"},
      {"/r/c", "..\\X", "../X"},  // relative to the current folder, as on Windows
  };
  for (const auto& c : cases) {
    std::string host = mapPathLiterally(c[0], c[1]);
#ifdef _WIN32  // where a host path may be spelled with either separator
    std::replace(host.begin(), host.end(), '\\', '/');
#endif
    EXPECT_EQ(host, c[2]) << c[0] << " " << c[1];
  }
}

TEST(PathMapTest, FoldsAsciiAndCp1252LettersOnly) {
  const struct {
    const char *a, *b;
    bool same;
  } cases[] = {
      {"TrPerArk.TRP", "trperark.trp", true},
      {"\xC0\xC9\xD6\xDE\x8A\x8C\x8E\x9F", "\xE0\xE9\xF6\xFE\x9A\x9C\x9E\xFF", true},
      {"\xD7", "\xF7", false},  // multiplication and division signs
      {"[", "{", false},        // not letters, though 0x20 apart
      {"A", "AA", false},
  };
  for (const auto& c : cases) EXPECT_EQ(pathmap::sameIgnoringCase(c.a, c.b), c.same) << c.a;
  // A name stored on disk as UTF-8 matches its CP1252 spelling.
  EXPECT_TRUE(pathmap::entryMatches("citt\xC3\xA0", "CITT\xC0"));
  EXPECT_FALSE(pathmap::entryMatches("citt\xC3\xA1", "CITT\xC0"));
}

TEST(PathMapTest, ResolvesComponentsWithoutRegardToCase) {
#ifdef _WIN32
  GTEST_SKIP() << "the Windows file system finds names without regard to case itself";
#endif
  testing::TempDir top;
  const auto ark = top / "c" / "RoRiZiDo";
  std::filesystem::create_directories(ark / "Sub");
  std::filesystem::create_directories(top / "d" / "Data");
  std::filesystem::create_directories(top / "Server" / "share");
  writeBytes(ark / "Sub" / "TrBase.Dat", "x");
  // Names differing only in case: an exact spelling wins, else the first in byte order.
  for (const char* n : {"exact.txt", "EXACT.TXT", "dup", "Dup", "DUP"}) writeBytes(ark / n, "");
  writeBytes(top / "d" / "Data" / "f.txt", "on d\n");
  writeBytes(top / "Server" / "share" / "g.txt", "on share\n");
  auto files = makeHostFiles((top / "c").string());
  const std::string r = ark.string();

  const char* const cases[][2] = {
      {"C:\\RORIZIDO\\SUB\\TRBASE.DAT", "/Sub/TrBase.Dat"},
      {"\\rorizido\\sub", "/Sub"},
      {"C:\\RORIZIDO\\exact.txt", "/exact.txt"},
      {"C:\\RORIZIDO\\EXACT.TXT", "/EXACT.TXT"},
      {"C:\\RORIZIDO\\Exact.Txt", "/EXACT.TXT"},
      {"C:\\RORIZIDO\\dUp", "/DUP"},
      // Missing components keep the given spelling, below an existing folder found by case.
      {"C:\\rorizido\\NEW\\FILE.V24", "/NEW/FILE.V24"},
      {"C:\\rorizido\\sub\\New.V24", "/Sub/New.V24"},
  };
  for (const auto& c : cases) EXPECT_EQ(files->resolve(c[0]), r + c[1]) << c[0];

  // A file written over an existing one in another case keeps the existing spelling.
  files->writeText("C:\\RORIZIDO\\SUB\\TRBASE.DAT", "new");
  EXPECT_EQ(files->list("C:\\RORIZIDO\\SUB"), std::vector<std::string>{"TrBase.Dat"});
  EXPECT_EQ(files->readLines("c:\\rorizido\\sub\\trbase.dat"), std::vector<std::string>{"new"});
  // Other drives and shares live beside the root.
  EXPECT_EQ(files->readLines("D:\\DATA\\F.TXT"), std::vector<std::string>{"on d"});
  EXPECT_EQ(files->readLines("\\\\SERVER\\SHARE\\G.TXT"), std::vector<std::string>{"on share"});
}

}  // namespace
}  // namespace zr::platform

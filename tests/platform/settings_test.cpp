// The INI file that stands for the user's registry, and where the defaults are found.
#include "platform/settings.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/test_util.h"
#include "support/tempdir.h"

namespace zr::platform {
namespace {

constexpr const char* kKey = "SOFTWARE\\VERANTIDATA\\KORVANTE";
const std::string kSection = std::string("[") + kKey + "]\n";

class IniSettingsTest : public ::testing::Test {
 protected:
  // The text of a string value as an INI file with `content` gives it, or a marker.
  std::string text(const std::string& content, std::string_view key, std::string_view name) {
    testing::writeBytes(file, content);
    auto v = makeIniSettings(*files, file.string())->query(key, name);
    if (!v) return "<absent>";
    if (v->type == RegistryValue::Type::Dword) return "dword " + std::to_string(v->dword);
    return v->type == RegistryValue::Type::String ? v->text : "<other>";
  }
  testing::TempDir dir;
  std::unique_ptr<Files> files = makeHostFiles(dir.str());
  std::filesystem::path file = dir / "registry.ini";
};

TEST_F(IniSettingsTest, ValuesByTypeCaseAndEncoding) {
  const std::string ini =
      "; the payroll procedure's folders\r\n"
      "[Software\\VerantiData\\Korvante]\r\n"
      "PERCORSOARCHIVI=C:\\RORIZIDO\r\n"
      "  Programmi = C:\\PROG  \r\n"
      "Count=dword:0000000a\r\nMax=DWORD:FFFFFFFF\r\nBin=hex:01,02\r\nExp=hex(2):43,00\r\n"
      "Bad=dword:zz\r\nLong=dword:123456789\r\nEq=A=B\r\nEmpty=\r\n"
      "\"Quoted\"=\"C:\\\\Q\\\\X \\\"1\\\"\"\r\n"
      "# another comment\r\n"
      "[SOFTWARE\\OTHER]\r\nPERCORSOARCHIVI=elsewhere\r\n";
  const struct {
    std::string content;
    const char *key, *name, *value;
  } cases[] = {
      {ini, kKey, "PERCORSOARCHIVI", "C:\\RORIZIDO"},
      {ini, "software\\verantidata\\korvante", "percorsoarchivi", "C:\\RORIZIDO"},
      {ini, kKey, "PROGRAMMI", "C:\\PROG"},
      {ini, kKey, "Eq", "A=B"},
      {ini, kKey, "Empty", ""},
      {ini, kKey, "Quoted", "C:\\Q\\X \"1\""},
      {ini, "SOFTWARE\\OTHER", "PERCORSOARCHIVI", "elsewhere"},
      {ini, kKey, "MISSING", "<absent>"},
      {ini, "SOFTWARE\\VERANTIDATA", "PERCORSOARCHIVI", "<absent>"},
      {ini, kKey, "count", "dword 10"},
      {ini, kKey, "Max", "dword 4294967295"},
      {ini, kKey, "Bin", "<other>"},
      {ini, kKey, "Bad", "<other>"},
      {ini, kKey, "Long", "<other>"},
      // UTF-8, with or without a byte order mark, becomes CP1252; other bytes are CP1252.
      {"\xEF\xBB\xBF" + kSection + "DITTA=Societ\xC3\xA0 \xE2\x82\xAC\n", kKey, "DITTA",
       "Societ\xE0 \x80"},
      {kSection + "DITTA=Societ\xE0\n", kKey, "DITTA", "Societ\xE0"},
      // Lines outside a section and lines without '=' are ignored; the last value wins.
      {"A=1\n" + kSection + "noise\nA=2\nA=3", kKey, "A", "3"},
      {"A=1\n" + kSection, kKey, "A", "<absent>"},
  };
  for (const auto& c : cases) EXPECT_EQ(text(c.content, c.key, c.name), c.value) << c.name;
}

TEST_F(IniSettingsTest, AbsentFileIsAbsentKeyButAFolderIsAFailure) {
  EXPECT_EQ(makeIniSettings(*files, (dir / "none.ini").string())->query(kKey, "A"), std::nullopt);
  EXPECT_EQ(makeIniSettings(*files, (dir / "no" / "r.ini").string())->query(kKey, "A"),
            std::nullopt);
  std::filesystem::create_directories(dir / "folder.ini");
  RuntimeError e = testing::errorOf(
      [&] { makeIniSettings(*files, (dir / "folder.ini").string())->query(kKey, "A"); });
  EXPECT_NE(e.description().find("folder.ini"), std::string::npos) << e.description();
}

TEST(DefaultLocationsTest, FollowTheEnvironment) {
  using testing::EnvVar;
  EnvVar home("HOME", "/home/op");
  const struct {
    const char *config, *root, *data;
    std::string registry, drive;
  } cases[] = {
      {"/cfg", "/srv/c", "/data", "/cfg/zorir770/registry.ini", "/srv/c"},
      {nullptr, nullptr, "/data", "/home/op/.config/zorir770/registry.ini", "/data/zorir770/c"},
      {nullptr, nullptr, nullptr, "/home/op/.config/zorir770/registry.ini",
       "/home/op/.local/share/zorir770/c"},
  };
  for (const auto& c : cases) {
    EnvVar config("XDG_CONFIG_HOME", c.config), root("ZORIR770_ROOT", c.root),
        data("XDG_DATA_HOME", c.data);
#ifdef _WIN32
    // The registry is advapi32's, and paths are used as they are unless a root is named.
    EXPECT_EQ(defaultRegistryPath(), "");
    EXPECT_EQ(defaultDriveRoot(), c.root ? c.root : "");
#else
    EXPECT_EQ(defaultRegistryPath(), c.registry);
    EXPECT_EQ(defaultDriveRoot(), c.drive);
#endif
  }
}

}  // namespace
}  // namespace zr::platform

// The INI file that stands for the user's registry, and where the defaults are found.
#include "platform/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/errors.h"
#include "platform/files.h"
#include "support/tempdir.h"

namespace zr::platform {
namespace {

constexpr const char* kKey = "SOFTWARE\\VERANTIDATA\\KORVANTE";

std::string write(const testing::TempDir& dir, const std::string& content) {
  std::string path = (dir / "registry.ini").string();
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

TEST(IniSettingsTest, ValuesByTypeAndCase) {
  testing::TempDir dir;
  auto settings = makeIniSettings(write(dir,
                                        "; the payroll procedure's folders\r\n"
                                        "[Software\\VerantiData\\Korvante]\r\n"
                                        "PERCORSOARCHIVI=C:\\RORIZIDO\r\n"
                                        "  Programmi = C:\\PROG  \r\n"
                                        "Count=dword:0000000a\r\n"
                                        "Max=DWORD:FFFFFFFF\r\n"
                                        "Bin=hex:01,02\r\n"
                                        "Exp=hex(2):43,00\r\n"
                                        "Bad=dword:zz\r\n"
                                        "Long=dword:123456789\r\n"
                                        "Eq=A=B\r\n"
                                        "Empty=\r\n"
                                        "\"Quoted\"=\"C:\\\\Q\\\\X \\\"1\\\"\"\r\n"
                                        "# another comment\r\n"
                                        "[SOFTWARE\\OTHER]\r\n"
                                        "PERCORSOARCHIVI=elsewhere\r\n"));
  auto text = [&](std::string_view key, std::string_view name) {
    auto v = settings->query(key, name);
    if (!v) return std::string("<absent>");
    if (v->type != RegistryValue::Type::String) return std::string("<not a string>");
    return v->text;
  };
  EXPECT_EQ(text(kKey, "PERCORSOARCHIVI"), "C:\\RORIZIDO");
  EXPECT_EQ(text("software\\verantidata\\korvante", "percorsoarchivi"), "C:\\RORIZIDO");
  EXPECT_EQ(text(kKey, "PROGRAMMI"), "C:\\PROG");
  EXPECT_EQ(text(kKey, "Eq"), "A=B");
  EXPECT_EQ(text(kKey, "Empty"), "");
  EXPECT_EQ(text(kKey, "Quoted"), "C:\\Q\\X \"1\"");
  EXPECT_EQ(text("SOFTWARE\\OTHER", "PERCORSOARCHIVI"), "elsewhere");
  EXPECT_EQ(text(kKey, "MISSING"), "<absent>");
  EXPECT_EQ(text("SOFTWARE\\VERANTIDATA", "PERCORSOARCHIVI"), "<absent>");

  auto count = settings->query(kKey, "count");
  ASSERT_TRUE(count);
  EXPECT_EQ(count->type, RegistryValue::Type::Dword);
  EXPECT_EQ(count->dword, 10u);
  EXPECT_EQ(settings->query(kKey, "Max")->dword, 0xFFFFFFFFu);
  for (const char* other : {"Bin", "Exp", "Bad", "Long"}) {
    auto v = settings->query(kKey, other);
    ASSERT_TRUE(v) << other;
    EXPECT_EQ(v->type, RegistryValue::Type::Other) << other;
  }
}

TEST(IniSettingsTest, FileAbsentEncodedOrUnreadable) {
  testing::TempDir dir;
  auto none = makeIniSettings((dir / "none.ini").string());
  EXPECT_EQ(none->query(kKey, "PERCORSOARCHIVI"), std::nullopt);
  auto noFolder = makeIniSettings((dir / "no" / "registry.ini").string());
  EXPECT_EQ(noFolder->query(kKey, "PERCORSOARCHIVI"), std::nullopt);

  // UTF-8 (with or without a byte order mark) is turned into CP1252; bytes that are not UTF-8
  // are taken as CP1252 already.
  auto utf8 = makeIniSettings(
      write(dir, "\xEF\xBB\xBF[" + std::string(kKey) + "]\nDITTA=Societ\xC3\xA0 \xE2\x82\xAC\n"));
  EXPECT_EQ(utf8->query(kKey, "DITTA")->text, "Societ\xE0 \x80");
  auto cp = makeIniSettings(write(dir, "[" + std::string(kKey) + "]\nDITTA=Societ\xE0\n"));
  EXPECT_EQ(cp->query(kKey, "DITTA")->text, "Societ\xE0");

  // Lines outside a section and lines without '=' are ignored; the last of two values wins.
  auto loose = makeIniSettings(write(dir, "A=1\n[" + std::string(kKey) + "]\nnoise\nA=2\nA=3"));
  EXPECT_EQ(loose->query(kKey, "A")->text, "3");

  // A folder in the file's place is a failure naming it, not an absent key.
  std::filesystem::create_directories(dir / "folder.ini");
  auto folder = makeIniSettings((dir / "folder.ini").string());
  try {
    folder->query(kKey, "A");
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_NE(e.description().find("folder.ini"), std::string::npos);
  }
}

// Sets an environment variable for one scope.
class EnvVar {
 public:
  EnvVar(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~EnvVar() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(DefaultLocationsTest, FollowTheEnvironment) {
  EnvVar home("HOME", "/home/op");
  {
    EnvVar config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(defaultRegistryPath(), "/cfg/zorir770/registry.ini");
  }
  {
    EnvVar config("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(defaultRegistryPath(), "/home/op/.config/zorir770/registry.ini");
  }
  {
    EnvVar root("ZORIR770_ROOT", "/srv/c");
    EnvVar data("XDG_DATA_HOME", "/data");
    EXPECT_EQ(defaultDriveRoot(), "/srv/c");
  }
  {
    EnvVar root("ZORIR770_ROOT", nullptr);
    EnvVar data("XDG_DATA_HOME", "/data");
    EXPECT_EQ(defaultDriveRoot(), "/data/zorir770/c");
  }
  {
    EnvVar root("ZORIR770_ROOT", nullptr);
    EnvVar data("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(defaultDriveRoot(), "/home/op/.local/share/zorir770/c");
  }
}

}  // namespace
}  // namespace zr::platform

// The settings of start-up read from the real registry of the current user: values written
// here with advapi32 under a key of the test's own, read back through the program's backend.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/settings.h"
#include "platform/test_util.h"
#include "platform/text.h"
#include "support/tempdir.h"

namespace zr::platform {
namespace {

// A key under HKEY_CURRENT_USER\SOFTWARE that this test run owns and removes at its end.
class TestKey {
 public:
  TestKey() : name_("SOFTWARE\\zorir770-test-" + std::to_string(::GetCurrentProcessId())) {
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, name_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &key_, nullptr) != ERROR_SUCCESS)
      throw std::runtime_error("cannot create the test key " + name_);
  }
  ~TestKey() {
    ::RegCloseKey(key_);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, name_.c_str());
  }
  TestKey(const TestKey&) = delete;
  TestKey& operator=(const TestKey&) = delete;

  void set(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(::RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }
  void text(const char* name, const std::string& value) {
    set(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
  }
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  HKEY key_ = nullptr;
};

TEST(WinRegistryTest, StartUpValuesFromTheRealRegistry) {
  testing::TempDir dir;
  auto files = makeHostFiles(dir.str());
  auto settings = makeHostSettings(*files, "");
  TestKey key;
  key.text("PERCORSOARCHIVI", "C:\\RORIZIDO\\ARCH\xC8");  // CP1252 bytes, as stored
  const DWORD ten = 10;
  key.set("ANNO", REG_DWORD, &ten, sizeof ten);
  const unsigned char blob[] = {1, 2, 3};
  key.set("BLOB", REG_BINARY, blob, sizeof blob);
  key.set("NOEND", REG_SZ, "ABC", 3);  // stored without its NUL
  key.text("CATTIVO", "C:\\RORI|ZIDO");

  auto path = settings->query(key.name(), "PercorsoArchivi");  // names ignore case
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(path->type, RegistryValue::Type::String);
  EXPECT_EQ(path->text, "C:\\RORIZIDO\\ARCH\xC8");
  auto year = settings->query("HKEY_CURRENT_USER\\" + key.name() + "\\", "ANNO");
  ASSERT_TRUE(year.has_value());
  EXPECT_EQ(year->type, RegistryValue::Type::Dword);
  EXPECT_EQ(year->dword, 10u);
  auto blobValue = settings->query(key.name(), "BLOB");
  ASSERT_TRUE(blobValue.has_value());
  EXPECT_EQ(blobValue->type, RegistryValue::Type::Other);
  auto noEnd = settings->query(key.name(), "NOEND");
  ASSERT_TRUE(noEnd.has_value());
  EXPECT_EQ(noEnd->text, "ABC");
  // A folder holding a character Windows forbids in names is read as it is stored; the
  // start-up's check then takes it for absent.
  auto bad = settings->query(key.name(), "CATTIVO");
  ASSERT_TRUE(bad.has_value());
  EXPECT_FALSE(isSafeSystemPath(bad->text));
  EXPECT_TRUE(isSafeSystemPath(path->text));

  EXPECT_EQ(settings->query(key.name(), "ASSENTE"), std::nullopt);
  EXPECT_EQ(settings->query(key.name() + "\\NESSUNA", "ANNO"), std::nullopt);
}

TEST(WinRegistryTest, TheRegistryFileOptionStillChoosesTheIniFile) {
  testing::TempDir dir;
  auto files = makeHostFiles(dir.str());
  testing::writeBytes(dir / "reg.ini", "[SOFTWARE\\VERANTIDATA\\KORVANTE]\r\nANNO=dword:0000000b\r\n");
  auto settings = makeHostSettings(*files, (dir / "reg.ini").string());
  auto year = settings->query("SOFTWARE\\VERANTIDATA\\KORVANTE", "ANNO");
  ASSERT_TRUE(year.has_value());
  EXPECT_EQ(year->dword, 11u);
}

}  // namespace
}  // namespace zr::platform

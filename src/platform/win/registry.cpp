// The current user's registry through advapi32. Values are read as the ANSI functions give
// them: CP1252 bytes, as the rest of the program holds text.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/settings.h"

namespace zr::platform {

namespace {

// An open registry key, closed with its owner; never copied.
class Key {
 public:
  Key() = default;
  ~Key() {
    if (h_) ::RegCloseKey(h_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* out() { return &h_; }
  HKEY get() const { return h_; }

 private:
  HKEY h_ = nullptr;
};

// "HKEY_CURRENT_USER\SOFTWARE\X\" and "SOFTWARE\X" name one key.
std::string subkeyOf(std::string_view key) {
  while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  for (std::string_view hive : {"HKEY_CURRENT_USER\\", "HKCU\\"}) {
    if (key.size() < hive.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < hive.size() && same; ++i) {
      const char c = key[i];
      same = (c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) == hive[i];
    }
    if (same) return std::string(key.substr(hive.size()));
  }
  return std::string(key);
}

class RegistrySettings : public Settings {
 public:
  std::optional<RegistryValue> query(std::string_view subkey, std::string_view name) override {
    Key key;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, subkeyOf(subkey).c_str(), key.out()) != ERROR_SUCCESS)
      return std::nullopt;
    const std::string valueName(name);
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      return std::nullopt;
    // One spare NUL: a stored string need not end in one.
    std::vector<BYTE> data(size + 2, 0);
    DWORD got = size;
    if (::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, data.data(), &got) !=
        ERROR_SUCCESS)
      return std::nullopt;  // changed between the two calls: read as absent
    RegistryValue v;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      v.type = RegistryValue::Type::String;
      const char* text = reinterpret_cast<const char*>(data.data());
      v.text.assign(text, std::min<std::size_t>(got, std::char_traits<char>::length(text)));
    } else if (type == REG_DWORD && got == sizeof(DWORD)) {
      v.type = RegistryValue::Type::Dword;
      v.dword = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
                static_cast<std::uint32_t>(data[2]) << 16 |
                static_cast<std::uint32_t>(data[3]) << 24;
    }
    return v;
  }
};

// The file named by --registry is the host's own path: read as it is, never under the drive
// root that a test's installation maps "C:\" to.
class HostIniSettings : public Settings {
 public:
  explicit HostIniSettings(const std::string& path)
      : files_(makeHostFiles("")), ini_(makeIniSettings(*files_, path)) {}
  std::optional<RegistryValue> query(std::string_view subkey, std::string_view name) override {
    return ini_->query(subkey, name);
  }

 private:
  std::unique_ptr<Files> files_;  // before the settings that read through it
  std::unique_ptr<Settings> ini_;
};

}  // namespace

std::string defaultRegistryPath() { return {}; }

std::unique_ptr<Settings> makeHostSettings(Files&, const std::string& registryFile) {
  if (!registryFile.empty()) return std::make_unique<HostIniSettings>(registryFile);
  return std::make_unique<RegistrySettings>();
}

}  // namespace zr::platform

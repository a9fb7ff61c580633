// The registry of the current user. On Windows the real one; elsewhere an INI file stands
// for HKEY_CURRENT_USER ([SOFTWARE\VERANTIDATA\KORVANTE], NAME=text, NAME=dword:0000000a).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zr::platform {

struct RegistryValue {
  enum class Type { String, Dword, Other };
  Type type = Type::Other;
  std::string text;         // REG_SZ, up to its first NUL
  std::uint32_t dword = 0;  // REG_DWORD
};

class Settings {
 public:
  virtual ~Settings() = default;
  // A value under HKEY_CURRENT_USER\subkey; nullopt when the key or the value is absent.
  virtual std::optional<RegistryValue> query(std::string_view subkey, std::string_view name) = 0;
};

class Files;

// INI backend reading `path` (a host or system path) through `files`, which must outlive it;
// an absent file is an absent key.
std::unique_ptr<Settings> makeIniSettings(Files& files, std::string path);
// The INI file that stands for the registry where there is none:
// $XDG_CONFIG_HOME/zorir770/registry.ini (~/.config/...). Empty on Windows, which has one.
std::string defaultRegistryPath();
// The settings a front end reads: the INI file `registryFile` when one is given (--registry
// FILE, on any host), else the host's own: the registry on Windows, elsewhere
// defaultRegistryPath().
std::unique_ptr<Settings> makeHostSettings(Files& files, const std::string& registryFile);

}  // namespace zr::platform

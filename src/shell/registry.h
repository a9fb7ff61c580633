// Reading the current user's registry values (LEGGIREGISTRO, VALOREREGISTRO) over the
// Settings service. Owns nothing; never throws: every failure reads as "".
#pragma once

#include <string>
#include <string_view>

#include "platform/settings.h"

namespace zr {

// What an open key stands for: the service and the subkey under HKEY_CURRENT_USER.
struct RegistryKey {
  platform::Settings& settings;
  std::string_view subkey;
};

// REG_SZ: its text; REG_DWORD: the decimal text of its low 16 bits taken as a signed number;
// any other type, an absent value or a failed query: "".
std::string VALOREREGISTRO(const RegistryKey& key, std::string_view name) noexcept;

// Opens the key under HKEY_CURRENT_USER, reads the value, closes the key.
std::string LEGGIREGISTRO(platform::Settings& settings, std::string_view subkey,
                          std::string_view name) noexcept;

// LEGGIREGISTRO for a value used as a folder: one holding control bytes or characters Windows
// forbids in names reads as "", as any other unusable value does.
std::string readRegistryFolder(platform::Settings& settings, std::string_view subkey,
                               std::string_view name) noexcept;

}  // namespace zr

#include "shell/registry.h"

#include <cstdint>

#include "platform/text.h"

namespace zr {

std::string VALOREREGISTRO(const RegistryKey& key, std::string_view name) noexcept {
  try {
    auto value = key.settings.query(key.subkey, name);
    if (!value) return {};
    switch (value->type) {
      case platform::RegistryValue::Type::String: {
        // The text up to its first NUL, as a fixed buffer would hold it.
        const std::string& t = value->text;
        return t.substr(0, t.find('\0'));
      }
      case platform::RegistryValue::Type::Dword: {
        const auto low = static_cast<std::int16_t>(static_cast<std::uint16_t>(value->dword));
        return std::to_string(low);
      }
      case platform::RegistryValue::Type::Other:
        return {};
    }
  } catch (...) {
    // A reader that fails for any reason reads as an absent value.
  }
  return {};
}

std::string LEGGIREGISTRO(platform::Settings& settings, std::string_view subkey,
                          std::string_view name) noexcept {
  return VALOREREGISTRO(RegistryKey{settings, subkey}, name);
}

std::string readRegistryFolder(platform::Settings& settings, std::string_view subkey,
                               std::string_view name) noexcept {
  std::string value = LEGGIREGISTRO(settings, subkey, name);
  return platform::isSafeSystemPath(value) ? value : std::string{};
}

}  // namespace zr

// The registry of the current user kept in an INI file: one section per key, NAME=text for
// strings, NAME=dword:hex for numbers. Read once, on the first query, through Files.
#include <map>

#include "platform/cp1252.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/pathmap.h"
#include "platform/settings.h"
#include "platform/text.h"
#include "platform/ui.h"

namespace zr::platform {

namespace {

std::string folded(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(pathmap::foldByte(static_cast<unsigned char>(c)));
  return out;
}

// Keys compare without regard to case; an optional hive prefix and outer backslashes are
// dropped ("HKEY_CURRENT_USER\Software\X\" is "SOFTWARE\X").
std::string keyOf(std::string_view key) {
  key = spacingTrimmed(key);
  while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  std::string k = folded(key);
  for (const char* hive : {"hkey_current_user\\", "hkcu\\"}) {
    std::string_view h = hive;
    if (k.compare(0, h.size(), h) == 0) return k.substr(h.size());
  }
  return k;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && folded(s.substr(0, prefix.size())) == folded(prefix);
}

std::optional<std::uint32_t> parseHex(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t v = 0;
  for (char c : digits) {
    int d = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : -1;
    if (d < 0) return std::nullopt;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  return v;
}

// "text" with the exported registry's escapes (\\ and \") taken out.
std::string unquote(std::string_view s) {
  std::string out;
  for (std::size_t i = 1; i + 1 < s.size(); ++i) {
    if (s[i] == '\\' && i + 2 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) ++i;
    out += s[i];
  }
  return out;
}

bool quoted(std::string_view s) {
  return s.size() >= 2 && s.front() == '"' && s.back() == '"';
}

RegistryValue valueOf(std::string_view raw) {
  RegistryValue v;
  if (startsWithNoCase(raw, "dword:")) {
    if (auto n = parseHex(spacingTrimmed(raw.substr(6)))) {
      v.type = RegistryValue::Type::Dword;
      v.dword = *n;
    }
    return v;  // a malformed number is a value of another type
  }
  for (std::string_view other : {"hex:", "hex(", "qword:"})
    if (startsWithNoCase(raw, other)) return v;
  v.type = RegistryValue::Type::String;
  v.text = quoted(raw) ? unquote(raw) : std::string(raw);
  if (auto nul = v.text.find('\0'); nul != std::string::npos) v.text.resize(nul);
  return v;
}

class IniSettings : public Settings {
 public:
  IniSettings(Files& files, std::string path) : files_(files), path_(std::move(path)) {}

  std::optional<RegistryValue> query(std::string_view subkey, std::string_view name) override {
    if (!loaded_) load();
    auto key = keys_.find(keyOf(subkey));
    if (key == keys_.end()) return std::nullopt;
    auto value = key->second.find(folded(spacingTrimmed(name)));
    if (value == key->second.end()) return std::nullopt;
    return value->second;
  }

 private:
  void load() {
    std::string text = readFile();
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    // The file is written as UTF-8; one that is not valid UTF-8 is taken as CP1252 already.
    if (isValidUtf8(text)) text = fromUtf8(text);
    parse(text);
    loaded_ = true;
  }

  std::string readFile() {
    std::unique_ptr<File> file;
    try {
      file = files_.open(path_, OpenMode::Read);
    } catch (const RuntimeError& e) {
      if (e.number() == 53 || e.number() == 76) return {};  // no file: no keys
      throw;
    }
    std::string out;
    char buf[8192];
    while (std::size_t got = file->readAt(out.size(), buf, sizeof buf)) out.append(buf, got);
    return out;
  }

  void parse(std::string_view text) {
    std::map<std::string, RegistryValue>* section = nullptr;
    while (!text.empty()) {
      std::size_t end = text.find('\n');
      std::string_view line = spacingTrimmed(text.substr(0, end));
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
      if (line.empty() || line.front() == ';' || line.front() == '#') continue;
      if (line.front() == '[') {
        std::size_t close = line.rfind(']');
        section =
            close == std::string_view::npos ? nullptr : &keys_[keyOf(line.substr(1, close - 1))];
        continue;
      }
      std::size_t eq = line.find('=');
      if (line.front() == '"') {  // "NAME"=value: the name may hold '='
        std::size_t q = line.find("\"=", 1);
        eq = q == std::string_view::npos ? q : q + 1;
      }
      if (!section || eq == std::string_view::npos) continue;
      std::string_view name = spacingTrimmed(line.substr(0, eq));
      if (quoted(name)) name = name.substr(1, name.size() - 2);
      (*section)[folded(name)] = valueOf(spacingTrimmed(line.substr(eq + 1)));
    }
  }

  Files& files_;
  std::string path_;
  bool loaded_ = false;
  std::map<std::string, std::map<std::string, RegistryValue>> keys_;
};

}  // namespace

std::unique_ptr<Settings> makeIniSettings(Files& files, std::string path) {
  return std::make_unique<IniSettings>(files, std::move(path));
}

}  // namespace zr::platform

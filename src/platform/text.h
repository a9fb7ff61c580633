// Trimming. Archive and form text loses only its blanks: tabs and line ends in a fixed record
// field are data, so they are kept. Lines of a text file written by hand (the registry's INI
// stand-in) also lose tabs, and a CR left by a Windows line end.
// Also the test every file and folder name from the archives or the configuration passes: the
// host would accept bytes Windows refuses, so a name is held to Windows' rules before use.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace zr::platform {

inline std::string trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(s.substr(first, s.find_last_not_of(' ') - first + 1));
}

inline std::string rightTrimmed(std::string_view s) {
  const auto end = s.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? std::string_view{} : s.substr(0, end + 1));
}

inline std::string_view spacingTrimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

inline bool isControlByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b < 0x20 || b == 0x7F;
}

// True when a system path holds no control byte and none of the characters Windows forbids in
// names (< > " | ? *, and ':' anywhere but after a leading drive letter). Backslashes and
// slashes are separators and allowed; bytes from 0x80 up are CP1252 letters.
inline bool isSafeSystemPath(std::string_view path) {
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (isControlByte(c)) return false;
    switch (c) {
      case '<':
      case '>':
      case '"':
      case '|':
      case '?':
      case '*':
        return false;
      case ':': {
        const char d = path[0];
        if (i != 1 || !((d >= 'A' && d <= 'Z') || (d >= 'a' && d <= 'z'))) return false;
        break;
      }
      default:
        break;
    }
  }
  return true;
}

// A name for a message: each control byte written as <1B>, so the bytes that made the name
// unusable are seen and can neither split the message nor drive a terminal.
inline std::string shownName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    if (!isControlByte(c)) {
      out += c;
      continue;
    }
    char hex[5];
    std::snprintf(hex, sizeof hex, "<%02X>", static_cast<unsigned char>(c));
    out += hex;
  }
  return out;
}

}  // namespace zr::platform

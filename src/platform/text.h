// Trimming. Archive and form text loses only its blanks: tabs and line ends in a fixed record
// field are data, so they are kept. Lines of a text file written by hand (the registry's INI
// stand-in) also lose tabs, and a CR left by a Windows line end.
#pragma once

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

}  // namespace zr::platform

// Blank trimming of archive and form text. Only the blank counts: tabs and line ends in a fixed
// record field are data, so they are kept.
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

}  // namespace zr::platform

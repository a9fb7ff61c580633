// Independent checks of Italian fiscal codes for the tests: written from the published rules,
// in a different form from the builder's generator.
#pragma once

#include <string>
#include <string_view>

namespace zr::testing {

// 11-digit numeric code: the Luhn sum over all eleven digits is a multiple of 10.
inline bool validNumericCode(std::string_view s) {
  if (s.size() != 11) return false;
  int sum = 0;
  for (std::size_t i = 0; i < 11; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    int d = s[i] - '0';
    if (i % 2 == 1) d = d * 2 > 9 ? d * 2 - 9 : d * 2;
    sum += d;
  }
  return sum % 10 == 0;
}

// 16-character personal code: shape, month letter, day, and the control letter (odd positions
// valued by their place in the permuted alphabet, even positions by their ordinal).
inline bool validPersonalCode(std::string_view s) {
  static constexpr std::string_view kOdd = "BAKPLCQDREVOSFTGUHMINJWZYX";
  static constexpr std::string_view kMonths = "ABCDEHLMPRST";
  if (s.size() != 16) return false;
  auto letter = [](char c) { return c >= 'A' && c <= 'Z'; };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  for (int i : {0, 1, 2, 3, 4, 5, 8, 11, 15})
    if (!letter(s[i])) return false;
  for (int i : {6, 7, 9, 10, 12, 13, 14})
    if (!digit(s[i])) return false;
  if (kMonths.find(s[8]) == std::string_view::npos) return false;
  const int day = (s[9] - '0') * 10 + (s[10] - '0');
  if (!((day >= 1 && day <= 31) || (day >= 41 && day <= 71))) return false;
  int sum = 0;
  for (std::size_t i = 0; i < 15; ++i) {
    const char c = digit(s[i]) ? static_cast<char>('A' + (s[i] - '0')) : s[i];
    sum += (i % 2 == 0) ? static_cast<int>(kOdd.find(c)) : c - 'A';
  }
  return s[15] == 'A' + sum % 26;
}

}  // namespace zr::testing

// Number text of the archive library: the shortest decimal form used in trace entries and
// messages, and the lenient conversion of catalogue and context text. Pure functions.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zr::archive {

// Writes the shortest decimal form of x ("377", "12.5", no leading blank) into out, which must
// hold at least kNumberChars bytes; returns the number of bytes written.
inline constexpr std::size_t kNumberChars = 32;
std::size_t formatNumber(double x, char* out);
std::string numberText(double x);

// Value of the leading number in text: blanks, tabs and line feeds anywhere are skipped, an
// optional sign, digits, "." as decimal point and an exponent; conversion stops at the first
// character that cannot continue the number; nothing numeric gives 0.
double lenientValue(std::string_view text);

}  // namespace zr::archive

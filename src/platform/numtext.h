// The number readings and number texts of the whole program. Pure and locale-independent:
// "." is the decimal point wherever a rule does not say otherwise.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zr::platform {

// The run time's Val rule, used for every number read from archive, catalogue or form text:
// blanks, tabs and line feeds are skipped anywhere; one optional leading sign; digits with "."
// as decimal point; an exponent ("E" or "D") only when digits follow it; the reading stops at
// the first character that cannot continue the number (a comma, a NUL, a CR); nothing numeric
// is 0. A value too large for a double is RuntimeError 6; one too small is 0.
double valNumber(std::string_view text);

// A text database field read as a number: leading blanks and tabs only, one optional sign,
// digits with "." or "," as decimal point (the databases are written under an Italian locale),
// an exponent only when digits follow it; the reading stops at the first other character and
// nothing numeric is 0. A value too large for a double is RuntimeError 6.
double fieldNumber(std::string_view text);

// Shortest text that reads back as x in fixed notation, never with an exponent ("12", "12.5",
// "-0.25", 1e21 is "1000000000000000000000"; -0 gives "0"): the form values take in records,
// rounding and database values. A non-finite x is RuntimeError 6.
std::string decimalText(double x);

// Shortest text of x in whichever of fixed or exponent notation is shorter ("377", "1.5",
// "1e+15"), as messages and trace entries show numbers. writeShortText writes it without
// allocating into out, which holds kShortTextChars bytes, and returns its length.
inline constexpr std::size_t kShortTextChars = 32;
std::size_t writeShortText(double x, char* out);
std::string shortText(double x);

}  // namespace zr::platform

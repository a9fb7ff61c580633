// Number texts of the repository: rounding to a number of decimals and the rewriting of exponent
// forms; the readings and plain texts of numbers are in platform/numtext.h. Pure and
// locale-independent ("." is always the decimal point).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zr {

// ARROTONDA: x rounded half away from zero to d decimals, as "[-]I.F" with exactly d decimals
// (d 0 becomes 2 in the caller's variable; a negative d is RuntimeError 5). The rounding is done
// on the shortest decimal text of x, i.e. on the decimal value x was typed as, so 1.005 gives
// "1.01". A result that rounds to zero carries no sign.
std::string ARROTONDA(double x, std::int16_t& d);
// NOTAZIONEDECIMALE: rewrites a number text of the form mantissa "E+"/"E-" exponent without
// exponent ("1.5E-05" becomes "0.0000150"); other texts are left as they are. An exponent
// above 400, which no double's text carries, is RuntimeError 6 (overflow).
void NOTAZIONEDECIMALE(std::string& s);
// x rounded half away from zero to `decimals` (>= 0) decimals on its shortest decimal text:
// "[-]I.F" with exactly `decimals` digits after the point (no point when 0), "-" only before a
// value that is not zero after rounding. A non-finite x is RuntimeError 6.
std::string roundedText(double x, int decimals);

}  // namespace zr

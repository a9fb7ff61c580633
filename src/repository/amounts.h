// Amount pictures: decimal comma, no grouping, independent of the process locale. Pure text
// formatting over the repository's number texts; no state.
#pragma once

#include <string>
#include <string_view>

namespace zr {

// Formats x by a picture of "#", "0" and one ".", such as "##########0.#0" or "#########0.#0":
// rounded half away from zero to the picture's decimals on the decimal value x stands for (its
// shortest round-trip text: 0.005 gives "0,01"), "-" before negatives but never before a value
// that rounds to zero, the decimal separator a comma, no grouping. "0" places are always shown,
// "#" places only when needed; the picture never limits the whole digits. Another character in
// the picture is std::invalid_argument; a non-finite x is RuntimeError 6.
std::string formatPicture(double x, std::string_view picture);
// The export files' amount: "##########0.#0" right-aligned in 14 characters. A value whose text
// is wider than 14 (from 1e11 up, or -1e10 down) is returned whole, never cut: a cut amount
// would pass for a different, plausible one, a longer text is visible to the caller.
std::string exportAmount(double x);
// The printed lists' amount: "#########0.#0" right-aligned in 14 characters; wider texts are
// returned whole, as for exportAmount.
std::string listAmount(double x);

}  // namespace zr

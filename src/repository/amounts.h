// Amount pictures: decimal comma, no grouping, independent of the process locale.
#pragma once

#include <string>
#include <string_view>

namespace zr {

// Formats x by a picture such as "##########0.#0" or "#########0.#0": rounded half away from
// zero to the picture's decimals, "-" before negatives, the decimal separator a comma.
std::string formatPicture(double x, std::string_view picture);
// The export files' amount: "##########0.#0" right-aligned in 14 characters.
std::string exportAmount(double x);
// The printed lists' amount: "#########0.#0" right-aligned in 14 characters.
std::string listAmount(double x);

}  // namespace zr

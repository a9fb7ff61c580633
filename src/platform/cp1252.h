// Text helpers of the platform layer beside the CP1252 <-> UTF-8 tables (toUtf8 and fromUtf8
// are declared in ui.h).
#pragma once

#include <string>
#include <string_view>

namespace zr::platform {

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view s);

// toUtf8 for a line shown to a person: every control byte (below 0x20, and 0x7F) becomes
// U+FFFD, so that stored bytes can neither split the line nor drive the terminal.
std::string toUtf8Printable(std::string_view cp1252);

}  // namespace zr::platform

// Text helpers of the platform layer beside the CP1252 <-> UTF-8 tables (toUtf8 and fromUtf8
// are declared in ui.h).
#pragma once

#include <string_view>

namespace zr::platform {

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view s);

}  // namespace zr::platform

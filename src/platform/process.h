// What the host says about this process and its user, for names that no other run takes.
#pragma once

#include <cstdint>
#include <string>

namespace zr::platform {

std::uint64_t currentProcessId();
// The user the process runs as, as a name fit for a file or object name (the numeric id on
// POSIX, the login name on Windows).
std::string currentUserTag();

}  // namespace zr::platform

#include "platform/process.h"

#include <unistd.h>

namespace zr::platform {

std::uint64_t currentProcessId() { return static_cast<std::uint64_t>(::getpid()); }

std::string currentUserTag() { return std::to_string(::getuid()); }

}  // namespace zr::platform

#include "platform/console.h"

namespace zr::platform {

// A POSIX terminal takes the bytes as they are.
void prepareConsole() {}

}  // namespace zr::platform

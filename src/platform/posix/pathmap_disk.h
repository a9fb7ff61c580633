// The POSIX backend's lookup of system paths on disk.
#pragma once

#include <string>

#include "platform/pathmap.h"

namespace zr::platform::pathmap {

// Looks each component up on disk: the exact spelling first, then without regard to case (the
// first match in byte order). From the first component that does not exist on, the given
// spelling is kept.
std::string resolveOnDisk(const SplitPath& split);

// $HOME, else the user's entry in the password database.
std::string homeFolder();

}  // namespace zr::platform::pathmap

// Pieces the host backends share: whole reads, line splitting, and the names of the
// previous-instance lock. No host calls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace zr::platform::filescommon {

// The whole file, including what it grew by since its size was taken.
std::string readWhole(File& file);
// Every byte of `source`, handed to `write` in pieces of at most a megabyte, so that a copy
// of any size holds one piece in memory.
void copyInPieces(File& source, const std::function<void(std::string_view)>& write);
// Lines without their CR LF or LF; a last line without an end is a line too.
std::vector<std::string> splitLines(std::string_view text);

std::uint64_t fnv1a(std::string_view s);
// The program name with what cannot stand in a file or object name replaced.
std::string safeName(std::string_view program);
// "<program>-<user>-<hash of the installation>": one previous-instance lock per user and
// installation, so that tests on different roots never collide.
std::string instanceLockName(std::string_view program, std::string_view installation);

}  // namespace zr::platform::filescommon

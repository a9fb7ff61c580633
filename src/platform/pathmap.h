// How the host backend turns the system's Windows paths into host paths: the literal mapping
// and the comparison of names without regard to case. Pure string work: the lookup on disk is
// the POSIX backend's (posix/pathmap_disk.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zr::platform::pathmap {

// A system path split into a host prefix taken as it stands and the components below it.
struct SplitPath {
  std::string base;  // "" for a path relative to the current folder
  std::vector<std::string> components;
};

SplitPath split(std::string_view root, std::string_view path);
std::string join(std::string_view base, const std::vector<std::string>& components);
// The folder that holds the drive root (other drives and shares live beside it).
std::string rootParent(std::string_view root);

// CP1252 case folding of one byte (upper case to lower case).
unsigned char foldByte(unsigned char c);
// True when the two names differ at most in the case of ASCII and CP1252 letters.
bool sameIgnoringCase(std::string_view a, std::string_view b);
// True when a directory entry's host name names `component` without regard to case; a name
// stored as UTF-8 is compared after conversion to CP1252.
bool entryMatches(std::string_view entry, std::string_view component);

}  // namespace zr::platform::pathmap

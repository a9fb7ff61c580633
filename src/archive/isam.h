// The three-level ISAM index over an archive of fixed-length nodes: exact lookup, next key,
// insert, delete and creation of an empty index. Reads and writes nodes only through the
// archive library's LEGGIREC and SCRIVIREC.
#pragma once

#include <string_view>

namespace zr {

class ArchiveLib;

// Modes: 1 insert, 2 exact, 3 delete, 4 next key, 9 create empty. Results: the data record
// number; -1 absent (2, 3); 999999 end of index (4); 0 after a check message.
double CERCAISAM(ArchiveLib& lib, double n, std::string_view key, int mode, double record);

inline constexpr unsigned char kHighKeyChar = 252;  // CHIAVEALTA's character
inline constexpr int kIsamEntries = 128;

}  // namespace zr

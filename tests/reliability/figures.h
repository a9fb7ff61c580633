// The figures that scripts/reliability gathers: each sweep prints "FIGURE <name> <count>" lines
// on stdout, and the script adds up the counts of each name over every sweep.
#pragma once

#include <cstdio>
#include <string>

namespace zr::reliability {

inline void figure(const std::string& name, long long count) {
  std::printf("FIGURE %s %lld\n", name.c_str(), count);
  std::fflush(stdout);
}

}  // namespace zr::reliability

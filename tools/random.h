// The builder's own pseudo-random source: splitmix64, so a seed gives the same installation on
// every platform and standard library. Owns nothing else.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zr::demo {

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // A whole number in [lo, hi].
  int between(int lo, int hi) {
    const auto span = static_cast<std::uint64_t>(hi - lo) + 1;
    return lo + static_cast<int>(next() % span);
  }
  // True with the given chance in percent.
  bool chance(int percent) { return between(1, 100) <= percent; }
  // An amount in cents between lo and hi euros, as a double with two decimals.
  double amount(int lo, int hi) { return between(lo * 100, hi * 100) / 100.0; }
  template <class T>
  const T& pick(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(between(0, static_cast<int>(items.size()) - 1))];
  }
  std::string digits(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('0' + between(0, 9));
    return s;
  }

 private:
  std::uint64_t state_;
};

}  // namespace zr::demo

// The 24 record families as data (name, id letters, extent, repeated-group rules) and the
// reading of a field descriptor by its fixed positions. Pure functions over constant tables:
// no state, no files, no user interface.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace zr {

// The 24 families, in the order of the family table below.
// clang-format off
enum class Family : int {
  DITX, DIPX, DI2X, CUDX, DICX, ARTX, COCX, CONX, FISX, FOTX, PARX, PERX,
  PROX, SETX, STUX, M77X, F24X, FOPX, STOX, GLAX, GLCX, SCRX, SCRY, SCRU,
  Count
};
// clang-format on

inline constexpr int kFamilyCount = static_cast<int>(Family::Count);

// How the k-th occurrence of a repeated group is addressed. A Starts rule matches a
// descriptor whose start lies in [first + period*j, last + period*j] for some j < ranges;
// a ById rule matches when the number after the family's id letter is at least `first`.
// A matching descriptor's k-th occurrence lies (k-1)*stride characters further on.
struct GroupRule {
  enum class Kind : std::uint8_t { Starts, ById };
  Kind kind = Kind::Starts;
  std::int32_t first = 0;
  std::int32_t last = 0;
  std::int32_t period = 0;
  std::int32_t ranges = 1;
  std::int16_t stride = 0;
};

struct FamilyInfo {
  Family family;
  std::string_view name;       // the buffer's name as descriptors spell it, "DITX$"
  std::string_view idLetters;  // the letters that open the family's field ids, blank-separated
  int descriptors;             // descriptors of the family in the whole shared repository
  int extent;                  // highest start+length-1 among them
  std::array<GroupRule, 8> rules;
  int ruleCount;
};

namespace detail {
constexpr GroupRule starts(std::int32_t first, std::int32_t last, std::int16_t stride,
                           std::int32_t period = 0, std::int32_t ranges = 1) {
  return {GroupRule::Kind::Starts, first, last, period, ranges, stride};
}
constexpr GroupRule byId(std::int32_t threshold, std::int16_t stride) {
  return {GroupRule::Kind::ById, threshold, 0, 0, 1, stride};
}
}  // namespace detail

// clang-format off
inline constexpr std::array<FamilyInfo, kFamilyCount> kFamilies{{
  {Family::DITX, "DITX$", "T TA", 805, 6483, {}, 0},
  {Family::DIPX, "DIPX$", "P PA PB PC Q QA", 2033, 16176, {}, 0},
  {Family::DI2X, "DI2X$", "I", 828, 6951, {detail::byId(100, 714)}, 1},
  {Family::CUDX, "CUDX$", "X", 654, 6033, {}, 0},
  {Family::DICX, "DICX$", "J", 65, 7430, {detail::starts(101, 99999, 10)}, 1},
  {Family::ARTX, "ARTX$", "Y", 30, 300, {}, 0},
  {Family::COCX, "COCX$", "W", 102, 1630, {}, 0},
  {Family::CONX, "CONX$", "G", 33, 335, {detail::starts(101, 390, 290)}, 1},
  {Family::FISX, "FISX$", "F", 309, 3034, {}, 0},
  {Family::FOTX, "FOTX$", "Z", 164, 1428, {}, 0},
  {Family::PARX, "PARX$", "N", 31, 325, {}, 0},
  {Family::PERX, "PERX$", "M", 30, 337, {}, 0},
  {Family::PROX, "PROX$", "B", 31, 254, {}, 0},
  {Family::SETX, "SETX$", "S", 267, 1357, {}, 0},
  {Family::STUX, "STUX$", "E", 23, 110, {}, 0},
  {Family::M77X, "M77X$", "H", 64, 3546,
   {detail::starts(256, 510, 255), detail::starts(3316, 3570, 255)}, 2},
  {Family::F24X, "F24X$", "A AA AB AC AD AE AF", 1184, 9932,
   {detail::starts(42, 66, 36),              // Erario rows
    detail::starts(762, 813, 63),
    detail::starts(1077, 1100, 35, 152, 21),  // the 21 region blocks
    detail::starts(4359, 4398, 51),
    detail::starts(4824, 4867, 55),
    detail::starts(5000, 5000, 4),
    detail::starts(5094, 5094, 4, 16, 21),
    detail::starts(5483, 5483, 2)}, 8},
  {Family::FOPX, "FOPX$", "R", 62, 602, {}, 0},
  {Family::STOX, "STOX$", "V", 223, 1616, {}, 0},
  {Family::GLAX, "GLAX$", "O", 5, 63, {}, 0},
  {Family::GLCX, "GLCX$", "O", 11, 69, {}, 0},
  {Family::SCRX, "SCRX$", "K", 328, 6200, {}, 0},
  {Family::SCRY, "SCRY$", "L", 15, 196, {}, 0},
  {Family::SCRU, "SCRU$", "U", 102, 2000, {}, 0},
}};
// clang-format on

constexpr const FamilyInfo& familyInfo(Family f) {
  return kFamilies[static_cast<int>(f)];
}

namespace detail {
constexpr std::uint64_t packName(std::string_view s) {
  std::uint64_t v = 0;
  for (char c : s.substr(0, 5)) v = (v << 8) | static_cast<unsigned char>(c);
  return v;
}
inline constexpr std::array<std::uint64_t, kFamilyCount> kFamilyKeys = [] {
  std::array<std::uint64_t, kFamilyCount> keys{};
  for (int i = 0; i < kFamilyCount; ++i) keys[i] = packName(kFamilies[i].name);
  return keys;
}();
}  // namespace detail

// The family a descriptor's first five characters name (compared exactly), Family::Count when
// they name none of the 24.
constexpr Family familyOf(std::string_view descriptor) noexcept {
  if (descriptor.size() < 5) return Family::Count;
  const std::uint64_t key = detail::packName(descriptor);
  for (int i = 0; i < kFamilyCount; ++i)
    if (detail::kFamilyKeys[i] == key) return static_cast<Family>(i);
  return Family::Count;
}

// A descriptor read by position: start from characters 7-11, length from 13-14, type from 16.
// Positions the descriptor does not reach read as 0 (numbers) or a blank (the type).
struct FieldLayout {
  Family family = Family::Count;
  std::int64_t start = 0;
  std::int64_t length = 0;
  char type = ' ';
  int decimals = 0;      // the type's digit value: "2".."6" give 2..6, letters give 0
  bool numeric = false;  // "N" or a digit type other than "0": sign and point are handled
};

FieldLayout parseDescriptor(std::string_view descriptor) noexcept;

// Offset of the k-th occurrence of a repeated field (k 0 and 1 both address the first), in
// 16-bit arithmetic: RuntimeError 6 on overflow. For a DI2X$ descriptor without its id letter
// the offset is 0 and `missingLetter` is set (the caller tells the user).
std::int16_t groupOffset(std::string_view descriptor, std::int16_t k, bool& missingLetter);
// The same for a descriptor already parsed into `layout`.
std::int16_t groupOffset(std::string_view descriptor, const FieldLayout& layout, std::int16_t k,
                         bool& missingLetter);

}  // namespace zr

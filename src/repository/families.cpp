#include "repository/families.h"

#include <cmath>

#include "platform/errors.h"
#include "platform/numtext.h"
#include "repository/numbers.h"

namespace zr {

namespace {

// The numeric value of characters [pos, pos+len) (1-based pos) of the descriptor: all digits in
// the fixed layout, the lenient conversion otherwise (a short or odd descriptor).
std::int64_t fieldNumber(std::string_view d, std::size_t pos, std::size_t len) {
  const std::string_view part = pos - 1 < d.size() ? d.substr(pos - 1, len) : std::string_view{};
  std::int64_t v = 0;
  bool digits = part.size() == len;
  for (char c : part) {
    if (c < '0' || c > '9') {
      digits = false;
      break;
    }
    v = v * 10 + (c - '0');
  }
  if (digits) return v;
  // "3E51x" reads as a number no count holds: far beyond every record, either way, is enough.
  constexpr double kFar = 1e15;
  const double n = std::nearbyint(platform::valNumber(part));
  if (!(n > -kFar)) return static_cast<std::int64_t>(-kFar);
  if (n > kFar) return static_cast<std::int64_t>(kFar);
  return static_cast<std::int64_t>(n);
}

bool startMatches(const GroupRule& r, std::int64_t s) {
  if (s < r.first) return false;
  const std::int64_t j = r.period > 0 ? (s - r.first) / r.period : 0;
  return j < r.ranges && s <= r.last + r.period * j;
}

// The number formed by the (up to) three characters after the first id letter found from
// position 4 on; -1 when the letter is absent.
std::int64_t idNumber(std::string_view d, char letter) {
  if (d.size() < 4) return -1;
  const std::size_t at = d.find(letter, 3);
  if (at == std::string_view::npos) return -1;
  return static_cast<std::int64_t>(platform::valNumber(d.substr(at + 1, 3)));
}

std::int16_t checked16(std::int64_t v) {
  if (v < INT16_MIN || v > INT16_MAX) throw RuntimeError::of(6, "repeated group offset");
  return static_cast<std::int16_t>(v);
}

}  // namespace

FieldLayout parseDescriptor(std::string_view d) noexcept {
  FieldLayout f;
  f.family = familyOf(d);
  f.start = fieldNumber(d, 7, 5);
  f.length = fieldNumber(d, 13, 2);
  if (d.size() >= 16) f.type = d[15];
  f.decimals = f.type >= '0' && f.type <= '9' ? f.type - '0' : 0;
  f.numeric = f.type == 'N' || f.decimals != 0;
  return f;
}

std::int16_t groupOffset(std::string_view descriptor, std::int16_t k, bool& missingLetter) {
  missingLetter = false;
  if (k == 0) return 0;
  return groupOffset(descriptor, parseDescriptor(descriptor), k, missingLetter);
}

std::int16_t groupOffset(std::string_view descriptor, const FieldLayout& layout, std::int16_t k,
                         bool& missingLetter) {
  missingLetter = false;
  if (k == 0 || layout.family == Family::Count) return 0;
  const FamilyInfo& info = familyInfo(layout.family);
  const std::int64_t start = layout.start;
  for (int i = 0; i < info.ruleCount; ++i) {
    const GroupRule& r = info.rules[i];
    bool applies = false;
    if (r.kind == GroupRule::Kind::Starts) {
      applies = startMatches(r, start);
    } else {
      const std::int64_t id = idNumber(descriptor, info.idLetters.front());
      if (id < 0) {
        missingLetter = true;
        return 0;
      }
      applies = id >= r.first;
    }
    if (applies) return checked16(static_cast<std::int64_t>(checked16(k - 1)) * r.stride);
  }
  return 0;
}

}  // namespace zr

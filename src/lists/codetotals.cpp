#include "lists/codetotals.h"

#include <cmath>

#include "platform/text.h"
#include "repository/amounts.h"

namespace zr::lists {

namespace {
constexpr std::size_t kMaxNumericDigits = 18;  // beyond that a "number" is kept as its text

std::string padded(std::string s, std::size_t width) {
  if (s.size() < width) s.resize(width, ' ');
  return s;
}
}  // namespace

std::optional<CodeKey> codeKey(std::string_view code) {
  const std::string t = platform::trimmed(code);
  if (t.empty()) return std::nullopt;
  const bool digits = t.find_first_not_of("0123456789") == std::string::npos;
  const std::size_t significant = t.size() - std::min(t.find_first_not_of('0'), t.size());
  if (digits && significant <= kMaxNumericDigits) {
    std::uint64_t v = 0;
    for (char c : t) v = v * 10 + static_cast<std::uint64_t>(c - '0');
    if (v == 0) return std::nullopt;
    return CodeKey{false, v, {}};
  }
  return CodeKey{true, 0, t};
}

std::string lineCode(const CodeKey& k) {
  return padded(k.isText ? k.text : std::to_string(k.value), 4);
}

std::string totalCode(const CodeKey& k) {
  if (k.isText) return k.text;
  std::string s = std::to_string(k.value);
  return s.size() < 4 ? std::string(4 - s.size(), '0') + s : s;
}

std::int64_t Amount::printedCents() const { return cents + std::llround(table * 100); }

std::string amountText(std::int64_t cents) {
  // Whole cents as their decimal text, so the picture sees exactly two decimals.
  const bool negative = cents < 0;
  const std::uint64_t u = negative ? 0 - static_cast<std::uint64_t>(cents) : cents;
  const std::string whole = std::to_string(u / 100);
  const std::uint64_t part = u % 100;
  std::string text = (negative && u != 0 ? "-" : "") + whole + "," +
                     std::string(1, char('0' + part / 10)) + char('0' + part % 10);
  return text.size() < 14 ? std::string(14 - text.size(), ' ') + text : text;
}

}  // namespace zr::lists

// The control lists' totals by tribute code: a keyed table instead of arrays indexed by the
// code's number, so that a code above 10000 or one with letters is totalled and printed like
// any other. Archive amounts are added in exact cents, database values as read and rounded
// once when printed.
#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace zr::lists {

// A tribute code as the lists total it: a code of digits only by its value, any other by its
// trimmed text. Numeric codes come first, in numeric order, then the others in byte order.
struct CodeKey {
  bool isText = false;
  std::uint64_t value = 0;  // numeric codes
  std::string text;         // other codes, trimmed
  auto operator<=>(const CodeKey&) const = default;
};
// The key of a code as read; none for a code that counts as absent (0, or empty).
std::optional<CodeKey> codeKey(std::string_view code);

// The code in a month line: the number without leading zeros, or the text, padded with blanks
// to 4; never cut.
std::string lineCode(const CodeKey& k);
// The code in a total line: at least 4 digits with leading zeros, or the text; never cut.
std::string totalCode(const CodeKey& k);

// An amount being added up: archive cents exact, database values as read.
struct Amount {
  std::int64_t cents = 0;
  double table = 0;
  void addCents(std::int64_t c) { cents += c; }
  void addTable(double v) { table += v; }
  Amount& operator+=(const Amount& o) {
    cents += o.cents;
    table += o.table;
    return *this;
  }
  // The amount as printed, in cents: the database part rounded once.
  std::int64_t printedCents() const;
  // The value the lists test against 0 (nothing rounded).
  double exact() const { return static_cast<double>(cents) / 100 + table; }
};

// "#########0.#0" right-aligned in 14, wider amounts whole.
std::string amountText(std::int64_t cents);

// Two columns by code (debit and credit, or SX1 and SX2).
struct Pair {
  Amount first, second;
  // Whether the code is printed: first + second is not 0.
  bool counts() const { return first.exact() + second.exact() != 0; }
};
using CodeTotals = std::map<CodeKey, Pair>;

}  // namespace zr::lists

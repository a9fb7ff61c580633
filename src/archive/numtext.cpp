#include "archive/numtext.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace zr::archive {

std::size_t formatNumber(double x, char* out) {
  char* end = out + kNumberChars;
  std::to_chars_result r;
  if (std::isfinite(x) && std::trunc(x) == x && std::fabs(x) < 1e15) {
    r = std::to_chars(out, end, static_cast<long long>(x));
  } else {
    r = std::to_chars(out, end, x);
  }
  return static_cast<std::size_t>(r.ptr - out);
}

std::string numberText(double x) {
  char buf[kNumberChars];
  return std::string(buf, formatNumber(x, buf));
}

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

double lenientValue(std::string_view text) {
  // Collect the characters that continue the number, then let from_chars read them (locale-free):
  // the grammar below only ever hands it a well-formed decimal.
  std::string kept;
  enum class At { Start, Sign, Integer, Fraction, ExpMark, ExpSign, ExpDigits } at = At::Start;
  bool anyDigit = false;
  for (char c : text) {
    if (isBlank(c)) continue;
    if (isDigit(c)) {
      if (at == At::Start || at == At::Sign) at = At::Integer;
      if (at == At::ExpMark || at == At::ExpSign) at = At::ExpDigits;
      if (at == At::Integer || at == At::Fraction) anyDigit = true;
      kept += c;
      continue;
    }
    if ((c == '-' || c == '+') && at == At::Start) {
      at = At::Sign;
    } else if ((c == '-' || c == '+') && at == At::ExpMark) {
      at = At::ExpSign;
    } else if (c == '.' && (at == At::Start || at == At::Sign || at == At::Integer)) {
      at = At::Fraction;
    } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && anyDigit &&
               (at == At::Integer || at == At::Fraction)) {
      at = At::ExpMark;
      c = 'e';
    } else {
      break;
    }
    kept += c;
  }
  if (!anyDigit) return 0;
  // A dangling exponent mark or sign adds nothing.
  while (!kept.empty() && !isDigit(kept.back()) && kept.back() != '.') kept.pop_back();
  std::string_view digits = kept;
  if (digits.front() == '+') digits.remove_prefix(1);
  double v = 0;
  auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
  if (r.ec != std::errc{} || !std::isfinite(v)) return 0;
  return v;
}

}  // namespace zr::archive

#include "repository/numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

#include "platform/errors.h"

namespace zr {

namespace {

bool isSkipped(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Collects the number at the front of `text` (skipping blanks anywhere) in the plain form
// from_chars reads: [-]digits[.digits][e[-]digits]. Returns the length written to out, which
// must hold text.size() + 3 characters.
std::size_t collectNumber(std::string_view text, char* out) {
  std::size_t n = 0, i = 0;
  auto next = [&]() {
    while (i < text.size() && isSkipped(text[i])) ++i;
    return i < text.size() ? text[i] : '\0';
  };
  char c = next();
  if (c == '-' || c == '+') {
    if (c == '-') out[n++] = '-';
    ++i;
  }
  std::size_t mantissaDigits = 0;
  while (isDigit(c = next())) out[n++] = c, ++i, ++mantissaDigits;
  if (c == '.') {
    ++i;
    out[n++] = '.';
    while (isDigit(c = next())) out[n++] = c, ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return 0;
  if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
    const std::size_t save = i, saveN = n;
    ++i;
    out[n++] = 'e';
    c = next();
    if (c == '-' || c == '+') {
      if (c == '-') out[n++] = '-';
      ++i;
    }
    std::size_t expDigits = 0;
    while (isDigit(c = next())) out[n++] = c, ++i, ++expDigits;
    if (expDigits == 0) i = save, n = saveN;
  }
  return n;
}

double parseCollected(const char* b, std::size_t n) {
  if (n == 0) return 0.0;
  double v = 0;
  auto [end, ec] = std::from_chars(b, b + n, v);
  if (ec == std::errc::result_out_of_range) {
    // A tiny value underflows harmlessly to zero; a huge one is the run time's overflow.
    bool negExp = false;
    for (const char* p = b; p != b + n; ++p)
      if (*p == 'e') negExp = p + 1 != b + n && p[1] == '-';
    if (negExp) return 0.0;
    throw RuntimeError::of(6, std::string_view(b, n));
  }
  (void)end;
  return v + 0.0;  // no negative zero
}

// Shortest round-trip fixed-notation text of a finite x into buf (at least 400 bytes).
std::size_t shortestFixed(double x, char* buf, std::size_t size) {
  if (!std::isfinite(x)) throw RuntimeError::of(6, "non-finite number");
  if (x == 0) x = 0.0;  // -0 prints as "0"
  auto r = std::to_chars(buf, buf + size, x, std::chars_format::fixed);
  return static_cast<std::size_t>(r.ptr - buf);
}

constexpr std::size_t kFixedBuf = 400;  // DBL_MAX in fixed notation takes 309 digits

}  // namespace

double numericValue(std::string_view text) {
  std::array<char, 128> small;
  if (text.size() + 3 <= small.size())
    return parseCollected(small.data(), collectNumber(text, small.data()));
  std::string big(text.size() + 3, '\0');
  return parseCollected(big.data(), collectNumber(text, big.data()));
}

std::string numberText(double x) {
  std::array<char, kFixedBuf> buf;
  return std::string(buf.data(), shortestFixed(x, buf.data(), buf.size()));
}

std::string roundedText(double x, int decimals) {
  if (decimals < 0) throw RuntimeError::of(5, "negative number of decimals");
  std::array<char, kFixedBuf> buf;
  const std::string_view text(buf.data(), shortestFixed(x, buf.data(), buf.size()));
  const bool negative = text.front() == '-';
  const std::string_view body = negative ? text.substr(1) : text;
  const std::size_t point = body.find('.');
  const std::string_view whole = body.substr(0, point);
  const std::string_view frac =
      point == std::string_view::npos ? std::string_view{} : body.substr(point + 1);

  // Digits kept: the whole part and `decimals` fraction digits (zero-padded); the next
  // fraction digit decides the rounding, the shortest text being the exact decimal meant.
  const std::size_t d = static_cast<std::size_t>(decimals);
  std::string digits;
  digits.reserve(whole.size() + d + 2);
  digits.push_back('0');  // room for a carry
  digits.append(whole);
  for (std::size_t i = 0; i < d; ++i) digits.push_back(i < frac.size() ? frac[i] : '0');
  if (d < frac.size() && frac[d] >= '5') {
    std::size_t i = digits.size();
    while (i-- > 0) {
      if (digits[i] == '9') {
        digits[i] = '0';
      } else {
        ++digits[i];
        break;
      }
    }
  }
  std::size_t lead = 0;
  const std::size_t wholeLen = digits.size() - d;
  while (lead + 1 < wholeLen && digits[lead] == '0') ++lead;
  const bool zero = digits.find_first_not_of('0') == std::string::npos;

  std::string out;
  out.reserve(digits.size() + 2);
  if (negative && !zero) out.push_back('-');
  out.append(digits, lead, wholeLen - lead);
  if (d > 0) {
    out.push_back('.');
    out.append(digits, wholeLen, d);
  }
  return out;
}

std::string ARROTONDA(double x, std::int16_t& d) {
  if (d == 0) d = 2;
  return roundedText(x, d);
}

void NOTAZIONEDECIMALE(std::string& s) {
  const bool minusExp = s.find("E-") != std::string::npos;
  if (!minusExp && s.find("E+") == std::string::npos) return;

  const std::size_t e = s.find('E');
  // The exponent is the number after the sign (two digits in the run time's texts; a longer
  // one is read whole rather than by its last two characters).
  std::size_t exponent = 0;
  for (std::size_t i = e + 2; i < s.size() && isDigit(s[i]); ++i)
    exponent = exponent * 10 + static_cast<std::size_t>(s[i] - '0');

  std::string_view mantissa(s.data(), e);
  while (!mantissa.empty() && isSkipped(mantissa.front())) mantissa.remove_prefix(1);
  while (!mantissa.empty() && isSkipped(mantissa.back())) mantissa.remove_suffix(1);
  std::string sign;
  if (!mantissa.empty() && mantissa.front() == '-') {
    sign = "-";
    mantissa.remove_prefix(1);
  }
  std::size_t point = mantissa.find_first_of(".,");
  std::string whole = "0" + std::string(mantissa.substr(0, point));
  std::string frac =
      (point == std::string_view::npos ? std::string() : std::string(mantissa.substr(point + 1))) +
      "0";
  if (minusExp) {
    if (whole.size() <= exponent) whole.insert(0, exponent + 1 - whole.size(), '0');
    frac.insert(0, whole, whole.size() - exponent, exponent);
    whole.resize(whole.size() - exponent);
  } else {
    if (frac.size() <= exponent) frac.append(exponent + 1 - frac.size(), '0');
    whole.append(frac, 0, exponent);
    frac.erase(0, exponent);
  }
  s = sign + whole + "." + frac;
}

}  // namespace zr

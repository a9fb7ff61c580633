#include "repository/numbers.h"

#include <string>

#include "platform/errors.h"
#include "platform/numtext.h"

namespace zr {

namespace {

bool isSkipped(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Beyond every exponent a double's text can carry (308, and 324 for the smallest).
constexpr std::size_t kMaxExponent = 400;

}  // namespace

std::string roundedText(double x, int decimals) {
  if (decimals < 0) throw RuntimeError::of(5, "negative number of decimals");
  const std::string shortest = platform::decimalText(x);
  const std::string_view text = shortest;
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
  for (std::size_t i = e + 2; i < s.size() && isDigit(s[i]) && exponent <= kMaxExponent; ++i)
    exponent = exponent * 10 + static_cast<std::size_t>(s[i] - '0');
  // No double is written with a larger one: such a text is no number, and its digits written
  // out would not fit in memory.
  if (exponent > kMaxExponent) throw RuntimeError::of(6, "exponent of the number text " + s);

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

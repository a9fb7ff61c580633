#include "repository/amounts.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "repository/numbers.h"

namespace zr {

namespace {

struct Picture {
  std::size_t minWhole = 0;     // "0" placeholders before the point
  std::size_t maxDecimals = 0;  // placeholders after the point
  std::size_t minDecimals = 0;  // up to the last "0" after the point
};

Picture parsePicture(std::string_view picture) {
  Picture p;
  bool afterPoint = false;
  for (char c : picture) {
    if (c == '.') {
      if (afterPoint) throw std::invalid_argument("amount picture with two points");
      afterPoint = true;
    } else if (c == '#' || c == '0') {
      if (!afterPoint) {
        if (c == '0') ++p.minWhole;
      } else {
        ++p.maxDecimals;
        if (c == '0') p.minDecimals = p.maxDecimals;
      }
    } else {
      throw std::invalid_argument("unsupported character in amount picture");
    }
  }
  return p;
}

std::string rightAligned(std::string text, std::size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

constexpr std::size_t kAmountWidth = 14;

// A value that is a whole number of cents (every archive amount is) written from its cents:
// below 1e13 two such values are never the same double, so this is the picture's own text,
// without the round trip through decimal text that the export's hundreds of thousands of
// amounts would pay for.
bool wholeCents(double x, std::string& out) {
  if (!(std::fabs(x) < 1e13)) return false;
  const std::int64_t c = std::llround(x * 100);
  if (static_cast<double>(c) / 100 != x) return false;
  const std::uint64_t a = c < 0 ? static_cast<std::uint64_t>(-c) : static_cast<std::uint64_t>(c);
  out = std::to_string(a / 100);
  out += ',';
  out += static_cast<char>('0' + a % 100 / 10);
  out += static_cast<char>('0' + a % 10);
  if (c < 0) out.insert(0, 1, '-');
  return true;
}

}  // namespace

std::string formatPicture(double x, std::string_view picture) {
  const Picture p = parsePicture(picture);
  std::string text = roundedText(x, static_cast<int>(p.maxDecimals));

  const std::size_t digitsStart = text[0] == '-' ? 1 : 0;
  std::size_t point = text.find('.');
  if (point == std::string::npos) point = text.size();
  if (point - digitsStart < p.minWhole) {
    text.insert(digitsStart, p.minWhole - (point - digitsStart), '0');
    point = p.minWhole + digitsStart;
  } else if (p.minWhole == 0 && point - digitsStart == 1 && text[digitsStart] == '0') {
    text.erase(digitsStart, 1);  // "#" places show no lone zero
    --point;
  }
  if (point < text.size()) {
    std::size_t keep = text.size() - point - 1;
    while (keep > p.minDecimals && text[point + keep] == '0') --keep;
    text.resize(keep == 0 ? point : point + 1 + keep);
    if (point < text.size()) text[point] = ',';
  }
  return text;
}

std::string exportAmount(double x) {
  std::string text;
  if (wholeCents(x, text)) return rightAligned(std::move(text), kAmountWidth);
  return rightAligned(formatPicture(x, "##########0.#0"), kAmountWidth);
}

std::string listAmount(double x) {
  return rightAligned(formatPicture(x, "#########0.#0"), kAmountWidth);
}

}  // namespace zr

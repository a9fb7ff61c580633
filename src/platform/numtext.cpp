#include "platform/numtext.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

#include "platform/errors.h"

namespace zr::platform {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The plain form from_chars reads, collected from the text: [-]digits[.digits][e[-]digits].
// Small texts stay on the stack; a long run of digits does not overflow anything.
class Collected {
 public:
  explicit Collected(std::size_t capacity) {
    if (capacity > small_.size()) big_.resize(capacity);
    out_ = big_.empty() ? small_.data() : big_.data();
  }
  void push(char c) { out_[n_++] = c; }
  std::size_t size() const { return n_; }
  void resize(std::size_t n) { n_ = n; }

  double value() const {
    if (n_ == 0) return 0.0;
    double v = 0;
    auto [end, ec] = std::from_chars(out_, out_ + n_, v);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
      // A tiny value underflows harmlessly to zero; a huge one is the run time's overflow.
      bool negExp = false;
      for (const char* p = out_; p != out_ + n_; ++p)
        if (*p == 'e') negExp = p + 1 != out_ + n_ && p[1] == '-';
      if (negExp) return 0.0;
      throw RuntimeError::of(6, std::string_view(out_, n_));
    }
    return v + 0.0;  // no negative zero
  }

 private:
  std::array<char, 128> small_;
  std::string big_;
  char* out_;
  std::size_t n_ = 0;
};

struct Grammar {
  bool skipsInside;  // blanks skipped anywhere, not only in front
  bool commaPoint;   // "," is a decimal point too
};

double readNumber(std::string_view text, Grammar g) {
  Collected out(text.size() + 3);
  std::size_t i = 0;
  auto blank = [&](char c) { return c == ' ' || c == '\t' || (g.skipsInside && c == '\n'); };
  while (i < text.size() && blank(text[i])) ++i;
  auto next = [&]() {
    if (g.skipsInside)
      while (i < text.size() && blank(text[i])) ++i;
    return i < text.size() ? text[i] : '\0';
  };
  // A NUL inside the text reads as '\0' too, which ends the number like any other stop.
  char c = next();
  if (i < text.size() && (c == '-' || c == '+')) {
    if (c == '-') out.push('-');
    ++i;
  }
  std::size_t mantissaDigits = 0;
  while (i < text.size() && isDigit(c = next())) out.push(c), ++i, ++mantissaDigits;
  c = next();
  if (i < text.size() && (c == '.' || (g.commaPoint && c == ','))) {
    ++i;
    out.push('.');
    while (i < text.size() && isDigit(c = next())) out.push(c), ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return 0.0;
  c = next();
  const bool exponentMark =
      c == 'E' || c == 'e' || (g.skipsInside && (c == 'D' || c == 'd'));
  if (i < text.size() && exponentMark) {
    const std::size_t keep = out.size();
    ++i;
    out.push('e');
    c = next();
    if (i < text.size() && (c == '-' || c == '+')) {
      if (c == '-') out.push('-');
      ++i;
    }
    std::size_t expDigits = 0;
    while (i < text.size() && isDigit(c = next())) out.push(c), ++i, ++expDigits;
    if (expDigits == 0) out.resize(keep);
  }
  return out.value();
}

}  // namespace

double valNumber(std::string_view text) {
  return readNumber(text, Grammar{.skipsInside = true, .commaPoint = false});
}

double fieldNumber(std::string_view text) {
  return readNumber(text, Grammar{.skipsInside = false, .commaPoint = true});
}

std::string decimalText(double x) {
  if (!std::isfinite(x)) throw RuntimeError::of(6, "non-finite number");
  if (x == 0) return "0";         // also -0
  std::array<char, 400> buf{};  // DBL_MAX in fixed notation takes 309 digits
  auto r = std::to_chars(buf.data(), buf.data() + buf.size(), x, std::chars_format::fixed);
  return std::string(buf.data(), r.ptr);
}

std::size_t writeShortText(double x, char* out) {
  char* end = out + kShortTextChars;
  std::to_chars_result r;
  if (std::isfinite(x) && std::trunc(x) == x && std::fabs(x) < 1e15) {
    r = std::to_chars(out, end, static_cast<long long>(x));
  } else {
    r = std::to_chars(out, end, x);
  }
  return static_cast<std::size_t>(r.ptr - out);
}

std::string shortText(double x) {
  char buf[kShortTextChars];
  return std::string(buf, writeShortText(x, buf));
}

}  // namespace zr::platform

// CP1252 <-> UTF-8. The five bytes that CP1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// map to the C1 code points of the same value, so that no byte is lost on a round trip.
#include "platform/cp1252.h"

#include <array>
#include <cstdint>

#include "platform/ui.h"

namespace zr::platform {

namespace {

// Code points of the bytes 0x80..0x9F; every other byte is its own code point.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char32_t codePoint(unsigned char b) {
  return b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char byteOf(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (std::size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] == cp) return static_cast<char>(0x80 + i);
  return '?';
}

// Decodes one UTF-8 sequence at s[i]. A malformed one yields nothing and consumes its lead
// byte with the continuation bytes that followed it, so that it stands for one character.
bool decode(std::string_view s, std::size_t& i, char32_t& cp) {
  auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = b(i);
  std::size_t len = c < 0x80           ? 1
                    : (c >> 5) == 0x6  ? 2
                    : (c >> 4) == 0xE  ? 3
                    : (c >> 3) == 0x1E ? 4
                                       : 0;
  if (len == 0) {
    ++i;
    return false;
  }
  char32_t v = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
  for (std::size_t k = 1; k < len; ++k) {
    if (i + k >= s.size() || (b(i + k) & 0xC0) != 0x80) {
      i += k;
      return false;
    }
    v = (v << 6) | (b(i + k) & 0x3F);
  }
  constexpr std::array<char32_t, 5> kMin = {0, 0, 0x80, 0x800, 0x10000};
  i += len;
  if (v < kMin[len] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return false;
  cp = v;
  return true;
}

}  // namespace

std::string toUtf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size() + cp1252.size() / 4);
  for (char c : cp1252) appendUtf8(out, codePoint(static_cast<unsigned char>(c)));
  return out;
}

std::string toUtf8Printable(std::string_view cp1252) {
  constexpr char32_t kReplacement = 0xFFFD;
  std::string out;
  out.reserve(cp1252.size() + cp1252.size() / 4);
  for (char c : cp1252) {
    const auto b = static_cast<unsigned char>(c);
    appendUtf8(out, b < 0x20 || b == 0x7F ? kReplacement : codePoint(b));
  }
  return out;
}

bool isValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp = 0;
    if (!decode(s, i, cp)) return false;
  }
  return true;
}

std::string fromUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    out += decode(utf8, i, cp) ? byteOf(cp) : '?';
  }
  return out;
}

}  // namespace zr::platform

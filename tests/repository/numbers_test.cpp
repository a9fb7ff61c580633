#include "repository/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/errors.h"

namespace zr {
namespace {

TEST(NumericValue, ReadsFieldTextsLeniently) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"0000012345.67", 12345.67},
      {"-0000000123.45", -123.45},
      {"        .  ", 0},  // a blank amount field
      {"", 0},
      {"-", 0},
      {".", 0},
      {"abc", 0},
      {" 1 2 3", 123},  // blanks skipped between digits too
      {"\t4\n5", 45},
      {"12.5.3", 12.5},  // a second point ends the number
      {"7-", 7},
      {"--5", 0},  // only one leading sign
      {"- 5", -5},
      {"+5", 5},
      {"1,5", 1},  // the comma is not a decimal point
      {"12abc", 12},
      {"1.5E3", 1500},
      {"1.5E-3", 0.0015},
      {"2D2", 200},
      {"1E", 1},  // an exponent needs digits
      {"1E+", 1},
      {"3e 2", 300},
      {"\r5", 0},  // carriage return is not skipped
      {"-0.00", 0},
      {"00000000000000000000000000000000000000000042", 42},
      {"1E-400", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(numericValue(c.text), c.value) << '"' << c.text << '"';
  }
  EXPECT_FALSE(std::signbit(numericValue("-0000")));
  // Long texts (beyond any small buffer) still convert.
  EXPECT_EQ(numericValue(std::string(300, ' ') + "-12.25" + std::string(300, 'x')), -12.25);
  try {
    numericValue("1E999");
    ADD_FAILURE() << "overflow not reported";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 6);
  }
}

TEST(NumberText, ShortestPlainDecimal) {
  struct Case {
    double x;
    const char* text;
  };
  const Case cases[] = {
      {12, "12"},
      {12.5, "12.5"},
      {-0.25, "-0.25"},
      {0, "0"},
      {-0.0, "0"},
      {0.1 + 0.2, "0.30000000000000004"},
      {1e21, "1000000000000000000000"},
      {1.5e-5, "0.000015"},
      {123456789.01, "123456789.01"},
      {-1e-7, "-0.0000001"},
  };
  for (const auto& c : cases) EXPECT_EQ(numberText(c.x), c.text) << c.x;
  EXPECT_THROW(numberText(std::numeric_limits<double>::infinity()), RuntimeError);
  EXPECT_THROW(numberText(std::nan("")), RuntimeError);
}

TEST(Arrotonda, HalfAwayFromZeroOnTheTypedDecimal) {
  struct Case {
    double x;
    std::int16_t d;
    const char* text;
  };
  const Case cases[] = {
      {12.5, 2, "12.50"},
      {0.005, 2, "0.01"},
      {-0.005, 2, "-0.01"},
      {1.005, 2, "1.01"},
      {2.675, 2, "2.68"},
      {1.015, 2, "1.02"},
      {0.125, 2, "0.13"},
      {-0.125, 2, "-0.13"},
      {0.004999, 2, "0.00"},
      {-0.004, 2, "0.00"},
      {9.995, 2, "10.00"},
      {-9.995, 2, "-10.00"},
      {999.9999, 3, "1000.000"},
      {0.1 + 0.2, 2, "0.30"},
      {1234567.895, 2, "1234567.90"},
      {3, 4, "3.0000"},
      {1.23456789, 6, "1.234568"},
      {0.5, 1, "0.5"},
      {0.05, 1, "0.1"},
      {1e15, 2, "1000000000000000.00"},
      {0.0000015, 6, "0.000002"},
  };
  for (const auto& c : cases) {
    std::int16_t d = c.d;
    EXPECT_EQ(ARROTONDA(c.x, d), c.text) << c.x << " to " << c.d;
    EXPECT_EQ(d, c.d);
  }
  std::int16_t zero = 0;
  EXPECT_EQ(ARROTONDA(7.125, zero), "7.13");
  EXPECT_EQ(zero, 2) << "a 0 decimals argument becomes 2 in the caller's variable";
  std::int16_t negative = -1;
  EXPECT_THROW(ARROTONDA(1, negative), RuntimeError);
}

TEST(Arrotonda, EveryThousandthRoundsLikeIntegerArithmetic) {
  // n/1000 for every n in a wide band, checked against rounding done on the integer n.
  for (long n = -200000; n <= 200000; ++n) {
    const long a = n < 0 ? -n : n;
    const long cents = (a + 5) / 10;
    std::string expect = (n < 0 && cents != 0 ? "-" : "") + std::to_string(cents / 100) + "." +
                         (cents % 100 < 10 ? "0" : "") + std::to_string(cents % 100);
    std::int16_t d = 2;
    const std::string got = ARROTONDA(static_cast<double>(n) / 1000.0, d);
    if (got != expect) {
      ADD_FAILURE() << n << "/1000 gave " << got << ", expected " << expect;
      break;
    }
  }
}

TEST(NotazioneDecimale, RewritesExponentForms) {
  struct Case {
    const char* in;
    std::string out;
  };
  const Case cases[] = {
      {"1.5E-05", "0.0000150"},
      {"1E-05", "0.000010"},
      {"-1.5E-05", "-0.0000150"},
      {"1,5E-05", "0.0000150"},  // a comma mantissa is read as a point
      {"2.25E-01", "0.2250"},
      {"1.5E+05", "0150000.0"},
      {"1E+03", "01000.0"},
      {"-1.234E+02", "-0123.40"},
      {"1.5E+00", "01.50"},
      {"9.99999E+10", "099999900000.0"},
      {"1E-300", "0." + std::string(299, '0') + "10"},  // exponent read whole, not by two digits
  };
  for (const auto& c : cases) {
    std::string s = c.in;
    NOTAZIONEDECIMALE(s);
    EXPECT_EQ(s, c.out) << c.in;
    // The rewritten text stands for the same number.
    std::string pointed = c.in;
    if (const auto comma = pointed.find(','); comma != std::string::npos) pointed[comma] = '.';
    EXPECT_DOUBLE_EQ(numericValue(s), numericValue(pointed)) << c.in;
  }
  for (const char* unchanged : {"12.5", "1e-05", "E", "1.5E05", "", "ABC"}) {
    std::string s = unchanged;
    NOTAZIONEDECIMALE(s);
    EXPECT_EQ(s, unchanged);
  }
}

}  // namespace
}  // namespace zr

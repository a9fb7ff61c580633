// Number texts and amount pictures, checked against decimals worked out on integers.
#include "repository/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/numtext.h"
#include "repository/amounts.h"

namespace zr {
namespace {

std::string centsText(long long cents, char point) {
  const long long a = cents < 0 ? -cents : cents;
  std::string t =
      std::to_string(a / 100) + point + (a % 100 < 10 ? "0" : "") + std::to_string(a % 100);
  return cents < 0 ? "-" + t : t;
}

std::string arrotonda(double x, std::int16_t d = 2) {
  return ARROTONDA(x, d);
}

// Pictures and ARROTONDA both round half away from zero on the decimal the double stands for
// (1.015 * 3 prints as 3.045); a value that rounds to zero never gets a "-".
TEST(Amounts, RoundToCentsOnTheTypedDecimal) {
  // clang-format off
  struct Case { double x; const char* text; };
  const Case cases[] = {
      {0, "0,00"}, {-0.0, "0,00"}, {0.005, "0,01"}, {-0.005, "-0,01"}, {-0.0049, "0,00"},
      {1234567.895, "1234567,90"}, {-12.5, "-12,50"}, {99999999999.99, "99999999999,99"},
      {0.1 + 0.2, "0,30"}, {-9999999999.99, "-9999999999,99"}, {100.0 - 99.99, "0,01"},
      {1.005, "1,01"}, {2.675, "2,68"}, {-2.675, "-2,68"}, {1.015 * 3, "3,05"}, {0.125, "0,13"},
      {-0.995, "-1,00"}, {9.999, "10,00"}, {0.29 * 100, "29,00"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    const std::string text = c.text;
    EXPECT_EQ(formatPicture(c.x, "##########0.#0"), text);
    EXPECT_EQ(exportAmount(c.x), std::string(14 - text.size(), ' ') + text);
    EXPECT_EQ(arrotonda(c.x),
              text.substr(0, text.find(',')) + "." + text.substr(text.find(',') + 1));
  }
}

TEST(Amounts, IntegerReferenceSweep) {
  // n/1000 is an exact decimal typed with three places: rounding it to cents is integer work.
  // Bands near zero, in the thousands and near the 14-column limit; then whole cents across it.
  for (long long base : {0LL, 1234000000LL, 99999000000000LL}) {
    for (long long n = base - 30000; n <= base + 30000; ++n) {
      const long long cents = ((std::llabs(n) + 5) / 10) * (n < 0 ? -1 : 1);
      const double x = static_cast<double>(n) / 1000.0;
      const bool ok = formatPicture(x, "##########0.#0") == centsText(cents, ',') &&
                      (base != 0 || arrotonda(x) == centsText(cents, '.'));
      ASSERT_TRUE(ok) << n << "/1000 gave " << formatPicture(x, "##########0.#0") << " and "
                      << arrotonda(x);
    }
  }
  for (long long n = 1; n < 9999999999999LL; n = n * 7 + 3)
    for (long long v : {n, -n})
      ASSERT_EQ(formatPicture(static_cast<double>(v) / 100.0, "#########0.#0"), centsText(v, ','));
}

TEST(Amounts, PicturesAlignmentAndOverflow) {
  // clang-format off
  struct Case { double x; const char* picture; const char* text; };
  const Case cases[] = {
      {5.5, "000.00", "005,50"}, {-5.5, "000.00", "-005,50"}, {5.5, "0", "6"}, {0.4, "#", ""},
      {0.5, "#.00", ",50"}, {12.5, "0.##", "12,5"}, {12, "0.##", "12"}, {12.345, "0.#", "12,3"},
      {-0.5, "0", "-1"}, {0.004, "0.0#", "0,0"}, {1234567, "0.00", "1234567,00"},
  };
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(formatPicture(c.x, c.picture), c.text) << c.x << " by " << c.picture;
  EXPECT_THROW(formatPicture(1, "#,##0.00"), std::invalid_argument);
  EXPECT_THROW(formatPicture(1, "0.0.0"), std::invalid_argument);

  EXPECT_EQ(listAmount(-1234.5), "      -1234,50");
  // Wider than the field: returned whole, never cut to a plausible smaller number.
  EXPECT_EQ(exportAmount(123456789012.34), "123456789012,34");
  EXPECT_EQ(exportAmount(99999999999.995), "100000000000,00");
  EXPECT_EQ(exportAmount(-12345678901.5), "-12345678901,50");
  EXPECT_EQ(listAmount(1e15), "1000000000000000,00");
  EXPECT_THROW(exportAmount(std::numeric_limits<double>::infinity()), RuntimeError);
  EXPECT_THROW(exportAmount(std::nan("")), RuntimeError);
}

TEST(Numbers, ArrotondaPlacesAndArgument) {
  // clang-format off
  struct Case { double x; std::int16_t d; const char* text; };
  const Case cases[] = {
      {999.9999, 3, "1000.000"}, {3, 4, "3.0000"}, {1.23456789, 6, "1.234568"}, {0.05, 1, "0.1"},
      {0.0000015, 6, "0.000002"}, {1e15, 2, "1000000000000000.00"},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(arrotonda(c.x, c.d), c.text) << c.x << " to " << c.d;
  std::int16_t zero = 0;
  EXPECT_EQ(ARROTONDA(7.125, zero), "7.13");
  EXPECT_EQ(zero, 2) << "a 0 decimals argument becomes 2 in the caller's variable";
  std::int16_t negative = -1;
  EXPECT_THROW(ARROTONDA(1, negative), RuntimeError);
}

TEST(Numbers, NotazioneDecimaleRewritesExponentForms) {
  // A comma mantissa is read as a point; the exponent is read whole, not by two digits.
  // clang-format off
  struct Case { const char* in; std::string out; };
  const Case cases[] = {
      {"1.5E-05", "0.0000150"}, {"-1.5E-05", "-0.0000150"}, {"1,5E-05", "0.0000150"},
      {"2.25E-01", "0.2250"}, {"1E+03", "01000.0"}, {"-1.234E+02", "-0123.40"},
      {"1.5E+00", "01.50"}, {"9.99999E+10", "099999900000.0"},
      {"1E-300", "0." + std::string(299, '0') + "10"}, {"12.5", "12.5"}, {"1e-05", "1e-05"},
      {"1.5E05", "1.5E05"}, {"E", "E"}, {"", ""},
  };
  // clang-format on
  for (const auto& c : cases) {
    std::string s = c.in;
    NOTAZIONEDECIMALE(s);
    EXPECT_EQ(s, c.out) << c.in;
    std::string pointed = c.in;  // the rewritten text stands for the same number
    if (const auto comma = pointed.find(','); comma != std::string::npos) pointed[comma] = '.';
    EXPECT_DOUBLE_EQ(platform::valNumber(s), platform::valNumber(pointed)) << c.in;
  }
  // An exponent no double carries is an overflow, not billions of zeros written out.
  std::string edge = "1E-400";
  NOTAZIONEDECIMALE(edge);
  EXPECT_EQ(edge, "0." + std::string(399, '0') + "10");
  for (std::string huge : {"1E-401", "1.5E-99999999999", "2E+4000000000", "-1E+18446744073709551617"}) {
    const std::string given = huge;
    try {
      NOTAZIONEDECIMALE(huge);
      ADD_FAILURE() << given << " became " << huge.size() << " characters";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), 6) << given;
      EXPECT_EQ(huge, given);
    }
  }
}

// Whole cents take a quicker road to the same text as the picture: checked against it on
// amounts of every size, odd cents, negatives and values that are not whole cents.
TEST(ExportAmount, WholeCentsGiveThePicturesOwnText) {
  std::mt19937_64 rng(770);
  std::vector<double> values = {0.0, -0.0, 0.01, -0.01, 0.1 + 0.2, 1e13 - 0.01, -1e12, 0.005,
                                1234.565, 99999999999.99, 5e-324};
  for (int i = 0; i < 200000; ++i) {
    const std::int64_t cents = static_cast<std::int64_t>(rng() % 2000000000000ULL) - 1000000000000LL;
    values.push_back(static_cast<double>(cents >> (i % 40)) / 100);
    values.push_back(std::ldexp(static_cast<double>(rng() % 1000000007), -(i % 30)));
  }
  for (double x : values) {
    std::string text = formatPicture(x, "##########0.#0");
    if (text.size() < 14) text.insert(0, 14 - text.size(), ' ');
    ASSERT_EQ(exportAmount(x), text) << x;
  }
}

}  // namespace
}  // namespace zr

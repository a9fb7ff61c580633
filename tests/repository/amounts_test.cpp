#include "repository/amounts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "platform/errors.h"

namespace zr {
namespace {

// The amount a count of cents should print as, worked out on integers.
std::string centsText(long long cents) {
  const long long a = cents < 0 ? -cents : cents;
  std::string t =
      std::to_string(a / 100) + "," + (a % 100 < 10 ? "0" : "") + std::to_string(a % 100);
  return cents < 0 ? "-" + t : t;
}

std::string padded(const std::string& s) {
  return std::string(14 - s.size(), ' ') + s;
}

TEST(ExportAmount, NamedCases) {
  struct Case {
    double x;
    const char* text;
  };
  const Case cases[] = {
      {0, "0,00"},
      {-0.0, "0,00"},
      {0.005, "0,01"},
      {-0.005, "-0,01"},
      {0.0049, "0,00"},
      {-0.0049, "0,00"},  // never "-0,00"
      {1234567.895, "1234567,90"},
      {-12.5, "-12,50"},
      {99999999999.99, "99999999999,99"},
      {-9999999999.99, "-9999999999,99"},
      {0.1 + 0.2, "0,30"},
      {1.1 + 2.2, "3,30"},
      {0.7 + 0.1, "0,80"},
      {100.0 - 99.99, "0,01"},
      {1.005, "1,01"},
      {2.675, "2,68"},
      {-2.675, "-2,68"},
      {1.015 * 3, "3,05"},  // the product prints as 3.045
      {0.29 * 100, "29,00"},
      {1e10, "10000000000,00"},
      {123.456, "123,46"},
      {-0.994, "-0,99"},
      {-0.995, "-1,00"},
      {9.999, "10,00"},
      {0.01, "0,01"},
      {0.10, "0,10"},
      {7, "7,00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(exportAmount(c.x), padded(c.text)) << c.x;
    EXPECT_EQ(formatPicture(c.x, "##########0.#0"), c.text) << c.x;
  }
}

TEST(ExportAmount, EveryCentAndHalfCentInBandsMatchesIntegerRounding) {
  // Each n/1000 is an exact decimal typed with three places: rounding it half away from zero
  // to cents is integer work. Bands near zero, in the thousands and near the 14-column limit.
  const long long bases[] = {0, 1234000000, 99999000000000LL};
  for (long long base : bases) {
    for (long long m = -30000; m <= 30000; ++m) {
      const long long n = base + m;
      const long long mag = n < 0 ? -n : n;
      const long long cents = ((mag + 5) / 10) * (n < 0 ? -1 : 1);
      const double x = static_cast<double>(n) / 1000.0;
      const std::string got = formatPicture(x, "##########0.#0");
      if (got != centsText(cents)) {
        ADD_FAILURE() << n << "/1000 gave " << got << ", expected " << centsText(cents);
        return;
      }
    }
  }
}

TEST(ExportAmount, WholeCentsAcrossTheRange) {
  // n cents, n/100 computed as a double, for magnitudes up to the full 14 columns.
  for (long long n = 1; n < 9999999999999LL; n = n * 7 + 3) {
    for (long long v : {n, -n}) {
      const double x = static_cast<double>(v) / 100.0;
      EXPECT_EQ(formatPicture(x, "##########0.#0"), centsText(v)) << v;
      EXPECT_EQ(formatPicture(x, "#########0.#0"), centsText(v)) << v;
    }
  }
}

TEST(ExportAmount, AlignmentAndOverflow) {
  EXPECT_EQ(exportAmount(5), "          5,00");
  EXPECT_EQ(exportAmount(-5), "         -5,00");
  EXPECT_EQ(listAmount(1234.5), "       1234,50");
  EXPECT_EQ(exportAmount(12345678901.23).size(), 14u);
  // Wider than the field: returned whole, never cut to a plausible smaller number.
  EXPECT_EQ(exportAmount(123456789012.34), "123456789012,34");
  EXPECT_EQ(exportAmount(99999999999.995), "100000000000,00");
  EXPECT_EQ(exportAmount(-12345678901.5), "-12345678901,50");
  EXPECT_EQ(listAmount(1e15), "1000000000000000,00");
  EXPECT_THROW(exportAmount(std::numeric_limits<double>::infinity()), RuntimeError);
  EXPECT_THROW(exportAmount(std::nan("")), RuntimeError);
}

TEST(FormatPicture, PicturePlaces) {
  struct Case {
    double x;
    const char* picture;
    const char* text;
  };
  const Case cases[] = {
      {5.5, "000.00", "005,50"}, {-5.5, "000.00", "-005,50"},
      {5.5, "0", "6"},           {0.4, "#", ""},
      {0.5, "#.00", ",50"},      {12.5, "0.##", "12,5"},
      {12, "0.##", "12"},        {12.345, "0.#", "12,3"},
      {12.25, "0.#0", "12,25"},  {1234567, "0.00", "1234567,00"},
      {-0.5, "0", "-1"},         {0.004, "0.0#", "0,0"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(formatPicture(c.x, c.picture), c.text) << c.x << " by " << c.picture;
  EXPECT_THROW(formatPicture(1, "#,##0.00"), std::invalid_argument);
  EXPECT_THROW(formatPicture(1, "0.0.0"), std::invalid_argument);
}

}  // namespace
}  // namespace zr

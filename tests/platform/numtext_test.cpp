// The program's number readings side by side over the same texts, and its two number texts.
#include "platform/numtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "platform/errors.h"

namespace zr::platform {
namespace {

// nullopt: the reading is the run time's overflow (error 6).
std::optional<double> reading(double (*rule)(std::string_view), const std::string& text) {
  try {
    return rule(text);
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 6) << '"' << text << '"';
    return std::nullopt;
  }
}

TEST(NumberReadings, EveryRuleOverTheSameTexts) {
  using namespace std::string_literals;
  constexpr std::optional<double> overflow;
  const std::string twenty = "12345678901234567890";
  // clang-format off
  struct Case { std::string text; std::optional<double> val, field; };
  const Case cases[] = {
      // text                       Val rule            database field rule
      {"",                          0,                  0},
      {"     ",                     0,                  0},
      {"-",                         0,                  0},
      {"1,5",                       1,                  1.5},
      {"1.5",                       1.5,                1.5},
      {"12-",                       12,                 12},
      {"9e99",                      9e99,               9e99},
      {"9e999",                     overflow,           overflow},
      {"-9e999",                    overflow,           overflow},
      {"1E-400",                    0,                  0},
      {twenty,                      12345678901234567890.0, 12345678901234567890.0},
      {"-" + twenty + twenty,       -1234567890123456789012345678901234567890.0, -1234567890123456789012345678901234567890.0},
      {"12\0" "34"s,                12,                 12},
      {"\0" "5"s,                   0,                  0},
      {"\0"s,                       0,                  0},
      {" 1 2\t3",                   123,                1},
      {"\t4\n5",                    45,                 4},
      {"\r5",                       0,                  0},
      {"- 5",                       -5,                 0},
      {"--5",                       0,                  0},
      {"+5",                        5,                  5},
      {".5",                        0.5,                0.5},
      {",5",                        0,                  0.5},
      {"12.5.3",                    12.5,               12.5},
      {"2D2",                       200,                2},
      {"2E",                        2,                  2},
      {"1E+",                       1,                  1},
      {"3e 2",                      300,                3},
      {"2e-1x",                     0.2,                0.2},
      {"E5",                        0,                  0},
      {"AB12",                      0,                  0},
      {"12AB",                      12,                 12},
      {"-0000000123.45",            -123.45,            -123.45},
      {"00000000000000000000000000000000000000000042", 42, 42},
      {std::string(300, ' ') + "-12.25" + std::string(300, 'x'), -12.25, -12.25},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE('"' + c.text + '"');
    EXPECT_EQ(reading(valNumber, c.text), c.val);
    EXPECT_EQ(reading(fieldNumber, c.text), c.field);
  }
  EXPECT_FALSE(std::signbit(valNumber("-0000")));
  EXPECT_FALSE(std::signbit(fieldNumber("-0,0")));
}

TEST(NumberTexts, DecimalAndShortForms) {
  // clang-format off
  struct Case { double x; const char* decimal; const char* shortForm; };
  const Case cases[] = {
      {377, "377", "377"}, {0, "0", "0"}, {-0.0, "0", "0"}, {-12, "-12", "-12"},
      {12.5, "12.5", "12.5"}, {0.1, "0.1", "0.1"}, {0.1 + 0.2, "0.30000000000000004", "0.30000000000000004"},
      {1e15, "1000000000000000", "1e+15"}, {1e21, "1000000000000000000000", "1e+21"},
      {-1e-7, "-0.0000001", "-1e-07"}, {100000000000.25, "100000000000.25", "100000000000.25"},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(decimalText(c.x), c.decimal) << c.x;
    EXPECT_EQ(shortText(c.x), c.shortForm) << c.x;
  }
  // The largest double fits the decimal form whole; the short form's buffer is never overrun.
  EXPECT_EQ(decimalText(std::numeric_limits<double>::max()).size(), 309u);
  char buf[kShortTextChars];
  EXPECT_LE(writeShortText(-std::numeric_limits<double>::denorm_min(), buf), kShortTextChars);
  for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    try {
      decimalText(bad);
      ADD_FAILURE() << bad << " has no decimal text";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), 6);
    }
  }
}

}  // namespace
}  // namespace zr::platform

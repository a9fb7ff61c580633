#include "repository/families.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"

namespace zr {
namespace {

TEST(Families, NamesAreFoundExactly) {
  const char* names[] = {"DITX$", "DIPX$", "DI2X$", "CUDX$", "DICX$", "ARTX$", "COCX$", "CONX$",
                         "FISX$", "FOTX$", "PARX$", "PERX$", "PROX$", "SETX$", "STUX$", "M77X$",
                         "F24X$", "FOPX$", "STOX$", "GLAX$", "GLCX$", "SCRX$", "SCRY$", "SCRU$"};
  int i = 0;
  for (const char* name : names) {
    const Family f = familyOf(std::string(name) + ",00001,01,A,0,X001");
    ASSERT_EQ(static_cast<int>(f), i) << name;
    EXPECT_EQ(familyInfo(f).name, name);
    EXPECT_EQ(familyOf(name), f) << "the name alone is enough";
    ++i;
  }
  for (const char* bad : {"ditx$,00003,03,N,0,T001", "DITX,00003", "DITX", "", "XXXX$,1",
                          "DITX ,00003", "F24X", "DI2X%", " DITX$"})
    EXPECT_EQ(familyOf(bad), Family::Count) << bad;
}

TEST(ParseDescriptor, ByPositionOnly) {
  const FieldLayout f = parseDescriptor("DITX$,00006,30,A,0,T002");
  EXPECT_EQ(f.family, Family::DITX);
  EXPECT_EQ(f.start, 6);
  EXPECT_EQ(f.length, 30);
  EXPECT_EQ(f.type, 'A');
  EXPECT_FALSE(f.numeric);

  // Separators, flag and id play no part.
  const FieldLayout g = parseDescriptor("DITX$;00006x30yAz1wZZZZ");
  EXPECT_EQ(g.start, 6);
  EXPECT_EQ(g.length, 30);
  EXPECT_EQ(g.type, 'A');

  struct Case {
    const char* d;
    char type;
    int decimals;
    bool numeric;
  };
  const Case types[] = {
      {"F24X$,00001,03,N,0,A001", 'N', 0, true},  {"F24X$,00034,08,D,0,A003", 'D', 0, false},
      {"F24X$,00054,12,2,0,A006", '2', 2, true},  {"DIPX$,00001,10,3,0,Q001", '3', 3, true},
      {"DIPX$,00001,10,6,0,Q001", '6', 6, true},  {"DITX$,00001,10,0,0,T999", '0', 0, false},
      {"DITX$,00001,10,A,0,T999", 'A', 0, false},
  };
  for (const auto& c : types) {
    const FieldLayout t = parseDescriptor(c.d);
    EXPECT_EQ(t.type, c.type) << c.d;
    EXPECT_EQ(t.decimals, c.decimals) << c.d;
    EXPECT_EQ(t.numeric, c.numeric) << c.d;
  }

  // A short descriptor reads what it reaches.
  const FieldLayout s = parseDescriptor("DITX$,0004");
  EXPECT_EQ(s.family, Family::DITX);
  EXPECT_EQ(s.start, 4);
  EXPECT_EQ(s.length, 0);
  EXPECT_EQ(s.type, ' ');
  EXPECT_FALSE(s.numeric);
  EXPECT_EQ(parseDescriptor("").family, Family::Count);
}

std::int16_t offset(const std::string& d, int k) {
  bool missing = false;
  const std::int16_t off = groupOffset(d, static_cast<std::int16_t>(k), missing);
  EXPECT_FALSE(missing) << d;
  return off;
}

std::string at(const char* family, int start, const char* id = "X001") {
  std::string s = std::to_string(start);
  return std::string(family) + "," + std::string(5 - s.size(), '0') + s + ",05,A,0," + id;
}

TEST(GroupOffset, EveryFamilyRuleAndItsEdges) {
  struct Case {
    const char* family;
    int start;
    int k;
    int expected;
  };
  const Case cases[] = {
      {"DICX$", 100, 3, 0},    {"DICX$", 101, 3, 20},   {"DICX$", 7420, 2, 10},
      {"CONX$", 100, 2, 0},    {"CONX$", 101, 2, 290},  {"CONX$", 390, 3, 580},
      {"CONX$", 391, 2, 0},    {"M77X$", 255, 2, 0},    {"M77X$", 256, 2, 255},
      {"M77X$", 510, 3, 510},  {"M77X$", 511, 2, 0},    {"M77X$", 3315, 2, 0},
      {"M77X$", 3316, 2, 255}, {"M77X$", 3570, 2, 255}, {"M77X$", 3571, 2, 0},
      {"F24X$", 41, 2, 0},     {"F24X$", 42, 2, 36},    {"F24X$", 54, 2, 36},
      {"F24X$", 66, 20, 684},  {"F24X$", 67, 2, 0},     {"F24X$", 761, 2, 0},
      {"F24X$", 762, 2, 63},   {"F24X$", 813, 2, 63},   {"F24X$", 814, 2, 0},
      {"F24X$", 1076, 2, 0},   {"F24X$", 1077, 3, 70},  {"F24X$", 1077, 1, 0},
      {"F24X$", 1100, 2, 35},  {"F24X$", 1101, 2, 0},   {"F24X$", 1228, 2, 0},
      {"F24X$", 1229, 2, 35},  {"F24X$", 4117, 4, 105}, {"F24X$", 4140, 2, 35},
      {"F24X$", 4141, 2, 0},   {"F24X$", 4269, 2, 0},   {"F24X$", 4358, 2, 0},
      {"F24X$", 4359, 2, 51},  {"F24X$", 4398, 2, 51},  {"F24X$", 4399, 2, 0},
      {"F24X$", 4823, 2, 0},   {"F24X$", 4824, 2, 55},  {"F24X$", 4867, 2, 55},
      {"F24X$", 4868, 2, 0},   {"F24X$", 4999, 2, 0},   {"F24X$", 5000, 3, 8},
      {"F24X$", 5001, 2, 0},   {"F24X$", 5094, 2, 4},   {"F24X$", 5095, 2, 0},
      {"F24X$", 5110, 2, 4},   {"F24X$", 5414, 2, 4},   {"F24X$", 5430, 2, 0},
      {"F24X$", 5482, 2, 0},   {"F24X$", 5483, 2, 2},   {"F24X$", 5484, 2, 0},
      {"F24X$", 42, 0, 0},     {"F24X$", 42, -1, -72},  {"DITX$", 42, 5, 0},
      {"DIPX$", 1077, 3, 0},   {"SCRU$", 300, 2, 0},    {"CUDX$", 200, 9, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(offset(at(c.family, c.start), c.k), c.expected)
        << c.family << " start " << c.start << " k " << c.k;

  // Each of the 21 region blocks, over its whole start range.
  for (int b = 0; b < 21; ++b)
    for (int s = 1077 + 152 * b; s <= 1100 + 152 * b; ++s)
      ASSERT_EQ(offset(at("F24X$", s), 4), 105) << s;
}

TEST(GroupOffset, Di2xGoesByItsIdNumber) {
  EXPECT_EQ(offset("DI2X$,00340,10,2,1,I110", 2), 714);
  EXPECT_EQ(offset("DI2X$,00340,10,2,1,I100", 3), 1428);
  EXPECT_EQ(offset("DI2X$,00340,10,2,1,I099", 3), 0);
  EXPECT_EQ(offset("DI2X$,00009,10,2,1,I001", 3), 0);
  for (const char* noLetter : {"DI2X$,00340,10,2,1,X110", "DI2X$,00340", "DI2X$"}) {
    bool missing = false;
    EXPECT_EQ(groupOffset(noLetter, 2, missing), 0);
    EXPECT_TRUE(missing) << noLetter;
    missing = false;
    EXPECT_EQ(groupOffset(noLetter, 0, missing), 0);
    EXPECT_FALSE(missing) << "k 0 looks at nothing";
  }
}

TEST(GroupOffset, SixteenBitOverflowIsError6) {
  auto error = [](const std::string& d, int k) {
    bool missing = false;
    try {
      groupOffset(d, static_cast<std::int16_t>(k), missing);
    } catch (const RuntimeError& e) {
      return e.number();
    }
    return 0;
  };
  EXPECT_EQ(offset("DI2X$,00340,10,2,1,I110", 46), 45 * 714);
  EXPECT_EQ(error("DI2X$,00340,10,2,1,I110", 47), 6);
  EXPECT_EQ(offset(at("F24X$", 42), 911), 32760);
  EXPECT_EQ(error(at("F24X$", 42), 912), 6);
  EXPECT_EQ(error(at("F24X$", 42), -32768), 6);
  EXPECT_EQ(error(at("DITX$", 42), -32768), 0) << "no group, nothing computed";
}

}  // namespace
}  // namespace zr

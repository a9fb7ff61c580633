// Descriptor parsing, the family table and the offsets of repeated groups.
#include "repository/descriptors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "repository/families.h"

namespace zr {
namespace {

int runtimeError(auto call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

// Occurrences of a field read: the erario rows and the four-row region blocks repeat.
int repeatsOf(const FieldLayout& f) {
  if (f.family != Family::F24X) return 1;
  if (f.start >= 42 && f.start <= 66) return desc::kErarioRows;
  const auto rel = (f.start - 1077) % 152;
  return f.start >= 1077 && f.start <= 4140 && (rel == 0 || rel == 5 || rel == 11 || rel == 23) ? 4
                                                                                                : 1;
}

TEST(Descriptors, EveryReadFieldParsesInsideItsFamilyWithoutOverlap) {
  EXPECT_EQ(desc::kAllRead.size(), 547u);
  std::map<Family, std::set<std::string>> ids;
  std::map<Family, std::vector<std::pair<std::int64_t, std::int64_t>>> spans;
  for (const desc::Descriptor& d : desc::kAllRead) {
    const std::string s(d.view());
    SCOPED_TRACE(s);
    const FieldLayout f = parseDescriptor(s);
    ASSERT_TRUE(f.family == Family::DITX || f.family == Family::DIPX || f.family == Family::F24X);
    for (int p : {5, 11, 14, 16, 18}) EXPECT_EQ(s[p], ',');
    for (int p : {6, 7, 8, 9, 10, 12, 13, 22}) EXPECT_TRUE(std::isdigit(s[p]));
    EXPECT_EQ(s[17], '0');
    EXPECT_NE(std::string("AND23456").find(f.type), std::string::npos);
    EXPECT_GE(f.start, 1);
    EXPECT_GE(f.length, 1);
    // The id opens with one of the family's letters and is unique within the family.
    const std::string id = s.substr(19);
    const std::string letters = " " + id.substr(0, id.find_first_of("0123456789")) + " ";
    EXPECT_NE((" " + std::string(familyInfo(f.family).idLetters) + " ").find(letters),
              std::string::npos);
    EXPECT_TRUE(ids[f.family].insert(id).second) << "duplicate id";
    for (int k = 1; k <= repeatsOf(f); ++k) {
      bool missing = false;
      const auto first = f.start + groupOffset(s, static_cast<std::int16_t>(k), missing);
      spans[f.family].push_back({first, first + f.length - 1});
      EXPECT_LE(first + f.length - 1, familyInfo(f.family).extent) << "occurrence " << k;
    }
  }
  // Two fields sharing a character would mean a mistyped start or length.
  for (auto& [family, list] : spans) {
    std::sort(list.begin(), list.end());
    for (std::size_t i = 1; i < list.size(); ++i)
      EXPECT_LT(list[i - 1].second, list[i].first)
          << familyInfo(family).name << " at " << list[i - 1].first << " and " << list[i].first;
  }
}

TEST(Descriptors, RunsFollowTheirRules) {
  using desc::AmountRun;
  using desc::RegionField;
  const std::pair<desc::Descriptor, const char*> cases[] = {
      {desc::f24Amount(AmountRun::AA, 1), "F24X$,06001,10,2,0,AA01"},
      {desc::f24Amount(AmountRun::AA, 60), "F24X$,06591,10,2,0,AA60"},
      {desc::f24Amount(AmountRun::AB, 96), "F24X$,07551,10,2,0,AB96"},
      {desc::f24Amount(AmountRun::AC, 1), "F24X$,07561,10,2,0,AC01"},
      {desc::f24Amount(AmountRun::AF, 1), "F24X$,09401,10,2,0,AF01"},
      {desc::f24Amount(AmountRun::AF, 30), "F24X$,09691,10,2,0,AF30"},
      {desc::regionField(RegionField::Code, 1), "F24X$,01229,05,A,0,A141"},
      {desc::regionField(RegionField::Year, 20), "F24X$,04122,06,A,0,A465"},
      {desc::regionField(RegionField::Debit, 0), "F24X$,01088,12,2,0,A126"},
      {desc::regionField(RegionField::Credit, 20), "F24X$,04140,12,2,0,A467"},
  };
  for (const auto& [built, literal] : cases) EXPECT_EQ(built.view(), literal);
  static_assert(desc::f24Amount(AmountRun::AA, 2).view() == "F24X$,06011,10,2,0,AA02");
  EXPECT_EQ(runtimeError([] { desc::f24Amount(AmountRun::AA, 0); }), 9);
  EXPECT_EQ(runtimeError([] { desc::f24Amount(AmountRun::AB, 97); }), 9);
  EXPECT_EQ(runtimeError([] { desc::regionField(RegionField::Code, 21); }), 9);
  EXPECT_EQ(runtimeError([] { desc::regionField(RegionField::Code, -1); }), 9);
}

TEST(Descriptors, FamiliesAndFieldsAreReadByPosition) {
  const char* names[] = {"DITX$", "DIPX$", "DI2X$", "CUDX$", "DICX$", "ARTX$", "COCX$", "CONX$",
                         "FISX$", "FOTX$", "PARX$", "PERX$", "PROX$", "SETX$", "STUX$", "M77X$",
                         "F24X$", "FOPX$", "STOX$", "GLAX$", "GLCX$", "SCRX$", "SCRY$", "SCRU$"};
  for (int i = 0; i < 24; ++i) {
    EXPECT_EQ(static_cast<int>(familyOf(std::string(names[i]) + ",00001,01,A,0,X001")), i);
    EXPECT_EQ(familyOf(names[i]), familyOf(names[i] + std::string(",0"))) << names[i];
  }
  for (const char* bad : {"ditx$,00003", "DITX,00003", "", "XXXX$,1", "DITX ,0", "DI2X%", " DITX$"})
    EXPECT_EQ(familyOf(bad), Family::Count) << bad;

  // clang-format off
  struct Case { const char* d; Family family; std::int64_t start, length;
                 char type; int decimals; bool numeric; };
  const Case cases[] = {
      {"DITX$;00006x30yAz1wZZZZ", Family::DITX, 6, 30, 'A', 0, false},  // separators play no part
      {"F24X$,00001,03,N,0,A001", Family::F24X, 1, 3, 'N', 0, true},
      {"F24X$,00034,08,D,0,A003", Family::F24X, 34, 8, 'D', 0, false},
      {"F24X$,00054,12,2,0,A006", Family::F24X, 54, 12, '2', 2, true},
      {"DIPX$,00001,10,6,0,Q001", Family::DIPX, 1, 10, '6', 6, true},
      {"DITX$,00001,10,0,0,T999", Family::DITX, 1, 10, '0', 0, false},
      {"DITX$,0004", Family::DITX, 4, 0, ' ', 0, false},  // reads what it reaches
      {"", Family::Count, 0, 0, ' ', 0, false},
      // a start no count holds ("3E51x" read leniently) stays far beyond every record
      {"DITX$,3E51x,03,A,0,T001", Family::DITX, 1000000000000000, 3, 'A', 0, false},
      {"DITX$,-9E99,03,A,0,T001", Family::DITX, -1000000000000000, 3, 'A', 0, false},
  };
  // clang-format on
  for (const auto& c : cases) {
    const FieldLayout f = parseDescriptor(c.d);
    EXPECT_EQ(std::tie(f.family, f.start, f.length, f.type, f.decimals, f.numeric),
              std::tie(c.family, c.start, c.length, c.type, c.decimals, c.numeric))
        << c.d;
  }
}

TEST(GroupOffset, EveryFamilyRuleAndItsEdges) {
  // clang-format off
  struct Case { const char* family; int start, k, expected;
                 const char* id = "X001"; int error = 0; };
  const Case cases[] = {
      {"DICX$", 100, 3, 0}, {"DICX$", 101, 3, 20}, {"DICX$", 7420, 2, 10}, {"CONX$", 100, 2, 0},
      {"CONX$", 101, 2, 290}, {"CONX$", 390, 3, 580}, {"CONX$", 391, 2, 0}, {"M77X$", 255, 2, 0},
      {"M77X$", 256, 2, 255}, {"M77X$", 510, 3, 510}, {"M77X$", 511, 2, 0}, {"M77X$", 3315, 2, 0},
      {"M77X$", 3316, 2, 255}, {"M77X$", 3570, 2, 255}, {"M77X$", 3571, 2, 0}, {"F24X$", 41, 2, 0},
      {"F24X$", 42, 2, 36}, {"F24X$", 66, 20, 684}, {"F24X$", 67, 2, 0}, {"F24X$", 761, 2, 0},
      {"F24X$", 762, 2, 63}, {"F24X$", 813, 2, 63}, {"F24X$", 814, 2, 0}, {"F24X$", 1076, 2, 0},
      {"F24X$", 1077, 3, 70}, {"F24X$", 1077, 1, 0}, {"F24X$", 1101, 2, 0}, {"F24X$", 1228, 2, 0},
      {"F24X$", 4140, 2, 35}, {"F24X$", 4141, 2, 0}, {"F24X$", 4358, 2, 0}, {"F24X$", 4359, 2, 51},
      {"F24X$", 4398, 2, 51}, {"F24X$", 4399, 2, 0}, {"F24X$", 4823, 2, 0}, {"F24X$", 4824, 2, 55},
      {"F24X$", 4867, 2, 55}, {"F24X$", 4868, 2, 0}, {"F24X$", 4999, 2, 0}, {"F24X$", 5000, 3, 8},
      {"F24X$", 5001, 2, 0}, {"F24X$", 5094, 2, 4}, {"F24X$", 5095, 2, 0}, {"F24X$", 5110, 2, 4},
      {"F24X$", 5414, 2, 4}, {"F24X$", 5430, 2, 0}, {"F24X$", 5482, 2, 0}, {"F24X$", 5483, 2, 2},
      {"F24X$", 5484, 2, 0}, {"F24X$", 42, 0, 0}, {"F24X$", 42, -1, -72}, {"DITX$", 42, 5, 0},
      {"DIPX$", 1077, 3, 0}, {"SCRU$", 300, 2, 0}, {"CUDX$", 200, 9, 0},
      {"DI2X$", 340, 2, 714, "I110"}, {"DI2X$", 340, 3, 1428, "I100"}, {"DI2X$", 340, 3, 0, "I099"},
      {"DI2X$", 9, 3, 0, "I001"}, {"DI2X$", 340, 46, 45 * 714, "I110"},
      {"F24X$", 42, 911, 32760},  // 16-bit arithmetic: one step further overflows
      {"DI2X$", 340, 47, 0, "I110", 6}, {"F24X$", 42, 912, 0, "X001", 6},
      {"F24X$", 42, -32768, 0, "X001", 6}, {"DITX$", 42, -32768, 0},
  };
  // clang-format on
  auto at = [](const std::string& family, int start, const std::string& id) {
    const std::string s = std::to_string(start);
    return family + "," + std::string(5 - s.size(), '0') + s + ",05,A,0," + id;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(at(c.family, c.start, c.id) + " k " + std::to_string(c.k));
    bool missing = false;
    std::int16_t got = 0;
    EXPECT_EQ(runtimeError([&] { got = groupOffset(at(c.family, c.start, c.id), c.k, missing); }),
              c.error);
    EXPECT_EQ(got, c.expected);
    EXPECT_FALSE(missing);
  }
  // Each of the 21 region blocks, over its whole start range.
  for (int b = 0; b < 21; ++b) {
    for (int s = 1077 + 152 * b; s <= 1100 + 152 * b; ++s) {
      bool missing = false;
      ASSERT_EQ(groupOffset(at("F24X$", s, "X001"), 4, missing), 105) << s;
    }
  }
  // A DI2X$ descriptor without its id letter is flagged, but only when an occurrence is asked.
  for (const char* noLetter : {"DI2X$,00340,10,2,1,X110", "DI2X$,00340", "DI2X$"}) {
    for (std::int16_t k : {0, 2}) {
      bool missing = false;
      EXPECT_EQ(groupOffset(noLetter, k, missing), 0);
      EXPECT_EQ(missing, k != 0) << noLetter;
    }
  }
}

}  // namespace
}  // namespace zr

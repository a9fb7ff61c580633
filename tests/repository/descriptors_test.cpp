#include "repository/descriptors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "repository/families.h"

namespace zr {
namespace {

bool isRegionFirstRow(const FieldLayout& f) {
  if (f.family != Family::F24X || f.start < 1077 || f.start > 4140) return false;
  const auto rel = (f.start - 1077) % 152;
  return rel == 0 || rel == 5 || rel == 11 || rel == 23;
}
bool isErarioFirstRow(const FieldLayout& f) {
  return f.family == Family::F24X && f.start >= 42 && f.start <= 66;
}

TEST(Descriptors, EveryReadDescriptorParsesInsideItsFamily) {
  EXPECT_EQ(desc::kAllRead.size(), 547u);
  std::map<Family, std::set<std::string>> ids;
  for (const desc::Descriptor& d : desc::kAllRead) {
    const std::string s(d.view());
    SCOPED_TRACE(s);
    const FieldLayout f = parseDescriptor(s);
    ASSERT_NE(f.family, Family::Count);
    EXPECT_TRUE(f.family == Family::DITX || f.family == Family::DIPX || f.family == Family::F24X);
    // The fixed layout: separators where they belong, digits in the number places.
    for (int p : {5, 11, 14, 16, 18}) EXPECT_EQ(s[p], ',');
    for (int p : {6, 7, 8, 9, 10, 12, 13, 22})
      EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(s[p])));
    EXPECT_EQ(s[17], '0');
    EXPECT_TRUE(std::string("AND23456").find(f.type) != std::string::npos);
    EXPECT_GE(f.start, 1);
    EXPECT_GE(f.length, 1);
    // The id opens with one of the family's letters, and is unique within the family.
    const std::string id = s.substr(19);
    const std::string letters = id.substr(0, id.find_first_of("0123456789"));
    const std::string_view known = familyInfo(f.family).idLetters;
    bool found = false;
    for (std::size_t at = 0; at <= known.size();) {
      const std::size_t end = std::min(known.find(' ', at), known.size());
      if (known.substr(at, end - at) == letters) found = true;
      at = end + 1;
    }
    EXPECT_TRUE(found) << "id letters " << letters;
    EXPECT_TRUE(ids[f.family].insert(id).second) << "duplicate id";

    // Inside the family's extent, every occurrence included.
    int repeats = isErarioFirstRow(f) ? desc::kErarioRows : isRegionFirstRow(f) ? 4 : 1;
    bool missing = false;
    const std::int64_t last =
        f.start + groupOffset(s, static_cast<std::int16_t>(repeats), missing) + f.length - 1;
    EXPECT_LE(last, familyInfo(f.family).extent);
  }
  EXPECT_EQ(ids[Family::DIPX].size(), 24u);
  EXPECT_EQ(ids[Family::DITX].size(), 49u);
  EXPECT_EQ(ids[Family::F24X].size(), 474u);
}

TEST(Descriptors, ReadFieldsNeverOverlap) {
  // Every occurrence of every field read, as [first, last] per family: two that share a
  // character would mean a mistyped start or length.
  std::map<Family, std::vector<std::pair<std::int64_t, std::int64_t>>> spans;
  for (const desc::Descriptor& d : desc::kAllRead) {
    const FieldLayout f = parseDescriptor(d);
    const int repeats = isErarioFirstRow(f) ? desc::kErarioRows : isRegionFirstRow(f) ? 4 : 1;
    for (int k = 1; k <= repeats; ++k) {
      bool missing = false;
      const auto first = f.start + groupOffset(d, static_cast<std::int16_t>(k), missing);
      spans[f.family].push_back({first, first + f.length - 1});
    }
  }
  for (auto& [family, list] : spans) {
    std::sort(list.begin(), list.end());
    for (std::size_t i = 1; i < list.size(); ++i)
      EXPECT_LT(list[i - 1].second, list[i].first) << familyInfo(family).name << " fields at "
                                                   << list[i - 1].first << " and " << list[i].first;
  }
}

TEST(Descriptors, RunsFollowTheirRules) {
  using desc::AmountRun;
  using desc::RegionField;
  struct Case {
    desc::Descriptor built;
    const char* literal;
  };
  const Case cases[] = {
      {desc::f24Amount(AmountRun::AA, 1), "F24X$,06001,10,2,0,AA01"},
      {desc::f24Amount(AmountRun::AA, 60), "F24X$,06591,10,2,0,AA60"},
      {desc::f24Amount(AmountRun::AB, 1), "F24X$,06601,10,2,0,AB01"},
      {desc::f24Amount(AmountRun::AB, 96), "F24X$,07551,10,2,0,AB96"},
      {desc::f24Amount(AmountRun::AC, 1), "F24X$,07561,10,2,0,AC01"},
      {desc::f24Amount(AmountRun::AC, 96), "F24X$,08511,10,2,0,AC96"},
      {desc::f24Amount(AmountRun::AD, 1), "F24X$,08521,10,2,0,AD01"},
      {desc::f24Amount(AmountRun::AD, 60), "F24X$,09111,10,2,0,AD60"},
      {desc::f24Amount(AmountRun::AF, 1), "F24X$,09401,10,2,0,AF01"},
      {desc::f24Amount(AmountRun::AF, 30), "F24X$,09691,10,2,0,AF30"},
      {desc::f24Amount(AmountRun::AB, 7), "F24X$,06661,10,2,0,AB07"},
      {desc::regionField(RegionField::Code, 0), "F24X$,01077,05,A,0,A124"},
      {desc::regionField(RegionField::Code, 1), "F24X$,01229,05,A,0,A141"},
      {desc::regionField(RegionField::Code, 20), "F24X$,04117,05,A,0,A464"},
      {desc::regionField(RegionField::Year, 0), "F24X$,01082,06,A,0,A125"},
      {desc::regionField(RegionField::Year, 20), "F24X$,04122,06,A,0,A465"},
      {desc::regionField(RegionField::Debit, 0), "F24X$,01088,12,2,0,A126"},
      {desc::regionField(RegionField::Debit, 20), "F24X$,04128,12,2,0,A466"},
      {desc::regionField(RegionField::Credit, 0), "F24X$,01100,12,2,0,A127"},
      {desc::regionField(RegionField::Credit, 20), "F24X$,04140,12,2,0,A467"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.built.view(), c.literal);
  static_assert(desc::f24Amount(AmountRun::AA, 2).view() == "F24X$,06011,10,2,0,AA02");

  auto error = [](auto make) {
    try {
      make();
    } catch (const RuntimeError& e) {
      return e.number();
    }
    return 0;
  };
  EXPECT_EQ(error([] { return desc::f24Amount(AmountRun::AA, 0); }), 9);
  EXPECT_EQ(error([] { return desc::f24Amount(AmountRun::AA, 61); }), 9);
  EXPECT_EQ(error([] { return desc::f24Amount(AmountRun::AB, 97); }), 9);
  EXPECT_EQ(error([] { return desc::f24Amount(AmountRun::AF, 31); }), 9);
  EXPECT_EQ(error([] { return desc::regionField(RegionField::Code, 21); }), 9);
  EXPECT_EQ(error([] { return desc::regionField(RegionField::Code, -1); }), 9);
}

}  // namespace
}  // namespace zr

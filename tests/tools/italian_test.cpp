// Identities of the demo bureau: fiscal codes worked out by hand from the published rules, and
// generated ones checked by the tests' own independent routines.
#include "italian.h"

#include <gtest/gtest.h>

#include <set>

#include "fiscal.h"

namespace zr::demo {
namespace {

TEST(Italian, PersonalCodesFollowTheRulesForNamesDatesAndSex) {
  struct Case {
    const char *surname, *name, *born;
    char sex;
    const char *place, *code;
  };
  // Worked by hand: surname consonants then vowels then X; a name of four or more consonants
  // takes the first, third and fourth; women's day plus 40; the control letter from the sums.
  const Case cases[] = {
      {"ROSSI", "MARIO", "10121985", 'M', "A562", "RSSMRA85T10A562S"},
      {"FO", "EVA", "05011990", 'F', "H501", "FOXVEA90A45H501"},
      {"D'ANGELO", "GIANFRANCO", "31072001", 'M', "F205", "DNGGFR01L31F205"},
      {"DE LUCA", "ANNA", "01021955", 'F', "L219", "DLCNNA55B41L219"},
  };
  for (const auto& c : cases) {
    const std::string code = personalFiscalCode(c.surname, c.name, c.born, c.sex, c.place);
    ASSERT_EQ(code.size(), 16u) << c.surname;
    EXPECT_EQ(code.substr(0, std::string(c.code).size()), c.code) << c.surname;
    EXPECT_TRUE(testing::validPersonalCode(code)) << code;
  }
}

TEST(Italian, GeneratedCodesAreValidAndVaried) {
  Random rng(2024);
  std::set<std::string> people, companies;
  for (int i = 0; i < 500; ++i) {
    const Person p = randomPerson(rng);
    EXPECT_TRUE(testing::validPersonalCode(p.fiscalCode)) << p.fiscalCode;
    EXPECT_EQ(p.fiscalCode.substr(11, 4), p.birthPlace.cadastral);
    people.insert(p.fiscalCode);
    const std::string c = randomCompanyCode(rng);
    EXPECT_TRUE(testing::validNumericCode(c)) << c;
    companies.insert(c);
    // A single changed digit is caught by the check digit.
    std::string wrong = c;
    wrong[3] = wrong[3] == '9' ? '0' : static_cast<char>(wrong[3] + 1);
    EXPECT_FALSE(testing::validNumericCode(wrong)) << wrong;
  }
  EXPECT_GT(people.size(), 450u);
  EXPECT_GT(companies.size(), 490u);
}

}  // namespace
}  // namespace zr::demo

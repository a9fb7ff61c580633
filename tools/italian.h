// Plausible Italian identities for the demo bureau: places with their cadastral codes, people
// with fiscal codes in valid form, companies with valid 11-digit codes. Pure data and
// functions; touches no file.
#pragma once

#include <string>
#include <string_view>

#include "random.h"

namespace zr::demo {

struct Place {
  std::string_view name;
  std::string_view province;
  std::string_view cadastral;  // the municipality's four-character code
  std::string_view phonePrefix;
  int region;  // 1..21, the order of the regional section of the payment form
  std::string_view street;
};

const Place& randomPlace(Random& rng);

struct Person {
  std::string surname;
  std::string name;
  char sex = 'M';         // 'M' or 'F'
  std::string birthDate;  // DDMMYYYY
  Place birthPlace;
  std::string fiscalCode;  // 16 characters
};

Person randomPerson(Random& rng);

// The control character of a 16-character personal fiscal code, from its first 15.
char personalCodeCheck(std::string_view first15);
// The personal fiscal code of a person (surname, name, date DDMMYYYY, sex, birth place).
std::string personalFiscalCode(std::string_view surname, std::string_view name,
                               std::string_view birthDate, char sex, std::string_view cadastral);
// The check digit of an 11-digit numeric code, from its first 10 digits.
char numericCodeCheck(std::string_view first10);
// A company's 11-digit numeric code with a valid check digit.
std::string randomCompanyCode(Random& rng);

// A company name (may run past 30 characters) and a trade-name word for mail addresses.
struct CompanyName {
  std::string name;
  std::string mailWord;
};
CompanyName randomCompanyName(Random& rng);

}  // namespace zr::demo

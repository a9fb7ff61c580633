#include "italian.h"

#include <array>
#include <cctype>

namespace zr::demo {

namespace {

constexpr std::array<Place, 20> kPlaces{{
    {"TORINO", "TO", "L219", "011", 13, "VIA GARIBALDI"},
    {"MILANO", "MI", "F205", "02", 10, "CORSO BUENOS AIRES"},
    {"ROMA", "RM", "H501", "06", 8, "VIA APPIA NUOVA"},
    {"NAPOLI", "NA", "F839", "081", 5, "VIA TOLEDO"},
    {"BOLOGNA", "BO", "A944", "051", 6, "VIA INDIPENDENZA"},
    {"FIRENZE", "FI", "D612", "055", 17, "VIA DEI CALZAIUOLI"},
    {"GENOVA", "GE", "D969", "010", 9, "VIA XX SETTEMBRE"},
    {"VENEZIA", "VE", "L736", "041", 21, "CALLE LARGA"},
    {"VERONA", "VR", "L781", "045", 21, "CORSO PORTA NUOVA"},
    {"PADOVA", "PD", "G224", "049", 21, "VIA ROMA"},
    {"BARI", "BA", "A662", "080", 14, "CORSO CAVOUR"},
    {"PALERMO", "PA", "G273", "091", 16, "VIA MAQUEDA"},
    {"BRESCIA", "BS", "B157", "030", 10, "CORSO ZANARDELLI"},
    {"BERGAMO", "BG", "A794", "035", 10, "VIA XX SETTEMBRE"},
    {"PARMA", "PR", "G337", "0521", 6, "STRADA DELLA REPUBBLICA"},
    {"MODENA", "MO", "F257", "059", 6, "VIA EMILIA CENTRO"},
    {"TRIESTE", "TS", "L424", "040", 7, "VIA CARDUCCI"},
    {"CUNEO", "CN", "D205", "0171", 13, "CORSO NIZZA"},
    {"ASTI", "AT", "A479", "0141", 13, "CORSO ALFIERI"},
    {"NOVARA", "NO", "F952", "0321", 13, "CORSO ITALIA"},
}};

constexpr std::array<std::string_view, 24> kSurnames{
    "ROSSI",    "RUSSO", "FERRARI",  "ESPOSITO", "BIANCHI",  "ROMANO",  "COLOMBO",  "RICCI",
    "MARINO",   "GRECO", "BRUNO",    "GALLO",    "CONTI",    "DE LUCA", "MANCINI",  "COSTA",
    "GIORDANO", "RIZZO", "LOMBARDI", "MORETTI",  "BARBIERI", "FONTANA", "D'ANGELO", "SANTORO"};
constexpr std::array<std::string_view, 12> kMaleNames{
    "MARCO",  "GIUSEPPE", "LUCA",  "ANDREA",  "FRANCESCO", "ALESSANDRO",
    "MATTEO", "LORENZO",  "PAOLO", "STEFANO", "GIOVANNI",  "ROBERTO"};
constexpr std::array<std::string_view, 12> kFemaleNames{
    "GIULIA", "FRANCESCA", "CHIARA",  "SARA",   "ELENA", "ANNA",
    "LAURA",  "VALENTINA", "MARTINA", "SILVIA", "PAOLA", "ALESSIA"};
constexpr std::array<std::string_view, 12> kTrades{
    "COSTRUZIONI", "TRASPORTI",  "IMPIANTI ELETTRICI", "SERVIZI INFORMATICI",
    "MECCANICA",   "ALIMENTARI", "ARREDAMENTI",        "LOGISTICA",
    "TESSUTI",     "CONSULENZE", "EDILIZIA",           "TERMOIDRAULICA"};
constexpr std::array<std::string_view, 5> kForms{"S.R.L.", "S.P.A.", "S.N.C.", "S.A.S.",
                                                 "SOC. COOP."};

template <class A>
auto pickFrom(Random& rng, const A& items) {
  return items[static_cast<std::size_t>(rng.between(0, static_cast<int>(items.size()) - 1))];
}

bool isVowel(char c) {
  return c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U';
}

// Letters only, upper case (apostrophes and blanks of a surname are no part of the code).
void splitLetters(std::string_view s, std::string& consonants, std::string& vowels) {
  for (char c : s) {
    const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (u < 'A' || u > 'Z') continue;
    (isVowel(u) ? vowels : consonants) += u;
  }
}

std::string threeLetters(std::string_view part, bool isName) {
  std::string consonants, vowels;
  splitLetters(part, consonants, vowels);
  if (isName && consonants.size() >= 4) {
    return {consonants[0], consonants[2], consonants[3]};
  }
  std::string s = consonants + vowels + "XXX";
  return s.substr(0, 3);
}

// Values of characters in odd (1st, 3rd, ...) positions, for A..Z and for 0..9 alike.
constexpr std::array<int, 26> kOddValues{1,  0,  5, 7, 9, 13, 15, 17, 19, 21, 2,  4,  18,
                                         20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};

constexpr std::string_view kMonthLetters = "ABCDEHLMPRST";

int ordinal(char c) {
  return (c >= '0' && c <= '9') ? c - '0' : c - 'A';
}

}  // namespace

const Place& randomPlace(Random& rng) {
  return kPlaces[static_cast<std::size_t>(rng.between(0, static_cast<int>(kPlaces.size()) - 1))];
}

char personalCodeCheck(std::string_view first15) {
  int sum = 0;
  for (std::size_t i = 0; i < first15.size() && i < 15; ++i) {
    const int v = ordinal(first15[i]);
    sum += (i % 2 == 0) ? kOddValues[static_cast<std::size_t>(v)] : v;
  }
  return static_cast<char>('A' + sum % 26);
}

std::string personalFiscalCode(std::string_view surname, std::string_view name,
                               std::string_view birthDate, char sex, std::string_view cadastral) {
  const int day = std::stoi(std::string(birthDate.substr(0, 2))) + (sex == 'F' ? 40 : 0);
  const int month = std::stoi(std::string(birthDate.substr(2, 2)));
  std::string code = threeLetters(surname, false) + threeLetters(name, true);
  code += birthDate.substr(6, 2);
  code += kMonthLetters[static_cast<std::size_t>(month - 1)];
  code += static_cast<char>('0' + day / 10);
  code += static_cast<char>('0' + day % 10);
  code += cadastral;
  code += personalCodeCheck(code);
  return code;
}

char numericCodeCheck(std::string_view first10) {
  int sum = 0;
  for (std::size_t i = 0; i < first10.size() && i < 10; ++i) {
    int d = first10[i] - '0';
    if (i % 2 == 1) {
      d *= 2;
      if (d > 9) d -= 9;
    }
    sum += d;
  }
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string randomCompanyCode(Random& rng) {
  // Seven digits of the company, three of the registering office.
  std::string code = "0" + rng.digits(6);
  const int office = rng.between(1, 100);
  code += static_cast<char>('0' + office / 100);
  code += static_cast<char>('0' + office / 10 % 10);
  code += static_cast<char>('0' + office % 10);
  code += numericCodeCheck(code);
  return code;
}

Person randomPerson(Random& rng) {
  Person p;
  p.sex = rng.chance(50) ? 'F' : 'M';
  p.surname = std::string(pickFrom(rng, kSurnames));
  p.name = std::string(p.sex == 'F' ? pickFrom(rng, kFemaleNames) : pickFrom(rng, kMaleNames));
  const int day = rng.between(1, 28), month = rng.between(1, 12), year = rng.between(1955, 2003);
  p.birthDate =
      std::string{static_cast<char>('0' + day / 10), static_cast<char>('0' + day % 10),
                  static_cast<char>('0' + month / 10), static_cast<char>('0' + month % 10)} +
      std::to_string(year);
  p.birthPlace = randomPlace(rng);
  p.fiscalCode = personalFiscalCode(p.surname, p.name, p.birthDate, p.sex, p.birthPlace.cadastral);
  return p;
}

CompanyName randomCompanyName(Random& rng) {
  const std::string surname(pickFrom(rng, kSurnames));
  const std::string trade(pickFrom(rng, kTrades));
  const std::string form(pickFrom(rng, kForms));
  std::string word;
  for (char c : surname + trade) {
    if (c >= 'A' && c <= 'Z') word += static_cast<char>(c - 'A' + 'a');
  }
  return {surname + " " + trade + " " + form, word};
}

}  // namespace zr::demo

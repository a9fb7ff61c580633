#include <algorithm>
#include <stdexcept>

#include "archive/isam.h"

#include "demo_parts.h"
#include "fields.h"

namespace zr::demo {

namespace {

std::string two(int n) {
  return std::string{static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

std::string threeDigits(int n) {
  return std::string{static_cast<char>('0' + n / 100 % 10)} + two(n);
}

void add(Fields& f, std::string_view descriptor, std::string value) {
  f.push_back({std::string(descriptor), std::move(value), 0});
}

// A text cut into consecutive pieces of the given widths (what does not fit is lost).
std::vector<std::string> pieces(const std::string& text,
                                std::initializer_list<std::size_t> widths) {
  std::vector<std::string> out;
  std::size_t at = 0;
  for (std::size_t w : widths) {
    out.push_back(at < text.size() ? text.substr(at, w) : std::string());
    at += w;
  }
  return out;
}

void addMail(Fields& f, const std::string& word, Random& rng) {
  const auto mail =
      pieces((rng.chance(50) ? "amministrazione@" : "paghe@") + word + ".it", {30, 30});
  add(f, fld::T302, mail[0]);
  add(f, fld::T491, mail[1]);
  const auto pec = pieces(word + "@pec.it", {30, 30});
  add(f, fld::T348, pec[0]);
  add(f, fld::T523, pec[1]);
}

void addPhones(Fields& f, const Place& p, Random& rng) {
  add(f, fld::T223, std::string(p.phonePrefix));
  add(f, fld::T224, rng.digits(3) + "-" + rng.digits(4));
  add(f, fld::T289, "3" + rng.digits(2) + "-" + rng.digits(7));
  if (rng.chance(50)) {
    add(f, fld::T353, std::string(p.phonePrefix));
    add(f, fld::T354, rng.digits(3) + "-" + rng.digits(5));
  } else {  // a second number never given: zeros, as the payroll stores it
    add(f, fld::T353, "0000");
    add(f, fld::T354, "000000000000");
  }
}

void addRepresentative(Fields& f, Random& rng) {
  const Person r = randomPerson(rng);
  add(f, fld::T081, r.fiscalCode);
  add(f, fld::T631, "01");
  add(f, fld::T082, r.surname);
  add(f, fld::T083, r.name);
  add(f, fld::T084, std::string(1, r.sex));
  add(f, fld::T085, r.birthDate);
  add(f, fld::T087, std::string(r.birthPlace.name));
  add(f, fld::T088, std::string(r.birthPlace.province));
  add(f, fld::T483, "000");
  add(f, fld::T089, std::string(randomPlace(rng).name));
}

// The fields of a live company; `kind` 0 a company, 1 a natural person, 2 a company with a name
// longer than the list shows.
Fields companyFields(const DemoCompany& c, int kind, Random& rng) {
  Fields f;
  std::string name, mailWord;
  if (kind == 1) {
    const Person p = randomPerson(rng);
    name = p.surname + " " + p.name;
    mailWord = pieces(p.surname, {8})[0] + std::to_string(c.code);
    for (auto& ch : mailWord) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    add(f, fld::T012, p.fiscalCode);
    add(f, fld::T013, randomCompanyCode(rng));
    add(f, fld::T020, p.surname);
    add(f, fld::T021, p.name);
    add(f, fld::T022, p.birthDate);
    add(f, fld::T023, std::string(1, p.sex));
    add(f, fld::T024, std::string(p.birthPlace.name));
    add(f, fld::T025, std::string(p.birthPlace.province));
  } else {
    const CompanyName n = randomCompanyName(rng);
    name =
        kind == 2 ? "SOCIETA' COOPERATIVA SOCIALE " + n.name + " - SERVIZI ALLA PERSONA" : n.name;
    mailWord = n.mailWord;
    const std::string code = randomCompanyCode(rng);
    add(f, fld::T012, code);
    add(f, fld::T013, code);
    add(f, fld::T022,
        rng.chance(80) ? ddmmyyyy(rng.between(1, 28), rng.between(1, 12), rng.between(1970, 2015))
                       : "");
    addRepresentative(f, rng);
  }
  const auto parts = pieces(name, {30, 10, 20});
  add(f, fld::T002, parts[0]);
  add(f, fld::T003, parts[1]);
  add(f, fld::T103, parts[2]);
  add(f, fld::T008, std::string(c.place.street) + " " + std::to_string(rng.between(1, 180)));
  add(f, fld::T010, std::string(c.place.name));
  add(f, fld::T011, std::string(c.place.province));
  add(f, fld::T014,
      rng.pick(
          std::vector<std::string>{"412000", "494100", "620100", "561011", "471120", "692000"}));
  add(f, fld::T148, "1");
  add(f, fld::T149, rng.pick(std::vector<std::string>{"01", "02", "11", "17", "26"}));
  add(f, fld::T150, "0");
  addPhones(f, c.place, rng);
  addMail(f, mailWord, rng);
  add(f, fld::T409, ddmmyyyy(1, 1, 2023));
  add(f, fld::T410, rng.chance(85) ? ddmmyyyy(31, 12, 2023) : "");
  add(f, fld::T411, rng.pick(std::vector<std::string>{"A", "A", "B", "C"}));
  add(f, fld::T596, c.shiftedYear ? "1" : "0");
  add(f, fld::T326, std::to_string(c.presenter));
  return f;
}

}  // namespace

std::string ddmmyyyy(int day, int month, int year) {
  return two(day) + two(month) + std::to_string(year);
}

std::vector<DemoCompany> writeCompanies(InstallationBuilder& b, Random& rng, int count,
                                        std::vector<int>& voidCodes) {
  std::vector<DemoCompany> live;
  int code = 1;
  auto writeDeleted = [&] {
    DemoCompany gone{code, threeDigits(code), 0, false, false, randomPlace(rng), 0};
    b.putCompany({code, companyFields(gone, 0, rng), true});
    voidCodes.push_back(code++);
  };
  writeDeleted();
  std::vector<int> declarants;
  for (int i = 0; i < count; ++i) {
    if (i == 4) writeDeleted();
    DemoCompany c{code, threeDigits(code), 0, false, false, randomPlace(rng), 0};
    // Every third company after the first has its return presented by an earlier declarant.
    if (i % 3 == 2 && !declarants.empty()) c.presenter = rng.pick(declarants);
    c.position = i;
    c.shiftedYear = (i == kShiftedPosition || i == kShiftedWithoutJanuary);
    c.withoutNextJanuary = (i == kShiftedWithoutJanuary);
    c.withoutF24 = (i == kWithoutF24Position);
    c.selfEmployedPayments = (i % 2 == 0);
    const int kind = (i % 4 == 3) ? 1 : (i == 1 ? 2 : 0);
    c.naturalPerson = kind == 1;
    b.putCompany({c.code, companyFields(c, kind, rng), false});
    if (c.presenter == 0) declarants.push_back(c.code);
    live.push_back(c);
    ++code;
  }
  return live;
}

std::vector<int> employeeNumbers(Random& rng, const DemoCompany& c, int count) {
  if (c.withoutF24 || count == 0) return {};
  if (c.position == kManyEmployeesPosition) count = std::max(count, kManyEmployees);
  std::vector<int> numbers;
  for (int n = 1; n <= count; ++n) numbers.push_back(n);
  if (c.position == kLastEmployeePosition) numbers.push_back(kLastEmployeeNumber);
  if (c.position == kManyEmployeesPosition) {
    // Hired over the years and renumbered since: the archive holds them in no key order, so
    // the index splits its leaves in the middle as well as at the end.
    for (std::size_t i = numbers.size() - 1; i > 0; --i)
      std::swap(numbers[i], numbers[static_cast<std::size_t>(rng.between(0, int(i)))]);
  }
  return numbers;
}

int writeEmployees(InstallationBuilder& b, Random& rng, const DemoCompany& c) {
  for (int n : c.employeeNumbers) {
    Fields f;
    // A payroll year: most amounts are nil, a few carry the year's figures.
    for (std::string_view q : fld::kEmployeeAmounts) {
      if (rng.chance(25)) add(f, q, amountText(rng.amount(5, 900)));
    }
    b.putEmployee({c.code, n, f, true});
  }
  return static_cast<int>(c.employeeNumbers.size());
}

namespace {

using platform::Value;

bool holds(const DemoCompany& c, CertificationCase what) {
  for (const CertificationPlace& p : kCertificationPlaces)
    if (p.what == what && p.position == c.position) return true;
  return false;
}

std::string employeeCode(const DemoCompany& c, int n) {
  const std::string digits = std::to_string(n);
  return c.codeText + std::string(7 - digits.size(), '0') + digits;
}

std::vector<Columns> cu1Rows(const DemoCompany& c, Random& rng) {
  const Value codazi(c.codeText);
  auto some = [&](int hi) { return Value(rng.amount(1, hi)); };
  if (holds(c, CertificationCase::Cu1Nulls)) {
    // Columns left empty by the certification program: every summed column is Null once.
    return {{{"CODAZI", codazi}, {"SEQ", Value(1.0)}, {"CU1_55", Value()}, {"CU1_61", some(200)},
             {"CU1_73", Value()}, {"CU1_94", some(600)}, {"CU1_96", Value()},
             {"CU1_104", some(100)}},
            {{"CODAZI", codazi}, {"SEQ", Value(2.0)}, {"CU1_55", some(400)}, {"CU1_61", Value()},
             {"CU1_73", some(150)}, {"CU1_94", Value()}, {"CU1_96", some(300)},
             {"CU1_104", Value()}}};
  }
  if (holds(c, CertificationCase::Cu1Below1701)) {
    return {{{"CODAZI", codazi}, {"SEQ", Value(1.0)}, {"CU1_55", some(400)},
             {"CU1_61", some(200)}, {"CU1_73", Value(0.0)}, {"CU1_94", Value(kCu1Below1701Sum)},
             {"CU1_96", Value()}, {"CU1_104", Value(0.0)}}};
  }
  std::vector<Columns> out;
  for (int s = 1, rows = rng.between(0, 3); s <= rows; ++s) {
    out.push_back({{"CODAZI", codazi},
                   {"SEQ", Value(double(s))},
                   {"CU1_55", Value(rng.amount(0, 400))},
                   {"CU1_61", Value(rng.amount(0, 200))},
                   {"CU1_73", Value(rng.chance(30) ? rng.amount(10, 150) : 0.0)},
                   {"CU1_94", Value(rng.amount(0, 600))},
                   {"CU1_96", Value(rng.amount(0, 300))},
                   {"CU1_104", rng.chance(20) ? Value() : Value(rng.amount(0, 100))}});
  }
  return out;
}

Columns selfEmployedRow(const DemoCompany& c, int seq, std::string note, std::string date,
                        Value amount, std::string period) {
  return {{"CODAZI", c.codeText},      {"CODIP", "0000000000"},   {"SEQ", Value(double(seq))},
          {"CU4_24", std::move(note)}, {"CU4_25", std::move(date)}, {"CU4_26", "1040"},
          {"CU4_27", std::move(amount)}, {"CU4_28", std::move(period)}};
}

// The company's own payments to self-employed workers (CODIP of ten zeros).
std::vector<Columns> selfEmployedRows(const DemoCompany& c, Random& rng) {
  if (holds(c, CertificationCase::Cu4OutOfOrder)) {
    // Typed by hand and corrected later: stored as entered, not by SEQ.
    return {selfEmployedRow(c, 3, "", "", rng.amount(80, 1500), "202305"),
            selfEmployedRow(c, 1, "S", "16/03/2023", rng.amount(80, 1500), "202302"),
            selfEmployedRow(c, 4, "", "20231016", rng.amount(80, 1500), "92023"),
            selfEmployedRow(c, 2, "", "20230616", Value(0.0), "202305")};
  }
  std::vector<Columns> out;
  if (!c.selfEmployedPayments) return out;
  for (int s = 1, months = rng.between(1, 4); s <= months; ++s) {
    const int month = rng.between(1, 12);
    const bool paid = rng.chance(85);
    std::string note = rng.chance(20) ? "S" : "";
    std::string date = paid ? "2023" + two(month == 12 ? 12 : month + 1) + "16" : "";
    const double amount = s == months && rng.chance(30) ? 0.0 : rng.amount(80, 1500);
    out.push_back(
        selfEmployedRow(c, s, std::move(note), std::move(date), amount, "2023" + two(month)));
  }
  return out;
}

}  // namespace

int writeCertifications(InstallationBuilder& b, Random& rng,
                        const std::vector<DemoCompany>& companies) {
  std::vector<Columns> front, people, cu1, cu4;
  for (const auto& c : companies) {
    if (c.withoutF24) continue;  // nothing certified either
    front.push_back(
        {{"CODAZI", c.codeText}, {"NUMCERT", Value(double(c.employeeNumbers.size()))}});
    for (int n : c.employeeNumbers) {
      const Person p = randomPerson(rng);
      const std::string code = employeeCode(c, n);
      people.push_back({{"CODAZI", c.codeText},
                        {"CODIP", code},
                        {"CODFISC", p.fiscalCode},
                        {"COGNOME", p.surname},
                        {"NOME", p.name},
                        {"TIPO", "D"}});
      cu4.push_back({{"CODAZI", c.codeText},
                     {"CODIP", code},
                     {"SEQ", Value(1.0)},
                     {"CU4_26", "1001"},
                     {"CU4_27", Value(rng.amount(100, 3000))},
                     {"CU4_28", "202312"}});
    }
    for (auto& row : cu1Rows(c, rng)) cu1.push_back(std::move(row));
    for (auto& row : selfEmployedRows(c, rng)) cu4.push_back(std::move(row));
  }
  b.addCertificationRows("FRONTESPIZIO", front);
  b.addCertificationRows("PERCETTORI", people);
  b.addCertificationRows("QUADROCU1", cu1);
  b.addCertificationRows("QUADROCU4", cu4);
  return static_cast<int>(front.size() + people.size() + cu1.size() + cu4.size());
}

DemoSummary buildDemo(const std::string& root, const Options& o) {
  if (o.companies < 1 || o.companies > 900) throw std::invalid_argument("companies must be 1..900");
  if (o.employees < 0 || o.employees > 100000)
    throw std::invalid_argument("employees must be 0..100000");
  InstallationBuilder b(root);
  b.writeSkeleton();
  Random rng(o.seed);
  DemoSummary s;
  auto companies = writeCompanies(b, rng, o.companies, s.voidCompanies);
  DemoRows rows;
  for (auto& c : companies) {
    c.employeeNumbers = employeeNumbers(rng, c, o.employees);
    c.employees = static_cast<int>(c.employeeNumbers.size());
    s.companies.push_back(c.code);
    if (c.employees > kIsamEntries) s.manyEmployees = c.code;
    if (c.withoutF24) {
      s.withoutEmployees.push_back(c.code);
      s.withoutCertifications.push_back(c.code);
    }
    if (c.presenter) s.substitutes.emplace_back(c.code, c.presenter);
    if (c.naturalPerson) s.naturalPersons.push_back(c.code);
    if (c.shiftedYear) s.shiftedYear.push_back(c.code);
    if (c.withoutF24) s.withoutF24.push_back(c.code);
    if (c.withoutNextJanuary) s.withoutNextJanuary.push_back(c.code);
    s.f24Records += writeF24Year(b, rng, c, rows);
    s.employees += writeEmployees(b, rng, c);
  }
  const auto at = [&](int position) -> const DemoCompany* {
    return position < static_cast<int>(companies.size())
               ? &companies[static_cast<std::size_t>(position)]
               : nullptr;
  };
  const DemoCompany* last = at(kLastEmployeePosition);
  const DemoCompany* next = at(kLastEmployeePosition + 1);
  if (last && next && last->employees > 0 && next->employees > 0) {
    s.neighbourEmployees = {employeeCode(*last, last->employeeNumbers.back()),
                            employeeCode(*next, next->employeeNumbers.front())};
  }
  for (const CertificationPlace& p : kCertificationPlaces) {
    const DemoCompany* c = at(p.position);
    // A company without employees has no rows of theirs.
    if (c && (p.what != CertificationCase::Cu4EmployeesOnly || c->employees > 0))
      s.certificationCases[p.what] = c->code;
  }
  for (const CasePlace& p : kCasePlaces) {
    if (p.position < static_cast<int>(companies.size()))
      s.cases[p.what] = {companies[static_cast<std::size_t>(p.position)].code, p.year, p.month};
  }
  b.addLocalTaxRows(2023, rows.localTax2023);
  b.addLocalTaxRows(2024, rows.localTax2024);
  b.addRegionRows(2023, rows.regions2023);
  b.addRegionRows(2024, rows.regions2024);
  s.localTaxRows = static_cast<int>(rows.localTax2023.size() + rows.localTax2024.size());
  s.regionRows = static_cast<int>(rows.regions2023.size() + rows.regions2024.size());
  s.certificationRows = writeCertifications(b, rng, companies);
  b.close();
  return s;
}

}  // namespace zr::demo

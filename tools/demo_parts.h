// The pieces of the demo bureau: companies, their F24 payments, employees and certifications.
// Each piece writes through an InstallationBuilder and draws from the bureau's one Random.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "builder.h"
#include "italian.h"
#include "random.h"

namespace zr::demo {

// What the F24 and certification pieces need to know of a company.
struct DemoCompany {
  int code = 0;
  std::string codeText;  // "002"
  int presenter = 0;     // 0 = presents its own return
  bool shiftedYear = false;
  bool selfEmployedPayments = false;  // pays withholdings on self-employment (1040)
  Place place;
  int employees = 0;
  std::vector<int> employeeNumbers{};  // the 7-digit numbers, in the order they are written
  bool naturalPerson = false;
  int position = 0;                 // among the live companies, 0 the first
  bool withoutF24 = false;          // has paid nothing through F24
  bool withoutNextJanuary = false;  // no F24 of January 2024
};

// Where each deliberate case lies: the company by its position, and the month.
struct CasePlace {
  DemoCase what;
  int position;
  int year;
  int month;
};
inline constexpr std::array<CasePlace, 17> kCasePlaces{{
    {DemoCase::ComplementaryBC, 0, 2023, 4},
    {DemoCase::PaidZero, 1, 2023, 5},
    {DemoCase::Negative, 2, 2023, 8},
    {DemoCase::MinusPaid, 3, 2023, 10},
    {DemoCase::Credit1713, 0, 2024, 1},
    {DemoCase::Credit1713Only, 1, 2024, 1},
    {DemoCase::BlankDate, 1, 2023, 3},
    {DemoCase::PartlyBlankDate, 2, 2023, 3},
    {DemoCase::LettersInDate, 3, 2023, 3},
    {DemoCase::TableRows, 0, 2023, 6},
    {DemoCase::TenLocalRows, 1, 2023, 6},
    {DemoCase::TableGap, 3, 2023, 6},
    {DemoCase::PeriodOfJanuary, 5, 2023, 3},
    {DemoCase::PeriodOfDecember, 2, 2023, 1},
    {DemoCase::CreditsInRows, 3, 2023, 7},
    {DemoCase::Credit6781, 3, 2024, 1},
    {DemoCase::CreditsInTables, 2, 2023, 9},
}};
// Positions of the companies that stand out as a whole (when there are that many).
inline constexpr int kShiftedPosition = 4;        // shifted year, with a January 2024 F24
inline constexpr int kShiftedWithoutJanuary = 6;  // shifted year, no January 2024 F24
inline constexpr int kWithoutF24Position = 7;  // also without employees and certifications
// More employees than one index leaf holds (kIsamEntries), written in shuffled order.
inline constexpr int kManyEmployeesPosition = 1;
inline constexpr int kManyEmployees = 150;
// Its last employee is number 9999999; the next company's code follows its own.
inline constexpr int kLastEmployeePosition = 2;
inline constexpr int kLastEmployeeNumber = 9999999;

struct CertificationPlace {
  CertificationCase what;
  int position;
};
// Cu1Below1701 lies with the CreditsInRows record, whose "1701" credit is at least 10.00;
// the QUADROCU4 row cases with a company that pays self-employed workers (even position).
inline constexpr std::array<CertificationPlace, 8> kCertificationPlaces{{
    {CertificationCase::Cu1Nulls, 0},
    {CertificationCase::Cu1Below1701, 3},
    {CertificationCase::Cu4EmployeesOnly, 3},
    {CertificationCase::Cu4OutOfOrder, 2},
    {CertificationCase::Cu4ZeroAmount, 2},
    {CertificationCase::Cu4FiveDigitPeriod, 2},
    {CertificationCase::Cu4EmptyDate, 2},
    {CertificationCase::Cu4TextDate, 2},
}};
inline constexpr double kCu1Below1701Sum = 5.00;

struct DemoRows {
  std::vector<LocalTaxRow> localTax2023, localTax2024;
  std::vector<RegionRow> regions2023, regions2024;
};

// Writes the company archive: a deleted first record, then the live companies with deleted
// records among them.
std::vector<DemoCompany> writeCompanies(InstallationBuilder& b, Random& rng, int count,
                                        std::vector<int>& voidCodes);
// Writes a company's F24 records from December 2022 to January 2024 and collects the rows that
// go beyond the record's fixed rows. Returns how many records were written.
int writeF24Year(InstallationBuilder& b, Random& rng, const DemoCompany& c, DemoRows& rows);
// The employee numbers of a company with `count` employees by the options, in writing order.
std::vector<int> employeeNumbers(Random& rng, const DemoCompany& c, int count);
// Writes a company's employees; returns how many.
int writeEmployees(InstallationBuilder& b, Random& rng, const DemoCompany& c);
// Certification rows of every company; returns how many.
int writeCertifications(InstallationBuilder& b, Random& rng,
                        const std::vector<DemoCompany>& companies);

// An amount as plain decimal text with two decimals ("1234.50", "-3.00").
std::string amountText(double x);
// "DDMMYYYY" of a date.
std::string ddmmyyyy(int day, int month, int year);

}  // namespace zr::demo

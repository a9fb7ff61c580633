#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>

#include "demo_parts.h"
#include "fields.h"

namespace zr::demo {

namespace {

std::string zero4(int n) {
  return std::string(n < 10 ? "000" : "00") + std::to_string(n);
}

std::string two(int n) {
  return std::string(n < 10 ? "0" : "") + std::to_string(n);
}

double cents(double x) {
  return std::round(x * 100) / 100;
}

// A row of the payment form before it is placed into the record.
struct PayRow {
  std::string code;
  std::string yearField;  // reference of the row (8 characters Erario, 6 the others)
  double debit = 0;
  double credit = 0;
  // The amounts the payroll records beside the payment (the withheld amount first), when it
  // records them.
  std::array<double, 3> complementary{};
};

PayRow payRow(std::string code, std::string yearField, double debit, double credit,
              double withheld = 0) {
  PayRow r{std::move(code), std::move(yearField), debit, credit, {}};
  r.complementary[0] = withheld;
  return r;
}

// The 16th of the month, moved past a weekend.
std::string paymentDate(int year, int month) {
  using namespace std::chrono;
  const sys_days d =
      year_month_day{std::chrono::year{year}, std::chrono::month{unsigned(month)}, day{16}};
  const weekday w{d};
  const int shift = w == Saturday ? 2 : (w == Sunday ? 1 : 0);
  return ddmmyyyy(16 + shift, month, year);
}

std::vector<DemoCase> casesAt(int position, int year, int month) {
  std::vector<DemoCase> out;
  for (const CasePlace& p : kCasePlaces)
    if (p.position == position && p.year == year && p.month == month) out.push_back(p.what);
  return out;
}

class F24Writer {
 public:
  F24Writer(Random& rng, const DemoCompany& c, int year, int month, std::vector<DemoCase> cases)
      : rng_(rng), c_(c), year_(year), month_(month), cases_(std::move(cases)) {}

  Fields build(DemoRows& rows) {
    date();
    erario();
    regions(rows);
    localTaxes(rows);
    periodFields();
    return fields_;
  }

 private:
  bool has(DemoCase what) const {
    return std::find(cases_.begin(), cases_.end(), what) != cases_.end();
  }

  void put(std::string_view d, std::string v, int k = 0) {
    fields_.push_back({std::string(d), std::move(v), k});
  }

  void date() {
    const int roll = rng_.between(1, 100);
    const std::string year = std::to_string(year_);
    // Dates typed by hand and never checked: stored as they were typed.
    if (has(DemoCase::BlankDate)) {
      put(asText(fld::A003), std::string(8, ' '));
    } else if (has(DemoCase::PartlyBlankDate)) {
      put(asText(fld::A003), "  " + two(month_) + year);
    } else if (has(DemoCase::LettersInDate)) {
      put(asText(fld::A003), "12AB" + year);
    } else if (roll > 8) {  // else not yet entered
      put(fld::A003, roll <= 12 ? "00000000" : paymentDate(year_, month_));
    }
  }

  // The cases that reshape the first row of a section; `negative` is the complementary amount
  // (0..2) that a correction makes negative.
  void shapeFirstRow(PayRow& r, std::size_t negative) {
    const double d = r.debit;
    if (has(DemoCase::ComplementaryBC)) r.complementary = {d, cents(d / 10), cents(d / 40) + 0.01};
    if (has(DemoCase::PaidZero)) {  // settled wholly by credits
      r.complementary = {d, 0, 0};
      r.debit = 0;
    }
    if (has(DemoCase::Negative)) {
      r.complementary = {d, 0, 0};
      r.complementary[negative] = -(cents(d / 4) + 0.01);
    }
    if (has(DemoCase::MinusPaid)) r.complementary = {-d, 0, 0};
  }

  void putComplementary(const PayRow& r, auto&& descriptorOf) {
    for (int j = 0; j < 3; ++j) {
      const double x = r.complementary[static_cast<std::size_t>(j)];
      if (x != 0) put(descriptorOf(j), amountText(x));
    }
  }

  // The month the withholdings of this payment belong to.
  std::string competence() const {
    return month_ == 1 ? zero4(12) + std::to_string(year_ - 1)
                       : zero4(month_ - 1) + std::to_string(year_);
  }

  void erario() {
    std::vector<PayRow> rows;
    const double wages = std::max(1, c_.employees) * rng_.amount(120, 480);
    rows.push_back(payRow("1001", competence(), wages, 0, rng_.chance(50) ? wages : 0));
    if (c_.selfEmployedPayments && rng_.chance(70)) {
      const double fee = rng_.amount(90, 900);
      rows.push_back(payRow("1040", competence(), fee, 0, fee));
    }
    const bool y23 = year_ == 2023;
    const std::string thisYear = "0000" + std::to_string(year_);
    if (has(DemoCase::CreditsInRows)) {
      for (const char* code : {"1627", "1631", "1633", "1701"})
        rows.push_back(payRow(code, thisYear, 0, rng_.amount(10, 200)));
    } else {
      if (y23 && month_ >= 7 && month_ <= 9 && rng_.chance(70))
        rows.push_back(
            payRow(rng_.chance(85) ? "1631" : "1633", thisYear, 0, rng_.amount(40, 400)));
      if (rng_.chance(15)) rows.push_back(payRow("1627", thisYear, 0, rng_.amount(20, 300)));
      if (rng_.chance(15)) rows.push_back(payRow("1701", thisYear, 0, rng_.amount(10, 200)));
    }
    if (y23 && month_ == 12) rows.push_back(payRow("1712", "00002023", rng_.amount(30, 600), 0));
    const std::string before = "0000" + std::to_string(year_ - 1);
    if (has(DemoCase::Credit1713)) {
      rows.push_back(payRow("1713", before, rng_.amount(15, 250), rng_.amount(5, 80)));
    } else if (has(DemoCase::Credit1713Only)) {
      rows.push_back(payRow("1713", before, 0, rng_.amount(5, 80)));
    } else if ((y23 && month_ == 2) || has(DemoCase::PeriodOfJanuary) ||
               has(DemoCase::PeriodOfDecember) || (year_ == 2024 && rng_.chance(60)) ||
               (y23 && month_ == 1 && rng_.chance(30))) {
      rows.push_back(payRow("1713", before, rng_.amount(15, 250), 0));
    }
    if (has(DemoCase::Credit6781) || (year_ == 2024 && rng_.chance(60)))
      rows.push_back(payRow("6781", "00002023", 0, rng_.amount(10, 120)));
    shapeFirstRow(rows.front(), 1);
    for (std::size_t i = 0; i < rows.size() && i < 20; ++i) {
      const int k = static_cast<int>(i) + 1;
      put(fld::A004, rows[i].code, k);
      put(fld::A005, rows[i].yearField, k);
      put(fld::A006, amountText(rows[i].debit), k);
      put(fld::A007, amountText(rows[i].credit), k);
      putComplementary(
          rows[i], [&](int j) { return fld::f24Amount(fld::AmountRun::AA, 3 * (k - 1) + j + 1); });
    }
  }

  std::string yearField(int y) const { return "  " + std::to_string(y); }

  void regionBlock(int region, const std::vector<PayRow>& rows) {
    const int b = region - 1;
    for (std::size_t i = 0; i < rows.size() && i < 4; ++i) {
      const int k = static_cast<int>(i) + 1;
      using fld::RegionField;
      put(fld::regionField(RegionField::Code, b), rows[i].code, k);
      put(fld::regionField(RegionField::Year, b), rows[i].yearField, k);
      put(fld::regionField(RegionField::Debit, b), amountText(rows[i].debit), k);
      put(fld::regionField(RegionField::Credit, b), amountText(rows[i].credit), k);
      putComplementary(rows[i],
                       [&](int j) { return fld::regionAmount(12 * b + 3 * (k - 1) + j + 1); });
    }
  }

  std::string period() const { return std::to_string(year_) + two(month_); }

  void regions(DemoRows& out) {
    // Regional surtax withheld in 2023 mostly settles 2022; December's adjustment is 2023's.
    const int ref = (year_ == 2024 || month_ == 12) ? 2023 : 2022;
    const double surtax = std::max(1, c_.employees) * rng_.amount(10, 60);
    std::vector<PayRow> home{
        payRow("3802", yearField(ref), surtax, 0, rng_.chance(50) ? surtax : 0)};
    const bool credits = has(DemoCase::CreditsInRows);
    if (credits || (year_ == 2023 && month_ >= 7 && month_ <= 9 && rng_.chance(50)))
      home.push_back(payRow("3796", yearField(2023), 0, rng_.amount(10, 150)));
    if (credits || rng_.chance(10))
      home.push_back(payRow("1669", yearField(ref), 0, rng_.amount(5, 80)));
    shapeFirstRow(home.front(), 0);
    regionBlock(c_.place.region, home);
    if (rng_.chance(30)) {
      const int other = c_.place.region % 21 + 1;
      regionBlock(other, {payRow("3802", yearField(ref), rng_.amount(5, 90), 0)});
    }
    auto& table = year_ == 2024 ? out.regions2024 : out.regions2023;
    const int base = c_.place.region * 1000;
    const auto creditRow = [&](int row, const char* code) {
      table.push_back({c_.codeText, period(), base + row, code, platform::Value(0.0),
                       rng_.amount(5, 60)});
    };
    const bool tableCredits = has(DemoCase::CreditsInTables);
    if (tableCredits || rng_.chance(12)) {
      table.push_back(
          {c_.codeText, period(), base + 5, "3802", rng_.amount(5, 70), platform::Value(0.0)});
      if (tableCredits) {
        creditRow(6, "1669");
        creditRow(7, "3796");
      } else {
        creditRow(6, rng_.chance(50) ? "1669" : "3796");
      }
    }
  }

  void localTaxes(DemoRows& out) {
    std::vector<PayRow> rows;
    const int n = std::max(1, c_.employees);
    if (month_ <= 11)
      rows.push_back(
          payRow("3848", yearField(year_ == 2024 ? 2023 : 2022), n * rng_.amount(5, 30), 0));
    if (year_ == 2023 && month_ >= 3 && month_ <= 11)
      rows.push_back(payRow("3847", yearField(2023), n * rng_.amount(2, 12), 0));
    const bool credits = has(DemoCase::CreditsInRows);
    if (credits || (year_ == 2023 && month_ >= 7 && month_ <= 9 && rng_.chance(50)))
      rows.push_back(payRow("3797", yearField(2023), 0, rng_.amount(5, 90)));
    if (credits || rng_.chance(10))
      rows.push_back(payRow("1671", yearField(2023), 0, rng_.amount(5, 50)));
    if (!rows.empty()) shapeFirstRow(rows.front(), 2);
    // Now and then a month with employees in many municipalities: the record's ten rows are
    // full and the rest go to the year's database.
    const bool tenOnly = has(DemoCase::TenLocalRows);
    const bool tableCredits = has(DemoCase::CreditsInTables);
    const bool crowded = tenOnly || tableCredits || has(DemoCase::TableRows) ||
                         has(DemoCase::TableGap) || (c_.code % 3 == 2 && month_ == 6) ||
                         rng_.chance(4);
    while (crowded && rows.size() < (tenOnly ? 10u : 13u)) {
      if (tableCredits && (rows.size() == 10 || rows.size() == 11)) {
        rows.push_back(payRow(rows.size() == 10 ? "3797" : "1671", yearField(2023), 0,
                              rng_.amount(5, 60)));
        continue;
      }
      const bool acconto = rows.size() % 2 == 0;
      const double debit = rng_.amount(3, 40);
      PayRow r = payRow(acconto ? "3847" : "3848", yearField(acconto ? 2023 : 2022), debit, 0,
                        rng_.chance(50) ? debit : 0);
      if (rows.size() >= 10 && has(DemoCase::TableRows))
        r.complementary = {debit, rng_.amount(1, 5), rng_.amount(1, 5)};
      rows.push_back(r);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const int idx = static_cast<int>(i) + 1;
      const auto& r = rows[i];
      if (idx <= 10) {
        const auto& f = fld::kLocalRows[i];
        put(f.code, r.code);
        put(f.year, r.yearField);
        put(f.debit, amountText(r.debit));
        put(f.credit, amountText(r.credit));
        putComplementary(
            r, [&](int j) { return fld::f24Amount(fld::AmountRun::AF, 3 * (idx - 1) + j + 1); });
        continue;
      }
      if (idx == 12 && has(DemoCase::TableGap)) continue;  // a row lost by the payroll
      auto& table = year_ == 2024 ? out.localTax2024 : out.localTax2023;
      const auto amount = [&](std::size_t j, platform::Value none) {
        return r.complementary[j] != 0 ? platform::Value(r.complementary[j]) : none;
      };
      table.push_back({c_.codeText, period(), idx, r.code, r.yearField.substr(2), r.debit, r.credit,
                       amount(0, platform::Value(0.0)), amount(1, platform::Value(0.0)),
                       amount(2, platform::Value())});
    }
  }

  // A record filed under one month whose own period fields name another.
  void periodFields() {
    if (has(DemoCase::PeriodOfJanuary)) {
      put(fld::A567, "2023");
      put(fld::A568, "01");
    }
    if (has(DemoCase::PeriodOfDecember)) {
      put(fld::A567, "2022");
      put(fld::A568, "12");
    }
  }

  Random& rng_;
  const DemoCompany& c_;
  int year_, month_;
  std::vector<DemoCase> cases_;
  Fields fields_;
};

}  // namespace

std::string amountText(double x) {
  const long long cents = std::llround(x * 100);
  const long long whole = (cents < 0 ? -cents : cents) / 100,
                  part = (cents < 0 ? -cents : cents) % 100;
  return std::string(cents < 0 ? "-" : "") + std::to_string(whole) + "." + (part < 10 ? "0" : "") +
         std::to_string(part);
}

int writeF24Year(InstallationBuilder& b, Random& rng, const DemoCompany& c, DemoRows& rows) {
  if (c.withoutF24) return 0;
  int written = 0;
  std::vector<std::pair<int, int>> months;
  if (rng.chance(60)) months.emplace_back(2022, 12);
  for (int m = 1; m <= 12; ++m) months.emplace_back(2023, m);
  if (!c.withoutNextJanuary) months.emplace_back(2024, 1);
  for (auto [year, month] : months) {
    auto cases = casesAt(c.position, year, month);
    const bool edge = (year == 2022) || (year == 2024);
    if (!edge && month != 6 && cases.empty() && rng.chance(6)) continue;  // nothing paid
    if (rng.chance(8)) {
      // A payment entered and later deleted: its record stays behind, out of the index.
      DemoRows dropped;  // the deleted payment's extra rows went with it
      b.putF24(
          {c.code, year, month, F24Writer(rng, c, year, month, {}).build(dropped), true, false});
      ++written;
    }
    b.putF24({c.code, year, month, F24Writer(rng, c, year, month, std::move(cases)).build(rows),
              false, true});
    ++written;
  }
  return written;
}

}  // namespace zr::demo

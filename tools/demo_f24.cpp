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

// A row of the payment form before it is placed into the record.
struct PayRow {
  std::string code;
  std::string yearField;  // reference of the row (8 characters Erario, 6 the others)
  double debit = 0;
  double credit = 0;
  double complementary = 0;  // the withheld amount the row pays, when the payroll records it
};

// The 16th of the month, moved past a weekend.
std::string paymentDate(int year, int month) {
  using namespace std::chrono;
  const sys_days d =
      year_month_day{std::chrono::year{year}, std::chrono::month{unsigned(month)}, day{16}};
  const weekday w{d};
  const int shift = w == Saturday ? 2 : (w == Sunday ? 1 : 0);
  return ddmmyyyy(16 + shift, month, year);
}

class F24Writer {
 public:
  F24Writer(Random& rng, const DemoCompany& c, int year, int month)
      : rng_(rng), c_(c), year_(year), month_(month) {}

  Fields build(DemoRows& rows) {
    date();
    erario();
    regions(rows);
    localTaxes(rows);
    return fields_;
  }

 private:
  void put(std::string_view d, std::string v, int k = 0) {
    fields_.push_back({std::string(d), std::move(v), k});
  }

  void date() {
    const int roll = rng_.between(1, 100);
    if (roll <= 8) return;  // not yet entered
    put(fld::A003, roll <= 12 ? "00000000" : paymentDate(year_, month_));
  }

  // The month the withholdings of this payment belong to.
  std::string competence() const {
    return month_ == 1 ? zero4(12) + std::to_string(year_ - 1)
                       : zero4(month_ - 1) + std::to_string(year_);
  }

  void erario() {
    std::vector<PayRow> rows;
    const double wages = std::max(1, c_.employees) * rng_.amount(120, 480);
    rows.push_back({"1001", competence(), wages, 0, rng_.chance(50) ? wages : 0});
    if (c_.selfEmployedPayments && rng_.chance(70)) {
      const double fee = rng_.amount(90, 900);
      rows.push_back({"1040", competence(), fee, 0, fee});
    }
    const bool y23 = year_ == 2023;
    if (y23 && month_ >= 7 && month_ <= 9 && rng_.chance(70)) {
      rows.push_back({rng_.chance(85) ? "1631" : "1633", "0000" + std::to_string(year_), 0,
                      rng_.amount(40, 400), 0});
    }
    if (rng_.chance(15))
      rows.push_back({"1627", "0000" + std::to_string(year_), 0, rng_.amount(20, 300), 0});
    if (rng_.chance(15))
      rows.push_back({"1701", "0000" + std::to_string(year_), 0, rng_.amount(10, 200), 0});
    if (y23 && month_ == 12) rows.push_back({"1712", "00002023", rng_.amount(30, 600), 0, 0});
    if ((y23 && month_ == 2) || (year_ == 2024 && rng_.chance(60)) ||
        (y23 && month_ == 1 && rng_.chance(30))) {
      rows.push_back({"1713", "0000" + std::to_string(year_ - 1), rng_.amount(15, 250), 0, 0});
    }
    if (year_ == 2024 && rng_.chance(60))
      rows.push_back({"6781", "00002023", 0, rng_.amount(10, 120), 0});
    for (std::size_t i = 0; i < rows.size() && i < 20; ++i) {
      const int k = static_cast<int>(i) + 1;
      put(fld::A004, rows[i].code, k);
      put(fld::A005, rows[i].yearField, k);
      put(fld::A006, amountText(rows[i].debit), k);
      put(fld::A007, amountText(rows[i].credit), k);
      if (rows[i].complementary != 0) {
        const int n = 3 * (k - 1) + 1;
        put(fld::f24Amount(fld::AmountRun::AA, n), amountText(rows[i].complementary));
      }
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
      if (rows[i].complementary != 0) {
        put(fld::regionAmount(12 * b + 3 * (k - 1) + 1), amountText(rows[i].complementary));
      }
    }
  }

  std::string period() const {
    return std::to_string(year_) + (month_ < 10 ? "0" : "") + std::to_string(month_);
  }

  void regions(DemoRows& out) {
    // Regional surtax withheld in 2023 mostly settles 2022; December's adjustment is 2023's.
    const int ref = (year_ == 2024 || month_ == 12) ? 2023 : 2022;
    const double surtax = std::max(1, c_.employees) * rng_.amount(10, 60);
    std::vector<PayRow> home{{"3802", yearField(ref), surtax, 0, rng_.chance(50) ? surtax : 0}};
    if (year_ == 2023 && month_ >= 7 && month_ <= 9 && rng_.chance(50))
      home.push_back({"3796", yearField(2023), 0, rng_.amount(10, 150), 0});
    if (rng_.chance(10)) home.push_back({"1669", yearField(ref), 0, rng_.amount(5, 80), 0});
    regionBlock(c_.place.region, home);
    if (rng_.chance(30)) {
      const int other = c_.place.region % 21 + 1;
      regionBlock(other, {{"3802", yearField(ref), rng_.amount(5, 90), 0, 0}});
    }
    if (rng_.chance(12)) {
      auto& table = year_ == 2024 ? out.regions2024 : out.regions2023;
      const int base = c_.place.region * 1000;
      table.push_back(
          {c_.codeText, period(), base + 5, "3802", rng_.amount(5, 70), platform::Value(0.0)});
      table.push_back({c_.codeText, period(), base + 6, rng_.chance(50) ? "1669" : "3796",
                       platform::Value(0.0), rng_.amount(5, 60)});
    }
  }

  void localTaxes(DemoRows& out) {
    std::vector<PayRow> rows;
    const int n = std::max(1, c_.employees);
    if (month_ <= 11)
      rows.push_back(
          {"3848", yearField(year_ == 2024 ? 2023 : 2022), n * rng_.amount(5, 30), 0, 0});
    if (year_ == 2023 && month_ >= 3 && month_ <= 11)
      rows.push_back({"3847", yearField(2023), n * rng_.amount(2, 12), 0, 0});
    if (year_ == 2023 && month_ >= 7 && month_ <= 9 && rng_.chance(50))
      rows.push_back({"3797", yearField(2023), 0, rng_.amount(5, 90), 0});
    if (rng_.chance(10)) rows.push_back({"1671", yearField(2023), 0, rng_.amount(5, 50), 0});
    // Now and then a month with employees in many municipalities: the record's ten rows are
    // full and the rest go to the year's database.
    const bool crowded = (c_.code % 3 == 2 && month_ == 6) || rng_.chance(4);
    while (crowded && rows.size() < 13) {
      const bool acconto = rows.size() % 2 == 0;
      rows.push_back({acconto ? "3847" : "3848", yearField(acconto ? 2023 : 2022),
                      rng_.amount(3, 40), 0, rng_.chance(50) ? 1.0 : 0});
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
        if (r.complementary != 0) {
          const int a = 3 * (idx - 1) + 1;
          put(fld::f24Amount(fld::AmountRun::AF, a), amountText(r.debit));
        }
        continue;
      }
      auto& table = year_ == 2024 ? out.localTax2024 : out.localTax2023;
      table.push_back({c_.codeText, period(), idx, r.code, r.yearField.substr(2), r.debit, r.credit,
                       r.complementary != 0 ? platform::Value(r.debit) : platform::Value(0.0),
                       platform::Value(0.0), platform::Value()});
    }
  }

  Random& rng_;
  const DemoCompany& c_;
  int year_, month_;
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
  int written = 0;
  std::vector<std::pair<int, int>> months;
  if (rng.chance(60)) months.emplace_back(2022, 12);
  for (int m = 1; m <= 12; ++m) months.emplace_back(2023, m);
  months.emplace_back(2024, 1);
  for (auto [year, month] : months) {
    const bool edge = (year == 2022) || (year == 2024);
    if (!edge && month != 6 && rng.chance(6)) continue;  // a month without payments
    if (rng.chance(8)) {
      // A payment entered and later deleted: its record stays behind, out of the index.
      DemoRows dropped;  // the deleted payment's extra rows went with it
      b.putF24({c.code, year, month, F24Writer(rng, c, year, month).build(dropped), true, false});
      ++written;
    }
    b.putF24({c.code, year, month, F24Writer(rng, c, year, month).build(rows), false, true});
    ++written;
  }
  return written;
}

}  // namespace zr::demo

#include <array>
#include <chrono>
#include <cmath>

#include "demo_parts.h"
#include "fields.h"

namespace zr::demo {

namespace {

struct LocalRowFields {
  const char* code;
  const char* yearField;
  const char* debit;
  const char* credit;
};

// The ten local-tax rows of the record are scattered over it.
constexpr std::array<LocalRowFields, 10> kLocalRows{{
    {"F24X$,04277,05,A,0,A482", "F24X$,04282,06,A,0,A483", "F24X$,04288,12,2,0,A484",
     "F24X$,04300,12,2,0,A485"},
    {"F24X$,04312,05,A,0,A486", "F24X$,04317,06,A,0,A487", "F24X$,04323,12,2,0,A488",
     "F24X$,04335,12,2,0,A489"},
    {"F24X$,05448,05,A,0,A682", "F24X$,05453,06,A,0,A683", "F24X$,05459,12,2,0,A684",
     "F24X$,05471,12,2,0,A685"},
    {"F24X$,05503,05,A,0,A696", "F24X$,05512,06,A,0,A698", "F24X$,05518,12,2,0,A699",
     "F24X$,05530,12,2,0,A700"},
    {"F24X$,05544,05,A,0,A702", "F24X$,05553,06,A,0,A704", "F24X$,05559,12,2,0,A705",
     "F24X$,05571,12,2,0,A706"},
    {"F24X$,05585,05,A,0,A708", "F24X$,05594,06,A,0,A710", "F24X$,05600,12,2,0,A711",
     "F24X$,05612,12,2,0,A712"},
    {"F24X$,05626,05,A,0,A714", "F24X$,05635,06,A,0,A716", "F24X$,05641,12,2,0,A717",
     "F24X$,05653,12,2,0,A718"},
    {"F24X$,05667,05,A,0,A720", "F24X$,05676,06,A,0,A722", "F24X$,05682,12,2,0,A723",
     "F24X$,05694,12,2,0,A724"},
    {"F24X$,05708,05,A,0,A726", "F24X$,05717,06,A,0,A728", "F24X$,05723,12,2,0,A729",
     "F24X$,05735,12,2,0,A730"},
    {"F24X$,05749,05,A,0,A732", "F24X$,05758,06,A,0,A734", "F24X$,05764,12,2,0,A735",
     "F24X$,05776,12,2,0,A736"},
}};

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
        put(descriptor("F24X$", 6001 + 10 * (n - 1), 10, '2',
                       "AA" + std::string(n < 10 ? "0" : "") + std::to_string(n)),
            amountText(rows[i].complementary));
      }
    }
  }

  std::string yearField(int y) const { return "  " + std::to_string(y); }

  void regionBlock(int region, const std::vector<PayRow>& rows) {
    const int b = region - 1;
    for (std::size_t i = 0; i < rows.size() && i < 4; ++i) {
      const int k = static_cast<int>(i) + 1;
      const auto id = [&](int field) { return "A" + std::to_string(124 + 17 * b + field); };
      put(descriptor("F24X$", 1077 + 152 * b, 5, 'A', id(0)), rows[i].code, k);
      put(descriptor("F24X$", 1082 + 152 * b, 6, 'A', id(1)), rows[i].yearField, k);
      put(descriptor("F24X$", 1088 + 152 * b, 12, '2', id(2)), amountText(rows[i].debit), k);
      put(descriptor("F24X$", 1100 + 152 * b, 12, '2', id(3)), amountText(rows[i].credit), k);
      if (rows[i].complementary != 0) {
        const int n = 12 * b + 3 * (k - 1) + 1;
        const std::string prefix = n <= 96 ? "AB" : (n <= 192 ? "AC" : "AD");
        const int m = n <= 96 ? n : (n <= 192 ? n - 96 : n - 192);
        put(descriptor("F24X$", 6601 + 10 * (n - 1), 10, '2',
                       prefix + (m < 10 ? "0" : "") + std::to_string(m)),
            amountText(rows[i].complementary));
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
        const auto& f = kLocalRows[i];
        put(f.code, r.code);
        put(f.yearField, r.yearField);
        put(f.debit, amountText(r.debit));
        put(f.credit, amountText(r.credit));
        if (r.complementary != 0) {
          const int a = 3 * (idx - 1) + 1;
          put(descriptor("F24X$", 9401 + 10 * (a - 1), 10, '2',
                         "AF" + std::string(a < 10 ? "0" : "") + std::to_string(a)),
              amountText(r.debit));
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

// The record fields the builder fills, by the repository's descriptor names, grouped as the
// demo bureau fills them. Constants only.
#pragma once

#include <array>
#include <string_view>

#include "repository/descriptors.h"

namespace zr::demo::fld {

using namespace zr::desc;

// The year's payroll amounts of an employee.
inline constexpr std::array<std::string_view, 23> kEmployeeAmounts{
    Q196, Q703, Q791, Q308, Q309, Q353, Q354, Q746, Q749, Q812, Q815, Q891,
    Q893, Q909, Q910, Q818, Q821, Q823, Q826, Q833, Q836, Q828, Q831};

// The ten local-tax rows of an F24 record: code, year, debit, credit.
struct LocalRow {
  std::string_view code, year, debit, credit;
};
inline constexpr std::array<LocalRow, 10> kLocalRows{{
    {A482, A483, A484, A485},
    {A486, A487, A488, A489},
    {A682, A683, A684, A685},
    {A696, A698, A699, A700},
    {A702, A704, A705, A706},
    {A708, A710, A711, A712},
    {A714, A716, A717, A718},
    {A720, A722, A723, A724},
    {A726, A728, A729, A730},
    {A732, A734, A735, A736},
}};

// The complementary amount n (1..252) of the region rows, over the runs AB, AC and AD.
inline Descriptor regionAmount(int n) {
  if (n <= 96) return f24Amount(AmountRun::AB, n);
  if (n <= 192) return f24Amount(AmountRun::AC, n - 96);
  return f24Amount(AmountRun::AD, n - 192);
}

}  // namespace zr::demo::fld

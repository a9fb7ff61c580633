// Named field descriptors of every field this program reads from the payroll records, and the
// builders of the F24 descriptors that come in regular runs. Constant data only: producers
// pass these to STRCOSTANTE / VALCOSTANTE / RepoW, the installation builder writes by them.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "platform/errors.h"

namespace zr::desc {

// clang-format off
// Company archive (DITX$).
inline constexpr std::string_view T001 = "DITX$,00003,03,N,0,T001";
inline constexpr std::string_view T002 = "DITX$,00006,30,A,0,T002";
inline constexpr std::string_view T012 = "DITX$,00036,16,A,0,T012";
inline constexpr std::string_view T008 = "DITX$,00109,30,A,0,T008";
inline constexpr std::string_view T010 = "DITX$,00144,20,A,0,T010";
inline constexpr std::string_view T011 = "DITX$,00164,02,A,0,T011";
inline constexpr std::string_view T326 = "DITX$,00166,03,N,0,T326";
inline constexpr std::string_view T081 = "DITX$,00251,16,A,0,T081";
inline constexpr std::string_view T082 = "DITX$,00267,15,A,0,T082";
inline constexpr std::string_view T083 = "DITX$,00282,15,A,0,T083";
inline constexpr std::string_view T084 = "DITX$,00297,01,A,0,T084";
inline constexpr std::string_view T087 = "DITX$,00305,15,A,0,T087";
inline constexpr std::string_view T088 = "DITX$,00320,02,A,0,T088";
inline constexpr std::string_view T089 = "DITX$,00322,15,A,0,T089";
inline constexpr std::string_view T409 = "DITX$,00664,08,D,0,T409";
inline constexpr std::string_view T410 = "DITX$,00672,08,D,0,T410";
inline constexpr std::string_view T148 = "DITX$,00723,01,A,0,T148";
inline constexpr std::string_view T149 = "DITX$,00724,02,A,0,T149";
inline constexpr std::string_view T150 = "DITX$,00726,01,A,0,T150";
inline constexpr std::string_view T483 = "DITX$,00743,03,A,0,T483";
inline constexpr std::string_view T484 = "DITX$,00767,20,A,0,T484";
inline constexpr std::string_view T485 = "DITX$,00787,20,A,0,T485";
inline constexpr std::string_view T486 = "DITX$,00807,16,A,0,T486";
inline constexpr std::string_view T013 = "DITX$,00834,11,A,0,T013";
inline constexpr std::string_view T020 = "DITX$,01001,15,A,0,T020";
inline constexpr std::string_view T021 = "DITX$,01016,15,A,0,T021";
inline constexpr std::string_view T023 = "DITX$,01037,01,A,0,T023";
inline constexpr std::string_view T024 = "DITX$,01038,20,A,0,T024";
inline constexpr std::string_view T025 = "DITX$,01058,02,A,0,T025";
inline constexpr std::string_view T014 = "DITX$,01229,06,A,0,T014";
inline constexpr std::string_view T003 = "DITX$,01451,10,A,0,T003";
inline constexpr std::string_view T302 = "DITX$,01663,30,A,0,T302";
inline constexpr std::string_view T223 = "DITX$,01840,04,A,0,T223";
inline constexpr std::string_view T224 = "DITX$,01844,08,A,0,T224";
inline constexpr std::string_view T085 = "DITX$,02001,08,D,0,T085";
inline constexpr std::string_view T022 = "DITX$,02073,08,D,0,T022";
inline constexpr std::string_view T289 = "DITX$,02197,12,A,0,T289";
inline constexpr std::string_view T348 = "DITX$,02378,30,A,0,T348";
inline constexpr std::string_view T353 = "DITX$,02448,04,A,0,T353";
inline constexpr std::string_view T354 = "DITX$,02452,12,A,0,T354";
inline constexpr std::string_view T490 = "DITX$,02941,30,A,0,T490";
inline constexpr std::string_view T491 = "DITX$,03000,30,A,0,T491";
inline constexpr std::string_view T103 = "DITX$,03262,20,A,0,T103";
inline constexpr std::string_view T523 = "DITX$,03282,30,A,0,T523";
inline constexpr std::string_view T596 = "DITX$,04383,01,N,0,T596";
inline constexpr std::string_view T631 = "DITX$,04651,02,A,0,T631";
inline constexpr std::string_view T734 = "DITX$,05215,30,A,0,T734";
inline constexpr std::string_view T735 = "DITX$,05245,30,A,0,T735";
inline constexpr std::string_view T411 = "DITX$,06095,02,A,0,T411";

// Employee archive (DIPX$).
inline constexpr std::string_view P001 = "DIPX$,00003,10,A,0,P001";
inline constexpr std::string_view Q308 = "DIPX$,04111,10,2,0,Q308";
inline constexpr std::string_view Q309 = "DIPX$,04121,10,2,0,Q309";
inline constexpr std::string_view Q196 = "DIPX$,04839,10,2,0,Q196";
inline constexpr std::string_view Q353 = "DIPX$,04939,10,2,0,Q353";
inline constexpr std::string_view Q354 = "DIPX$,04949,10,2,0,Q354";
inline constexpr std::string_view Q703 = "DIPX$,10313,10,2,0,Q703";
inline constexpr std::string_view Q746 = "DIPX$,11343,08,2,0,Q746";
inline constexpr std::string_view Q749 = "DIPX$,11367,08,2,0,Q749";
inline constexpr std::string_view Q791 = "DIPX$,12011,08,2,0,Q791";
inline constexpr std::string_view Q891 = "DIPX$,12573,08,2,0,Q891";
inline constexpr std::string_view Q893 = "DIPX$,12589,08,2,0,Q893";
inline constexpr std::string_view Q909 = "DIPX$,12856,08,2,0,Q909";
inline constexpr std::string_view Q910 = "DIPX$,12864,08,2,0,Q910";
inline constexpr std::string_view Q812 = "DIPX$,13281,08,2,0,Q812";
inline constexpr std::string_view Q815 = "DIPX$,13305,08,2,0,Q815";
inline constexpr std::string_view Q818 = "DIPX$,13329,08,2,0,Q818";
inline constexpr std::string_view Q821 = "DIPX$,13353,08,2,0,Q821";
inline constexpr std::string_view Q823 = "DIPX$,13369,08,2,0,Q823";
inline constexpr std::string_view Q826 = "DIPX$,13393,08,2,0,Q826";
inline constexpr std::string_view Q828 = "DIPX$,13409,08,2,0,Q828";
inline constexpr std::string_view Q831 = "DIPX$,13433,08,2,0,Q831";
inline constexpr std::string_view Q833 = "DIPX$,13449,08,2,0,Q833";
inline constexpr std::string_view Q836 = "DIPX$,13473,08,2,0,Q836";

// F24 payment archive (F24X$), single fields.
inline constexpr std::string_view A001 = "F24X$,00001,03,N,0,A001";
inline constexpr std::string_view A003 = "F24X$,00034,08,D,0,A003";
inline constexpr std::string_view A004 = "F24X$,00042,04,N,0,A004";
inline constexpr std::string_view A005 = "F24X$,00046,08,A,0,A005";
inline constexpr std::string_view A006 = "F24X$,00054,12,2,0,A006";
inline constexpr std::string_view A007 = "F24X$,00066,12,2,0,A007";
inline constexpr std::string_view A482 = "F24X$,04277,05,A,0,A482";
inline constexpr std::string_view A483 = "F24X$,04282,06,A,0,A483";
inline constexpr std::string_view A484 = "F24X$,04288,12,2,0,A484";
inline constexpr std::string_view A485 = "F24X$,04300,12,2,0,A485";
inline constexpr std::string_view A486 = "F24X$,04312,05,A,0,A486";
inline constexpr std::string_view A487 = "F24X$,04317,06,A,0,A487";
inline constexpr std::string_view A488 = "F24X$,04323,12,2,0,A488";
inline constexpr std::string_view A489 = "F24X$,04335,12,2,0,A489";
inline constexpr std::string_view A567 = "F24X$,04989,04,A,0,A567";
inline constexpr std::string_view A568 = "F24X$,04993,02,A,0,A568";
inline constexpr std::string_view A682 = "F24X$,05448,05,A,0,A682";
inline constexpr std::string_view A683 = "F24X$,05453,06,A,0,A683";
inline constexpr std::string_view A684 = "F24X$,05459,12,2,0,A684";
inline constexpr std::string_view A685 = "F24X$,05471,12,2,0,A685";
inline constexpr std::string_view A696 = "F24X$,05503,05,A,0,A696";
inline constexpr std::string_view A698 = "F24X$,05512,06,A,0,A698";
inline constexpr std::string_view A699 = "F24X$,05518,12,2,0,A699";
inline constexpr std::string_view A700 = "F24X$,05530,12,2,0,A700";
inline constexpr std::string_view A702 = "F24X$,05544,05,A,0,A702";
inline constexpr std::string_view A704 = "F24X$,05553,06,A,0,A704";
inline constexpr std::string_view A705 = "F24X$,05559,12,2,0,A705";
inline constexpr std::string_view A706 = "F24X$,05571,12,2,0,A706";
inline constexpr std::string_view A708 = "F24X$,05585,05,A,0,A708";
inline constexpr std::string_view A710 = "F24X$,05594,06,A,0,A710";
inline constexpr std::string_view A711 = "F24X$,05600,12,2,0,A711";
inline constexpr std::string_view A712 = "F24X$,05612,12,2,0,A712";
inline constexpr std::string_view A714 = "F24X$,05626,05,A,0,A714";
inline constexpr std::string_view A716 = "F24X$,05635,06,A,0,A716";
inline constexpr std::string_view A717 = "F24X$,05641,12,2,0,A717";
inline constexpr std::string_view A718 = "F24X$,05653,12,2,0,A718";
inline constexpr std::string_view A720 = "F24X$,05667,05,A,0,A720";
inline constexpr std::string_view A722 = "F24X$,05676,06,A,0,A722";
inline constexpr std::string_view A723 = "F24X$,05682,12,2,0,A723";
inline constexpr std::string_view A724 = "F24X$,05694,12,2,0,A724";
inline constexpr std::string_view A726 = "F24X$,05708,05,A,0,A726";
inline constexpr std::string_view A728 = "F24X$,05717,06,A,0,A728";
inline constexpr std::string_view A729 = "F24X$,05723,12,2,0,A729";
inline constexpr std::string_view A730 = "F24X$,05735,12,2,0,A730";
inline constexpr std::string_view A732 = "F24X$,05749,05,A,0,A732";
inline constexpr std::string_view A734 = "F24X$,05758,06,A,0,A734";
inline constexpr std::string_view A735 = "F24X$,05764,12,2,0,A735";
inline constexpr std::string_view A736 = "F24X$,05776,12,2,0,A736";

// clang-format on

// The first-row fields of the Erario section (20 rows, read with a repeat index 1..20) and the
// payment date, under the names the producers think in.
inline constexpr int kErarioRows = 20;
inline constexpr std::string_view erarioCode = A004;    // tribute code
inline constexpr std::string_view erarioPeriod = A005;  // reference period field
inline constexpr std::string_view erarioDebit = A006;
inline constexpr std::string_view erarioCredit = A007;
inline constexpr std::string_view paymentDate = A003;  // DDMMYYYY
inline constexpr std::string_view companyCode = T001;
inline constexpr std::string_view companyName = T002;
inline constexpr std::string_view presentingCompany = T326;

// A descriptor text built by rule, held by value (no allocation); it converts to the
// std::string_view that the repository's routines take.
struct Descriptor {
  std::array<char, 23> text{};
  constexpr std::string_view view() const noexcept { return {text.data(), text.size()}; }
  constexpr operator std::string_view() const noexcept { return view(); }
  friend constexpr bool operator==(const Descriptor&, const Descriptor&) = default;
};

namespace detail {
constexpr void putDigits(char* at, long value, int width) {
  for (int i = width - 1; i >= 0; --i, value /= 10) at[i] = static_cast<char>('0' + value % 10);
}
// "FFFF$,SSSSS,LL,T,0,<prefix><number>" with the number zero-filled to fill the id's 4 places.
constexpr Descriptor build(std::string_view family, long start, long length, char type,
                           std::string_view idPrefix, long idNumber) {
  Descriptor d;
  char* t = d.text.data();
  for (std::size_t i = 0; i < 5; ++i) t[i] = family[i];
  t[5] = ',';
  putDigits(t + 6, start, 5);
  t[11] = ',';
  putDigits(t + 12, length, 2);
  t[14] = ',';
  t[15] = type;
  t[16] = ',';
  t[17] = '0';
  t[18] = ',';
  for (std::size_t i = 0; i < idPrefix.size(); ++i) t[19 + i] = idPrefix[i];
  putDigits(t + 19 + idPrefix.size(), idNumber, static_cast<int>(4 - idPrefix.size()));
  return d;
}
constexpr Descriptor copy(std::string_view literal) {
  Descriptor d;
  for (std::size_t i = 0; i < d.text.size(); ++i) d.text[i] = literal[i];
  return d;
}
[[noreturn]] inline void outOfRange(std::string_view what) {
  throw RuntimeError::of(9, what);
}
}  // namespace detail

// The complementary amounts of F24X$: 10-character fields of type "2" laid end to end.
enum class AmountRun { AA, AB, AC, AD, AF };
struct AmountRunInfo {
  std::string_view id;
  int firstStart;
  int count;
};
inline constexpr std::array<AmountRunInfo, 5> kAmountRuns{{
    {"AA", 6001, 60},  // 3 for each of the 20 Erario rows
    {"AB", 6601, 96},  // region rows, continued in AC and AD
    {"AC", 7561, 96},
    {"AD", 8521, 60},
    {"AF", 9401, 30},  // local-tax rows
}};

// The i-th amount of a run, i from 1 to the run's count (RuntimeError 9 otherwise).
constexpr Descriptor f24Amount(AmountRun run, int i) {
  const AmountRunInfo& r = kAmountRuns[static_cast<int>(run)];
  if (i < 1 || i > r.count) detail::outOfRange("F24 amount index");
  return detail::build("F24X$", r.firstStart + 10L * (i - 1), 10, '2', r.id, i);
}

// The 21 region blocks of F24X$ (152 characters each): 4 rows of 35 characters, each read with
// the block's first-row descriptor and a repeat index of 1 to 4.
inline constexpr int kRegionBlocks = 21;
inline constexpr int kRegionRows = 4;
enum class RegionField { Code, Year, Debit, Credit };

// The first-row descriptor of a field of block b, b from 0 to 20 (RuntimeError 9 otherwise).
constexpr Descriptor regionField(RegionField field, int b) {
  struct Layout {
    long start;
    long length;
    char type;
  };
  constexpr std::array<Layout, 4> layout{
      {{1077, 5, 'A'}, {1082, 6, 'A'}, {1088, 12, '2'}, {1100, 12, '2'}}};
  if (b < 0 || b >= kRegionBlocks) detail::outOfRange("region block");
  const int f = static_cast<int>(field);
  const Layout& l = layout[f];
  return detail::build("F24X$", l.start + 152L * b, l.length, l.type, "A", 124L + 17L * b + f);
}

// The complementary amount n (1..252) of the region rows, over the runs AB, AC and AD.
constexpr Descriptor regionAmount(int n) {
  if (n <= kAmountRuns[1].count) return f24Amount(AmountRun::AB, n);
  if (n <= kAmountRuns[1].count + kAmountRuns[2].count)
    return f24Amount(AmountRun::AC, n - kAmountRuns[1].count);
  return f24Amount(AmountRun::AD, n - kAmountRuns[1].count - kAmountRuns[2].count);
}

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

// The year's payroll amounts of an employee.
inline constexpr std::array<std::string_view, 23> kEmployeeAmounts{
    Q196, Q703, Q791, Q308, Q309, Q353, Q354, Q746, Q749, Q812, Q815, Q891,
    Q893, Q909, Q910, Q818, Q821, Q823, Q826, Q833, Q836, Q828, Q831};

// The single descriptors above; then kAllRead, every descriptor this program reads: the singles,
// the amount runs, the region block fields (tests check each lies inside its family).
inline constexpr std::array kSingles{
    P001, Q308, Q309, Q196, Q353, Q354, Q703, Q746, Q749, Q791, Q891, Q893, Q909, Q910, Q812, Q815,
    Q818, Q821, Q823, Q826, Q828, Q831, Q833, Q836, T001, T002, T012, T008, T010, T011, T326, T081,
    T082, T083, T084, T087, T088, T089, T409, T410, T148, T149, T150, T483, T484, T485, T486, T013,
    T020, T021, T023, T024, T025, T014, T003, T302, T223, T224, T085, T022, T289, T348, T353, T354,
    T490, T491, T103, T523, T596, T631, T734, T735, T411, A001, A003, A004, A005, A006, A007, A482,
    A483, A484, A485, A486, A487, A488, A489, A567, A568, A682, A683, A684, A685, A696, A698, A699,
    A700, A702, A704, A705, A706, A708, A710, A711, A712, A714, A716, A717, A718, A720, A722, A723,
    A724, A726, A728, A729, A730, A732, A734, A735, A736,
};
inline constexpr std::size_t kReadCount = 547;
inline constexpr std::array<Descriptor, kReadCount> kAllRead = [] {
  std::array<Descriptor, kReadCount> all{};
  std::size_t n = 0;
  for (std::string_view s : kSingles) all[n++] = detail::copy(s);
  for (int r = 0; r < static_cast<int>(kAmountRuns.size()); ++r)
    for (int i = 1; i <= kAmountRuns[r].count; ++i)
      all[n++] = f24Amount(static_cast<AmountRun>(r), i);
  for (int b = 0; b < kRegionBlocks; ++b)
    for (int f = 0; f < 4; ++f) all[n++] = regionField(static_cast<RegionField>(f), b);
  if (n != kReadCount) detail::outOfRange("descriptor count");
  return all;
}();

}  // namespace zr::desc

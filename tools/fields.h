// Descriptors of the record fields the builder fills: the key fields of each archive and the
// fields the demo bureau gives values to. Constants only.
#pragma once

#include <string_view>

namespace zr::demo::fld {

// Company archive
inline constexpr std::string_view T001 = "DITX$,00003,03,N,0,T001";
inline constexpr std::string_view T002 = "DITX$,00006,30,A,0,T002";
inline constexpr std::string_view T003 = "DITX$,01451,10,A,0,T003";
inline constexpr std::string_view T008 = "DITX$,00109,30,A,0,T008";
inline constexpr std::string_view T010 = "DITX$,00144,20,A,0,T010";
inline constexpr std::string_view T011 = "DITX$,00164,02,A,0,T011";
inline constexpr std::string_view T012 = "DITX$,00036,16,A,0,T012";
inline constexpr std::string_view T013 = "DITX$,00834,11,A,0,T013";
inline constexpr std::string_view T014 = "DITX$,01229,06,A,0,T014";
inline constexpr std::string_view T020 = "DITX$,01001,15,A,0,T020";
inline constexpr std::string_view T021 = "DITX$,01016,15,A,0,T021";
inline constexpr std::string_view T022 = "DITX$,02073,08,D,0,T022";
inline constexpr std::string_view T023 = "DITX$,01037,01,A,0,T023";
inline constexpr std::string_view T024 = "DITX$,01038,20,A,0,T024";
inline constexpr std::string_view T025 = "DITX$,01058,02,A,0,T025";
inline constexpr std::string_view T081 = "DITX$,00251,16,A,0,T081";
inline constexpr std::string_view T082 = "DITX$,00267,15,A,0,T082";
inline constexpr std::string_view T083 = "DITX$,00282,15,A,0,T083";
inline constexpr std::string_view T084 = "DITX$,00297,01,A,0,T084";
inline constexpr std::string_view T085 = "DITX$,02001,08,D,0,T085";
inline constexpr std::string_view T087 = "DITX$,00305,15,A,0,T087";
inline constexpr std::string_view T088 = "DITX$,00320,02,A,0,T088";
inline constexpr std::string_view T089 = "DITX$,00322,15,A,0,T089";
inline constexpr std::string_view T103 = "DITX$,03262,20,A,0,T103";
inline constexpr std::string_view T148 = "DITX$,00723,01,A,0,T148";
inline constexpr std::string_view T149 = "DITX$,00724,02,A,0,T149";
inline constexpr std::string_view T150 = "DITX$,00726,01,A,0,T150";
inline constexpr std::string_view T223 = "DITX$,01840,04,A,0,T223";
inline constexpr std::string_view T224 = "DITX$,01844,08,A,0,T224";
inline constexpr std::string_view T289 = "DITX$,02197,12,A,0,T289";
inline constexpr std::string_view T302 = "DITX$,01663,30,A,0,T302";
inline constexpr std::string_view T326 = "DITX$,00166,03,N,0,T326";
inline constexpr std::string_view T348 = "DITX$,02378,30,A,0,T348";
inline constexpr std::string_view T353 = "DITX$,02448,04,A,0,T353";
inline constexpr std::string_view T354 = "DITX$,02452,12,A,0,T354";
inline constexpr std::string_view T409 = "DITX$,00664,08,D,0,T409";
inline constexpr std::string_view T410 = "DITX$,00672,08,D,0,T410";
inline constexpr std::string_view T411 = "DITX$,06095,02,A,0,T411";
inline constexpr std::string_view T483 = "DITX$,00743,03,A,0,T483";
inline constexpr std::string_view T484 = "DITX$,00767,20,A,0,T484";
inline constexpr std::string_view T485 = "DITX$,00787,20,A,0,T485";
inline constexpr std::string_view T486 = "DITX$,00807,16,A,0,T486";
inline constexpr std::string_view T490 = "DITX$,02941,30,A,0,T490";
inline constexpr std::string_view T491 = "DITX$,03000,30,A,0,T491";
inline constexpr std::string_view T523 = "DITX$,03282,30,A,0,T523";
inline constexpr std::string_view T596 = "DITX$,04383,01,N,0,T596";
inline constexpr std::string_view T631 = "DITX$,04651,02,A,0,T631";
inline constexpr std::string_view T734 = "DITX$,05215,30,A,0,T734";
inline constexpr std::string_view T735 = "DITX$,05245,30,A,0,T735";

// Employee archive: the code, then the amounts of the year's payroll.
inline constexpr std::string_view P001 = "DIPX$,00003,10,A,0,P001";
inline constexpr std::string_view kEmployeeAmounts[] = {
    "DIPX$,04839,10,2,0,Q196", "DIPX$,10313,10,2,0,Q703", "DIPX$,12011,08,2,0,Q791",
    "DIPX$,04111,10,2,0,Q308", "DIPX$,04121,10,2,0,Q309", "DIPX$,04939,10,2,0,Q353",
    "DIPX$,04949,10,2,0,Q354", "DIPX$,11343,08,2,0,Q746", "DIPX$,11367,08,2,0,Q749",
    "DIPX$,13281,08,2,0,Q812", "DIPX$,13305,08,2,0,Q815", "DIPX$,12573,08,2,0,Q891",
    "DIPX$,12589,08,2,0,Q893", "DIPX$,12856,08,2,0,Q909", "DIPX$,12864,08,2,0,Q910",
    "DIPX$,13329,08,2,0,Q818", "DIPX$,13353,08,2,0,Q821", "DIPX$,13369,08,2,0,Q823",
    "DIPX$,13393,08,2,0,Q826", "DIPX$,13449,08,2,0,Q833", "DIPX$,13473,08,2,0,Q836",
    "DIPX$,13409,08,2,0,Q828", "DIPX$,13433,08,2,0,Q831"};

// F24 payment archive: company, payment date, period.
inline constexpr std::string_view A001 = "F24X$,00001,03,N,0,A001";
inline constexpr std::string_view A003 = "F24X$,00034,08,D,0,A003";
inline constexpr std::string_view A567 = "F24X$,04989,04,A,0,A567";
inline constexpr std::string_view A568 = "F24X$,04993,02,A,0,A568";
// Erario rows (repeat index 1..20): code, reference, debit, credit.
inline constexpr std::string_view A004 = "F24X$,00042,04,N,0,A004";
inline constexpr std::string_view A005 = "F24X$,00046,08,A,0,A005";
inline constexpr std::string_view A006 = "F24X$,00054,12,2,0,A006";
inline constexpr std::string_view A007 = "F24X$,00066,12,2,0,A007";

}  // namespace zr::demo::fld

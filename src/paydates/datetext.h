// Date texts of the grid and the calendar: "day/month/year" texts read as dates, dates written
// back as "dd/mm/yyyy", the long date the calendar shows and the move off a weekend. Pure
// functions over std::chrono; no state, no services.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace zr::datetext {

inline constexpr std::string_view kEmptyDate = "00/00/0000";

// A text read as day/month/year. Blanks around it are ignored; the day and the month have one
// or two digits, the year exactly four, with "/" between them; the date must exist and its
// year lie in 100..9999, the range a date value holds. Nothing else is a date: no other
// separator, no two-digit year (its century would be a guess), no time of day, no month name.
// So "1/2/2023" and " 16/02/2023 " are dates; "16/02/20231", "16-02-2023", "16/02/23",
// "31/02/2024", "01/01/0000" and "01/01/0099" are not.
std::optional<std::chrono::year_month_day> readDayMonthYear(std::string_view text);

// Exactly "dd/mm/yyyy" (ten characters, no blanks) and a date as readDayMonthYear reads it.
std::optional<std::chrono::year_month_day> readFixedDate(std::string_view text);

// "dd/mm/yyyy" (the year zero-filled to four digits).
std::string fixedDateText(std::chrono::year_month_day d);

bool isWeekend(std::chrono::year_month_day d);

// A Saturday moves one day on, and then a Sunday one more: both end on the following Monday.
std::chrono::year_month_day weekendShifted(std::chrono::year_month_day d);

// The long date as Italian settings show it: weekday, day without a leading zero, month, year,
// names in lower case and CP1252 ("mercoled\xEC 6 marzo 2024").
std::string longDateText(std::chrono::year_month_day d);

// v in decimal, zero-filled to `width` digits.
std::string zeroFilled(unsigned v, std::size_t width);

// Weekday abbreviation ("Dom", "Lun", ... "Sab").
std::string_view weekdayAbbreviation(std::chrono::weekday w);

}  // namespace zr::datetext

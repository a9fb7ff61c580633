#include "paydates/datetext.h"

#include <array>

#include "platform/text.h"

namespace zr::datetext {
namespace {

using namespace std::chrono;

constexpr int kFirstYear = 100, kLastYear = 9999;

constexpr std::array<std::string_view, 7> kAbbreviations = {"Dom", "Lun", "Mar", "Mer",
                                                            "Gio", "Ven", "Sab"};
constexpr std::array<std::string_view, 7> kWeekdayNames = {
    "domenica", "luned\xEC", "marted\xEC", "mercoled\xEC", "gioved\xEC", "venerd\xEC", "sabato"};
constexpr std::array<std::string_view, 12> kMonthNames = {
    "gennaio", "febbraio", "marzo",     "aprile",  "maggio",   "giugno",
    "luglio",  "agosto",   "settembre", "ottobre", "novembre", "dicembre"};

// The value of 1..maxDigits decimal digits, or -1.
int digitsValue(std::string_view s, std::size_t maxDigits) {
  if (s.empty() || s.size() > maxDigits) return -1;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

}  // namespace

std::string zeroFilled(unsigned v, std::size_t width) {
  std::string s;
  do {
    s.insert(s.begin(), static_cast<char>('0' + v % 10));
    v /= 10;
  } while (v != 0);
  if (s.size() < width) s.insert(0, width - s.size(), '0');
  return s;
}

std::optional<year_month_day> readDayMonthYear(std::string_view text) {
  const std::string t = platform::trimmed(text);
  const std::string_view s(t);
  const auto first = s.find('/');
  const auto second = first == std::string_view::npos ? first : s.find('/', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const int d = digitsValue(s.substr(0, first), 2);
  const int m = digitsValue(s.substr(first + 1, second - first - 1), 2);
  const std::string_view yearText = s.substr(second + 1);
  const int y = yearText.size() == 4 ? digitsValue(yearText, 4) : -1;
  if (d < 0 || m < 0 || y < kFirstYear || y > kLastYear) return std::nullopt;
  const year_month_day date{year{y}, month{static_cast<unsigned>(m)},
                            day{static_cast<unsigned>(d)}};
  if (!date.ok()) return std::nullopt;
  return date;
}

std::optional<year_month_day> readFixedDate(std::string_view text) {
  if (text.size() != 10 || text[2] != '/' || text[5] != '/') return std::nullopt;
  for (std::size_t i : {0u, 1u, 3u, 4u})
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  return readDayMonthYear(text);
}

std::string fixedDateText(year_month_day d) {
  return zeroFilled(static_cast<unsigned>(d.day()), 2) + "/" +
         zeroFilled(static_cast<unsigned>(d.month()), 2) + "/" +
         zeroFilled(static_cast<unsigned>(static_cast<int>(d.year())), 4);
}

bool isWeekend(year_month_day d) {
  const weekday w{sys_days{d}};
  return w == Saturday || w == Sunday;
}

year_month_day weekendShifted(year_month_day d) {
  sys_days day{d};
  if (weekday{day} == Saturday) day += days{1};
  if (weekday{day} == Sunday) day += days{1};
  return year_month_day{day};
}

std::string longDateText(year_month_day d) {
  const weekday w{sys_days{d}};
  return std::string(kWeekdayNames[w.c_encoding()]) + " " +
         zeroFilled(static_cast<unsigned>(d.day()), 1) + " " +
         std::string(kMonthNames[static_cast<unsigned>(d.month()) - 1]) + " " +
         zeroFilled(static_cast<unsigned>(static_cast<int>(d.year())), 1);
}

std::string_view weekdayAbbreviation(weekday w) {
  return kAbbreviations[w.c_encoding()];
}

}  // namespace zr::datetext

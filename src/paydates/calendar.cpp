#include "paydates/calendar.h"

#include "archive/config.h"
#include "paydates/datetext.h"
#include "platform/errors.h"
#include "platform/numtext.h"
#include "platform/text.h"

namespace zr {
namespace {

using namespace std::chrono;

constexpr std::array<std::string_view, 12> kMonthNames = {
    "Gennaio", "Febbraio", "Marzo",     "Aprile",  "Maggio",   "Giugno",
    "Luglio",  "Agosto",   "Settembre", "Ottobre", "Novembre", "Dicembre"};

// A year typed into the list draws beyond the list's own years.
constexpr double kFirstDrawnYear = 1900, kLastDrawnYear = 2200;

// The blanks push the hint to the right edge of the title bar, where the close box is.
constexpr std::size_t kCaptionBlanks = 44;

// A text year at compile time.
constexpr int yearValue(std::string_view digits) {
  int v = 0;
  for (char c : digits) v = v * 10 + (c - '0');
  return v;
}

// The proposals are made for the edition's year, whatever year the clock shows: a grid filled
// in late (or early) still proposes the due dates of the months it pays.
constexpr int kProposalYear = yearValue(ANNO770);

// The legal due date for the payments of each grid box's month.
struct Proposal {
  unsigned day, month;
  int yearOffset;  // from the edition's year
};
// clang-format off
constexpr std::array<Proposal, 13> kProposals = {{
    {16, 2, -1}, {16, 3, -1}, {16, 4, -1}, {16, 5, -1}, {16, 6, -1}, {16, 7, -1}, {21, 8, -1},
    {16, 9, -1}, {16, 10, -1}, {16, 11, -1}, {16, 12, -1}, {16, 1, 0}, {16, 2, 0},
}};
// clang-format on

std::string proposedDate(int box) {
  const Proposal& p = kProposals[static_cast<std::size_t>(box)];
  const year_month_day due{year{kProposalYear + p.yearOffset}, month{p.month}, day{p.day}};
  return datetext::fixedDateText(datetext::weekendShifted(due));
}

// The run time's reading of a list's text as a number; a text too large for one is no year.
double listNumber(std::string_view text) {
  try {
    return platform::valNumber(text);
  } catch (const RuntimeError&) {
    return 0;
  }
}

// Right("0000" & Trim(text), 4): the year part of a date text built from the year list.
std::string yearPart(std::string_view listText) {
  const std::string t = "0000" + platform::trimmed(listText);
  return t.substr(t.size() - 4);
}

}  // namespace

SlotPlace slotPlace(int slot) {
  const int column = (slot - 1) / kSlotsPerColumn, row = (slot - 1) % kSlotsPerColumn;
  const int left = column * kSlotColumnStep;
  return {column, row, left, left + kWeekdayLabelWidth, row * kSlotRowStep};
}

FrmCalendario770::FrmCalendario770(MainForm& form, platform::Clock& clock)
    : caption("Calendario" + std::string(kCaptionBlanks, ' ') +
              "per uscire senza modificare data ->"),
      form_(form),
      clock_(clock) {}

void FrmCalendario770::Form_Load() {
  width = kCalendarWidth;
  height = kCalendarHeight;
  left = (form_.screenWidth - width) / 2;
  top = (form_.screenHeight - height) / 2;
  Label3 = "Data odierna";
  const int box = form_.CASELLADATA;
  if (box >= 0 && box < static_cast<int>(kProposals.size()))
    form_.DATACALENDARIO = proposedDate(box);
  Label2 = datetext::longDateText(clock_.today());
  chosen_ = 0;
  CREACALENDARIOINIZIALE();
}

void FrmCalendario770::CREACALENDARIOINIZIALE() {
  Combo1List.assign(kMonthNames.begin(), kMonthNames.end());
  filling_ = true;
  const auto given = datetext::readFixedDate(form_.DATACALENDARIO);
  const year_month_day shown = given ? *given : clock_.today();
  dateText_ = given ? form_.DATACALENDARIO : datetext::fixedDateText(shown);
  for (DaySlot& s : slots_) {
    s.LabDESGG.clear();
    s.LabNUMGG.clear();
    s.visible = false;
  }
  highlightOnly(static_cast<int>(static_cast<unsigned>(shown.day())));
  Combo2List.clear();
  for (int y = kFirstListYear; y <= kLastListYear; ++y)
    Combo2List.push_back(datetext::zeroFilled(static_cast<unsigned>(y), 4));
  currentDate_ = sys_days{shown.year() / shown.month() / 1};
  Combo1Text = kMonthNames[static_cast<unsigned>(shown.month()) - 1];
  const std::string yearText = dateText_.substr(dateText_.size() - 4);
  Combo2Text = listNumber(yearText) >= kFirstListYear ? yearText : "1900";
  SVILUPPACALENDARIO();
  filling_ = false;
}

void FrmCalendario770::SVILUPPACALENDARIO() {
  for (DaySlot& s : slots_) {
    s.LabDESGG.clear();
    s.LabNUMGG.clear();
    s.visible = false;
  }
  for (int i = 1; i <= kSlots && dateText_.size() >= 2; ++i) {
    dateText_.replace(0, 2, datetext::zeroFilled(static_cast<unsigned>(i), 2));
    if (!datetext::readDayMonthYear(dateText_)) break;  // the month has no day i
    DaySlot& s = slotAt(i);
    const weekday w{currentDate_};
    s.LabNUMGG = datetext::zeroFilled(static_cast<unsigned>(year_month_day{currentDate_}.day()), 1);
    s.LabDESGG = datetext::weekdayAbbreviation(w);
    s.fore = w == Saturday || w == Sunday ? kRed : kBlack;
    currentDate_ += days{1};
    s.visible = true;
  }
}

bool FrmCalendario770::listMonthYear(double& year) {
  const std::string name = platform::trimmed(Combo1Text);
  for (std::size_t m = 0; m < kMonthNames.size(); ++m)
    if (kMonthNames[m] == name) monthNumber_ = static_cast<int>(m) + 1;
  year = listNumber(Combo2Text);
  return year >= kFirstDrawnYear && year <= kLastDrawnYear && monthNumber_ >= 1 &&
         monthNumber_ <= 12;
}

void FrmCalendario770::CREACALENDARIO() {
  double year = 0;
  if (!listMonthYear(year)) return;
  const std::string text = "01/" + datetext::zeroFilled(static_cast<unsigned>(monthNumber_), 2) +
                           "/" + yearPart(Combo2Text);
  // A year such as "2023.5" is in range as a number but names no date.
  const auto first = datetext::readDayMonthYear(text);
  if (!first) return;
  dateText_ = text;
  currentDate_ = sys_days{*first};
  SVILUPPACALENDARIO();
}

void FrmCalendario770::SELEZDATA() {
  double year = 0;
  if (selectedSlot_ < 1 || !listMonthYear(year)) return;
  const std::string number = "00" + platform::trimmed(slot(selectedSlot_).LabNUMGG);
  const std::string text = number.substr(number.size() - 2) + "/" +
                           datetext::zeroFilled(static_cast<unsigned>(monthNumber_), 2) + "/" +
                           yearPart(Combo2Text);
  // The lists changed without a redraw can name a day the month lacks: nothing to hand back.
  const auto picked = datetext::readDayMonthYear(text);
  if (!picked) return;
  dateText_ = text;
  chosen_ = 1;
  form_.DATACALENDARIO = datetext::fixedDateText(datetext::weekendShifted(*picked));
  dayChosen_ = true;
  closeRequested_ = true;
}

void FrmCalendario770::Combo1_Click() {
  if (!filling_) CREACALENDARIO();
}

void FrmCalendario770::Combo2_Click() {
  if (!filling_) CREACALENDARIO();
}

void FrmCalendario770::highlightOnly(int i) {
  for (int j = 1; j <= kSlots; ++j) {
    DaySlot& s = slotAt(j);
    s.numBack = j == i ? kLightYellow : kWhite;
    s.desBack = j == i ? kLightYellow : kLightGreen;
  }
}

void FrmCalendario770::slotClick(int i) {
  if (i >= 1 && i <= kSlots) highlightOnly(i);
}

void FrmCalendario770::slotDblClick(int i) {
  if (i < 1 || i > kSlots) return;
  const DaySlot& s = slot(i);
  if (platform::trimmed(s.LabDESGG).empty() || platform::trimmed(s.LabNUMGG).empty()) return;
  selectedSlot_ = i;
  chosen_ = 0;
  SELEZDATA();
}

void FrmCalendario770::Command1_Click() {
  closeRequested_ = true;
}

void FrmCalendario770::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  if (chosen_ == 0) form_.DATACALENDARIO = std::string(datetext::kEmptyDate);
  chosen_ = 0;
}

}  // namespace zr

#include "paydates/dategrid.h"

#include <algorithm>

#include "paydates/datetext.h"
#include "platform/text.h"
#include "shell/app.h"

namespace zr {
namespace {

using datetext::kEmptyDate;

constexpr int kLastDigit = 9;  // the year's units: the mask's last position
constexpr int kFirstWritableYear = 1000, kLastWritableYear = 2999;
constexpr Rgb kGrey{192, 192, 192}, kDarkRed{128, 0, 0};

bool isBox(int index) {
  return index >= 0 && index < kGridBoxes;
}

// The byte at 1-based position pos, 0 past the end (below every digit, as an empty string
// compares).
unsigned char at(std::string_view t, std::size_t pos) {
  return pos <= t.size() ? static_cast<unsigned char>(t[pos - 1]) : 0;
}

// A digit refused at caret p: no day above 31 or 00, no month above 12 or 00, years 1xxx and
// 2xxx only. Each position looks at the digits already standing beside it.
bool refused(std::string_view t, int p, unsigned char d) {
  const unsigned char c1 = at(t, 1), c2 = at(t, 2), c4 = at(t, 4), c5 = at(t, 5);
  switch (p) {
    case 0:
      return d > '3' || (d > '2' && c2 > '1');
    case 1:
      return (c1 == '3' && d > '1') || (c1 == '0' && d == '0');
    case 3:
      return d > '1' || (d == '1' && c5 > '2');
    case 4:
      return (c4 != '0' && d > '2') || (c4 == '0' && d == '0');
    case 6:
      return d < '1' || d > '2';
    default:
      return false;
  }
}

// The caret after a digit at p: over the separators, and held on the last digit at the end.
int caretAfter(int p) {
  if (p == 1 || p == 4) ++p;
  if (p == kLastDigit) --p;
  return p + 1;
}

// The box's text as a program sets it: a different text fires the box's change.
void setText(MainForm& form, int index, std::string text) {
  auto& box = form.Text1[static_cast<std::size_t>(index)];
  if (box == text) return;
  box = std::move(text);
  Text1_Change(form, index);
}

MainForm::DateBox& state(MainForm& form, int index) {
  return form.Text1Box[static_cast<std::size_t>(index)];
}

}  // namespace

bool boxDateAccepted(std::string_view text) {
  const std::string t = platform::trimmed(text);
  if (t.empty() || t == kEmptyDate) return true;
  return datetext::readDayMonthYear(t).has_value() && !t.ends_with("0000");
}

bool isWritableGridDate(std::string_view text) {
  const auto date = datetext::readFixedDate(text);
  if (!date) return false;
  const int y = static_cast<int>(date->year());
  return y >= kFirstWritableYear && y <= kLastWritableYear;
}

MaskedKey maskKey(std::string_view text, int caret, int keyAscii) {
  MaskedKey r{std::string(text), std::clamp(caret, 0, static_cast<int>(text.size())), false};
  if (platform::trimmed(text).empty()) r = {std::string(kEmptyDate), 0, false};
  if (keyAscii == kBackspace) return {std::string(kEmptyDate), 0, false};
  if (keyAscii < '0' || keyAscii > '9') {
    r.beep = true;
    return r;
  }
  const int p = r.caret;
  if (p == 2 || p == 5 || p > kLastDigit) return r;
  const auto digit = static_cast<unsigned char>(keyAscii);
  if (refused(r.text, p, digit)) {
    r.beep = true;
    return r;
  }
  const auto pos = static_cast<std::size_t>(p);
  r.text = r.text.substr(0, pos) + static_cast<char>(digit) +
           (pos + 1 < r.text.size() ? r.text.substr(pos + 1) : std::string());
  // A text shorter than the mask has no separator to step over: the caret stops at its end,
  // as a text box's does.
  r.caret = std::min(caretAfter(p), static_cast<int>(r.text.size()));
  return r;
}

void MASCHERADATA(App& app, int index, int keyAscii) {
  if (!isBox(index)) return;
  MainForm& form = app.form;
  const MaskedKey r =
      maskKey(form.Text1[static_cast<std::size_t>(index)], state(form, index).caret, keyAscii);
  setText(form, index, r.text);
  state(form, index).caret = r.caret;
  if (r.beep) app.ui().beep();
}

void Text1_KeyPress(App& app, int index, int& keyAscii) {
  MASCHERADATA(app, index, keyAscii);
  keyAscii = 0;
}

void Text1_Change(MainForm& form, int index) {
  if (isBox(index)) state(form, index).errorColours = false;
}

void Text1_GotFocus(MainForm& form, int index) {
  if (!isBox(index)) return;
  form.gridFocus = index;
  state(form, index).caret = 0;
}

void Text1_LostFocus(App& app, int index) {
  if (!isBox(index)) return;
  MainForm& form = app.form;
  if (form.gridFocus == index) form.gridFocus = -1;
  const auto& text = form.Text1[static_cast<std::size_t>(index)];
  if (platform::trimmed(text).empty()) setText(form, index, std::string(kEmptyDate));
  if (boxDateAccepted(text)) return;
  app.ui().message("Data errata", form.caption, platform::Icon::Information);
  state(form, index).errorColours = true;
  Text1_GotFocus(form, index);  // the focus goes back, the wrong text stays for correcting
}

void clearGrid(MainForm& form) {
  for (int k = 0; k < kGridBoxes; ++k) {
    setText(form, k, std::string(kEmptyDate));
    state(form, k).errorColours = false;
  }
}

void Label7_Click(App& app, int index, const ShowCalendar& showModal) {
  if (!isBox(index)) return;
  MainForm& form = app.form;
  form.CASELLADATA = index;
  FrmCalendario770 calendar(form, app.clock());
  calendar.Form_Load();
  if (showModal) showModal(calendar);
  calendar.Form_Unload();
  // The caption promises that leaving the calendar does not touch the date.
  if (calendar.dayChosen()) setText(form, index, form.DATACALENDARIO);
}

Rgb Text1BackColor(const MainForm& form, int index) {
  return isBox(index) && form.Text1Box[static_cast<std::size_t>(index)].errorColours ? kYellow
                                                                                     : kWhite;
}

Rgb Text1ForeColor(const MainForm&, int) {
  return kBlack;
}

GridPlace gridPlace(int index) {
  if (index == kGridBoxes - 1) return {4, 0};
  return {index / 3, index % 3};
}

std::string Label7Caption(int index) {
  const int month = index == kGridBoxes - 1 ? 1 : index + 1;
  return datetext::zeroFilled(static_cast<unsigned>(month), 2);
}

Rgb Label7BackColor(int index) {
  return index == kGridBoxes - 1 ? kDarkRed : kGrey;
}

}  // namespace zr

// The main form's date grid: the thirteen Text1 boxes with their typing mask and the check made
// when one is left, and the Label7 month labels that open the calendar. Works on the App's
// main form and Ui; the two date checks are pure and shared with the verification and the
// command line.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "paydates/calendar.h"

namespace zr {

class App;
struct MainForm;

inline constexpr int kGridBoxes = 13;
inline constexpr int kBackspace = 8;

// The lost-focus check: a blank text or "00/00/0000" is fine; anything else must be a date as
// datetext::readDayMonthYear reads it (blanks around ignored; "d/m/yyyy" with one or two digits
// for day and month, four for the year, years 100..9999; so "1/2/2023" passes and an
// 11-character "16/02/20231" does not) whose last four characters are not "0000".
bool boxDateAccepted(std::string_view text);

// A date the grid may write into the archives: exactly "dd/mm/yyyy" (ten characters, digits
// and two slashes), a real calendar date, year 1000 to 2999.
bool isWritableGridDate(std::string_view text);

// One key typed into a box: the text and caret (0-based) it leaves and whether it beeped.
struct MaskedKey {
  std::string text;
  int caret = 0;
  bool beep = false;
  friend bool operator==(const MaskedKey&, const MaskedKey&) = default;
};
// MASCHERADATA's rule for one key code typed at `caret` into `text`. A digit at a caret on a
// separator or past the last position (caret >= 10) is ignored, so the text never grows past
// ten characters. Whenever the text is replaced the caret goes back to the start, as a text
// box's does, before a digit moves it on; a digit never leaves it beyond the text's end.
MaskedKey maskKey(std::string_view text, int caret, int keyAscii);

// MASCHERADATA: box `index` takes maskKey's text and caret; a refused key beeps.
void MASCHERADATA(App& app, int index, int keyAscii);

// The handlers of the boxes (index 0..12; others are ignored).
void Text1_KeyPress(App& app, int index, int& keyAscii);  // keyAscii becomes 0: consumed
void Text1_Change(MainForm& form, int index);
void Text1_GotFocus(MainForm& form, int index);
void Text1_LostFocus(App& app, int index);

// Every box back to "00/00/0000" through its change, so no error colours stay either.
void clearGrid(MainForm& form);

// Runs the loaded calendar modally: returns when the user has closed it (closeRequested() or
// the window's close box). The desktop view shows its dialog; tests drive the model directly.
using ShowCalendar = std::function<void(FrmCalendario770&)>;

// Label7 click: the calendar opens for box `index`, and a day chosen there replaces the box's
// text; leaving without a choice keeps the text the box had.
void Label7_Click(App& app, int index, const ShowCalendar& showModal);

// What the view draws.
Rgb Text1BackColor(const MainForm& form, int index);
Rgb Text1ForeColor(const MainForm& form, int index);
struct GridPlace {
  int column, row;  // boxes 0-2 fill the first column downwards ... 9-11 the fourth; 12 the fifth
};
GridPlace gridPlace(int index);
std::string Label7Caption(int index);  // "01".."12", then "01" for January of the next year
Rgb Label7BackColor(int index);        // grey, dark red for box 12

}  // namespace zr

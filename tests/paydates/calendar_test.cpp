// The calendar opened from the grid of a loaded program: the proposal for every box whatever
// year the clock shows, the month views, the lists, picking a day and leaving without one.
#include "paydates/calendar.h"

#include <gtest/gtest.h>

#include "grid_fixture.h"
#include "paydates/dategrid.h"

namespace zr::testing {
namespace {

using namespace std::chrono;

constexpr year_month_day kIn2024 = year{2024} / 2 / 20;  // a Tuesday
constexpr year_month_day kIn2026 = year{2026} / 3 / 4;   // a Wednesday

const char* const kWeek[] = {"Dom", "Lun", "Mar", "Mer", "Gio", "Ven", "Sab"};

// The month on show: slots 1..days visible with their day numbers and weekdays from the 1st's
// (0 = Sunday) on, red on Saturdays and Sundays; the slots after it hidden and blank.
void expectMonth(const FrmCalendario770& cal, int days, int firstWeekday) {
  for (int i = 1; i <= FrmCalendario770::kSlots; ++i) {
    SCOPED_TRACE("slot " + std::to_string(i));
    const DaySlot& s = cal.slot(i);
    if (i > days) {
      EXPECT_FALSE(s.visible);
      EXPECT_EQ(s.LabNUMGG, "");
      EXPECT_EQ(s.LabDESGG, "");
      continue;
    }
    const int w = (firstWeekday + i - 1) % 7;
    EXPECT_TRUE(s.visible);
    EXPECT_EQ(s.LabNUMGG, std::to_string(i));
    EXPECT_EQ(s.LabDESGG, kWeek[w]);
    EXPECT_EQ(s.fore, w == 0 || w == 6 ? kRed : kBlack);
  }
}

// Only slot `day` has the highlighted colours.
void expectHighlighted(const FrmCalendario770& cal, int day) {
  for (int i = 1; i <= FrmCalendario770::kSlots; ++i) {
    EXPECT_EQ(cal.slot(i).numBack, i == day ? kLightYellow : kWhite) << i;
    EXPECT_EQ(cal.slot(i).desBack, i == day ? kLightYellow : kLightGreen) << i;
  }
}

struct Expected {
  const char* date;
  const char* month;
  const char* year;
  int day;
};
// Worked out on a calendar: 16/04/2023 and 16/07/2023 are Sundays, 16/09/2023 and
// 16/12/2023 Saturdays; box 6 pays on the 21st of August.
const Expected kProposals[kGridBoxes] = {
    {"16/02/2023", "Febbraio", "2023", 16}, {"16/03/2023", "Marzo", "2023", 16},
    {"17/04/2023", "Aprile", "2023", 17},   {"16/05/2023", "Maggio", "2023", 16},
    {"16/06/2023", "Giugno", "2023", 16},   {"17/07/2023", "Luglio", "2023", 17},
    {"21/08/2023", "Agosto", "2023", 21},   {"18/09/2023", "Settembre", "2023", 18},
    {"16/10/2023", "Ottobre", "2023", 16},  {"16/11/2023", "Novembre", "2023", 16},
    {"18/12/2023", "Dicembre", "2023", 18}, {"16/01/2024", "Gennaio", "2024", 16},
    {"16/02/2024", "Febbraio", "2024", 16},
};

TEST_F(GridTest, EveryBoxProposesItsDueDateWhateverTheClockSays) {
  const std::pair<year_month_day, const char*> clocks[] = {{kIn2024, "marted\xEC 20 febbraio 2024"},
                                                           {kIn2026, "mercoled\xEC 4 marzo 2026"}};
  for (const auto& [today, longDate] : clocks) {
    App& a = load(today);
    for (int k = 0; k < kGridBoxes; ++k) {
      SCOPED_TRACE(std::string(longDate) + ", box " + std::to_string(k));
      const Expected& e = kProposals[k];
      bool shown = false;
      Label7_Click(a, k, [&](FrmCalendario770& cal) {
        shown = true;
        EXPECT_EQ(a.form.CASELLADATA, k);
        EXPECT_EQ(a.form.DATACALENDARIO, e.date);
        EXPECT_EQ(cal.Label2, longDate);
        EXPECT_EQ(cal.Combo1Text, e.month);
        EXPECT_EQ(cal.Combo2Text, e.year);
        expectHighlighted(cal, e.day);
        EXPECT_FALSE(cal.closeRequested());
        cal.LabNUMGG_DblClick(e.day);  // a weekday: handed back as it is
        EXPECT_TRUE(cal.closeRequested());
      });
      EXPECT_TRUE(shown);
      EXPECT_EQ(a.form.Text1[k], e.date);
      EXPECT_EQ(a.form.DATACALENDARIO, e.date);
    }
    EXPECT_TRUE(ui->events.empty());
  }
}

TEST_F(GridTest, MonthViewsFollowTheLists) {
  App& a = load(kIn2024);
  Label7_Click(a, 12, [&](FrmCalendario770& cal) {
    // February 2024 starts on a Thursday and has 29 days.
    const char* firstWeek[] = {"Gio", "Ven", "Sab", "Dom", "Lun", "Mar", "Mer"};
    for (int i = 1; i <= 7; ++i) EXPECT_EQ(cal.slot(i).LabDESGG, firstWeek[i - 1]);
    expectMonth(cal, 29, 4);
    expectHighlighted(cal, 16);

    // A click moves the highlight, on either label; the views keep it.
    cal.LabNUMGG_Click(3);
    expectHighlighted(cal, 3);
    cal.LabDESGG_Click(20);
    expectHighlighted(cal, 20);

    cal.Combo2Text = "2023";
    cal.Combo2_Click();
    expectMonth(cal, 28, 3);  // Wednesday 1 February 2023
    expectHighlighted(cal, 20);
    cal.Combo1Text = " Marzo ";
    cal.Combo1_Click();
    expectMonth(cal, 31, 3);  // Wednesday 1 March 2023
    // The lists reach the years 1900..2100; a year typed up to 2200 still draws.
    const std::pair<const char*, int> februaries[] = {{"2000", 2}, {"2100", 1}, {"2200", 6}};
    cal.Combo1Text = "Febbraio";
    for (const auto& [year, first] : februaries) {
      cal.Combo2Text = year;
      cal.Combo2_Click();
      expectMonth(cal, std::string(year) == "2000" ? 29 : 28, first);
    }

    // Out of range or no year at all: nothing is redrawn and a double click hands back nothing.
    for (const char* typed : {"2201", "1899", "abc", "", "9e999", "2023.5"}) {
      SCOPED_TRACE(typed);
      cal.Combo2Text = typed;
      cal.Combo1_Click();
      cal.Combo2_Click();
      expectMonth(cal, 28, 6);  // still February 2200
      cal.LabNUMGG_DblClick(5);
      EXPECT_FALSE(cal.closeRequested());
      EXPECT_EQ(a.form.DATACALENDARIO, "16/02/2024");
    }
    // A month name that matches none keeps the month last read from the list.
    cal.Combo1Text = "Fbbraio";
    cal.Combo2Text = "2024";
    cal.Combo2_Click();
    expectMonth(cal, 29, 4);
    // Hidden slots cannot be picked.
    cal.LabDESGG_DblClick(30);
    cal.LabNUMGG_DblClick(31);
    cal.LabNUMGG_DblClick(0);
    cal.LabNUMGG_DblClick(32);
    EXPECT_FALSE(cal.closeRequested());
  });
  EXPECT_EQ(a.form.Text1[12], "00/00/0000");  // left without a choice
}

TEST_F(GridTest, AMonthNameNeverReadStopsTheDraw) {
  App& a = load(kIn2024);
  Label7_Click(a, 0, [&](FrmCalendario770& cal) {
    cal.Combo1Text = "Fbbraio";  // right after the load no month was read from the list yet
    cal.Combo1_Click();
    expectMonth(cal, 28, 3);
    cal.LabNUMGG_DblClick(6);
    EXPECT_FALSE(cal.closeRequested());
    cal.Command1_Click();
    EXPECT_TRUE(cal.closeRequested());
  });
  EXPECT_EQ(a.form.Text1[0], "00/00/0000");
}

TEST_F(GridTest, AWeekendDayIsHandedBackAsTheFollowingMonday) {
  App& a = load(kIn2026);
  // clang-format off
  struct Pick { int box, slot; const char* got; };
  const Pick picks[] = {
      {12,  3, "05/02/2024"},  // Saturday
      {12,  4, "05/02/2024"},  // Sunday
      {12, 20, "20/02/2024"},  // Tuesday
      {10, 30, "01/01/2024"},  // Saturday 30 December: into the next year
      {10, 31, "01/01/2024"},
      { 2, 29, "01/05/2023"},  // Saturday 29 April: into May
      { 2, 30, "01/05/2023"},
      { 2,  1, "03/04/2023"},  // Saturday 1 April
  };
  // clang-format on
  for (const Pick& p : picks) {
    SCOPED_TRACE(std::to_string(p.box) + "/" + std::to_string(p.slot));
    a.form.Text1[p.box] = "00/00/0000";
    Label7_Click(a, p.box, [&](FrmCalendario770& cal) {
      cal.LabDESGG_DblClick(p.slot);
      EXPECT_TRUE(cal.closeRequested());
      EXPECT_TRUE(cal.dayChosen());
    });
    EXPECT_EQ(a.form.Text1[p.box], p.got);
    EXPECT_EQ(a.form.DATACALENDARIO, p.got);
  }
}

TEST_F(GridTest, LeavingWithoutAChoiceKeepsTheBox) {
  App& a = load(kIn2024);
  MainForm& f = a.form;
  f.Text1[5] = "10/07/2023";
  const std::function<void(FrmCalendario770&)> leaves[] = {
      [](FrmCalendario770& cal) { cal.Command1_Click(); },
      [](FrmCalendario770&) {},  // the window's close box
      [](FrmCalendario770& cal) {
        cal.LabNUMGG_Click(3);
        cal.Form_Unload();  // a view that unloads itself
      },
  };
  for (const auto& leave : leaves) {
    Label7_Click(a, 5, leave);
    EXPECT_EQ(f.Text1[5], "10/07/2023");
    EXPECT_EQ(f.DATACALENDARIO, "00/00/0000");
  }
  Label7_Click(a, 5, nullptr);
  EXPECT_EQ(f.Text1[5], "10/07/2023");

  // A wrong date stays yellow when the calendar is left, and turns white once a day replaces it,
  // even when the view unloads the form itself after the pick.
  f.Text1[5] = "31/06/2023";
  Text1_LostFocus(a, 5);
  ASSERT_EQ(Text1BackColor(f, 5), kYellow);
  Label7_Click(a, 5, [](FrmCalendario770& cal) { cal.Command1_Click(); });
  EXPECT_EQ(Text1BackColor(f, 5), kYellow);
  Label7_Click(a, 5, [](FrmCalendario770& cal) {
    cal.LabNUMGG_DblClick(18);
    cal.Form_Unload();
  });
  EXPECT_EQ(f.Text1[5], "18/07/2023");
  EXPECT_EQ(Text1BackColor(f, 5), kWhite);
}

TEST_F(GridTest, TheFormItsListsAndTodaysDate) {
  App& a = load(kIn2026);
  MainForm& f = a.form;
  f.screenWidth = 1024 * 15;
  f.screenHeight = 768 * 15;
  // Opened for no box: the date text falls back on today's when the exchange holds none.
  f.CASELLADATA = -1;
  f.DATACALENDARIO = "00/00/0000";
  FrmCalendario770 cal(f, a.clock());
  cal.Form_Load();
  EXPECT_EQ(cal.width, 6950);
  EXPECT_EQ(cal.height, 4150);
  EXPECT_EQ(cal.left, (15360 - 6950) / 2);
  EXPECT_EQ(cal.top, (11520 - 4150) / 2);
  EXPECT_TRUE(cal.caption.starts_with("Calendario  "));
  EXPECT_TRUE(cal.caption.ends_with("  per uscire senza modificare data ->"));
  EXPECT_EQ(cal.Label3, "Data odierna");
  EXPECT_EQ(cal.Label1, "Selezionare il giorno con un doppio click del mouse");
  EXPECT_EQ(cal.Command1, "Uscita");
  EXPECT_EQ(f.DATACALENDARIO, "00/00/0000");
  EXPECT_EQ(cal.Combo1Text, "Marzo");
  EXPECT_EQ(cal.Combo2Text, "2026");
  expectMonth(cal, 31, 0);  // Sunday 1 March 2026
  expectHighlighted(cal, 4);

  const std::vector<std::string> months = {"Gennaio",   "Febbraio", "Marzo",    "Aprile",
                                           "Maggio",    "Giugno",   "Luglio",   "Agosto",
                                           "Settembre", "Ottobre",  "Novembre", "Dicembre"};
  EXPECT_EQ(cal.Combo1List, months);
  ASSERT_EQ(cal.Combo2List.size(), 201u);
  for (std::size_t i = 0; i < cal.Combo2List.size(); ++i)
    EXPECT_EQ(cal.Combo2List[i], std::to_string(1900 + i));
  cal.Command1_Click();
  cal.Form_Unload();
  EXPECT_EQ(f.DATACALENDARIO, "00/00/0000");

  // A box index out of range leaves the exchange as it is: a date in the fixed form is shown,
  // one in any other form is not, and a year before the list shows the list's first.
  const std::tuple<const char*, const char*, const char*, int, int, int> given[] = {
      {"05/11/1999", "Novembre", "1999", 30, 1, 5},
      {"5/11/1999", "Marzo", "2026", 31, 0, 4},
      {"15/06/1850", "Giugno", "1900", 30, 6, 15},
  };
  for (const auto& [date, month, year, days, first, day] : given) {
    SCOPED_TRACE(date);
    f.CASELLADATA = 13;
    f.DATACALENDARIO = date;
    FrmCalendario770 other(f, a.clock());
    other.Form_Load();
    EXPECT_EQ(f.DATACALENDARIO, date);
    EXPECT_EQ(other.Combo1Text, month);
    EXPECT_EQ(other.Combo2Text, year);
    expectMonth(other, days, first);
    expectHighlighted(other, day);
  }
}

TEST_F(GridTest, TodayInTheLongDateFormat) {
  App& a = load(kIn2024);
  const std::pair<year_month_day, const char*> days[] = {
      {year{2024} / 1 / 1, "luned\xEC 1 gennaio 2024"},
      {year{2024} / 2 / 20, "marted\xEC 20 febbraio 2024"},
      {year{2026} / 3 / 4, "mercoled\xEC 4 marzo 2026"},
      {year{2024} / 4 / 25, "gioved\xEC 25 aprile 2024"},
      {year{2027} / 5 / 7, "venerd\xEC 7 maggio 2027"},
      {year{2025} / 6 / 29, "domenica 29 giugno 2025"},
      {year{2024} / 7 / 14, "domenica 14 luglio 2024"},
      {year{2023} / 8 / 10, "gioved\xEC 10 agosto 2023"},
      {year{2026} / 9 / 3, "gioved\xEC 3 settembre 2026"},
      {year{2026} / 10 / 15, "gioved\xEC 15 ottobre 2026"},
      {year{2024} / 11 / 30, "sabato 30 novembre 2024"},
      {year{2024} / 12 / 31, "marted\xEC 31 dicembre 2024"},
  };
  for (const auto& [today, text] : days) {
    platform::FixedClock clock(today);
    a.form.CASELLADATA = 0;
    FrmCalendario770 cal(a.form, clock);
    cal.Form_Load();
    EXPECT_EQ(cal.Label2, text);
    EXPECT_EQ(a.form.DATACALENDARIO, "16/02/2023");  // the proposal ignores the clock
  }
}

TEST(CalendarSlots, FiveColumnsOfSevenRows) {
  // clang-format off
  const std::tuple<int, int, int> places[] = {{1, 0, 0}, {7, 0, 6}, {8, 1, 0}, {15, 2, 0}, {29, 4, 0}, {31, 4, 2}};
  // clang-format on
  for (const auto& [slot, column, row] : places) {
    const SlotPlace p = slotPlace(slot);
    EXPECT_EQ(p.column, column) << slot;
    EXPECT_EQ(p.row, row) << slot;
    EXPECT_EQ(p.weekdayLeft, 1290 * column) << slot;
    EXPECT_EQ(p.numberLeft, 1290 * column + 735) << slot;
    EXPECT_EQ(p.top, 360 * row) << slot;
  }
}

}  // namespace
}  // namespace zr::testing

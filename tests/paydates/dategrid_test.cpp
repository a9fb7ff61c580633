// The date grid on a loaded program: keys typed into the boxes through the mask, the two date
// checks side by side, and what leaving a box with a wrong date does.
#include "paydates/dategrid.h"

#include <gtest/gtest.h>

#include "grid_fixture.h"

namespace zr::testing {
namespace {

using namespace std::chrono;
using platform::Icon;

constexpr year_month_day kToday = year{2024} / 2 / 20;

// Types `keys` into box k at its caret; every key is consumed. Returns the beeps heard.
std::size_t typeKeys(App& app, platform::ScriptedUi& ui, int k, std::string_view keys) {
  ui.clear();
  for (char c : keys) {
    int key = static_cast<unsigned char>(c);
    Text1_KeyPress(app, k, key);
    EXPECT_EQ(key, 0) << "key " << static_cast<int>(c) << " reached the box";
  }
  EXPECT_TRUE(ui.dialogs().empty());
  return ui.beeps();
}

TEST_F(GridTest, MaskOverKeySequences) {
  App& a = load(kToday);
  // clang-format off
  struct Case { const char* text; int caret; const char* keys; const char* after; int caretAfter; std::size_t beeps; };
  const Case cases[] = {
      // from an empty box: both separators skipped, the caret held on the last digit
      {"00/00/0000",  0, "16022023", "16/02/2023", 9, 0},
      {"00/00/0000",  0, "31122023", "31/12/2023", 9, 0},
      {"00/00/0000",  0, "31022023", "31/02/2023", 9, 0},  // the mask lets it by; leaving refuses it
      {"",            0, "16022023", "16/02/2023", 9, 0},
      {"   ",         3, "1",        "10/00/0000", 1, 0},  // blank: the empty date, caret at its start
      {"",            0, "x",        "00/00/0000", 0, 1},
      // day tens and units
      {"00/00/0000",  0, "32",       "30/00/0000", 1, 1},  // day 32
      {"00/00/0000",  0, "00",       "00/00/0000", 1, 1},  // day 00
      {"00/00/0000",  0, "4",        "00/00/0000", 0, 1},
      {"02/00/0000",  0, "3",        "02/00/0000", 0, 1},  // would make 32
      {"01/00/0000",  0, "3",        "31/00/0000", 1, 0},
      {"30/00/0000",  1, "1",        "31/00/0000", 3, 0},
      {"10/00/0000",  1, "0",        "10/00/0000", 3, 0},
      // month tens and units
      {"16/00/2023",  3, "2",        "16/00/2023", 3, 1},
      {"16/05/2023",  3, "1",        "16/05/2023", 3, 1},  // would make 15
      {"16/02/2023",  3, "1",        "16/12/2023", 4, 0},
      {"16/10/2023",  4, "3",        "16/10/2023", 4, 1},  // month 13
      {"16/10/2023",  4, "2",        "16/12/2023", 6, 0},
      {"16/00/2023",  4, "0",        "16/00/2023", 4, 1},  // month 00
      {"16/00/2023",  4, "9",        "16/09/2023", 6, 0},
      // the year: only 1xxx and 2xxx, the later digits anything
      {"16/02/0000",  6, "0",        "16/02/0000", 6, 1},
      {"16/02/0000",  6, "3",        "16/02/0000", 6, 1},
      {"16/02/0000",  6, "9",        "16/02/0000", 6, 1},
      {"16/02/0000",  6, "1",        "16/02/1000", 7, 0},
      {"16/02/2023",  7, "19",       "16/02/2193", 9, 0},
      {"16/02/2023",  9, "45",       "16/02/2025", 9, 0},
      // backspace empties the whole box from anywhere; other keys beep
      {"16/02/2023",  5, "\b",       "00/00/0000", 0, 0},
      {"16/02/2023", 10, "\b",       "00/00/0000", 0, 0},
      {"16/02/2023",  4, "a/ \r",    "16/02/2023", 4, 4},
      {"00/00/0000",  0, "1x6",      "16/00/0000", 3, 1},
      // a digit on a separator or past the last position does nothing, not even a beep
      {"16/02/2023",  2, "5",        "16/02/2023", 2, 0},
      {"16/02/2023",  5, "5",        "16/02/2023", 5, 0},
      {"16/02/2023", 10, "5",        "16/02/2023", 10, 0},
      {"16/02/20231",11, "5",        "16/02/20231", 11, 0},
      // a short text grows to ten characters and no further
      {"1/2/2023",    8, "567",      "1/2/202357", 9, 0},
      // a text shorter than the mask (a program's): the caret stops at its end, never past it
      {"3",           0, "01",       "01",         2, 0},
      {"3",           0, "015",      "01",         2, 0},
      {"1/2",         0, "1205",     "12205",      5, 0},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " @" + std::to_string(c.caret) + " keys " + c.keys);
    const int k = 4;
    a.form.Text1[k] = c.text;
    a.form.Text1Box[k].caret = c.caret;
    EXPECT_EQ(typeKeys(a, *ui, k, c.keys), c.beeps);
    EXPECT_EQ(a.form.Text1[k], c.after);
    EXPECT_EQ(a.form.Text1Box[k].caret, c.caretAfter);
  }
  // The other boxes were never touched.
  for (int k = 0; k < kGridBoxes; ++k) {
    if (k != 4) {
      EXPECT_EQ(a.form.Text1[k], "00/00/0000") << k;
    }
  }
}

TEST_F(GridTest, NoCaretAndNoKeyGrowsAFullBox) {
  App& a = load(kToday);
  for (int caret = 0; caret <= 10; ++caret)
    for (int key = 0; key < 256; ++key) {
      if (key == kBackspace) continue;
      a.form.Text1[0] = "29/12/2023";
      a.form.Text1Box[0].caret = caret;
      MASCHERADATA(a, 0, key);
      ASSERT_EQ(a.form.Text1[0].size(), 10u) << "caret " << caret << " key " << key;
      ASSERT_GE(a.form.Text1Box[0].caret, 0);
      ASSERT_LE(a.form.Text1Box[0].caret, 10);
    }
}

TEST(GridDateChecks, TypedBoxesAndWritableDates) {
  // clang-format off
  struct Case { const char* text; bool accepted, writable; };
  const Case cases[] = {
      {"",              true,  false},
      {"     ",         true,  false},
      {"00/00/0000",    true,  false},
      {" 00/00/0000 ",  true,  false},
      {"16/02/2023",    true,  true},
      {" 16/02/2023 ",  true,  false},
      {"29/02/2024",    true,  true},   // leap year
      {"29/02/2023",    false, false},
      {"29/02/2000",    true,  true},
      {"29/02/1900",    false, false},  // a century that is no leap year
      {"31/02/2023",    false, false},
      {"31/04/2024",    false, false},
      {"30/04/2024",    true,  true},
      {"31/12/2023",    true,  true},
      {"00/01/2023",    false, false},
      {"01/00/2023",    false, false},
      {"01/13/2023",    false, false},
      {"01/01/0000",    false, false},
      {"16/02/0000",    false, false},
      {"16/02/0099",    false, false},
      {"16/02/0100",    true,  false},
      {"31/12/0999",    true,  false},
      {"01/01/1000",    true,  true},
      {"31/12/2999",    true,  true},
      {"01/01/3000",    true,  false},
      {"1/2/2023",      true,  false},  // one-digit day and month read as a date
      {"01/2/2023",     true,  false},
      {"001/02/2023",   false, false},
      {"16/02/20231",   false, false},  // eleven characters
      {"16/02/023",     false, false},
      {"16/02/23",      false, false},  // no century guessed
      {"16-02-2023",    false, false},
      {"16.02.2023",    false, false},
      {"16/02/2023 10:30", false, false},
      {"16/02/2O23",    false, false},
      {"+1/02/2023",    false, false},
      {"/02/2023",      false, false},
      {"16//2023",      false, false},
      {"16/02/",        false, false},
      {"16 febbraio 2023", false, false},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(boxDateAccepted(c.text), c.accepted) << '"' << c.text << '"';
    EXPECT_EQ(isWritableGridDate(c.text), c.writable) << '"' << c.text << '"';
  }
}

TEST_F(GridTest, LeavingABoxChecksItsDate) {
  App& a = load(kToday);
  MainForm& f = a.form;
  ASSERT_FALSE(f.caption.empty());

  // Blank or empty: no message; a blank box shows the empty date again.
  for (const char* fine : {"", "   ", "00/00/0000", "29/02/2024", "16/02/2023"}) {
    f.Text1[2] = fine;
    ui->clear();
    Text1_LostFocus(a, 2);
    EXPECT_TRUE(ui->events.empty()) << fine;
    EXPECT_EQ(f.Text1[2],
              std::string(fine).find_first_not_of(' ') == std::string::npos ? "00/00/0000" : fine);
    EXPECT_EQ(Text1BackColor(f, 2), kWhite);
  }

  // Impossible dates: the message, yellow, the text kept and the focus back with the caret at
  // its start.
  for (const char* wrong : {"31/02/2023", "29/02/2023", "01/01/0000", "16/02/20231"}) {
    SCOPED_TRACE(wrong);
    Text1_GotFocus(f, 7);
    f.Text1[7] = wrong;
    f.Text1Box[7].caret = 5;
    ui->clear();
    Text1_LostFocus(a, 7);
    expectOnlyDialog("Data errata", kCaption, Icon::Information);
    EXPECT_EQ(f.Text1[7], wrong);
    EXPECT_EQ(Text1BackColor(f, 7), kYellow);
    EXPECT_EQ(Text1ForeColor(f, 7), kBlack);
    EXPECT_EQ(f.gridFocus, 7);
    EXPECT_EQ(f.Text1Box[7].caret, 0);
  }

  // A refused key leaves the text, so the colours stay; a change of text restores them.
  EXPECT_EQ(typeKeys(a, *ui, 7, "9"), 1u);
  EXPECT_EQ(Text1BackColor(f, 7), kYellow);
  f.Text1[7] = "31/02/2023";
  Text1_GotFocus(f, 7);
  EXPECT_EQ(typeKeys(a, *ui, 7, "2"), 0u);
  EXPECT_EQ(f.Text1[7], "21/02/2023");
  EXPECT_EQ(Text1BackColor(f, 7), kWhite);
  ui->clear();
  Text1_LostFocus(a, 7);
  EXPECT_TRUE(ui->dialogs().empty());
  EXPECT_EQ(f.gridFocus, -1);

  // Backspace over a wrong date empties it and clears the yellow too.
  f.Text1[8] = "30/02/2024";
  Text1_LostFocus(a, 8);
  EXPECT_EQ(Text1BackColor(f, 8), kYellow);
  EXPECT_EQ(typeKeys(a, *ui, 8, "\b"), 0u);
  EXPECT_EQ(f.Text1[8], "00/00/0000");
  EXPECT_EQ(Text1BackColor(f, 8), kWhite);

  // Clearing the grid empties every box and takes the yellow away.
  f.Text1[9] = "31/09/2023";
  Text1_LostFocus(a, 9);
  f.Text1[10] = "16/12/2023";
  clearGrid(f);
  for (int k = 0; k < kGridBoxes; ++k) {
    EXPECT_EQ(f.Text1[k], "00/00/0000") << k;
    EXPECT_EQ(Text1BackColor(f, k), kWhite) << k;
  }
}

TEST_F(GridTest, BoxesStandInFiveColumns) {
  load(kToday);
  // clang-format off
  struct Place { int column, row; const char* caption; };
  const Place places[kGridBoxes] = {
      {0, 0, "01"}, {0, 1, "02"}, {0, 2, "03"}, {1, 0, "04"}, {1, 1, "05"}, {1, 2, "06"},
      {2, 0, "07"}, {2, 1, "08"}, {2, 2, "09"}, {3, 0, "10"}, {3, 1, "11"}, {3, 2, "12"},
      {4, 0, "01"}};
  // clang-format on
  for (int k = 0; k < kGridBoxes; ++k) {
    EXPECT_EQ(gridPlace(k).column, places[k].column) << k;
    EXPECT_EQ(gridPlace(k).row, places[k].row) << k;
    EXPECT_EQ(Label7Caption(k), places[k].caption) << k;
    EXPECT_EQ(Label7BackColor(k) == Label7BackColor(0), k != 12) << k;
  }
  // Handlers for a box that does not exist do nothing.
  int key = '1';
  Text1_KeyPress(*app, 13, key);
  Text1_LostFocus(*app, -1);
  Label7_Click(*app, 13, [](FrmCalendario770&) { ADD_FAILURE() << "no calendar for box 13"; });
  EXPECT_TRUE(ui->events.empty());
}

}  // namespace
}  // namespace zr::testing

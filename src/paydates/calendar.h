// The calendar form FrmCalendario770 as a Qt-free model: its two lists, its 31 day slots, the
// proposal for the grid box it was opened for and the date it hands back. Reads and writes the
// main form's CASELLADATA and DATACALENDARIO; today's date comes from the clock. A desktop view
// binds to the public state, forwards the user's events to the handlers and closes its window
// once closeRequested() is true.
#pragma once

#include <array>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "shell/mainform.h"

namespace zr {

struct Rgb {
  int r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kYellow{255, 255, 0};
inline constexpr Rgb kLightGreen{192, 255, 192};
inline constexpr Rgb kLightYellow{255, 255, 128};

// The form's geometry in twips; a slot's place is measured from slot 1's weekday label.
inline constexpr int kCalendarWidth = 6950, kCalendarHeight = 4150;
inline constexpr int kSlotColumnStep = 1290, kSlotRowStep = 360;
inline constexpr int kWeekdayLabelWidth = 735, kNumberLabelWidth = 495;
inline constexpr int kSlotsPerColumn = 7;

struct SlotPlace {
  int column, row;  // five columns of seven rows, filled column by column
  int weekdayLeft, numberLeft, top;
};
SlotPlace slotPlace(int slot);  // slot 1..31

// One day slot: LabDESGG(i) (weekday) and LabNUMGG(i) (day number), shown or hidden together,
// with one text colour for both.
struct DaySlot {
  std::string LabDESGG;
  std::string LabNUMGG;
  bool visible = false;
  Rgb desBack = kLightGreen;
  Rgb numBack = kWhite;
  Rgb fore = kBlack;
};

class FrmCalendario770 {
 public:
  static constexpr int kSlots = 31;
  static constexpr int kFirstListYear = 1900, kLastListYear = 2100;

  FrmCalendario770(MainForm& form, platform::Clock& clock);
  FrmCalendario770(const FrmCalendario770&) = delete;
  FrmCalendario770& operator=(const FrmCalendario770&) = delete;

  void Form_Load();
  void CREACALENDARIOINIZIALE();
  void SVILUPPACALENDARIO();
  void CREACALENDARIO();
  void SELEZDATA();
  void Combo1_Click();
  void Combo2_Click();
  // A click or a double click on either label of slot i (1..31): both arrays behave alike.
  void LabDESGG_Click(int i) { slotClick(i); }
  void LabNUMGG_Click(int i) { slotClick(i); }
  void LabDESGG_DblClick(int i) { slotDblClick(i); }
  void LabNUMGG_DblClick(int i) { slotDblClick(i); }
  void Command1_Click();
  // Runs once; later calls do nothing, so the view and the grid may both call it.
  void Form_Unload();

  bool closeRequested() const { return closeRequested_; }
  // A day was picked and handed back in DATACALENDARIO (stays true after the unload).
  bool dayChosen() const { return dayChosen_; }
  const DaySlot& slot(int i) const { return slots_.at(static_cast<std::size_t>(i - 1)); }

  // What the view shows; Combo1Text and Combo2Text also take what the user types.
  std::string caption;
  int width = 0, height = 0, left = 0, top = 0;
  std::vector<std::string> Combo1List, Combo2List;
  std::string Combo1Text, Combo2Text;
  std::string Label1 = "Selezionare il giorno con un doppio click del mouse";
  std::string Label2;
  std::string Label3 = "Data odierna";
  std::string Command1 = "Uscita";

 private:
  void slotClick(int i);
  void slotDblClick(int i);
  void highlightOnly(int i);
  // Month number and year from the lists; false when either is out of range.
  bool listMonthYear(double& year);
  DaySlot& slotAt(int i) { return slots_.at(static_cast<std::size_t>(i - 1)); }

  MainForm& form_;
  platform::Clock& clock_;
  std::array<DaySlot, kSlots> slots_{};
  std::string dateText_;                 // "dd/mm/yyyy"
  std::chrono::sys_days currentDate_{};  // the day being laid out
  int monthNumber_ = 0;
  int selectedSlot_ = 0;
  int chosen_ = 0;
  bool filling_ = false;
  bool closeRequested_ = false;
  bool dayChosen_ = false;
  bool unloaded_ = false;
};

}  // namespace zr

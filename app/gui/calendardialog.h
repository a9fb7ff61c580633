// The calendar form as a modal Qt dialog over the FrmCalendario770 model: the month and year
// lists, the 31 day slots, today's date and the exit button. Every user event goes to the
// model's handlers; the dialog only mirrors the model and closes when it asks to.
#pragma once

#include <QDialog>
#include <array>

#include "paydates/calendar.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace zr::gui {

class SlotLabel;

class CalendarDialog : public QDialog {
  Q_OBJECT

 public:
  // The model is loaded already (Form_Load); it must outlive the dialog.
  explicit CalendarDialog(FrmCalendario770& model, QWidget* parent = nullptr);

  // Ends the dialog; the model's Form_Unload runs once, whatever closed it (the exit button,
  // a double click, the close box, Escape). Accepted when a day was chosen.
  void done(int result) override;

 protected:
  // Centred again once shown, when the window's frame is known.
  void showEvent(QShowEvent* event) override;

 private:
  void buildLists();
  void buildSlots();
  void buildLabels();
  void place();
  void centre();
  // After every event: the widgets show the model again, and its close request is obeyed.
  void refresh();
  void showLists();
  void slotClicked(int slot, bool weekday);
  void slotDoubleClicked(int slot, bool weekday);

  FrmCalendario770& model_;
  QComboBox* combo1_ = nullptr;
  QComboBox* combo2_ = nullptr;
  std::array<SlotLabel*, FrmCalendario770::kSlots> des_{};
  std::array<SlotLabel*, FrmCalendario770::kSlots> num_{};
  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;
  QLabel* label3_ = nullptr;
  QPushButton* command1_ = nullptr;
  bool syncing_ = false;  // the lists are being set from the model, not by the user
  bool ending_ = false;
};

// Runs the loaded calendar modally over `parent` until it is closed.
void showCalendarModal(FrmCalendario770& model, QWidget* parent);

}  // namespace zr::gui

// The message boxes of the desktop program: the Ui service over QMessageBox, modal over the
// window it is given. Touches only Qt's widgets and the application's cursor.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/ui.h"

namespace zr::gui {

// Texts arrive as CP1252 and are shown as UTF-8, each carriage return (or CR LF) a line
// break. Progress labels are the window's business, so progress() does nothing here.
class QtUi : public platform::Ui {
 public:
  explicit QtUi(QWidget* parent = nullptr) : parent_(parent) {}
  ~QtUi() override { busy(false); }
  QtUi(const QtUi&) = delete;
  QtUi& operator=(const QtUi&) = delete;

  void message(std::string_view text, std::string_view title, platform::Icon icon) override;
  // Yes/No questions are the user's to answer: `safe` is only for front ends with nobody to ask.
  platform::Answer ask(std::string_view text, std::string_view title, platform::Buttons buttons,
                       platform::Icon icon, platform::Answer safe) override;
  void progress(std::string_view, std::string_view) override {}
  // The wait cursor is on or off, as the form's pointer is: repeating either changes nothing.
  // A message box shown meanwhile has the ordinary arrow, since it wants an answer.
  void busy(bool on) override;
  void beep() override;

  void setParentWindow(QWidget* parent) { parent_ = parent; }

 private:
  QPointer<QWidget> parent_;
  bool busy_ = false;
};

// A message text as a box shows it: UTF-8, CR LF and a lone CR as line breaks.
QString messageText(std::string_view cp1252);

}  // namespace zr::gui

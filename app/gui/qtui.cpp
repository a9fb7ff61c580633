#include "qtui.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

#include "qttext.h"

namespace zr::gui {
namespace {

QMessageBox::Icon qtIcon(platform::Icon icon) {
  switch (icon) {
    case platform::Icon::Critical:
      return QMessageBox::Critical;
    case platform::Icon::Question:
      return QMessageBox::Question;
    case platform::Icon::Exclamation:
      return QMessageBox::Warning;
    case platform::Icon::Information:
      return QMessageBox::Information;
    case platform::Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// The arrow over a box shown while the form is busy; the wait cursor comes back after it.
class ArrowWhileAsking {
 public:
  explicit ArrowWhileAsking(bool busy) : busy_(busy) {
    if (busy_) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~ArrowWhileAsking() {
    if (busy_) QGuiApplication::restoreOverrideCursor();
  }
  ArrowWhileAsking(const ArrowWhileAsking&) = delete;
  ArrowWhileAsking& operator=(const ArrowWhileAsking&) = delete;

 private:
  bool busy_;
};

// A modal box; Yes is the default button of a question, and Escape or the close box answer No.
QMessageBox::StandardButton showBox(QWidget* parent, std::string_view text,
                                    std::string_view title, platform::Buttons buttons,
                                    platform::Icon icon, bool busy) {
  const bool yesNo = buttons == platform::Buttons::YesNo;
  QMessageBox box(qtIcon(icon), qtText(title),
                  messageText(text), yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                  parent);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
  box.setEscapeButton(yesNo ? QMessageBox::No : QMessageBox::Ok);
  const ArrowWhileAsking arrow(busy);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

QString messageText(std::string_view cp1252) {
  std::string lines;
  lines.reserve(cp1252.size());
  for (std::size_t i = 0; i < cp1252.size(); ++i) {
    if (cp1252[i] != '\r') {
      lines += cp1252[i];
      continue;
    }
    lines += '\n';
    if (i + 1 < cp1252.size() && cp1252[i + 1] == '\n') ++i;
  }
  return qtText(lines);
}

void QtUi::message(std::string_view text, std::string_view title, platform::Icon icon) {
  showBox(parent_, text, title, platform::Buttons::Ok, icon, busy_);
}

platform::Answer QtUi::ask(std::string_view text, std::string_view title,
                           platform::Buttons buttons, platform::Icon icon, platform::Answer) {
  const auto pressed = showBox(parent_, text, title, buttons, icon, busy_);
  if (buttons == platform::Buttons::Ok) return platform::Answer::Ok;
  return pressed == QMessageBox::Yes ? platform::Answer::Yes : platform::Answer::No;
}

void QtUi::busy(bool on) {
  if (on == busy_) return;
  busy_ = on;
  if (on)
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QGuiApplication::restoreOverrideCursor();
}

void QtUi::beep() { QApplication::beep(); }

}  // namespace zr::gui

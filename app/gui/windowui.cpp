#include "windowui.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace zr::gui {

WindowUi::WindowUi(std::unique_ptr<platform::Ui> backend) : backend_(std::move(backend)) {}

void WindowUi::message(std::string_view text, std::string_view title, platform::Icon icon) {
  backend_->message(text, title, icon);
}

platform::Answer WindowUi::ask(std::string_view text, std::string_view title,
                               platform::Buttons buttons, platform::Icon icon,
                               platform::Answer safe) {
  return backend_->ask(text, title, buttons, icon, safe);
}

void WindowUi::progress(std::string_view label, std::string_view text) {
  backend_->progress(label, text);
  if (!view_) return;
  view_(label, text);
  repaintPending();
}

void WindowUi::busy(bool on) {
  backend_->busy(on);
}

void WindowUi::beep() {
  backend_->beep();
}

void repaintPending() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                  QEventLoop::ExcludeSocketNotifiers);
}

}  // namespace zr::gui

// The window's Ui: every call goes on to the backend it owns (the Qt message boxes, or a test's
// scripted answers); a progress update also shows the new text in the window's label and lets
// the window repaint, with user input held back, since a run keeps the form's thread busy.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "platform/ui.h"

namespace zr::gui {

class WindowUi : public platform::Ui {
 public:
  explicit WindowUi(std::unique_ptr<platform::Ui> backend);

  void message(std::string_view text, std::string_view title, platform::Icon icon) override;
  platform::Answer ask(std::string_view text, std::string_view title, platform::Buttons buttons,
                       platform::Icon icon, platform::Answer safe) override;
  void progress(std::string_view label, std::string_view text) override;
  void busy(bool on) override;
  void beep() override;

  // The window's side of a progress update; none until the window exists (the load's
  // reminder comes before it).
  using ProgressView = std::function<void(std::string_view label, std::string_view text)>;
  void setProgressView(ProgressView view) { view_ = std::move(view); }

  platform::Ui& backend() { return *backend_; }

 private:
  std::unique_ptr<platform::Ui> backend_;
  ProgressView view_;
};

// Delivers what is pending except the user's input (keys, mouse, closing by hand stays queued
// behind the run): the repaints, above all.
void repaintPending();

}  // namespace zr::gui

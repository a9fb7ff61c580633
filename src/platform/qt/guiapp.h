// The Qt application that painting needs: the one already running (the window's) or, in the
// command line, one made here and owned by this object. Touches only Qt's own process state.
#pragma once

#include <QtGlobal>
#include <memory>
#include <string>
#include <vector>

class QGuiApplication;

namespace zr::platform::qt {

class GuiApplicationGuard {
 public:
  // Makes a QGuiApplication when none exists, on the platform plugin that QT_QPA_PLATFORM
  // names, else on the offscreen one: nothing of ours needs a screen (the printer only paints
  // into documents), and a terminal or CI without a reachable display must never abort.
  // While it lives, Qt's own debug and warning chatter (XDG_RUNTIME_DIR not set, ...) is
  // dropped: the command line's stderr holds its message boxes only. Criticals still show.
  // The process's C locale is left as it was.
  // A non-GUI Qt application already running is error 482: it has no fonts to give.
  GuiApplicationGuard();
  ~GuiApplicationGuard();
  GuiApplicationGuard(const GuiApplicationGuard&) = delete;
  GuiApplicationGuard& operator=(const GuiApplicationGuard&) = delete;

 private:
  // Qt keeps references to argc and argv for the application's whole life.
  std::vector<std::string> args_;
  std::vector<char*> argv_;
  int argc_ = 0;
  QtMessageHandler previousHandler_ = nullptr;
  std::unique_ptr<QGuiApplication> app_;
};

}  // namespace zr::platform::qt

// The QApplication of the calendar, message-box and printer tests: the window suite's own
// when it is there, so the whole binary shares its screens; otherwise one made on first use.
#pragma once

#include <QApplication>

#if __has_include("gui/gui_main.h")
#include "gui/gui_main.h"
#endif

namespace zr::gui {

inline QApplication& calendarTestApp() {
#if __has_include("gui/gui_main.h")
  return testApp();
#else
  static int argc = 1;
  static char name[] = "test_gui";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (auto* running = qobject_cast<QApplication*>(QCoreApplication::instance())) return running;
    return new QApplication(argc, argv);
  }();
  return *app;
#endif
}

}  // namespace zr::gui

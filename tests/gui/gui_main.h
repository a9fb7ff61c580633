// The process's QApplication for the window's tests, made on first use. On Qt's offscreen
// platform it gets two screens: a large primary one (1920 by 1080) and a small one, 800 by 600
// at one and a half times the pixel density (533 by 400 in the window's own pixels), so that a
// test can open a window on either.
#pragma once

#include <unistd.h>

#include <QApplication>
#include <QScreen>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace zr::gui {

inline constexpr const char* kSmallScreen = "small";

inline QApplication& testApp() {
  static int argc = 1;
  static char name[] = "test_gui";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (auto* running = qobject_cast<QApplication*>(QCoreApplication::instance())) return running;
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || std::string(platform) == "offscreen") {
      const auto config = std::filesystem::temp_directory_path() /
                          ("zr-gui-screens-" + std::to_string(getpid()) + ".json");
      std::ofstream(config)
          << R"({"windowFrameMargins": true, "screens": [)"
          << R"({"name": "big", "x": 0, "y": 0, "width": 1920, "height": 1080,)"
          << R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},)"
          << R"({"name": "small", "x": 1920, "y": 0, "width": 800, "height": 600,)"
          << R"( "logicalDpi": 144, "logicalBaseDpi": 96, "dpr": 1}]})";
      const std::string value = "offscreen:configfile=" + config.string();
      setenv("QT_QPA_PLATFORM", value.c_str(), 1);
      auto* made = new QApplication(argc, argv);  // reads the file once, at its start
      std::filesystem::remove(config);
      return made;
    }
    return new QApplication(argc, argv);
  }();
  return *app;
}

// The screen of that name, or the primary one.
inline QScreen* testScreen(const char* name) {
  for (QScreen* s : testApp().screens())
    if (s->name() == name) return s;
  return testApp().primaryScreen();
}

}  // namespace zr::gui

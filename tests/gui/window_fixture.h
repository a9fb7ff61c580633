// The window on an installation built on disk: an App loaded as the program's start does,
// with the window's Ui over a scripted backend (every message recorded, questions answered from
// a queue), a fixed date, the printers the test chooses, and RIZ770 over it.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

#include "controls.h"
#include "export/exportreport.h"
#include "gui/gui_main.h"
#include "riz770.h"
#include "shell/app.h"
#include "shell/startup.h"
#include "support/installation.h"
#include "windowui.h"

// Failed expectations print Qt's strings as text.
inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}

namespace zr::gui {

// A scripted backend that can also look at the window while a command is running.
class WatchingUi : public platform::ScriptedUi {
 public:
  std::function<void(std::string_view label)> onProgress;
  std::function<void(std::string_view text)> onMessage;
  void progress(std::string_view label, std::string_view text) override {
    ScriptedUi::progress(label, text);
    if (onProgress) onProgress(label);
  }
  void message(std::string_view text, std::string_view title, platform::Icon icon) override {
    ScriptedUi::message(text, title, icon);
    if (onMessage) onMessage(text);
  }
};

class WindowBed {
 public:
  explicit WindowBed(testbed::Installation& inst,
                     std::unique_ptr<platform::PrinterProvider> printers = {},
                     QScreen* screen = nullptr) {
    testApp();
    Services s;
    s.files = platform::makeHostFiles(inst.dir.str());
    auto backend = std::make_unique<WatchingUi>();
    ui = backend.get();
    auto decorated = std::make_unique<WindowUi>(std::move(backend));
    windowUi = decorated.get();
    s.ui = std::move(decorated);
    s.clock = std::make_unique<platform::FixedClock>(std::chrono::year_month_day{
        std::chrono::year{2024}, std::chrono::month{2}, std::chrono::day{20}});
    s.settings = platform::makeIniSettings(*s.files, inst.builder.registryPath());
    s.printers = std::move(printers);
    app = std::make_unique<App>(std::move(s));
    RIZ770_Load(*app);
    loadDialogs = ui->dialogs();
    ui->clear();
    WindowHooks h;
    h.showCalendar = [this](FrmCalendario770& c, QWidget* parent) {
      if (showCalendar) showCalendar(c, parent);
    };
    h.printToFile = [this](const std::string& path) {
      if (printToFile) printToFile(path);
    };
    h.chooseFile = [this](SaveKind kind, QWidget*) { return chooseFile ? chooseFile(kind) : ""; };
    h.showReport = [this](const report::ExportReport& r, QWidget* parent) {
      if (showReport) showReport(r, parent);
    };
    window = std::make_unique<RIZ770>(*app, *windowUi, h, screen);
  }
  ~WindowBed() {
    window.reset();
    app.reset();
  }

  // Shows the window and waits until it is the active one, so focus moves as a user's do.
  void show() {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  template <class W = QWidget>
  W* find(const char* name) const {
    W* w = window->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QLabel* label(const char* name) const { return find<QLabel>(name); }
  QPushButton* button(const char* name) const { return find<QPushButton>(name); }
  DateBox* box(int k) const { return find<DateBox>(("Text1_" + std::to_string(k)).c_str()); }
  QListWidget* list() const { return find<QListWidget>("List1"); }

  // A click on the list line of that company code, as the user selects it.
  void clickCompany(int code) {
    QListWidget* l = list();
    for (int i = 0; i < l->count(); ++i)
      if (l->item(i)->text().left(3).toInt() == code) {
        l->scrollToItem(l->item(i));
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {},
                          l->visualItemRect(l->item(i)).center());
        return;
      }
    ADD_FAILURE() << "company " << code << " is not in the list";
  }
  void click(const char* name) { QTest::mouseClick(find<QWidget>(name), Qt::LeftButton); }
  // An option button takes a click on its circle or caption, not on the blank beyond.
  void clickOption(int i) {
    QWidget* option = find<QWidget>(("Option1_" + std::to_string(i)).c_str());
    QTest::mouseClick(option, Qt::LeftButton, {}, {8, option->height() / 2});
  }

  std::string transcript() const {
    std::string all;
    for (const auto& e : ui->dialogs()) all += e.title + ": " + e.text + "\n";
    return all;
  }

  WatchingUi* ui = nullptr;
  WindowUi* windowUi = nullptr;
  std::unique_ptr<App> app;
  std::unique_ptr<RIZ770> window;
  std::vector<platform::ScriptedUi::Event> loadDialogs;  // shown by the load, before the window
  std::function<void(FrmCalendario770&, QWidget*)> showCalendar;
  std::function<void(const std::string&)> printToFile;
  std::function<std::string(SaveKind)> chooseFile;
  std::function<void(const report::ExportReport&, QWidget*)> showReport;
};

}  // namespace zr::gui

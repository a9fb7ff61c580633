// The main window RIZ770: a Qt view over the App's main form. It shows the model, hands every
// user event to the form's handlers and shows the model again afterwards. One command runs at
// a time on this thread; while it runs the window only repaints (windowui.h). A handler that
// ends the program makes the window emit programEnded with the status and close.
#pragma once

#include <QScreen>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "paydates/calendar.h"

namespace zr {
class App;
namespace report {
struct ExportReport;
}
}

namespace zr::gui {

class WindowUi;

enum class SaveKind { Pdf, Text };

// What the window uses from outside: the calendar dialog, the choice of a list's destination,
// the printer provider's file mode and the export report's dialog.
struct WindowHooks {
  // Runs the calendar dialog modally over `parent` until the model asks to close.
  std::function<void(FrmCalendario770&, QWidget* parent)> showCalendar;
  // The next command prints into this file (PDF or text by its name); afterwards the printer
  // provider goes back to the system printer by itself.
  std::function<void(const std::string& path)> printToFile;
  // The file a list is saved to, "" when the user cancels; a save dialog when unset.
  std::function<std::string(SaveKind, QWidget* parent)> chooseFile;
  // Shows the report of an export that is done, once the window is restored; none when unset.
  std::function<void(const report::ExportReport&, QWidget* parent)> showReport;
};

// The name a list is saved under: the chosen one, with ".pdf" or ".txt" added when its ending
// would make the printer write the other kind.
std::string savePathFor(const std::string& chosen, SaveKind kind);

struct Controls;

class RIZ770 : public QWidget {
  Q_OBJECT

 public:
  // `ui` is the App's own Ui service; the window shows the progress labels through it. The
  // window opens on `on`, or on the primary screen.
  RIZ770(App& app, WindowUi& ui, WindowHooks hooks, QScreen* on = nullptr);
  ~RIZ770() override;

  // The status a handler ended the program with; none while the program runs.
  std::optional<int> endStatus() const { return endStatus_; }
  // The logical dpi the twips are converted at.
  double dpi() const { return dpi_; }
  // Shows the model again: every control's text, state, colour and visibility.
  void refresh();
  // Puts the window on its screen: its size in twips, centred, cut to a smaller screen.
  void placeOnItsScreen();

 signals:
  void programEnded(int status);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  enum class Work { Quick, Run, Print };
  // Runs one handler under the window's guard: a run disables the controls that start work,
  // a printing command completes its document, and no exception leaves the event loop.
  void run(const std::function<void()>& body, Work work);
  std::optional<int> runGuarded(const std::function<void()>& body);
  std::optional<int> completePrinting(std::optional<int> end);
  void endProgram(int status);
  void setWorking(bool working);

  void build();
  void buildFrame();
  void buildGrid();
  void connectControls();
  void connectGrid();
  void refreshList();
  void refreshGrid();
  void refreshLabels();
  void showProgress(std::string_view label, std::string_view text);

  void saveList(SaveKind kind);
  void typed(int index, int keyAscii);
  void boxEntered(int index);
  void boxLeft(int index);
  void monthClicked(int index);

  App& app_;
  WindowUi& ui_;
  WindowHooks hooks_;
  double dpi_ = 96;
  std::unique_ptr<Controls> c_;
  bool running_ = false;
  bool restoringFocus_ = false;
  bool placed_ = false;
  std::optional<int> endStatus_;
};

}  // namespace zr::gui

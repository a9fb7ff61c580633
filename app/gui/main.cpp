// zorir77024: the desktop program. Builds the App's services with the Qt
// message boxes and printers, runs the load (its reminder comes before the
// window), then shows RIZ770 until a handler ends the program; the exit status
// is the one that end carries.
#include <CLI/CLI.hpp>
#include <QApplication>
#include <QScreen>
#include <iostream>

#include "calendardialog.h"
#include "guiprinters.h"
#include "installationoptions.h"
#include "platform/errors.h"
#include "qtui.h"
#include "reportdialog.h"
#include "riz770.h"
#include "shell/app.h"
#include "shell/startup.h"
#include "twips.h"
#include "windowui.h"

namespace {

using namespace zr;

struct Options {
  std::string root;         // drive root; empty: the default
  std::string registry;     // registry stand-in; empty: the default
  std::string screenshots;  // a folder: pictures of the window and the calendar, then the end
};

// The parts of the services the window reaches again after the App owns them.
struct Handles {
  gui::QtUi* qtUi = nullptr;
  gui::WindowUi* windowUi = nullptr;
  gui::GuiPrinters* printers = nullptr;
};

Services makeServices(const Options& options, Handles& handles) {
  Services s;
  s.files =
      platform::makeHostFiles(options.root.empty() ? platform::defaultDriveRoot() : options.root);
  std::unique_ptr<platform::Ui> backend;
  if (options.screenshots.empty()) {
    auto qtUi = std::make_unique<gui::QtUi>();
    handles.qtUi = qtUi.get();
    backend = std::move(qtUi);
  } else {
    // Pictures are taken unattended: the reminder goes to stderr instead of waiting.
    backend = std::make_unique<platform::ConsoleUi>(std::cerr, false, false);
  }
  auto windowUi = std::make_unique<gui::WindowUi>(std::move(backend));
  handles.windowUi = windowUi.get();
  s.ui = std::move(windowUi);
  s.clock = platform::makeSystemClock();
  auto printers = std::make_unique<gui::GuiPrinters>();
  handles.printers = printers.get();
  s.printers = std::move(printers);
  s.settings = platform::makeHostSettings(*s.files, options.registry);
  return s;
}

// The load centres the form on the screen it is told about, in twips.
void tellScreen(MainForm& form) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const double twipsPerPixel = gui::kTwipsPerInch / screen->logicalDotsPerInch();
  form.screenWidth = static_cast<int>(screen->availableGeometry().width() * twipsPerPixel);
  form.screenHeight = static_cast<int>(screen->availableGeometry().height() * twipsPerPixel);
}

// The README's pictures: the window as it opens, and the calendar of the first box over it.
bool saveScreenshots(App& app, gui::RIZ770& window, const std::string& folder) {
  QApplication::processEvents();
  const QString dir = QString::fromStdString(folder);
  if (!window.grab().save(dir + "/riz770.png")) return false;
  app.form.CASELLADATA = 0;
  FrmCalendario770 model(app.form, app.clock());
  model.Form_Load();
  gui::CalendarDialog calendar(model, &window);
  calendar.show();
  QApplication::processEvents();
  const bool saved = calendar.grab().save(dir + "/calendario.png");
  calendar.done(0);
  return saved;
}

// The load, then the window until a handler ends the program. Returns the exit
// status.
int runProgram(App& app, const Handles& handles, const Options& options) {
  tellScreen(app.form);
  try {
    RIZ770_Load(app);
  } catch (const RuntimeError& e) {
    // What no routine handled goes to the shared error routine, which ends the
    // program.
    app.lib.GESTIONEERRORE(e);
    return 3;
  }
  gui::WindowHooks hooks;
  hooks.showCalendar = gui::showCalendarModal;
  hooks.printToFile = [&handles](const std::string& path) { handles.printers->useFile(path); };
  hooks.showReport = [&app](const report::ExportReport& r, QWidget* parent) {
    gui::showReportModal(app, r, parent);
  };
  gui::RIZ770 window(app, *handles.windowUi, hooks);
  if (handles.qtUi) handles.qtUi->setParentWindow(&window);
  QObject::connect(&window, &gui::RIZ770::programEnded, qApp,
                   [](int status) { QCoreApplication::exit(status); });
  window.show();
  if (!options.screenshots.empty()) return saveScreenshots(app, window, options.screenshots) ? 0 : 3;
  const int status = QApplication::exec();
  if (handles.qtUi) handles.qtUi->setParentWindow(nullptr);
  return window.endStatus().value_or(status);
}

}  // namespace

int main(int argc, char** argv) {
  // Qt takes its own arguments (-platform, ...) first; the rest are ours.
  QApplication qt(argc, argv);
  // The window ends the program itself (programEnded); its closing alone must not.
  QApplication::setQuitOnLastWindowClosed(false);
  CLI::App cli{
      "The desktop program: exports the payroll installation's data for the "
      "withholding agent's return."};
  cli.name("zorir77024");
  Options options;
  zr::cli::addInstallationOptions(cli, options.root, options.registry);
  cli.add_option("--screenshots", options.screenshots,
                 "save pictures of the window and of the calendar into this folder, then end "
                 "(scripts/screenshots uses it)");
  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return cli.exit(e) == 0 ? 0 : 2;
  }
  try {
    Handles handles;
    App app(makeServices(options, handles));
    return runProgram(app, handles, options);
  } catch (const AnotherInstance&) {
    return 0;  // a second window on this installation ends without a word
  } catch (const ProgramEnd& end) {
    return end.status;
  } catch (const std::exception& e) {
    std::cerr << "zorir77024: " << e.what() << "\n";
    return 3;
  }
}

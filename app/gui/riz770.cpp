#include "riz770.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>

#include "controls.h"
#include "platform/errors.h"
#include "qttext.h"
#include "shell/app.h"
#include "shell/companylist.h"
#include "shell/printtrap.h"
#include "twips.h"
#include "windowui.h"

namespace zr::gui {

std::string savePathFor(const std::string& chosen, SaveKind kind) {
  auto endsWithPdf = [](const std::string& s) {
    if (s.size() < 4) return false;
    std::string tail = s.substr(s.size() - 4);
    for (char& ch : tail)
      if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return tail == ".pdf";
  };
  if (chosen.empty()) return chosen;
  if (kind == SaveKind::Pdf) return endsWithPdf(chosen) ? chosen : chosen + ".pdf";
  return endsWithPdf(chosen) ? chosen + ".txt" : chosen;
}

RIZ770::RIZ770(App& app, WindowUi& ui, WindowHooks hooks, QScreen* on)
    : app_(app), ui_(ui), hooks_(std::move(hooks)) {
  if (on) setScreen(on);
  const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  if (s) dpi_ = s->logicalDotsPerInch();
  setObjectName("RIZ770");
  build();
  connectControls();
  connectGrid();
  ui_.setProgressView(
      [this](std::string_view label, std::string_view text) { showProgress(label, text); });
  refresh();
  placeOnItsScreen();
}

RIZ770::~RIZ770() {
  ui_.setProgressView({});
}

void RIZ770::placeOnItsScreen() {
  const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!s) return;
  const QSize wanted = twipsRect(0, 0, app_.form.width, app_.form.height, dpi_).size();
  const QSize frame = frameGeometry().size() - geometry().size();
  const QRect at = placeOnScreen(wanted, frame, s->availableGeometry());
  resize(at.size());
  move(at.topLeft());
}

void RIZ770::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The decorations are known once the window is on screen; the frame must fit as well.
  if (!placed_) {
    placed_ = true;
    placeOnItsScreen();
  }
}

void RIZ770::closeEvent(QCloseEvent* event) {
  if (endStatus_) {
    event->accept();
    return;
  }
  event->ignore();  // a run in progress goes on; otherwise the unload decides
  if (!running_) run([this] { Form_Unload(app_); }, Work::Quick);
  if (endStatus_) event->accept();
}

void RIZ770::run(const std::function<void()>& body, Work work) {
  if (running_ || endStatus_) return;  // one command at a time
  const bool busyRun = work != Work::Quick;
  QPointer<QWidget> hadFocus = QApplication::focusWidget();
  if (busyRun) setWorking(true);
  std::optional<int> end = runGuarded(body);
  if (work == Work::Print) end = completePrinting(end);
  if (busyRun) {
    setWorking(false);
    restoringFocus_ = true;
    if (hadFocus && hadFocus->isEnabled() && hadFocus->window() == this) hadFocus->setFocus();
    restoringFocus_ = false;
  }
  if (end) {
    endProgram(*end);
    return;
  }
  refresh();
}

std::optional<int> RIZ770::runGuarded(const std::function<void()>& body) {
  try {
    body();
  } catch (const CommandAborted&) {
    // The command said why it stopped; the window goes back to idle.
  } catch (const ProgramEnd& end) {
    return end.status;
  } catch (const RuntimeError& e) {
    // What no routine handled goes to the shared error routine, which ends the program.
    try {
      app_.lib.GESTIONEERRORE(e);
    } catch (const ProgramEnd& end) {
      return end.status;
    }
  } catch (const std::exception& e) {
    ui_.message(
        std::string("Errore\r") + platform::fromUtf8(e.what()) + "\r\rNon e' possibile proseguire",
        app_.form.caption, platform::Icon::Critical);
    return 3;
  }
  return std::nullopt;
}

// A printing command's document is completed whatever way the command ended.
std::optional<int> RIZ770::completePrinting(std::optional<int> end) {
  try {
    app_.finishPrinting();
  } catch (const RuntimeError& e) {
    ui_.message(printErrorText(e), app_.form.caption, platform::Icon::Critical);
  }
  return end;
}

void RIZ770::endProgram(int status) {
  endStatus_ = status;
  try {
    app_.lib.CHIUDIFILE(0);
  } catch (...) {
    // The program is ending with its own status; a file that will not close changes nothing.
  }
  emit programEnded(status);
  close();
}

void RIZ770::setWorking(bool working) {
  running_ = working;
  for (QWidget* w : c_->starters()) w->setEnabled(!working);
}

}  // namespace zr::gui

// RIZ770's date grid, its month labels, the saved lists and the window's keys: the events
// that need more than a click handed to the model.
#include <QApplication>
#include <QFileDialog>
#include <QShortcut>

#include "controls.h"
#include "lists/printselection.h"
#include "paydates/dategrid.h"
#include "qttext.h"
#include "riz770.h"
#include "shell/app.h"
#include "shell/companylist.h"

namespace zr::gui {
namespace {

// The keys the window passes to Form_KeyDown, with the key code and shift state it gives.
struct FormKey {
  QKeyCombination keys;
  int keyCode, shift;
};
constexpr int kShiftCtrl = 3;
const FormKey kFormKeys[] = {
    {Qt::CTRL | Qt::SHIFT | Qt::Key_P, 'P', kShiftCtrl},
};

std::string chooseWithDialog(SaveKind kind, QWidget* parent) {
  const bool pdf = kind == SaveKind::Pdf;
  const QString path =
      QFileDialog::getSaveFileName(parent, pdf ? "Salva PDF" : "Salva testo", QString(),
                                   pdf ? "Documento PDF (*.pdf)" : "Testo (*.txt)");
  return path.toStdString();
}

}  // namespace

void RIZ770::connectGrid() {
  for (int k = 0; k < kBoxes; ++k) {
    DateBox* box = c_->Text1[static_cast<std::size_t>(k)];
    connect(box, &DateBox::keyTyped, this, &RIZ770::typed);
    connect(box, &DateBox::focusEntered, this, &RIZ770::boxEntered);
    connect(box, &DateBox::focusLeft, this, &RIZ770::boxLeft);
    connect(c_->Label7[static_cast<std::size_t>(k)], &ClickLabel::clicked, this,
            &RIZ770::monthClicked);
  }
  for (const FormKey& key : kFormKeys) {
    auto* shortcut = new QShortcut(QKeySequence(key.keys), this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this,
            [this, key] { run([&] { Form_KeyDown(app_, key.keyCode, key.shift); }, Work::Quick); });
  }
}

void RIZ770::typed(int index, int keyAscii) {
  run(
      [&] {
        // The caret is the box's own (a click or an arrow key may have moved it).
        auto& state = app_.form.Text1Box[static_cast<std::size_t>(index)];
        state.caret = c_->Text1[static_cast<std::size_t>(index)]->cursorPosition();
        int key = keyAscii;
        Text1_KeyPress(app_, index, key);
      },
      Work::Quick);
}

void RIZ770::boxEntered(int index) {
  Text1_GotFocus(app_.form, index);
  c_->Text1[static_cast<std::size_t>(index)]->setCursorPosition(
      app_.form.Text1Box[static_cast<std::size_t>(index)].caret);
}

void RIZ770::boxLeft(int index) {
  if (restoringFocus_) return;
  run([&] { Text1_LostFocus(app_, index); }, Work::Quick);
  const MainForm& form = app_.form;
  if (form.gridFocus != index || endStatus_) return;
  // A refused date takes the focus back, without judging the box it is taken from.
  restoringFocus_ = true;
  c_->Text1[static_cast<std::size_t>(index)]->setFocus(Qt::OtherFocusReason);
  restoringFocus_ = false;
}

void RIZ770::monthClicked(int index) {
  run(
      [&] {
        Label7_Click(app_, index, [this](FrmCalendario770& calendar) {
          if (hooks_.showCalendar) hooks_.showCalendar(calendar, this);
        });
      },
      Work::Quick);
}

void RIZ770::saveList(SaveKind kind) {
  if (running_ || endStatus_) return;
  const std::string chosen =
      hooks_.chooseFile ? hooks_.chooseFile(kind, this) : chooseWithDialog(kind, this);
  const std::string path = savePathFor(chosen, kind);
  if (path.empty() || !hooks_.printToFile) return;
  hooks_.printToFile(path);
  run([this] { CmdStampa_Click(app_); }, Work::Print);
}

}  // namespace zr::gui

#include "datebox.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <array>

#include "paydates/dategrid.h"
#include "platform/ui.h"

namespace zr::gui {
namespace {

// Keys the box itself handles: they move the caret or select, and never change the text.
bool movesCaret(const QKeyEvent& e) {
  static constexpr std::array kKeys{Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_End};
  const auto mods = e.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
  if (mods != Qt::NoModifier) return false;
  for (auto k : kKeys)
    if (e.key() == k) return true;
  return false;
}

// Editing that bypasses the mask: swallowed, the text stays as it is.
bool refusedEdit(const QKeyEvent& e) {
  static constexpr std::array kRefused{QKeySequence::Paste,
                                       QKeySequence::Cut,
                                       QKeySequence::Delete,
                                       QKeySequence::Undo,
                                       QKeySequence::Redo,
                                       QKeySequence::DeleteEndOfWord,
                                       QKeySequence::DeleteStartOfWord,
                                       QKeySequence::DeleteEndOfLine};
  for (auto k : kRefused)
    if (e.matches(k)) return true;
  return e.key() == Qt::Key_Delete || (e.key() == Qt::Key_Insert && e.modifiers() != 0);
}

// The window coming back to the front (after the calendar, another program) is no entering
// of the box: the caret stays where the user left it.
bool activationOnly(const QFocusEvent& event) {
  return event.reason() == Qt::ActiveWindowFocusReason || event.reason() == Qt::PopupFocusReason;
}

}  // namespace

DateBox::DateBox(int index, QWidget* parent) : QLineEdit(parent), index_(index) {
  setAcceptDrops(false);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setContextMenuPolicy(Qt::PreventContextMenu);
  setMaxLength(10);
}

int DateBox::keyAscii(const QKeyEvent& event) {
  if (event.key() == Qt::Key_Backspace) return kBackspace;
  const QString text = event.text();
  if (text.isEmpty() || !text.at(0).isPrint()) return 0;
  const std::string bytes = platform::fromUtf8(text.left(1).toStdString());
  return bytes.empty() ? 0 : static_cast<unsigned char>(bytes.front());
}

void DateBox::keyPressEvent(QKeyEvent* event) {
  if (refusedEdit(*event)) {
    event->accept();
    return;
  }
  if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll) ||
      movesCaret(*event)) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  const auto mods = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
  const int code = mods == Qt::NoModifier ? keyAscii(*event) : 0;
  if (code == 0) {
    event->ignore();  // Enter, Escape, function keys, shortcuts: the window's
    return;
  }
  event->accept();
  emit keyTyped(index_, code);
}

void DateBox::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (activationOnly(*event)) return;
  enteredByMouse_ = event->reason() == Qt::MouseFocusReason;
  emit focusEntered(index_);
}

void DateBox::mousePressEvent(QMouseEvent* event) {
  QLineEdit::mousePressEvent(event);
  // Entering the box puts the caret at its start, wherever the click fell.
  if (enteredByMouse_) {
    enteredByMouse_ = false;
    emit focusEntered(index_);
  }
}

void DateBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (activationOnly(*event)) return;
  const QWidget* now = QApplication::focusWidget();
  if (now && now->window() == window()) emit focusLeft(index_);
}

void DateBox::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
}

void DateBox::mouseReleaseEvent(QMouseEvent* event) {
  // The middle button pastes the selection on X11.
  if (event->button() == Qt::MiddleButton) {
    event->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}

void DateBox::dragEnterEvent(QDragEnterEvent* event) {
  event->ignore();
}

void DateBox::dropEvent(QDropEvent* event) {
  event->ignore();
}

void DateBox::inputMethodEvent(QInputMethodEvent* event) {
  event->ignore();
}

}  // namespace zr::gui

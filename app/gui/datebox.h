// One box of the date grid, Text1(k): a line edit whose every typed key goes to the grid's
// mask instead of into the text. What would put text into the box behind the mask's back
// (paste, cut, Delete, undo, drops, the context menu, the middle button) is refused. The box
// only reports; the window runs the handlers and sets the text and caret the model gives.
#pragma once

#include <QLineEdit>

class QKeyEvent;
class QFocusEvent;

namespace zr::gui {

class DateBox : public QLineEdit {
  Q_OBJECT

 public:
  DateBox(int index, QWidget* parent);
  int index() const { return index_; }

  // The key code a key event stands for in Text1_KeyPress: 8 for backspace, the character's
  // CP1252 code for a typed character, 0 for a key that types nothing.
  static int keyAscii(const QKeyEvent& event);

 signals:
  void keyTyped(int index, int keyAscii);
  void focusEntered(int index);
  // The focus came from, or went to, another control of this window (not another window:
  // the calendar, a message box, another program).
  void focusLeft(int index);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  int index_;
  bool enteredByMouse_ = false;  // the press that gave the focus still has to place the caret
};

}  // namespace zr::gui

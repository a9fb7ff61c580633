// A label that reports a click of the left button, for the month labels Label7(k) that open
// the calendar.
#pragma once

#include <QLabel>
#include <QMouseEvent>

namespace zr::gui {

class ClickLabel : public QLabel {
  Q_OBJECT

 public:
  ClickLabel(int index, QWidget* parent) : QLabel(parent), index_(index) {
    setCursor(Qt::PointingHandCursor);
  }
  int index() const { return index_; }

 signals:
  void clicked(int index);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
      emit clicked(index_);
    QLabel::mouseReleaseEvent(event);
  }

 private:
  int index_;
};

}  // namespace zr::gui

#include "calendardialog.h"


#include <QComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <functional>

#include "platform/ui.h"
#include "qttext.h"

namespace zr::gui {

// One label of a day slot: a click on release, as the forms toolkit reports it, and a double
// click on the second press.
class SlotLabel : public QLabel {
 public:
  using Handler = std::function<void()>;
  SlotLabel(QWidget* parent, Handler click, Handler doubleClick)
      : QLabel(parent), click_(std::move(click)), doubleClick_(std::move(doubleClick)) {}

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) click_();
    QLabel::mouseReleaseEvent(e);
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton) doubleClick_();
    QLabel::mouseDoubleClickEvent(e);
  }

 private:
  Handler click_, doubleClick_;
};

namespace {

// Where the other controls stand, in twips of the form's inside; the slots start at kSlotsTop.
constexpr int kMargin = 280, kTopRow = 120, kSlotsTop = 720, kSlotHeight = 315;
constexpr int kBottomRow = 3390, kLineHeight = 300;
struct Place {
  int left, top, width, height;
};
constexpr Place kCombo1{kMargin, kTopRow, 1500, 330};
constexpr Place kCombo2{1900, kTopRow, 1050, 330};
constexpr Place kLabel1{3100, kTopRow - 60, 3570, 480};
constexpr Place kLabel3{kMargin, kBottomRow, 1250, kLineHeight};
constexpr Place kLabel2{1550, kBottomRow, 3450, kLineHeight};
constexpr Place kCommand1{5170, kBottomRow - 60, 1500, 420};
constexpr double kSlotPoints = 10;


// The slots' face, or its metric twin where the system lacks it.
QFont slotFont() {
  const QString asked = "Courier New";
  QFont font(QFontDatabase::families().contains(asked, Qt::CaseInsensitive) ? asked
                                                                            : "Liberation Mono");
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSizeF(kSlotPoints);
  return font;
}

void paint(QLabel* label, Rgb back, Rgb fore) {
  QPalette p = label->palette();
  p.setColor(QPalette::Window, qtColor(back));
  p.setColor(QPalette::WindowText, qtColor(fore));
  label->setPalette(p);
}

QScreen* screenFor(const QWidget* parent) {
  QScreen* s = parent ? parent->screen() : nullptr;
  return s ? s : QGuiApplication::primaryScreen();
}

}  // namespace

CalendarDialog::CalendarDialog(FrmCalendario770& model, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      model_(model) {
  setObjectName("FrmCalendario770");
  setModal(true);
  buildLists();
  buildSlots();
  buildLabels();
  place();
  refresh();
}

void CalendarDialog::buildLists() {
  combo1_ = new QComboBox(this);
  combo2_ = new QComboBox(this);
  combo1_->setObjectName("Combo1");
  combo2_->setObjectName("Combo2");
  const auto fill = [](QComboBox* combo, const std::vector<std::string>& items) {
    combo->setEditable(true);  // a typed month or year reaches the model, not the list
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMaxVisibleItems(12);
    for (const std::string& item : items) combo->addItem(qtText(item));
  };
  fill(combo1_, model_.Combo1List);
  fill(combo2_, model_.Combo2List);
  // The click handler travels as a plain callable: with a member-function pointer captured in
  // the slot, the sanitizer build warned of an uninitialised read there and crashed on the call.
  const auto bind = [this](QComboBox* combo, std::string& text, std::function<void()> click) {
    connect(combo, &QComboBox::editTextChanged, this, [this, &text](const QString& typed) {
      if (!syncing_) text = modelText(typed);
    });
    connect(combo, &QComboBox::activated, this,
            [this, combo, &text, click = std::move(click)](int index) {
              text = modelText(combo->itemText(index));
              click();
              refresh();
            });
  };
  bind(combo1_, model_.Combo1Text, [this] { model_.Combo1_Click(); });
  bind(combo2_, model_.Combo2Text, [this] { model_.Combo2_Click(); });
}

void CalendarDialog::buildSlots() {
  const QFont font = slotFont();
  for (int i = 1; i <= FrmCalendario770::kSlots; ++i) {
    const auto make = [&](bool weekday) {
      auto* label = new SlotLabel(
          this, [this, i, weekday] { slotClicked(i, weekday); },
          [this, i, weekday] { slotDoubleClicked(i, weekday); });
      label->setObjectName(QString(weekday ? "LabDESGG(%1)" : "LabNUMGG(%1)").arg(i));
      label->setFont(font);
      label->setAlignment(Qt::AlignCenter);
      label->setAutoFillBackground(true);
      label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      return label;
    };
    des_[static_cast<std::size_t>(i - 1)] = make(true);
    num_[static_cast<std::size_t>(i - 1)] = make(false);
  }
}

void CalendarDialog::buildLabels() {
  label1_ = new QLabel(this);
  label2_ = new QLabel(this);
  label3_ = new QLabel(this);
  label1_->setObjectName("Label1");
  label2_->setObjectName("Label2");
  label3_->setObjectName("Label3(0)");
  label1_->setWordWrap(true);
  label1_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  for (QLabel* l : {label2_, label3_}) l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  QFont strong = label2_->font();
  strong.setBold(true);
  label2_->setFont(strong);
  command1_ = new QPushButton(this);
  command1_->setObjectName("Command1");
  command1_->setAutoDefault(false);  // Enter in a list must not leave the calendar
  connect(command1_, &QPushButton::clicked, this, [this] {
    model_.Command1_Click();
    refresh();
  });
}

// The form's twips at the screen's dpi: 15 to a pixel at 96 dpi.
void CalendarDialog::place() {
  const double dpi = screenFor(parentWidget())->logicalDotsPerInchX();
  const auto px = [dpi](int twips) { return static_cast<int>(twips * dpi / 1440.0 + 0.5); };
  const auto put = [&](QWidget* w, Place p) {
    w->setGeometry(px(p.left), px(p.top), px(p.width), px(p.height));
  };
  put(combo1_, kCombo1);
  put(combo2_, kCombo2);
  put(label1_, kLabel1);
  put(label2_, kLabel2);
  put(label3_, kLabel3);
  put(command1_, kCommand1);
  for (int i = 1; i <= FrmCalendario770::kSlots; ++i) {
    const SlotPlace s = slotPlace(i);
    const auto k = static_cast<std::size_t>(i - 1);
    put(des_[k], {kMargin + s.weekdayLeft, kSlotsTop + s.top, kWeekdayLabelWidth, kSlotHeight});
    put(num_[k], {kMargin + s.numberLeft, kSlotsTop + s.top, kNumberLabelWidth, kSlotHeight});
  }
  setFixedSize(px(kCalendarWidth), px(kCalendarHeight));
  centre();
}

// On the screen's free area, frame included; a screen too small keeps the title bar on it.
void CalendarDialog::centre() {
  const QRect free = screenFor(parentWidget())->availableGeometry();
  const QSize outer = frameGeometry().size();
  move(std::max(free.left(), free.left() + (free.width() - outer.width()) / 2),
       std::max(free.top(), free.top() + (free.height() - outer.height()) / 2));
}

void CalendarDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) centre();
}

void CalendarDialog::showLists() {
  const auto show = [](QComboBox* combo, const std::string& text) {
    const QString wanted = qtText(text);
    if (combo->currentText() == wanted) return;
    const int index = combo->findText(wanted, Qt::MatchExactly);
    if (index >= 0)
      combo->setCurrentIndex(index);
    else
      combo->setEditText(wanted);
  };
  show(combo1_, model_.Combo1Text);
  show(combo2_, model_.Combo2Text);
}

void CalendarDialog::refresh() {
  syncing_ = true;
  setWindowTitle(qtText(model_.caption));
  showLists();
  for (int i = 1; i <= FrmCalendario770::kSlots; ++i) {
    const DaySlot& s = model_.slot(i);
    const auto k = static_cast<std::size_t>(i - 1);
    des_[k]->setText(qtText(s.LabDESGG));
    num_[k]->setText(qtText(s.LabNUMGG));
    paint(des_[k], s.desBack, s.fore);
    paint(num_[k], s.numBack, s.fore);
    des_[k]->setVisible(s.visible);
    num_[k]->setVisible(s.visible);
  }
  label1_->setText(qtText(model_.Label1));
  label2_->setText(qtText(model_.Label2));
  label3_->setText(qtText(model_.Label3));
  command1_->setText(qtText(model_.Command1));
  syncing_ = false;
  if (model_.closeRequested()) done(model_.dayChosen() ? Accepted : Rejected);
}

void CalendarDialog::slotClicked(int slot, bool weekday) {
  weekday ? model_.LabDESGG_Click(slot) : model_.LabNUMGG_Click(slot);
  refresh();
}

void CalendarDialog::slotDoubleClicked(int slot, bool weekday) {
  weekday ? model_.LabDESGG_DblClick(slot) : model_.LabNUMGG_DblClick(slot);
  refresh();
}

void CalendarDialog::done(int) {
  if (!ending_) {
    ending_ = true;
    model_.Form_Unload();
  }
  QDialog::done(model_.dayChosen() ? Accepted : Rejected);
}

void showCalendarModal(FrmCalendario770& model, QWidget* parent) {
  CalendarDialog dialog(model, parent);
  dialog.exec();
}

}  // namespace zr::gui

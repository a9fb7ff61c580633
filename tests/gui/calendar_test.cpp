// The calendar dialog over its model, driven with real mouse and key events: the proposed
// month with its day highlighted, the weekend colours, the form's size and place in pixels,
// a double click that hands back the date and closes, the ways out without a choice, and the
// lists redrawing the month or, out of range, doing nothing.
#include "calendardialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <memory>

#include "gui/calendar_app.h"

namespace zr::gui {
namespace {

using namespace std::chrono;

const Rgb kGreen{192, 255, 192}, kPaleYellow{255, 255, 128}, kWhiteBack{255, 255, 255};
const Rgb kRedText{255, 0, 0}, kBlackText{0, 0, 0};

class CalendarDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { calendarTestApp(); }

  // The calendar for grid box `box`, loaded as the month label's click loads it.
  CalendarDialog& open(int box) {
    form_.CASELLADATA = box;
    model_ = std::make_unique<FrmCalendario770>(form_, clock_);
    model_->Form_Load();
    dialog_ = std::make_unique<CalendarDialog>(*model_);
    dialog_->show();
    return *dialog_;
  }

  QLabel* des(int i) { return child<QLabel>(QString("LabDESGG(%1)").arg(i)); }
  QLabel* num(int i) { return child<QLabel>(QString("LabNUMGG(%1)").arg(i)); }
  QComboBox* combo(int n) { return child<QComboBox>(QString("Combo%1").arg(n)); }

  template <class W>
  W* child(const QString& name) {
    W* w = dialog_->findChild<W*>(name);
    if (!w) ADD_FAILURE() << "no " << name.toStdString();
    return w;
  }

  int shownSlots() {
    int n = 0;
    for (int i = 1; i <= 31; ++i) {
      EXPECT_EQ(des(i)->isHidden(), num(i)->isHidden()) << "slot " << i;
      n += des(i)->isHidden() ? 0 : 1;
    }
    return n;
  }

  // Types into a list's text box, then Enter, as the user picks an entry by the keyboard.
  void pick(int list, const QString& text) {
    QLineEdit* edit = combo(list)->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }

  MainForm form_;
  platform::FixedClock clock_{2024y / May / 15};
  std::unique_ptr<FrmCalendario770> model_;
  std::unique_ptr<CalendarDialog> dialog_;
};

Rgb backOf(const QLabel* l) {
  const QColor c = l->palette().color(QPalette::Window);
  return {c.red(), c.green(), c.blue()};
}
Rgb foreOf(const QLabel* l) {
  const QColor c = l->palette().color(QPalette::WindowText);
  return {c.red(), c.green(), c.blue()};
}

TEST_F(CalendarDialogTest, TheFormsTextsSizeAndPlace) {
  CalendarDialog& d = open(0);
  EXPECT_EQ(d.windowTitle(), QString("Calendario") + QString(44, ' ') +
                                 "per uscire senza modificare data ->");
  EXPECT_TRUE(d.isModal());
  // 6950 by 4150 twips at 96 dpi, 15 twips a pixel, rounded: fixed, centred on the free area.
  ASSERT_EQ(d.screen()->logicalDotsPerInchX(), 96);
  EXPECT_EQ(d.size(), QSize(463, 277));
  EXPECT_EQ(d.minimumSize(), d.maximumSize());
  const QRect free = d.screen()->availableGeometry();
  EXPECT_LE(std::abs(d.frameGeometry().center().x() - free.center().x()), 1);
  EXPECT_LE(std::abs(d.frameGeometry().center().y() - free.center().y()), 1);

  EXPECT_EQ(child<QLabel>("Label1")->text(),
            "Selezionare il giorno con un doppio click del mouse");
  EXPECT_EQ(child<QLabel>("Label2")->text(), QString::fromUtf8("mercoled\u00EC 15 maggio 2024"));
  EXPECT_EQ(child<QLabel>("Label3(0)")->text(), "Data odierna");
  EXPECT_EQ(child<QPushButton>("Command1")->text(), "Uscita");

  ASSERT_EQ(combo(1)->count(), 12);
  EXPECT_EQ(combo(1)->itemText(0), "Gennaio");
  EXPECT_EQ(combo(1)->itemText(11), "Dicembre");
  ASSERT_EQ(combo(2)->count(), 201);
  EXPECT_EQ(combo(2)->itemText(0), "1900");
  EXPECT_EQ(combo(2)->itemText(200), "2100");

  // Slot 8 opens the second column: 1290 twips right of slot 1, on its row; the number
  // label 735 twips right of the weekday label. Slot 7 ends the first column, 6 rows down.
  const QRect des1 = des(1)->geometry(), des8 = des(8)->geometry(), num8 = num(8)->geometry();
  EXPECT_EQ(des8.x() - des1.x(), 86);  // 1290 / 15
  EXPECT_EQ(des8.y(), des1.y());
  EXPECT_EQ(num8.x() - des8.x(), 49);  // 735 / 15
  EXPECT_EQ(des8.width(), 49);
  EXPECT_EQ(num8.width(), 33);  // 495 / 15
  EXPECT_EQ(des(7)->geometry().y() - des1.y(), 144);  // 6 rows of 360 twips
  EXPECT_EQ(des(29)->geometry().x() - des1.x(), 344);  // column 4: 5160 twips
  // Nothing falls outside the form.
  for (QWidget* w : d.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    EXPECT_TRUE(d.rect().contains(w->geometry())) << w->objectName().toStdString();

  const QFontInfo face(num(1)->font());
  EXPECT_TRUE(face.family() == "Courier New" || face.family() == "Liberation Mono")
      << face.family().toStdString();
  EXPECT_TRUE(face.fixedPitch());
}

TEST_F(CalendarDialogTest, TheProposedMonthWithItsDayHighlightedAndItsWeekends) {
  // Box 5 pays June: the 16th of July 2023 is a Sunday, so Monday the 17th is proposed.
  open(5);
  EXPECT_EQ(combo(1)->currentText(), "Luglio");
  EXPECT_EQ(combo(2)->currentText(), "2023");
  EXPECT_EQ(shownSlots(), 31);
  // July 2023 starts on a Saturday.
  EXPECT_EQ(des(1)->text(), "Sab");
  EXPECT_EQ(num(1)->text(), "1");
  EXPECT_EQ(des(2)->text(), "Dom");
  EXPECT_EQ(des(3)->text(), "Lun");
  EXPECT_EQ(num(31)->text(), "31");
  EXPECT_EQ(des(31)->text(), "Lun");
  for (int i : {1, 2, 8, 9, 15, 16, 22, 23, 29, 30}) {
    EXPECT_EQ(foreOf(des(i)), kRedText) << i;
    EXPECT_EQ(foreOf(num(i)), kRedText) << i;
  }
  for (int i : {3, 7, 17, 28, 31}) {
    EXPECT_EQ(foreOf(des(i)), kBlackText) << i;
    EXPECT_EQ(foreOf(num(i)), kBlackText) << i;
  }
  EXPECT_EQ(backOf(des(17)), kPaleYellow);
  EXPECT_EQ(backOf(num(17)), kPaleYellow);
  for (int i : {1, 16, 18, 31}) {
    EXPECT_EQ(backOf(des(i)), kGreen) << i;
    EXPECT_EQ(backOf(num(i)), kWhiteBack) << i;
  }
  EXPECT_TRUE(des(1)->autoFillBackground());

  // A click on either label moves the highlight.
  QTest::mouseClick(des(3), Qt::LeftButton);
  EXPECT_EQ(backOf(num(3)), kPaleYellow);
  EXPECT_EQ(backOf(des(17)), kGreen);
  QTest::mouseClick(num(30), Qt::LeftButton);
  EXPECT_EQ(backOf(des(30)), kPaleYellow);
  EXPECT_EQ(backOf(num(3)), kWhiteBack);
  QTest::mouseClick(num(30), Qt::RightButton);  // only the left button clicks
  QTest::mouseClick(num(4), Qt::RightButton);
  EXPECT_EQ(backOf(num(4)), kWhiteBack);
  EXPECT_TRUE(dialog_->isVisible());
}

TEST_F(CalendarDialogTest, ADoubleClickHandsBackTheDayAndCloses) {
  CalendarDialog& d = open(5);
  // Saturday the 22nd of July 2023 comes back as Monday the 24th.
  QTest::mouseDClick(num(22), Qt::LeftButton);
  EXPECT_TRUE(model_->dayChosen());
  EXPECT_EQ(form_.DATACALENDARIO, "24/07/2023");
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.result(), QDialog::Accepted);
  model_->Form_Unload();  // the grid's own unload after the dialog keeps the date
  EXPECT_EQ(form_.DATACALENDARIO, "24/07/2023");
}

TEST_F(CalendarDialogTest, ShownModallyItReturnsOnceADayIsChosen) {
  form_.CASELLADATA = 0;  // January: Thursday the 16th of February 2023
  FrmCalendario770 model(form_, clock_);
  model.Form_Load();
  bool sawIt = false;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<CalendarDialog*>(QApplication::activeModalWidget());
    if (!d) return ADD_FAILURE() << "no modal calendar";
    sawIt = true;
    EXPECT_EQ(d->findChild<QComboBox*>("Combo1")->currentText(), "Febbraio");
    QTest::mouseDClick(d->findChild<QLabel*>("LabDESGG(10)"), Qt::LeftButton);
  });
  showCalendarModal(model, nullptr);
  EXPECT_TRUE(sawIt);
  EXPECT_TRUE(model.dayChosen());
  EXPECT_EQ(form_.DATACALENDARIO, "10/02/2023");  // a Friday: as picked
}

TEST_F(CalendarDialogTest, LeavingWithoutAChoiceHandsBackTheEmptyDate) {
  const std::function<void(CalendarDialog&)> ways[] = {
      [this](CalendarDialog&) {
        QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
      },
      [](CalendarDialog& d) { d.close(); },  // the close box
      [](CalendarDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); },
      [this](CalendarDialog&) {  // Enter in a list picks, it does not leave
        QTest::keyClick(combo(2)->lineEdit(), Qt::Key_Return);
        EXPECT_TRUE(dialog_->isVisible());
        QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
      },
  };
  int n = 0;
  for (const auto& leave : ways) {
    CalendarDialog& d = open(6);
    ASSERT_EQ(form_.DATACALENDARIO, "21/08/2023") << n;  // the proposal, while it is open
    leave(d);
    EXPECT_FALSE(d.isVisible()) << n;
    EXPECT_EQ(d.result(), QDialog::Rejected) << n;
    EXPECT_FALSE(model_->dayChosen()) << n;
    EXPECT_EQ(form_.DATACALENDARIO, "00/00/0000") << n;
    ++n;
  }
}

TEST_F(CalendarDialogTest, TheListsRedrawTheMonthOrNothingWhenOutOfRange) {
  open(5);
  pick(2, "2024");
  EXPECT_EQ(model_->Combo2Text, "2024");
  EXPECT_EQ(des(1)->text(), "Lun");  // July 2024 starts on a Monday
  pick(1, "Febbraio");
  EXPECT_EQ(model_->Combo1Text, "Febbraio");
  EXPECT_EQ(shownSlots(), 29);  // a leap year
  EXPECT_EQ(des(29)->text(), "Gio");
  EXPECT_EQ(num(29)->text(), "29");
  EXPECT_EQ(foreOf(num(4)), kRedText);    // Sunday the 4th
  EXPECT_EQ(foreOf(num(5)), kBlackText);  // was a Wednesday in July 2023: redrawn
  EXPECT_EQ(backOf(num(17)), kPaleYellow);  // the highlight stays where it was
  pick(2, "2023");
  EXPECT_EQ(shownSlots(), 28);
  EXPECT_TRUE(des(29)->isHidden());
  EXPECT_EQ(des(1)->text(), "Mer");

  // A year typed but not picked reaches the model without a redraw; a double click then uses
  // it: the 10th of February 2150 is a Tuesday.
  pick(2, "2300");  // no such entry: no redraw
  EXPECT_EQ(model_->Combo2Text, "2300");
  EXPECT_EQ(des(1)->text(), "Mer");
  QTest::mouseDClick(num(10), Qt::LeftButton);  // out of range: nothing happens
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_FALSE(model_->dayChosen());
  QLineEdit* year = combo(2)->lineEdit();
  year->selectAll();
  QTest::keyClicks(year, "2150");
  EXPECT_EQ(model_->Combo2Text, "2150");
  EXPECT_EQ(shownSlots(), 28);
  QTest::mouseDClick(des(10), Qt::LeftButton);
  EXPECT_TRUE(model_->dayChosen());
  EXPECT_EQ(form_.DATACALENDARIO, "10/02/2150");
  EXPECT_FALSE(dialog_->isVisible());
}

TEST_F(CalendarDialogTest, HiddenSlotsTakeNoDoubleClick) {
  open(1);  // February: the 16th of March 2023
  pick(1, "Febbraio");
  ASSERT_EQ(shownSlots(), 28);
  QTest::mouseDClick(num(30), Qt::LeftButton);  // an empty slot, sent to it all the same
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_FALSE(model_->dayChosen());
  EXPECT_EQ(form_.DATACALENDARIO, "16/03/2023");
}

}  // namespace
}  // namespace zr::gui

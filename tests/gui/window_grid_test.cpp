// The date grid of the window through real key and focus events: the mask key by key, the
// edits it refuses, the check when a box is left (and not when the window is), the calendar
// opened from a month label; and the window's own key, Ctrl+Shift+P.
#include <QClipboard>
#include <QTimer>

#include "calendardialog.h"
#include "gui/window_fixture.h"

namespace zr::gui {
namespace {

using testbed::Installation;

class WindowGrid : public ::testing::Test {
 protected:
  void SetUp() override {
    inst.builder.putCompany(testbed::company(1, {{"T002", "ALFA SRL"}}));
    inst.builder.close();
    w = std::make_unique<WindowBed>(inst);
    w->show();
  }
  void TearDown() override { w.reset(); }

  // The focus into box k as the Tab key puts it there: the caret at the start.
  DateBox* enter(int k) {
    DateBox* b = w->box(k);
    b->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(QApplication::focusWidget(), b);
    return b;
  }
  std::size_t messages() const { return w->ui->dialogs().size(); }

  Installation inst;
  std::unique_ptr<WindowBed> w;
};

TEST_F(WindowGrid, TypedKeysGoThroughTheMaskOneByOne) {
  DateBox* box = enter(1);
  EXPECT_EQ(box->cursorPosition(), 0);
  QTest::keyClicks(box, "16022023");
  EXPECT_EQ(box->text(), "16/02/2023");
  EXPECT_EQ(box->cursorPosition(), 9);  // held on the last digit
  EXPECT_EQ(w->app->form.Text1[1], "16/02/2023");
  EXPECT_EQ(w->ui->beeps(), 0u);

  // Backspace anywhere empties the box.
  QTest::keyClick(box, Qt::Key_Backspace);
  EXPECT_EQ(box->text(), "00/00/0000");

  // Day 32 and day 00 refused at their second digit, a letter always: a beep each, no change.
  box = enter(2);
  QTest::keyClicks(box, "32");
  EXPECT_EQ(box->text(), "30/00/0000");
  EXPECT_EQ(w->ui->beeps(), 1u);
  QTest::keyClick(box, Qt::Key_Home);
  QTest::keyClicks(box, "0");
  QTest::keyClicks(box, "0");
  EXPECT_EQ(box->text(), "00/00/0000");
  QTest::keyClicks(box, "x");
  EXPECT_EQ(box->text(), "00/00/0000");
  EXPECT_EQ(w->ui->beeps(), 3u);

  // The caret moved by an arrow key is where the next digit goes: the month.
  QTest::keyClick(box, Qt::Key_Home);
  for (int i = 0; i < 3; ++i) QTest::keyClick(box, Qt::Key_Right);
  QTest::keyClicks(box, "12");
  EXPECT_EQ(box->text(), "00/12/0000");

  // Entering a box with a click puts the caret at its start too; a click inside it moves it.
  QTest::keyClick(box, Qt::Key_Backspace);
  DateBox* other = w->box(7);
  QTest::mouseClick(other, Qt::LeftButton, {}, other->rect().center());
  ASSERT_EQ(QApplication::focusWidget(), other);
  EXPECT_EQ(other->cursorPosition(), 0);
  QTest::keyClicks(other, "1");
  EXPECT_EQ(other->text(), "10/00/0000");
  QTest::mouseClick(other, Qt::LeftButton, {}, {other->width() - 3, other->height() / 2});
  EXPECT_GT(other->cursorPosition(), 5);
}

TEST_F(WindowGrid, PasteCutDeleteUndoAndDropsNeverReachTheBox) {
  DateBox* box = enter(0);
  QTest::keyClicks(box, "01032023");
  ASSERT_EQ(box->text(), "01/03/2023");
  QGuiApplication::clipboard()->setText("31/12/2023");
  QTest::keySequence(box, QKeySequence::Paste);
  QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
  QTest::keyClick(box, Qt::Key_Home);
  QTest::keyClick(box, Qt::Key_Delete);
  box->selectAll();
  QTest::keySequence(box, QKeySequence::Cut);
  QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
  QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
  QTest::mouseClick(box, Qt::MiddleButton);
  EXPECT_EQ(box->text(), "01/03/2023");
  EXPECT_EQ(w->app->form.Text1[0], "01/03/2023");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "31/12/2023");  // nothing was cut either
  EXPECT_FALSE(box->acceptDrops());
  EXPECT_EQ(box->contextMenuPolicy(), Qt::PreventContextMenu);
  EXPECT_EQ(QApplication::focusWidget(), box);
}

TEST_F(WindowGrid, ABadDateIsRefusedWhenTheBoxIsLeftNotWhenTheWindowIs) {
  DateBox* box = enter(4);
  QTest::keyClicks(box, "31022023");
  ASSERT_EQ(box->text(), "31/02/2023");

  // Another window taking the activation is no leaving of the box.
  {
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(messages(), 0u) << w->transcript();
  }
  w->window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w->window.get()));
  ASSERT_EQ(QApplication::focusWidget(), box);

  // Tab to the next control: "Data errata", yellow, the focus back in the box, its text kept.
  QTest::keyClick(box, Qt::Key_Tab);
  ASSERT_EQ(messages(), 1u);
  const auto m = w->ui->dialogs()[0];
  EXPECT_EQ(m.text, "Data errata");
  EXPECT_EQ(m.title, "Esportazione dati per 770/2024 - Anno di riferimento 2023");
  EXPECT_EQ(m.icon, platform::Icon::Information);
  EXPECT_EQ(box->palette().color(QPalette::Base), QColor(255, 255, 0));
  EXPECT_EQ(QApplication::focusWidget(), box);
  EXPECT_EQ(box->text(), "31/02/2023");
  EXPECT_EQ(box->cursorPosition(), 0);

  // A click on another box: refused again, and the other box is not judged.
  w->box(5)->setText("garbage");  // never typed: it would fail if it were checked
  QTest::mouseClick(w->box(5), Qt::LeftButton);
  EXPECT_EQ(messages(), 2u) << w->transcript();
  EXPECT_EQ(QApplication::focusWidget(), box);

  // Corrected: the colours come back with the change, and the box may be left.
  QTest::keyClick(box, Qt::Key_Backspace);
  EXPECT_EQ(box->text(), "00/00/0000");
  EXPECT_EQ(box->palette().color(QPalette::Base), QColor(255, 255, 255));
  QTest::keyClicks(box, "28022023");
  QTest::keyClick(box, Qt::Key_Tab);
  EXPECT_EQ(messages(), 2u) << w->transcript();
  EXPECT_EQ(QApplication::focusWidget(), w->box(5));  // Tab goes on to the next month
  EXPECT_EQ(w->app->form.Text1[4], "28/02/2023");
}

// Acts on the calendar dialog once it is up and modal; a dialog still open a few seconds
// later is closed, so a test that fails cannot hang.
void onCalendar(std::function<void(QWidget*)> act) {
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal->objectName() != "FrmCalendario770") return;
    poll->stop();
    poll->deleteLater();
    act(modal);
    QTimer::singleShot(3000, modal, [modal] {
      ADD_FAILURE() << "the calendar did not close";
      modal->close();
    });
  });
  poll->start();
}

void doubleClickDay(QWidget* calendar, int day) {
  auto* label = calendar->findChild<QWidget*>(QString("LabNUMGG(%1)").arg(day));
  ASSERT_NE(label, nullptr) << day;
  ASSERT_TRUE(label->isVisible()) << day;
  QTest::mouseDClick(label, Qt::LeftButton);
}

TEST_F(WindowGrid, AMonthLabelOpensTheCalendarWhoseDayGoesIntoItsBox) {
  w->showCalendar = showCalendarModal;
  // A bad date in the box that has the focus stays unjudged while the calendar is open.
  DateBox* focused = enter(0);
  QTest::keyClicks(focused, "31042023");
  // July's tax falls due on the 21st of August: the day the calendar proposes.
  std::string caption;
  onCalendar([&](QWidget* calendar) {
    caption = calendar->windowTitle().toStdString();
    doubleClickDay(calendar, 21);
  });
  QTest::mouseClick(w->label("Label7_6"), Qt::LeftButton);
  EXPECT_TRUE(caption.starts_with("Calendario")) << caption;
  EXPECT_EQ(w->box(6)->text(), "21/08/2023");
  EXPECT_EQ(w->app->form.Text1[6], "21/08/2023");
  EXPECT_EQ(messages(), 0u) << w->transcript();
  EXPECT_EQ(focused->text(), "31/04/2023");
  // The offscreen platform gives the activation back only when asked, as a desktop does.
  w->window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w->window.get()));
  EXPECT_EQ(QApplication::focusWidget(), focused);
  EXPECT_EQ(focused->cursorPosition(), 9);  // where the typing left it
  EXPECT_EQ(messages(), 0u) << w->transcript();

  // Left by its exit button without a choice: the box keeps what it had.
  onCalendar([](QWidget* calendar) {
    QTest::mouseClick(calendar->findChild<QWidget*>("Command1"), Qt::LeftButton);
  });
  QTest::mouseClick(w->label("Label7_6"), Qt::LeftButton);
  EXPECT_EQ(w->box(6)->text(), "21/08/2023");

  // A Saturday picked comes back as the Monday after it.
  onCalendar([](QWidget* calendar) { doubleClickDay(calendar, 22); });
  QTest::mouseClick(w->label("Label7_5"), Qt::LeftButton);  // June: July's days
  EXPECT_EQ(w->box(5)->text(), "24/07/2023");
  // January of the next year, the last box.
  onCalendar([](QWidget* calendar) { doubleClickDay(calendar, 16); });
  QTest::mouseClick(w->label("Label7_12"), Qt::LeftButton);
  EXPECT_EQ(w->box(12)->text(), "16/02/2024");
  EXPECT_EQ(messages(), 0u) << w->transcript();
}

TEST_F(WindowGrid, CtrlShiftPShowsTheProjectInformationFromAnyControl) {
  const std::string info =
      "Programma korvante\r\rNome EXE : ZORIR77024.EXE\rNome VBP : ZORIR77024.VBP\r";
  DateBox* box = enter(3);
  QTest::keyClick(box, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_EQ(messages(), 1u);
  EXPECT_EQ(w->ui->dialogs()[0].title, "Informazioni Progetto korvante");
  EXPECT_EQ(w->ui->dialogs()[0].text, info);
  EXPECT_EQ(w->ui->dialogs()[0].icon, platform::Icon::Information);
  EXPECT_EQ(box->text(), "00/00/0000");
  EXPECT_EQ(w->ui->beeps(), 0u);

  w->list()->setFocus();
  QTest::keyClick(w->list(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(messages(), 2u);
  // Other keys with those modifiers, and P with one of them, do nothing.
  QTest::keyClick(w->list(), Qt::Key_P, Qt::ControlModifier);
  QTest::keyClick(w->list(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(messages(), 2u) << w->transcript();
}

}  // namespace
}  // namespace zr::gui

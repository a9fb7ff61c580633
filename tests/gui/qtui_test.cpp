// The message boxes: what a box shows (title, icon, buttons, its text with carriage returns as
// line breaks) read off the real QMessageBox while it is up, the answer of the button pressed,
// and the wait cursor around them.
#include "qtui.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QPushButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "gui/calendar_app.h"

namespace zr::gui {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

struct SeenBox {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
  QWidget* parent = nullptr;
  Qt::CursorShape cursor = Qt::BitmapCursor;  // the override cursor while the box is up
  bool cursorOverridden = false;
  bool seen = false;
};

// Once the box is up: records it, then answers with `act` (a button, or a key to the box).
void whenShown(SeenBox& seen, std::function<void(QMessageBox&)> act) {
  QTimer::singleShot(0, [&seen, act] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      ADD_FAILURE() << "no message box is up";
      return;
    }
    seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
            box->defaultButton() ? box->standardButton(box->defaultButton())
                                 : QMessageBox::NoButton,
            box->parentWidget(), Qt::BitmapCursor, QGuiApplication::overrideCursor() != nullptr,
            true};
    if (seen.cursorOverridden) seen.cursor = QGuiApplication::overrideCursor()->shape();
    act(*box);
  });
}

std::function<void(QMessageBox&)> press(QMessageBox::StandardButton which) {
  return [which](QMessageBox& box) { QTest::mouseClick(box.button(which), Qt::LeftButton); };
}

class QtUiTest : public ::testing::Test {
 protected:
  void SetUp() override { calendarTestApp(); }
  void TearDown() override {
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
  }
  QtUi ui_;
};

TEST_F(QtUiTest, AMessageShowsItsTitleIconAndLinesWithOneOkButton) {
  SeenBox seen;
  whenShown(seen, press(QMessageBox::Ok));
  // CP1252 bytes: a lone CR, a CR LF and a final CR each end one line.
  ui_.message("Errore N.484\rNessuna stampante\r\nCitt\xE0 \x80\r", "Attenzione !!!",
              Icon::Critical);
  ASSERT_TRUE(seen.seen);
  EXPECT_EQ(seen.title, "Attenzione !!!");
  EXPECT_EQ(seen.text, QString::fromUtf8("Errore N.484\nNessuna stampante\nCitt\u00E0 \u20AC\n"));
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(seen.parent, nullptr);

  // Texts are plain: markup is shown as typed, not read.
  const std::pair<Icon, QMessageBox::Icon> icons[] = {
      {Icon::Information, QMessageBox::Information},
      {Icon::Exclamation, QMessageBox::Warning},
      {Icon::Question, QMessageBox::Question},
      {Icon::None, QMessageBox::NoIcon}};
  for (const auto& [ours, qts] : icons) {
    whenShown(seen, press(QMessageBox::Ok));
    ui_.message("<b>Data errata</b>", "RIZ770", ours);
    EXPECT_EQ(seen.icon, qts);
    EXPECT_EQ(seen.text, "<b>Data errata</b>");
  }
}

TEST_F(QtUiTest, AQuestionGetsTheAnswerOfTheButtonPressed) {
  SeenBox seen;
  whenShown(seen, press(QMessageBox::No));
  // The safe answer is for front ends nobody can answer: here the user's answer counts.
  EXPECT_EQ(ui_.ask("Riprovare ?", "Stampa", Buttons::YesNo, Icon::Question, Answer::Yes),
            Answer::No);
  EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(seen.defaultButton, QMessageBox::Yes);
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_EQ(seen.title, "Stampa");

  whenShown(seen, press(QMessageBox::Yes));
  EXPECT_EQ(ui_.ask("Riprovare ?", "Stampa", Buttons::YesNo, Icon::Exclamation, Answer::No),
            Answer::Yes);
  EXPECT_EQ(seen.icon, QMessageBox::Warning);

  // Escape (as the close box) is No; Enter takes the default, Yes.
  whenShown(seen, [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
  EXPECT_EQ(ui_.ask("?", "T", Buttons::YesNo, Icon::Question, Answer::Yes), Answer::No);
  whenShown(seen, [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
  EXPECT_EQ(ui_.ask("?", "T", Buttons::YesNo, Icon::Question, Answer::No), Answer::Yes);

  // A question with one button only has that answer.
  whenShown(seen, press(QMessageBox::Ok));
  EXPECT_EQ(ui_.ask("Fatto", "T", Buttons::Ok, Icon::Information, Answer::No), Answer::Ok);
  EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

TEST_F(QtUiTest, BoxesStandOverTheWindowTheyAreGiven) {
  QWidget window;
  window.show();
  ui_.setParentWindow(&window);
  SeenBox seen;
  whenShown(seen, press(QMessageBox::Ok));
  ui_.message("x", "t", Icon::Information);
  EXPECT_EQ(seen.parent, &window);
  {
    QtUi other(&window);
    whenShown(seen, press(QMessageBox::Ok));
    other.message("x", "t", Icon::Information);
    EXPECT_EQ(seen.parent, &window);
  }
}

TEST_F(QtUiTest, TheWaitCursorIsAStateAndGivesWayToABox) {
  ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
  ui_.busy(false);  // not busy: nothing to restore
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  ui_.busy(true);
  ui_.busy(true);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);

  SeenBox seen;
  whenShown(seen, press(QMessageBox::Ok));
  ui_.message("Elaborazione", "t", Icon::Information);
  EXPECT_TRUE(seen.cursorOverridden);
  EXPECT_EQ(seen.cursor, Qt::ArrowCursor);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);

  ui_.busy(false);  // one "off" ends it, however many "on" came before
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

  whenShown(seen, press(QMessageBox::Ok));
  ui_.message("x", "t", Icon::Information);
  EXPECT_FALSE(seen.cursorOverridden);  // not busy: the box leaves the cursor alone

  {
    QtUi leaving;
    leaving.busy(true);
  }
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // a Ui that goes leaves no hourglass
}

TEST(QtUiText, CarriageReturnsBecomeLineBreaks) {
  EXPECT_EQ(messageText(""), "");
  EXPECT_EQ(messageText("\r"), "\n");
  EXPECT_EQ(messageText("\r\n"), "\n");
  EXPECT_EQ(messageText("\r\r\n\n"), "\n\n\n");  // CR, CR LF, then a bare LF
  EXPECT_EQ(messageText("a\rb"), "a\nb");
  EXPECT_EQ(messageText("perch\xE9"), QString::fromUtf8("perch\u00E9"));
}

}  // namespace
}  // namespace zr::gui

// RIZ770 on installations built on disk, driven through real Qt events on the offscreen
// platform: what the window shows at start, its size and place, the export run, the date
// grid's typing and checking, the window's keys and its close button.
#include <QClipboard>
#include <QSignalSpy>

#include "archive/installation.h"
#include "gui/window_fixture.h"
#include "twips.h"

namespace zr::gui {
namespace {

using testbed::company;
using testbed::Installation;
using testbed::readBytes;

std::string pad(std::string s, std::size_t n) {
  s.resize(n, ' ');
  return s;
}

// 001 presents its own return, 002 is presented by 001, 003 stands alone.
void threeCompanies(Installation& inst) {
  inst.builder.putCompany(company(1, {{"T002", "ALFA SRL"}, {"T012", "11111111111"}}));
  inst.builder.putCompany(
      company(2, {{"T002", "BETA SPA"}, {"T012", "22222222222"}, {"T326", "1"}}));
  inst.builder.putCompany(company(3, {{"T002", "GAMMA & FIGLI"}, {"T012", "33333333333"}}));
  inst.builder.close();
}

QString text(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

TEST(Window, StartsWithTheFormsTextsTheCompanyListAndTheReminderBeforeIt) {
  Installation inst;
  threeCompanies(inst);
  WindowBed w(inst);

  // The reminder came from the load, before the window existed.
  ASSERT_EQ(w.loadDialogs.size(), 1u);
  EXPECT_EQ(w.loadDialogs[0].title, "Esportazione dati per 770/2024 - Anno di riferimento 2023");
  EXPECT_EQ(w.loadDialogs[0].icon, platform::Icon::Information);
  EXPECT_TRUE(w.loadDialogs[0].text.starts_with("Si ricorda all' Utente che prima"));

  EXPECT_EQ(w.window->windowTitle(), "Esportazione dati per 770/2024 - Anno di riferimento 2023");
  EXPECT_EQ(w.button("CMDAVVIO")->text(), "Esportazione dati per 770/2024");
  EXPECT_EQ(w.button("CmdUscita_1")->text(), "&Uscita");
  EXPECT_EQ(w.button("cmdverifica")->text(), "Verifica/Aggiorna date di versamento F24");
  EXPECT_EQ(w.button("CmdVer1655")->text(), "Liste di controllo Cod.Trib.F24");
  EXPECT_EQ(w.button("Cmdinfo_0")->text(), "Help");
  EXPECT_EQ(w.button("Cmdinfo_1")->text(), "Corrispondenza campi da procedura paghe a 770");
  EXPECT_EQ(w.button("CmdUscita_0")->text(), "Selezioni precedenti");
  EXPECT_EQ(w.button("CmdStampa")->text(), "Stampa");
  EXPECT_EQ(w.label("Label8")->text(), "Anno 2024");
  EXPECT_EQ(w.label("Label10")->text(), "Anno 2023");
  EXPECT_EQ(w.label("Label3")->text(),
            "Selezionare le aziende che si desidera esportare per il Mod.770/2024 con un click "
            "del mouse");
  EXPECT_TRUE(w.label("Label1")->text().startsWith(
      "Esportazione dati da korvante a 770/2024 . Il programma non richiede"));
  EXPECT_EQ(w.label("Label11")->text(), "Selezione Tipo stampa");

  auto* check1 = w.find<QCheckBox>("Check1");
  auto* check2 = w.find<QCheckBox>("Check2");
  auto* check3 = w.find<QCheckBox>("Check3");
  EXPECT_TRUE(check1->isChecked());
  EXPECT_EQ(check1->text(),
            "SI Includere nel Quadro ST anche i versamenti delle CERT.UNICA LAV.AUT");
  EXPECT_FALSE(check2->isChecked());
  EXPECT_EQ(check2->text(), "Seleziona tutte le aziende");
  EXPECT_TRUE(check3->isChecked());
  EXPECT_EQ(check3->text(), "SI Compila automaticamente con 'S' (saldo) note Q.SV cod.3847");

  // The list: one line per company as the archive gives it, in a fixed-pitch face, several
  // lines selectable; the "&" of a name is a character.
  QListWidget* list = w.list();
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(0)->text(), text(pad("001 ALFA SRL", 34)));
  EXPECT_EQ(list->item(1)->text(), text(pad("002 BETA SPA", 34) +
                                        " Azienda presentatrice 770:001 " + pad("ALFA SRL", 30)));
  EXPECT_EQ(list->item(2)->text(), text(pad("003 GAMMA & FIGLI", 34)));
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::MultiSelection);
  const QFontInfo face(list->font());
  EXPECT_TRUE(face.fixedPitch()) << face.family().toStdString();
  EXPECT_TRUE(face.family() == "Courier New" || face.family() == "Liberation Mono")
      << face.family().toStdString();
  EXPECT_TRUE(list->selectedItems().isEmpty());

  // The grid: thirteen empty dates under their months, January of the next year last.
  for (int k = 0; k < 13; ++k) {
    EXPECT_EQ(w.box(k)->text(), "00/00/0000") << k;
    const QString month = k == 12 ? "01" : QString("%1").arg(k + 1, 2, 10, QChar('0'));
    EXPECT_EQ(w.label(("Label7_" + std::to_string(k)).c_str())->text(), month) << k;
  }
  EXPECT_EQ(w.label("Label7_12")->palette().color(QPalette::Window), QColor(128, 0, 0));
  EXPECT_EQ(w.label("Label7_0")->palette().color(QPalette::Window), QColor(192, 192, 192));

  // The print selection's options in their index order; the frame and the progress lines
  // are hidden until used.
  const char* captions[] = {"SEZIONE ERARIO", "SEZIONE REGIONI", "SEZIONE COMUNI",
                            "TUTTE (ERA/REG/COM)", "CODICI F24 PER Q.SX SX1_1  SX2_1"};
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(w.find<QRadioButton>(("Option1_" + std::to_string(i)).c_str())->text(), captions[i]);
  w.show();
  EXPECT_FALSE(w.find<QWidget>("FrameSelezione_0")->isVisible());
  for (const char* progress : {"Label2", "Label4", "Label5"})
    EXPECT_FALSE(w.label(progress)->isVisible()) << progress;
  EXPECT_TRUE(w.label("Label3")->isVisible());
  EXPECT_TRUE(list->isVisible());
  EXPECT_FALSE(w.find<QWidget>("List2")->isVisible());
}

TEST(WindowGeometry, TwipsBecomePixelsAndAWindowIsCentredOrCutToItsScreen) {
  // 96 dpi: 15 twips a pixel; other densities scale.
  EXPECT_EQ(twipsToPixels(15100, 96), 1007);
  EXPECT_EQ(twipsToPixels(10100, 96), 673);
  EXPECT_EQ(twipsToPixels(1440, 120), 120);
  EXPECT_EQ(twipsToPixels(15, 96), 1);
  EXPECT_EQ(twipsToPixels(7, 96), 0);
  EXPECT_EQ(twipsToPixels(8, 96), 1);
  EXPECT_EQ(twipsRect(60, 1950, 14880, 3400, 96), QRect(4, 130, 992, 227));

  struct Case {
    QSize wanted, frame;
    QRect available, expected;
  };
  const Case cases[] = {
      // Room enough: centred, the frame counted with the window.
      {{1007, 673}, {0, 0}, {0, 0, 1920, 1080}, {456, 203, 1007, 673}},
      {{1007, 673}, {4, 24}, {0, 0, 1920, 1080}, {454, 191, 1007, 673}},
      // An available area that does not start at the corner (a panel on the left, on top).
      {{1007, 673}, {0, 0}, {100, 30, 1820, 1050}, {506, 218, 1007, 673}},
      // Too small one way, or both: the largest size that fits, wholly on the screen.
      {{1007, 673}, {4, 24}, {0, 0, 800, 1080}, {0, 191, 796, 673}},
      {{1007, 673}, {4, 24}, {1920, 0, 533, 400}, {1920, 0, 529, 376}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(placeOnScreen(c.wanted, c.frame, c.available), c.expected)
        << c.available.width() << "x" << c.available.height();
}

TEST(WindowGeometry, OpensAtItsSizeCentredOnTheScreenOrCutToASmallOne) {
  Installation inst;
  threeCompanies(inst);
  {
    WindowBed w(inst);
    w.show();
    const QRect available = w.window->screen()->availableGeometry();
    EXPECT_EQ(w.window->size(), QSize(1007, 673));
    const QRect frame = w.window->frameGeometry();
    EXPECT_LE(std::abs(frame.center().x() - available.center().x()), 1);
    EXPECT_LE(std::abs(frame.center().y() - available.center().y()), 1);
    EXPECT_TRUE(available.contains(frame));
    // The list where the load put it, in pixels.
    EXPECT_EQ(w.list()->geometry(), QRect(4, 130, 992, 227));
  }
  QScreen* small = testScreen(kSmallScreen);
  ASSERT_EQ(small->name(), kSmallScreen);
  WindowBed w(inst, {}, small);
  w.show();
  const QRect available = small->availableGeometry();
  ASSERT_LT(available.width(), 1007);
  const QRect frame = w.window->frameGeometry();
  EXPECT_TRUE(available.contains(frame))
      << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
  EXPECT_EQ(frame.width(), available.width());
  EXPECT_EQ(frame.height(), available.height());
  // The form keeps its size inside and scrolls: no control is lost.
  EXPECT_EQ(w.find<QWidget>("canvas")->size(), QSize(1007, 673));
}

// The visible controls directly on `parent`, but the frame that pops up over them.
std::vector<QWidget*> visibleControls(QWidget* parent) {
  std::vector<QWidget*> out;
  for (QWidget* c : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (c->isVisible() && c->objectName() != "FrameSelezione_0") out.push_back(c);
  return out;
}

// No two controls overlap, and each one's text fits: nothing cut off.
void expectLaidOut(QWidget* parent, std::size_t atLeast) {
  const auto controls = visibleControls(parent);
  EXPECT_GE(controls.size(), atLeast) << parent->objectName().toStdString();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    QWidget* a = controls[i];
    const std::string name = a->objectName().toStdString();
    for (std::size_t j = i + 1; j < controls.size(); ++j)
      EXPECT_FALSE(a->geometry().intersects(controls[j]->geometry()))
          << name << " overlaps " << controls[j]->objectName().toStdString();
    if (auto* label = qobject_cast<QLabel*>(a); label && label->wordWrap()) {
      EXPECT_LE(label->heightForWidth(label->width()), label->height()) << name;
    } else if (qobject_cast<QLabel*>(a) || qobject_cast<QAbstractButton*>(a)) {
      EXPECT_LE(a->sizeHint().width(), a->width()) << name;
      EXPECT_LE(a->sizeHint().height(), a->height() + 2) << name;
    }
  }
}

TEST(WindowGeometry, NoControlOverlapsAnotherOrCutsItsText) {
  Installation inst;
  threeCompanies(inst);
  WindowBed w(inst);
  w.show();
  QWidget* canvas = w.find<QWidget>("canvas");
  expectLaidOut(canvas, 42);
  // The longer captions the check boxes take when cleared.
  w.click("Check1");
  w.click("Check3");
  EXPECT_TRUE(w.find<QCheckBox>("Check1")->text().startsWith("NO Non Includere"));
  expectLaidOut(canvas, 42);
  // The print frame, over the form, with its own controls.
  w.clickCompany(1);
  w.click("CmdVer1655");
  QWidget* frame = w.find<QWidget>("FrameSelezione_0");
  ASSERT_TRUE(frame->isVisible()) << w.transcript();
  EXPECT_TRUE(canvas->rect().contains(frame->geometry()));
  expectLaidOut(frame, 6);
  expectLaidOut(w.find<QWidget>("Frame1"), 5);
}

}  // namespace
}  // namespace zr::gui

// RIZ770's controls: made, named and placed in twips. The places are data; the list and the
// print frame take the geometry the load put into the model.
#include <QFont>
#include <QHBoxLayout>

#include "controls.h"
#include "lists/printselection.h"
#include "paydates/dategrid.h"
#include "qttext.h"
#include "riz770.h"
#include "shell/app.h"
#include "twips.h"

namespace zr::gui {
namespace {

struct Place {
  std::string_view name;
  int left, top, width, height;
};

// The form's client area, 15100 by 10100 twips: texts above the list, the options and the
// date grid below it, the commands on the right and along the bottom. The progress lines lie
// over the list, which a run hides.
constexpr Place kPlaces[] = {
    {"Label1", 60, 60, 14880, 780},         {"Label6", 60, 900, 1300, 270},
    {"Label8", 1400, 900, 2000, 270},       {"Label9", 4200, 900, 1600, 270},
    {"Label10", 5900, 900, 2000, 270},      {"Label3", 60, 1600, 14880, 300},
    {"Label2", 60, 2300, 14880, 300},       {"Label4", 60, 2700, 14880, 300},
    {"Label5", 60, 3150, 14880, 600},       {"Check2", 60, 5450, 4400, 300},
    {"Check1", 4600, 5450, 10400, 300},     {"Check3", 4600, 5800, 10400, 300},
    {"cmdverifica", 8700, 6300, 4800, 420}, {"Cmdinfo_0", 13600, 6300, 1440, 420},
    {"CmdVer1655", 8700, 6820, 4800, 420},  {"Cmdinfo_1", 8700, 7340, 6340, 420},
    {"CMDAVVIO", 60, 8800, 6000, 600},      {"CmdUscita_1", 12040, 8800, 3000, 600},
};

// Inside FrameSelezione(0) (6795 by 3060), and the option buttons inside Frame1.
constexpr Place kFramePlaces[] = {
    {"Label11", 120, 100, 4000, 270},      {"Frame1", 120, 400, 4200, 1900},
    {"CmdStampa", 4500, 400, 2175, 400},   {"SalvaPDF", 4500, 850, 2175, 400},
    {"SalvaTesto", 4500, 1300, 2175, 400}, {"CmdUscita_0", 4500, 1900, 2175, 400},
    {"LabelDESC", 120, 2400, 6555, 500},
};
constexpr int kOptionLeft = 100, kOptionTop = 100, kOptionStep = 340, kOptionWidth = 4000,
              kOptionHeight = 300;

// The date grid: a month label above each box, five columns of three rows.
constexpr int kGridLeft = 60, kGridTop = 6300, kGridColumnStep = 1650, kGridRowStep = 700;
constexpr int kMonthHeight = 270, kBoxWidth = 1500, kBoxHeight = 360;

// The labels whose texts the model does not set: the descriptions beside the years.
constexpr std::pair<std::string_view, std::string_view> kStaticTexts[] = {
    {"Label6", "Dichiarazione:"}, {"Label9", "Dati paghe e F24:"}};

// The order the Tab key follows: down the form, the grid box by box, then the commands.
constexpr std::string_view kTabOrder[] = {
    "List1",     "Check2",      "Check1",     "Check3",      "Text1_0",   "Text1_1",    "Text1_2",
    "Text1_3",   "Text1_4",     "Text1_5",    "Text1_6",     "Text1_7",   "Text1_8",    "Text1_9",
    "Text1_10",  "Text1_11",    "Text1_12",   "cmdverifica", "Cmdinfo_0", "CmdVer1655", "Cmdinfo_1",
    "CMDAVVIO",  "CmdUscita_1", "Option1_0",  "Option1_1",   "Option1_2", "Option1_3",  "Option1_4",
    "CmdStampa", "SalvaPDF",    "SalvaTesto", "CmdUscita_0"};

constexpr std::string_view kLabelNames[] = {"Label1",  "Label2",  "Label3",   "Label4",
                                            "Label5",  "Label6",  "Label8",   "Label9",
                                            "Label10", "Label11", "LabelDESC"};

QFont listFont() {
  QFont f;
  f.setFamilies({"Courier New", "Liberation Mono"});
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  f.setPointSize(9);
  return f;
}

QFont formFont() {
  QFont f;
  f.setFamilies({"Arial", "Liberation Sans"});
  f.setStyleHint(QFont::SansSerif);
  f.setPointSize(8);
  return f;
}

template <class W>
W* named(W* widget, std::string_view name) {
  widget->setObjectName(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  return widget;
}

}  // namespace

void RIZ770::build() {
  c_ = std::make_unique<Controls>();
  setFont(formFont());
  c_->scroll = new QScrollArea(this);
  c_->scroll->setFrameShape(QFrame::NoFrame);
  // A click on a label would otherwise hand the focus to the scroll area, and leave a box.
  c_->scroll->setFocusPolicy(Qt::NoFocus);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(c_->scroll);
  const MainForm& form = app_.form;
  c_->canvas = named(new QWidget, "canvas");
  c_->canvas->setFixedSize(twipsRect(0, 0, form.width, form.height, dpi_).size());
  c_->scroll->setWidget(c_->canvas);
  QWidget* canvas = c_->canvas;

  for (std::string_view name : kLabelNames) {
    auto* label = named(new QLabel(canvas), name);
    label->setWordWrap(name == "Label1" || name == "Label5" || name == "LabelDESC");
    c_->labels.emplace(std::string(name), label);
  }
  for (const auto& [name, text] : kStaticTexts) c_->label(name)->setText(qtText(text));

  c_->List1 = named(new QListWidget(canvas), "List1");
  c_->List1->setFont(listFont());
  c_->List1->setSelectionMode(QAbstractItemView::MultiSelection);
  c_->List1->setGeometry(
      twipsRect(form.list1Left, form.list1Top, form.list1Width, form.list1Height, dpi_));
  c_->List2 = named(new QListWidget(canvas), "List2");
  c_->List2->hide();

  c_->Check1 = named(new QCheckBox(canvas), "Check1");
  c_->Check2 = named(new QCheckBox(canvas), "Check2");
  c_->Check3 = named(new QCheckBox(canvas), "Check3");
  c_->CMDAVVIO = named(new QPushButton(canvas), "CMDAVVIO");
  c_->cmdverifica =
      named(new QPushButton("Verifica/Aggiorna date di versamento F24", canvas), "cmdverifica");
  c_->CmdVer1655 = named(new QPushButton("Liste di controllo Cod.Trib.F24", canvas), "CmdVer1655");
  c_->Cmdinfo[0] = named(new QPushButton("Help", canvas), "Cmdinfo_0");
  c_->Cmdinfo[1] =
      named(new QPushButton("Corrispondenza campi da procedura paghe a 770", canvas), "Cmdinfo_1");
  c_->CmdUscita[1] = named(new QPushButton("&Uscita", canvas), "CmdUscita_1");

  for (const Place& p : kPlaces) {
    QWidget* w = canvas->findChild<QWidget*>(
        QString::fromUtf8(p.name.data(), static_cast<qsizetype>(p.name.size())));
    w->setGeometry(twipsRect(p.left, p.top, p.width, p.height, dpi_));
  }
  for (const char* progress : {"Label2", "Label4", "Label5"}) c_->label(progress)->raise();
  buildGrid();
  buildFrame();
  QWidget* previous = nullptr;
  for (std::string_view name : kTabOrder) {
    QWidget* next = canvas->findChild<QWidget*>(
        QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    if (previous) setTabOrder(previous, next);
    previous = next;
  }
}

void RIZ770::buildGrid() {
  for (int k = 0; k < kBoxes; ++k) {
    const GridPlace g = gridPlace(k);
    const int left = kGridLeft + g.column * kGridColumnStep;
    const int top = kGridTop + g.row * kGridRowStep;
    auto* label = named(new ClickLabel(k, c_->canvas), "Label7_" + std::to_string(k));
    label->setText(qtText(Label7Caption(k)));
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    const Rgb back = Label7BackColor(k);
    pal.setColor(QPalette::Window, qtColor(back));
    pal.setColor(QPalette::WindowText, back.r + back.g + back.b < 384 ? Qt::white : Qt::black);
    label->setPalette(pal);
    label->setGeometry(twipsRect(left, top, kBoxWidth, kMonthHeight, dpi_));
    c_->Label7[static_cast<std::size_t>(k)] = label;

    auto* box = named(new DateBox(k, c_->canvas), "Text1_" + std::to_string(k));
    box->setGeometry(twipsRect(left, top + kMonthHeight, kBoxWidth, kBoxHeight, dpi_));
    box->setAlignment(Qt::AlignCenter);
    c_->Text1[static_cast<std::size_t>(k)] = box;
  }
}

void RIZ770::buildFrame() {
  const MainForm& form = app_.form;
  c_->FrameSelezione = named(new QFrame(c_->canvas), "FrameSelezione_0");
  c_->FrameSelezione->setFrameShape(QFrame::Box);
  c_->FrameSelezione->setAutoFillBackground(true);
  c_->FrameSelezione->setGeometry(
      twipsRect(form.frameLeft, form.frameTop, form.frameWidth, form.frameHeight, dpi_));
  QWidget* frame = c_->FrameSelezione;
  c_->label("Label11")->setParent(frame);
  c_->label("LabelDESC")->setParent(frame);
  c_->Frame1 = named(new QGroupBox(frame), "Frame1");
  for (int i = 0; i < kOptions; ++i) {
    auto* option = named(
        new QRadioButton(qtCaption(kOption1Captions[static_cast<std::size_t>(i)]), c_->Frame1),
        "Option1_" + std::to_string(i));
    option->setGeometry(
        twipsRect(kOptionLeft, kOptionTop + i * kOptionStep, kOptionWidth, kOptionHeight, dpi_));
    c_->Option1[static_cast<std::size_t>(i)] = option;
  }
  c_->CmdStampa = named(new QPushButton("Stampa", frame), "CmdStampa");
  c_->savePdf = named(new QPushButton("Salva PDF...", frame), "SalvaPDF");
  c_->saveText = named(new QPushButton("Salva testo...", frame), "SalvaTesto");
  c_->CmdUscita[0] = named(new QPushButton("Selezioni precedenti", frame), "CmdUscita_0");
  for (const Place& p : kFramePlaces) {
    QWidget* w = frame->findChild<QWidget*>(
        QString::fromUtf8(p.name.data(), static_cast<qsizetype>(p.name.size())),
        Qt::FindDirectChildrenOnly);
    w->setGeometry(twipsRect(p.left, p.top, p.width, p.height, dpi_));
  }
  frame->raise();
}

}  // namespace zr::gui

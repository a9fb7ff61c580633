// RIZ770 between widgets and model: the model shown in the widgets (refresh), and what the
// user does to a widget carried into the model and its handlers.
#include <QApplication>
#include <QPalette>

#include "controls.h"
#include "export/exportreport.h"
#include "export/run.h"
#include "lists/printselection.h"
#include "paydates/dategrid.h"
#include "paydates/verification.h"
#include "qttext.h"
#include "riz770.h"
#include "shell/app.h"
#include "shell/companylist.h"

namespace zr::gui {
namespace {

// Shown unless the model says otherwise: the progress lines only while a command uses them.
bool shownByDefault(std::string_view label) {
  return label != "Label2" && label != "Label4" && label != "Label5" && label != "LabelDESC";
}

bool labelShown(const MainForm& form, std::string_view label) {
  auto it = form.labelVisible.find(label);
  return it == form.labelVisible.end() ? shownByDefault(label) : it->second;
}

void setChecked(QAbstractButton* box, bool checked) {
  const QSignalBlocker block(box);
  box->setChecked(checked);
}

}  // namespace

void RIZ770::refresh() {
  const MainForm& form = app_.form;
  setWindowTitle(qtText(form.caption));
  refreshList();
  setChecked(c_->Check1, form.Check1 == 1);
  setChecked(c_->Check2, form.Check2 == 1);
  setChecked(c_->Check3, form.Check3 == 1);
  c_->Check1->setText(qtCaption(form.Check1Caption));
  c_->Check2->setText(qtCaption(form.Check2Caption));
  c_->Check3->setText(qtCaption(form.Check3Caption));
  c_->CMDAVVIO->setText(qtCaption(form.cmdAvvioCaption));
  refreshGrid();
  refreshLabels();
  c_->FrameSelezione->setVisible(form.frameVisible);
  for (int i = 0; i < kOptions; ++i)
    setChecked(c_->Option1[static_cast<std::size_t>(i)], form.Option1[static_cast<std::size_t>(i)]);
  c_->List2->setVisible(form.list2Visible);
}

void RIZ770::refreshList() {
  const MainForm& form = app_.form;
  QListWidget* list = c_->List1;
  const QSignalBlocker block(list);
  if (c_->shownLines != form.List1) {
    list->clear();
    for (const std::string& line : form.List1) list->addItem(qtText(line));
    c_->shownLines = form.List1;
  }
  for (int i = 0; i < list->count(); ++i)
    list->item(i)->setSelected(form.isSelected(static_cast<std::size_t>(i)));
  if (form.listIndex >= 0 && form.listIndex < list->count())
    list->setCurrentRow(form.listIndex, QItemSelectionModel::NoUpdate);
  list->setVisible(form.list1Visible);
}

void RIZ770::refreshGrid() {
  const MainForm& form = app_.form;
  for (int k = 0; k < kBoxes; ++k) {
    DateBox* box = c_->Text1[static_cast<std::size_t>(k)];
    const auto i = static_cast<std::size_t>(k);
    if (box->text() != qtText(form.Text1[i])) box->setText(qtText(form.Text1[i]));
    box->deselect();
    box->setCursorPosition(form.Text1Box[i].caret);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, qtColor(Text1BackColor(form, k)));
    pal.setColor(QPalette::Text, qtColor(Text1ForeColor(form, k)));
    box->setPalette(pal);
  }
}

void RIZ770::refreshLabels() {
  const MainForm& form = app_.form;
  for (auto& [name, label] : c_->labels) {
    auto text = form.labels.find(name);
    if (text != form.labels.end()) label->setText(qtText(text->second));
    label->setVisible(labelShown(form, name));
  }
}

void RIZ770::showProgress(std::string_view label, std::string_view text) {
  auto it = c_->labels.find(label);
  if (it != c_->labels.end()) {
    it->second->setText(qtText(text));
    it->second->setVisible(labelShown(app_.form, label) || !text.empty());
  }
  // A run hides the list and its instruction while it lasts.
  c_->List1->setVisible(app_.form.list1Visible);
  c_->label("Label3")->setVisible(labelShown(app_.form, "Label3"));
}

void RIZ770::connectControls() {
  QListWidget* list = c_->List1;
  connect(list, &QListWidget::itemSelectionChanged, this, [this, list] {
    MainForm& form = app_.form;
    form.selected.resize(form.List1.size(), false);
    for (int i = 0; i < list->count() && i < static_cast<int>(form.selected.size()); ++i)
      form.selected[static_cast<std::size_t>(i)] = list->item(i)->isSelected();
  });
  connect(list, &QListWidget::currentRowChanged, this,
          [this](int row) { app_.form.listIndex = row; });

  const auto check = [this](QCheckBox* box, int MainForm::*value, void (*click)(MainForm&)) {
    connect(box, &QCheckBox::clicked, this, [this, value, click](bool on) {
      run(
          [&] {
            app_.form.*value = on ? 1 : 0;
            click(app_.form);
          },
          Work::Quick);
    });
  };
  check(c_->Check1, &MainForm::Check1, Check1_Click);
  check(c_->Check2, &MainForm::Check2, Check2_Click);
  check(c_->Check3, &MainForm::Check3, Check3_Click);

  const auto button = [this](QPushButton* b, Work work, std::function<void()> body) {
    connect(b, &QPushButton::clicked, this, [this, work, body] { run(body, work); });
  };
  connect(c_->CMDAVVIO, &QPushButton::clicked, this, [this] {
    std::optional<report::ExportReport> done;
    run(
        [&] {
          report::ExportReport made;
          if (CMDAVVIO_Click(app_, nullptr, &made) == RunOutcome::Done) done = std::move(made);
        },
        Work::Run);
    // The report follows the run's own messages, over the restored window.
    if (done && hooks_.showReport && !endStatus_) hooks_.showReport(*done, this);
  });
  button(c_->cmdverifica, Work::Print, [this] { cmdverifica_Click(app_, UpdateAnswer::Ask); });
  button(c_->CmdVer1655, Work::Quick, [this] { CmdVer1655_Click(app_); });
  button(c_->CmdStampa, Work::Print, [this] { CmdStampa_Click(app_); });
  for (int i = 0; i < 2; ++i) {
    button(c_->Cmdinfo[static_cast<std::size_t>(i)], Work::Quick,
           [this, i] { Cmdinfo_Click(app_, i); });
    button(c_->CmdUscita[static_cast<std::size_t>(i)], Work::Quick,
           [this, i] { CmdUscita_Click(app_, i); });
  }
  connect(c_->savePdf, &QPushButton::clicked, this, [this] { saveList(SaveKind::Pdf); });
  connect(c_->saveText, &QPushButton::clicked, this, [this] { saveList(SaveKind::Text); });
  for (int i = 0; i < kOptions; ++i)
    connect(c_->Option1[static_cast<std::size_t>(i)], &QRadioButton::clicked, this,
            [this, i] { run([&] { Option1_Click(app_, i); }, Work::Quick); });
}

}  // namespace zr::gui

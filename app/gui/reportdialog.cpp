#include "reportdialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "export/exportreportprint.h"
#include "platform/errors.h"
#include "platform/text.h"
#include "qttext.h"
#include "reportoutput.h"
#include "shell/app.h"
#include "shell/runfailure.h"

namespace zr::gui {

namespace {

using report::Measure;

QString cellText(const Measure& m, bool compared) {
  std::string t;
  if (m.kind == Measure::Flag) return m.after ? "SI" : "NO";
  if (m.kind == Measure::Money)
    t = platform::trimmed(report::listMoney(m.after));
  else
    t = std::to_string(m.after);
  const std::int64_t d = m.difference();
  if (compared && d != 0)
    t += " (" + (m.kind == Measure::Money ? report::signedMoney(d)
                                          : (d > 0 ? "+" : "") + std::to_string(d)) + ")";
  return qtText(t);
}

}  // namespace

ReportDialog::ReportDialog(App& app, report::ExportReport report, ChooseFile chooseFile,
                           QWidget* parent)
    : QDialog(parent), app_(app), report_(std::move(report)), chooseFile_(std::move(chooseFile)) {
  setObjectName("RiepilogoEsportazione");
  setWindowTitle(qtText("Riepilogo dell'esportazione - " + app_.form.caption));
  auto* layout = new QVBoxLayout(this);
  const auto blocks = report::reportBlocks(report_, false);
  heading_ = new QLabel(qtText(blocks.front().front() + "\n" + blocks.front()[1]), this);
  heading_->setObjectName("Intestazione");
  layout->addWidget(heading_);
  table_ = new QTableWidget(this);
  table_->setObjectName("Tabella");
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  layout->addWidget(table_, 3);
  layout->addWidget(new QLabel(qtText("Segnalazioni: " + std::to_string(report_.warnings.size())), this));
  warnings_ = new QListWidget(this);
  warnings_->setObjectName("Segnalazioni");
  for (const report::Warning& w : report_.warnings) warnings_->addItem(qtText(w.text));
  layout->addWidget(warnings_, 1);
  auto* buttons = new QDialogButtonBox(this);
  auto* print = buttons->addButton("Stampa", QDialogButtonBox::ActionRole);
  print->setObjectName("Stampa");
  auto* save = buttons->addButton("Salva", QDialogButtonBox::ActionRole);
  save->setObjectName("Salva");
  auto* close = buttons->addButton("Chiudi", QDialogButtonBox::RejectRole);
  close->setObjectName("Chiudi");
  layout->addWidget(buttons);
  connect(print, &QPushButton::clicked, this, [this] { this->print(); });
  connect(save, &QPushButton::clicked, this, [this] { this->save(); });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  fillTable();
  resize(1100, 640);
}

void ReportDialog::fillTable() {
  const bool compared = report_.previous && report_.previous->present;
  QStringList headers = {"Ditta", "Nome"};
  if (compared) headers << "Stato";
  for (const Measure& m : report::measures(nullptr, nullptr))
    headers << qtText(platform::trimmed(std::string(m.label)));
  table_->setColumnCount(static_cast<int>(headers.size()));
  table_->setHorizontalHeaderLabels(headers);
  table_->setRowCount(static_cast<int>(report_.comparison.size()));
  int row = 0;
  for (const report::CompanyComparison& c : report_.comparison) {
    const report::CompanySummary& shown = c.after ? *c.after : *c.before;
    int col = 0;
    const auto put = [&](const QString& text, bool right) {
      auto* item = new QTableWidgetItem(text);
      if (right) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table_->setItem(row, col++, item);
    };
    put(qtText(c.code), false);
    put(qtText(shown.name), false);
    if (compared) put(qtText(report::statusText(c.status)), false);
    for (const Measure& m : report::measures(c.before ? &*c.before : nullptr,
                                             c.after ? &*c.after : nullptr))
      put(cellText(m, compared), true);
    ++row;
  }
  table_->resizeColumnsToContents();
}

void ReportDialog::print() {
  try {
    report::printReport(report_, app_.printer(), true);
    app_.finishPrinting();
  } catch (const RuntimeError& e) {
    try {
      app_.finishPrinting();
    } catch (...) {
    }
    app_.ui().message("Stampa del riepilogo non eseguita:\r" + runtimeCause(e), app_.form.caption,
                      platform::Icon::Critical);
  }
}

void ReportDialog::save() {
  std::string path;
  if (chooseFile_) {
    path = chooseFile_(this);
  } else {
    path = QFileDialog::getSaveFileName(this, "Salva il riepilogo", {},
                                        "PDF (*.pdf);;Testo (*.txt);;JSON (*.json)")
               .toStdString();
  }
  if (path.empty()) return;
  const std::string failure = cli::writeReport(report_, path, true);
  if (!failure.empty())
    app_.ui().message("Riepilogo non salvato:\r" + platform::fromUtf8(failure), app_.form.caption,
                      platform::Icon::Critical);
}

void showReportModal(App& app, const report::ExportReport& report, QWidget* parent) {
  ReportDialog dialog(app, report, {}, parent);
  dialog.exec();
}

}  // namespace zr::gui

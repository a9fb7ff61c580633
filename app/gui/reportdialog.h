// The export report shown after a run: a table of the companies with their figures (and their
// differences from the set the run replaced), the warnings, and "Stampa" / "Salva". Prints on
// the App's printer; saves through the command line's report writer.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "export/exportreport.h"

class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace zr {
class App;
}

namespace zr::gui {

class ReportDialog : public QDialog {
  Q_OBJECT

 public:
  // The file the report is saved to ("" when the user cancels); a save dialog when unset.
  using ChooseFile = std::function<std::string(QWidget* parent)>;

  ReportDialog(App& app, report::ExportReport report, ChooseFile chooseFile = {},
               QWidget* parent = nullptr);

  QTableWidget* table() const { return table_; }
  QListWidget* warnings() const { return warnings_; }

 private:
  void fillTable();
  void print();
  void save();

  App& app_;
  report::ExportReport report_;
  ChooseFile chooseFile_;
  QLabel* heading_ = nullptr;
  QTableWidget* table_ = nullptr;
  QListWidget* warnings_ = nullptr;
};

// Runs the dialog modally over `parent`.
void showReportModal(App& app, const report::ExportReport& report, QWidget* parent);

}  // namespace zr::gui

// The export report in the window: shown after a done export over the restored window, its
// table and warnings, "Salva" and "Stampa"; a second export compares with the first.
#include <QListWidget>
#include <QTableWidget>
#include <optional>

#include "gui/window_fixture.h"
#include "qttext.h"
#include "reportdialog.h"
#include "platform/text.h"
#include "support/json.h"

namespace zr::gui {
namespace {

using testbed::Installation;
using testbed::readBytes;

int column(QTableWidget* t, const QString& header) {
  for (int c = 0; c < t->columnCount(); ++c)
    if (t->horizontalHeaderItem(c)->text() == header) return c;
  ADD_FAILURE() << "no column " << header.toStdString();
  return 0;
}

TEST(WindowReport, ADoneExportShowsItsReportWithTableWarningsPrintAndSave) {
  Installation inst(demo::Options{});
  auto paper = std::make_unique<testbed::StringPrinters>();
  testbed::StringPrinters* printed = paper.get();
  WindowBed w(inst, std::move(paper));
  std::optional<report::ExportReport> shown;
  bool restored = false;
  w.showReport = [&](const report::ExportReport& r, QWidget* parent) {
    shown = r;
    EXPECT_EQ(parent, w.window.get());
    restored = w.button("CMDAVVIO")->isEnabled() && w.list()->isVisible();
  };
  w.show();
  w.click("Check2");
  w.click("CMDAVVIO");
  ASSERT_TRUE(shown) << w.transcript();
  EXPECT_TRUE(restored) << "the report comes once the run has restored the window";
  EXPECT_EQ(w.ui->dialogs().back().text,
            "Esportazione dati dalla procedura paghe per mod.770/2024 ..... terminata");
  ASSERT_EQ(shown->comparison.size(), inst.summary.companies.size());
  EXPECT_FALSE(shown->previous);

  const auto dir = inst.dir.path();
  ReportDialog dialog(*w.app, *shown, [&](QWidget*) { return (dir / "riepilogo.json").string(); },
                      w.window.get());
  dialog.show();
  QTableWidget* table = dialog.table();
  ASSERT_EQ(table->rowCount(), static_cast<int>(shown->comparison.size()));
  const int paid = column(table, "Quadro ST versato");
  const int sx1 = column(table, "SX pos. 80 (SX1)");
  for (int row = 0; row < table->rowCount(); ++row) {
    const report::CompanySummary& c = *shown->comparison[static_cast<std::size_t>(row)].after;
    EXPECT_EQ(table->item(row, 0)->text().toStdString(), c.code);
    EXPECT_EQ(table->item(row, paid)->text().toStdString(),
              platform::trimmed(report::listMoney(c.st.paid)));
    EXPECT_EQ(table->item(row, sx1)->text().toStdString(),
              platform::trimmed(report::listMoney(c.sxBoxes[0])));
  }
  ASSERT_EQ(dialog.warnings()->count(), static_cast<int>(shown->warnings.size()));
  ASSERT_GT(dialog.warnings()->count(), 0) << "the demo bureau has its faults";
  EXPECT_EQ(dialog.warnings()->item(0)->text(), qtText(shown->warnings[0].text));

  QTest::mouseClick(dialog.findChild<QPushButton*>("Salva"), Qt::LeftButton);
  const testing::Json saved = testing::parseJson(readBytes(dir / "riepilogo.json"));
  EXPECT_EQ(saved["ditte"].arr().size(), shown->comparison.size());
  EXPECT_EQ(saved["segnalazioni"].arr().size(), shown->warnings.size());

  QTest::mouseClick(dialog.findChild<QPushButton*>("Stampa"), Qt::LeftButton);
  const std::string text = printed->text();
  EXPECT_TRUE(text.starts_with("RIEPILOGO DELL'ESPORTAZIONE DATI PER MOD.770/2024\n")) << text;
  EXPECT_EQ(printed->fontName(), "Courier New");
  for (const auto& c : shown->comparison)
    EXPECT_NE(text.find("DITTA " + c.code + " "), std::string::npos) << c.code;
  std::string lines;  // the lines joined, so that a warning broken at a blank is found whole
  for (char c : text)
    if ((c != ' ' && c != '\n') || lines.empty() || lines.back() != ' ')
      lines += c == '\n' ? ' ' : c;
  for (const auto& warning : shown->warnings)
    EXPECT_NE(lines.find(platform::toUtf8(warning.text)), std::string::npos) << warning.text;
  dialog.done(0);

  // The same export again: every company as it was.
  shown.reset();
  w.click("Check2");
  w.click("CMDAVVIO");
  ASSERT_TRUE(shown && shown->previous) << w.transcript();
  ReportDialog again(*w.app, *shown, {}, w.window.get());
  const int status = column(again.table(), "Stato");
  for (int row = 0; row < again.table()->rowCount(); ++row)
    EXPECT_EQ(again.table()->item(row, status)->text(), "INVARIATA");
}

TEST(WindowReport, NoReportAfterARefusedRunAndAPrinterFailureIsSaid) {
  Installation inst;
  inst.builder.putCompany(testbed::company(1, {{"T002", "UNO SPA"}, {"T012", "11111111111"}}));
  inst.builder.close();
  WindowBed w(inst, std::make_unique<testbed::StringPrinters>(1));
  bool shown = false;
  w.showReport = [&](const report::ExportReport&, QWidget*) { shown = true; };
  w.show();
  w.click("CMDAVVIO");  // nothing selected
  EXPECT_FALSE(shown);
  EXPECT_EQ(w.ui->dialogs().back().text, "Nessuna ditta selezionata");

  report::ExportReport empty;
  report::completeReport(empty, w.app->files());
  ReportDialog dialog(*w.app, empty, {}, w.window.get());
  EXPECT_EQ(dialog.table()->rowCount(), 0);
  QTest::mouseClick(dialog.findChild<QPushButton*>("Stampa"), Qt::LeftButton);
  EXPECT_TRUE(w.ui->dialogs().back().text.starts_with("Stampa del riepilogo non eseguita:\r"))
      << w.transcript();
}

}  // namespace
}  // namespace zr::gui

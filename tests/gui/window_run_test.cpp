// Commands run from the window on the demo bureau: the export started by clicks, with the
// window watched while it runs, the form it leaves, and the same files as the command line
// writes for the same choices; the exit button and the close button.
#include <QSignalSpy>
#include <algorithm>
#include <map>

#include "archive/installation.h"
#include "gui/window_fixture.h"
#include "support/cli.h"

namespace zr::gui {
namespace {

using testbed::Installation;
using testbed::readBytes;

// The export files in the archives folder, by name.
std::map<std::string, std::string> exportFiles(Installation& inst) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(inst.archivesFolder()))
    if (e.path().extension() == ".V24") files[e.path().filename().string()] = readBytes(e.path());
  return files;
}

// A substitute with its presenting company, and a company that presents its own return.
std::vector<int> someCompanies(const demo::DemoSummary& s) {
  std::vector<int> codes;
  if (!s.substitutes.empty()) codes = {s.substitutes[0].second, s.substitutes[0].first};
  for (int c : s.companies) {
    const bool substitute = std::any_of(s.substitutes.begin(), s.substitutes.end(),
                                        [c](auto p) { return p.first == c; });
    if (!substitute && std::find(codes.begin(), codes.end(), c) == codes.end()) {
      codes.push_back(c);
      break;
    }
  }
  return codes;
}

std::string joined(const std::vector<int>& codes) {
  std::string s;
  for (int c : codes) s += (s.empty() ? "" : ",") + std::to_string(c);
  return s;
}

struct Seen {
  bool starterEnabled = false;
  bool listVisible = false;
  QString label2;
};

TEST(WindowExport, ClickedSelectionExportsRepaintsOnlyAndRestoresTheForm) {
  Installation inst(demo::Options{});
  const std::vector<int> codes = someCompanies(inst.summary);
  ASSERT_GE(codes.size(), 3u);
  std::map<std::string, std::string> byWindow;
  {
    WindowBed w(inst);
    w.show();
    for (int code : codes) w.clickCompany(code);
    EXPECT_EQ(w.list()->selectedItems().size(), static_cast<int>(codes.size()));
    w.click("Check1");  // the self-employment lines left out
    EXPECT_FALSE(w.app->form.Check1);

    // While the run goes: what the window shows at each progress line; a click on the exit
    // and a close request find nothing to do.
    std::vector<Seen> seen;
    w.ui->onProgress = [&](std::string_view) {
      seen.push_back(
          {w.button("CMDAVVIO")->isEnabled(), w.list()->isVisible(), w.label("Label2")->text()});
      if (seen.size() == 3) {
        QTest::mouseClick(w.button("CmdUscita_1"), Qt::LeftButton);
        w.window->close();
      }
    };
    w.click("CMDAVVIO");
    w.ui->onProgress = {};

    ASSERT_FALSE(w.window->endStatus()) << w.transcript();
    EXPECT_TRUE(w.window->isVisible());
    const auto dialogs = w.ui->dialogs();
    ASSERT_FALSE(dialogs.empty());
    EXPECT_EQ(dialogs.back().text,
              "Esportazione dati dalla procedura paghe per mod.770/2024 ..... terminata")
        << w.transcript();
    ASSERT_GE(seen.size(), 5u);
    EXPECT_TRUE(
        std::none_of(seen.begin(), seen.end(), [](const Seen& s) { return s.starterEnabled; }));
    EXPECT_TRUE(
        std::any_of(seen.begin(), seen.end(), [](const Seen& s) { return !s.listVisible; }));
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const Seen& s) {
      return s.label2.startsWith("Attendere prego ...... controlli preliminari");
    }));

    // The form as the run leaves it: nothing selected, the options checked, the list back.
    EXPECT_TRUE(w.list()->selectedItems().isEmpty());
    EXPECT_TRUE(w.list()->isVisible());
    EXPECT_TRUE(w.label("Label3")->isVisible());
    for (const char* progress : {"Label2", "Label4", "Label5"})
      EXPECT_FALSE(w.label(progress)->isVisible()) << progress;
    auto* check1 = w.find<QCheckBox>("Check1");
    EXPECT_TRUE(check1->isChecked());
    EXPECT_EQ(check1->text(),
              "SI Includere nel Quadro ST anche i versamenti delle C.UNICA LAV.AUT");
    EXPECT_FALSE(w.find<QCheckBox>("Check2")->isChecked());
    for (const char* b : {"CMDAVVIO", "cmdverifica", "CmdVer1655", "CmdUscita_1", "CmdStampa"})
      EXPECT_TRUE(w.button(b)->isEnabled()) << b;
    byWindow = exportFiles(inst);
    EXPECT_TRUE(inst.leftovers().empty());
  }
  ASSERT_EQ(byWindow.size(), 5u);
  for (const auto& [name, bytes] : byWindow) EXPECT_FALSE(bytes.empty()) << name;

  // The command line, with the same choices, writes the same bytes.
  for (const auto& e : std::filesystem::directory_iterator(inst.archivesFolder()))
    if (e.path().extension() == ".V24") std::filesystem::remove(e.path());
  const auto run = testing::runCli(
      inst.dir.path(), {"--root", inst.dir.str(), "--registry", inst.builder.registryPath(),
                        "export", "--select", joined(codes), "--no-cu"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(exportFiles(inst), byWindow);
}

TEST(WindowButtons, HelpTextsAndThePrintFrameThatNeedsASelection) {
  Installation inst;
  inst.builder.putCompany(testbed::company(1, {{"T002", "ALFA SRL"}}));
  inst.builder.close();
  WindowBed w(inst);
  w.show();
  w.click("Cmdinfo_1");
  w.click("Cmdinfo_0");
  auto dialogs = w.ui->dialogs();
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[0].text,
            "Da 'Help-->Argomenti guida korvante\r\r               --->PROCEDURA MODELLO 770");
  EXPECT_EQ(dialogs[0].icon, platform::Icon::Information);
  EXPECT_TRUE(dialogs[1].text.starts_with(
      "Viene prodotta una stampa di controllo per le ditte selezionate\r\rELENCO"));

  // Nothing selected: the frame stays closed; with a line selected it opens on option 0.
  QWidget* frame = w.find<QWidget>("FrameSelezione_0");
  w.click("CmdVer1655");
  dialogs = w.ui->dialogs();
  ASSERT_EQ(dialogs.size(), 3u);
  EXPECT_EQ(dialogs[2].text, "Nessuna ditta selezionata");
  EXPECT_FALSE(frame->isVisible());
  w.clickCompany(1);
  w.click("CmdVer1655");
  EXPECT_TRUE(frame->isVisible());
  EXPECT_TRUE(w.find<QRadioButton>("Option1_0")->isChecked());
  w.clickOption(4);
  EXPECT_TRUE(w.app->form.Option1[4]);
  EXPECT_FALSE(w.find<QRadioButton>("Option1_0")->isChecked());
  w.click("CmdUscita_0");
  EXPECT_FALSE(frame->isVisible());
  EXPECT_FALSE(w.window->endStatus());
  // Reopened, it starts again from option 0.
  w.click("CmdVer1655");
  EXPECT_TRUE(w.find<QRadioButton>("Option1_0")->isChecked());
}

TEST(WindowExit, TheCloseButtonEndsTheProgramAsTheExitButtonDoes) {
  Installation inst;
  inst.builder.putCompany(testbed::company(1, {{"T002", "ALFA SRL"}}));
  inst.builder.close();
  const auto taskFile = inst.builder.hostPath(inst::kTaskFile);
  const std::string taskCodeAlone = "01" + std::string(98, ' ') + "\r\n";
  for (const char* how : {"close button", "exit button", "its accelerator"}) {
    SCOPED_TRACE(how);
    testbed::writeBytes(taskFile, "01 OTHER THINGS THE LAUNCHER WROTE\r\n");
    WindowBed w(inst);
    w.show();
    QSignalSpy ended(w.window.get(), &RIZ770::programEnded);
    if (how == std::string("exit button"))
      w.click("CmdUscita_1");
    else if (how == std::string("its accelerator")) {  // Alt+U presses the button, briefly
      QTest::keyClick(w.list(), Qt::Key_U, Qt::AltModifier);
      EXPECT_TRUE(QTest::qWaitFor([&] { return ended.count() > 0; }, 2000));
    } else
      EXPECT_TRUE(w.window->close());
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended.at(0).at(0).toInt(), 0);
    EXPECT_EQ(w.window->endStatus(), 0);
    EXPECT_FALSE(w.window->isVisible());
    EXPECT_EQ(readBytes(taskFile), taskCodeAlone);
    EXPECT_TRUE(w.ui->dialogs().empty()) << w.transcript();
  }
}

TEST(WindowExit, AnErrorThatEndsTheProgramEndsTheWindowWithItsStatus) {
  Installation inst;
  inst.builder.putCompany(testbed::company(1, {{"T002", "ALFA SRL"}}));
  inst.builder.close();
  WindowBed w(inst);
  w.show();
  // A folder where the F24 archive should be: its open fails inside the export.
  std::filesystem::remove(inst.archive("KVF24.DAT"));
  std::filesystem::create_directory(inst.archive("KVF24.DAT"));
  QSignalSpy ended(w.window.get(), &RIZ770::programEnded);
  w.click("Check2");
  w.click("CMDAVVIO");
  ASSERT_EQ(ended.count(), 1) << w.transcript();
  EXPECT_EQ(ended.at(0).at(0).toInt(), 3);
  EXPECT_EQ(w.window->endStatus(), 3);
  EXPECT_FALSE(w.window->isVisible());
  const auto dialogs = w.ui->dialogs();
  ASSERT_FALSE(dialogs.empty());
  EXPECT_EQ(dialogs.back().icon, platform::Icon::Critical);
  EXPECT_NE(w.transcript().find("apertura archivio base 377"), std::string::npos) << w.transcript();
  EXPECT_TRUE(exportFiles(inst).empty());
  // Ended once: a later close does nothing more.
  w.window->close();
  EXPECT_EQ(ended.count(), 1);
}

}  // namespace
}  // namespace zr::gui

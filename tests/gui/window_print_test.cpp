// Printing from the window: a control list saved as text and as PDF from the
// print frame, the verification's list into a file, each the same text as the
// command line prints for the same companies; and "Stampa" on a system without
// a printer.
#include <QPrinterInfo>

#include "gui/window_fixture.h"
#include "guiprinters.h"
#include "lists/bureau.h"
#include "support/cli.h"

namespace zr::gui {
namespace {

using testbed::readBytes;

struct PrintingBed {
  explicit PrintingBed(testbed::Installation& inst) {
    auto p = std::make_unique<GuiPrinters>();
    printers = p.get();
    w = std::make_unique<WindowBed>(inst, std::move(p));
    w->printToFile = [this](const std::string& path) { printers->useFile(path); };
    w->show();
  }
  // Every company selected with Check2, the frame opened on the option.
  void openFrame(int option) {
    selectAll();
    w->click("CmdVer1655");
    ASSERT_TRUE(w->find<QWidget>("FrameSelezione_0")->isVisible()) << w->transcript();
    w->clickOption(option);
    ASSERT_TRUE(w->app->form.Option1[static_cast<std::size_t>(option)]);
  }
  void selectAll() {
    if (!w->find<QCheckBox>("Check2")->isChecked()) w->click("Check2");
    ASSERT_EQ(w->list()->selectedItems().size(), w->list()->count());
  }
  GuiPrinters* printers = nullptr;
  std::unique_ptr<WindowBed> w;
};

testing::CliRun cli(testbed::Installation& inst, std::vector<std::string> args) {
  args.insert(args.begin(), {"--root", inst.dir.str(), "--registry", inst.builder.registryPath()});
  return testing::runCli(inst.dir.path(), args);
}

TEST(WindowPrinting, SavedListsAndTheVerificationPrintWhatTheCommandLinePrints) {
  testbed::Bureau b;
  const auto dir = b.inst.dir.path();
  std::vector<SaveKind> asked;
  {
    PrintingBed p(b.inst);
    p.w->chooseFile = [&](SaveKind kind) {
      asked.push_back(kind);
      return (dir / (kind == SaveKind::Pdf ? "erario" : "erario.txt")).string();
    };
    p.openFrame(0);
    p.w->click("SalvaTesto");
    ASSERT_EQ(asked, std::vector<SaveKind>{SaveKind::Text});
    EXPECT_EQ(readBytes(dir / "erario.txt"), testbed::erarioList());
    const auto dialogs = p.w->ui->dialogs();
    ASSERT_EQ(dialogs.size(), 1u) << p.w->transcript();
    EXPECT_EQ(dialogs[0].text,
              "Viene generata una lista di controllo SEZIONE "
              "ERARIO\rper le ditte selezionate");
    // The list command restores the frame and the form as Stampa does.
    EXPECT_FALSE(p.w->find<QWidget>("FrameSelezione_0")->isVisible());
    EXPECT_TRUE(p.w->button("CmdVer1655")->isEnabled());

    // As PDF: ".pdf" is added to a name without it.
    p.openFrame(0);
    p.w->click("SalvaPDF");
    EXPECT_TRUE(readBytes(dir / "erario.pdf").starts_with("%PDF"));

    // A cancelled choice prints nothing and leaves the frame open.
    p.w->ui->clear();
    p.w->chooseFile = [](SaveKind) { return std::string(); };
    p.openFrame(2);
    p.w->click("SalvaTesto");
    EXPECT_TRUE(p.w->ui->dialogs().empty()) << p.w->transcript();
    EXPECT_TRUE(p.w->find<QWidget>("FrameSelezione_0")->isVisible());
    p.w->click("CmdUscita_0");
    EXPECT_FALSE(p.w->find<QWidget>("FrameSelezione_0")->isVisible());

    // The verification prints on the window's printer; here into a file, the
    // update declined.
    p.selectAll();
    p.printers->useFile((dir / "verifica.txt").string());
    p.w->ui->answers = {platform::Answer::No};
    p.w->click("cmdverifica");
    EXPECT_FALSE(readBytes(dir / "verifica.txt").empty()) << p.w->transcript();
  }
  const auto list = cli(b.inst, {"list", "erario", "--all", "--print", (dir / "cli.txt").string()});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(readBytes(dir / "cli.txt"), readBytes(dir / "erario.txt"));
  const auto verify = cli(b.inst, {"verify", "--all", "--print", (dir / "cliv.txt").string()});
  ASSERT_EQ(verify.status, 0) << verify.err;
  EXPECT_EQ(readBytes(dir / "cliv.txt"), readBytes(dir / "verifica.txt"));
}

TEST(WindowPrinting, StampaWithoutAPrinterShowsError484AndPrintsNothing) {
  if (!QPrinterInfo::availablePrinters().isEmpty() || !QPrinterInfo::defaultPrinter().isNull())
    GTEST_SKIP() << "this machine has a printer";
  testbed::Bureau b;
  PrintingBed p(b.inst);
  p.openFrame(3);
  p.w->click("CmdStampa");
  const auto dialogs = p.w->ui->dialogs();
  ASSERT_EQ(dialogs.size(), 2u) << p.w->transcript();
  EXPECT_EQ(dialogs[0].text,
            "Viene generata una lista di controllo TUTTE "
            "(ERA/REG/COM)\rper le ditte selezionate");
  EXPECT_EQ(dialogs[1].text,
            "Errore N.484\rNessuna stampante installata non e' possibile proseguire");
  EXPECT_EQ(dialogs[1].title, "Attenzione !!!");
  EXPECT_EQ(dialogs[1].icon, platform::Icon::Critical);
  // The frame closed as "Selezioni precedenti" closes it; the window is ready
  // again.
  EXPECT_FALSE(p.w->find<QWidget>("FrameSelezione_0")->isVisible());
  EXPECT_FALSE(p.w->label("LabelDESC")->isVisible());
  EXPECT_TRUE(p.w->button("CmdVer1655")->isEnabled());
  EXPECT_FALSE(p.w->window->endStatus());
  // Nothing was written anywhere in the installation's folders but what the
  // load left.
  for (const auto& e : std::filesystem::recursive_directory_iterator(b.inst.dir.path())) {
    const auto ext = e.path().extension().string();
    EXPECT_TRUE(ext != ".pdf" && ext != ".txt" && ext != ".ps") << e.path();
  }
}

}  // namespace
}  // namespace zr::gui

// The window's printers on real files: no printer on the system is error 484 before anything
// is printed; a PDF or text file chosen for one command gets that command's document, and the
// next command is back on the system printer; the system printer's own drawing (QPrinter)
// sent into a PDF and read back with poppler's tools.
#include "guiprinters.h"

#include <gtest/gtest.h>

#include <QPrinter>
#include <sstream>

#include "gui/calendar_app.h"
#include "platform/errors.h"
#include "platform/test_util.h"
#include "qtprinter/pdfread.h"
#include "support/tempdir.h"
#include "systemprinter.h"

namespace zr::gui {
namespace {

using namespace zr::testing;

int errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

class GuiPrintersTest : public ::testing::Test {
 protected:
  void SetUp() override { calendarTestApp(); }

  // A stand-in for the system printer: text into `spooled_`, counting the jobs opened.
  GuiPrinters::SystemPrinterMaker standIn() {
    return [this] {
      ++systemJobs_;
      return std::make_unique<platform::TextPrinter>(spooled_, "the printer");
    };
  }

  TempDir dir_;
  std::ostringstream spooled_;
  int systemJobs_ = 0;
};

TEST_F(GuiPrintersTest, NoPrinterInstalledIsError484) {
  if (systemHasPrinter()) GTEST_SKIP() << "this machine has a printer: nothing may go to it";
  GuiPrinters printers;
  EXPECT_EQ(errorOf([&] { makeSystemPrinter(); }), 484);
  EXPECT_EQ(errorOf([&] { printers.printer(); }), 484);
  EXPECT_EQ(errorOf([&] { printers.printer(); }), 484);  // every use, not only the first
  printers.finish();  // nothing was opened: nothing to complete

  // A file chosen meanwhile needs no printer; after it the system's absence shows again.
  const auto txt = dir_ / "list.txt";
  printers.useFile(txt.string());
  printers.printer().printLine("RIGA");
  printers.finish();
  EXPECT_EQ(bytesOf(txt), "RIGA\n");
  EXPECT_EQ(errorOf([&] { printers.printer(); }), 484);
}

TEST_F(GuiPrintersTest, AFileChosenForOneCommandThenTheSystemPrinterAgain) {
  GuiPrinters printers(standIn());
  const auto txt = dir_ / "elenco.txt";
  printers.useFile(txt.string());
  EXPECT_FALSE(std::filesystem::exists(txt));  // made on the first print only
  platform::Printer& p = printers.printer();
  EXPECT_EQ(&printers.printer(), &p);  // one printer for the whole command
  p.setFont("Courier New", 9);
  p.printLine("Citt\xE0  ");
  p.endDocument();
  p.printLine("PAGINA 2");
  printers.finish();
  // Hand-made: UTF-8, trailing blanks kept, LF ends, a form feed opening page 2.
  EXPECT_EQ(bytesOf(txt), "Citt\xC3\xA0  \n\fPAGINA 2\n");
  EXPECT_EQ(systemJobs_, 0);

  printers.printer().printLine("SISTEMA");
  EXPECT_EQ(systemJobs_, 1);
  printers.printer().printLine("ANCORA");
  EXPECT_EQ(systemJobs_, 1);
  printers.finish();
  EXPECT_EQ(spooled_.str(), "SISTEMA\nANCORA\n");
  EXPECT_EQ(bytesOf(txt), "Citt\xC3\xA0  \n\fPAGINA 2\n");  // the file is not touched again
  printers.printer();
  EXPECT_EQ(systemJobs_, 2);  // each command its own job
  printers.finish();

  // The choice can be taken back before the command prints.
  const auto unused = dir_ / "unused.txt";
  printers.useFile(unused.string());
  printers.useSystemPrinter();
  printers.printer().printLine("X");
  printers.finish();
  EXPECT_FALSE(std::filesystem::exists(unused));
  EXPECT_EQ(systemJobs_, 3);
}

TEST_F(GuiPrintersTest, APdfFileByItsNameInAnyCase) {
  GuiPrinters printers(standIn());
  const auto pdf = dir_ / "Elenco.PDF";
  printers.useFile(pdf.string());
  platform::Printer& p = printers.printer();
  p.setFont("Courier New", 9);
  p.printLine("SEZIONE ERARIO");
  p.newPage();
  p.printLine("SECONDA");
  p.endDocument();
  p.printLine("TERZA");
  printers.finish();
  EXPECT_EQ(pdfPages(pdf), 3);
  const auto pages = pdfTextPages(pdf);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(linesOf(pages[0]), std::vector<std::string>{"SEZIONE ERARIO"});
  EXPECT_EQ(linesOf(pages[2]), std::vector<std::string>{"TERZA"});
  EXPECT_EQ(systemJobs_, 0);
}

TEST_F(GuiPrintersTest, AFileThatCannotBeMadeFailsItsCommandOnly) {
  GuiPrinters printers(standIn());
  printers.useFile((dir_ / "no-such-folder" / "x.txt").string());
  EXPECT_EQ(errorOf([&] { printers.printer(); }), 75);
  printers.finish();
  printers.printer().printLine("OK");
  printers.finish();
  EXPECT_EQ(spooled_.str(), "OK\n");
}

// The system printer's QPrinter, told to print into a PDF file instead of a queue.
std::unique_ptr<QPrinter> pdfQPrinter(const std::filesystem::path& file) {
  auto device = std::make_unique<QPrinter>(QPrinter::HighResolution);
  device->setOutputFormat(QPrinter::PdfFormat);
  device->setOutputFileName(QString::fromStdString(file.string()));
  return device;
}

TEST_F(GuiPrintersTest, TheSystemPrintersDrawingOnA4InAFixedPitchFace) {
  const auto pdf = dir_ / "job.pdf";
  {
    auto printer = makeQPrinterPrinter(pdfQPrinter(pdf), "\"test\"");
    printer->setFont("Courier New", 9);
    for (int n = 1; n <= 3; ++n) printer->printLine("RIGA " + std::to_string(n));
    printer->newPage();
    printer->newPage();  // twice in a row is one break
    printer->printLine("FINE");
    EXPECT_EQ(printer->pages(), 2);
    printer->finish();
    printer->finish();
    printer->printLine("dopo la fine");  // the job has gone: nothing more is printed
    EXPECT_EQ(printer->pages(), 2);
  }
  EXPECT_EQ(pdfPages(pdf), 2);
  const auto pages = pdfTextPages(pdf);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(linesOf(pages[0]), (std::vector<std::string>{"RIGA 1", "RIGA 2", "RIGA 3"}));
  EXPECT_EQ(linesOf(pages[1]), std::vector<std::string>{"FINE"});
  const std::string info = runTool("pdfinfo " + quoted(pdf), pdf.string() + ".i");
  EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
  const std::string fonts = pdfFonts(pdf);
  EXPECT_TRUE(fonts.find("CourierNew") != std::string::npos ||
              fonts.find("LiberationMono") != std::string::npos)
      << fonts;
  // The first line starts at the 15 mm left margin, 12 mm from the top.
  const auto words = pdfWords(pdf);
  ASSERT_FALSE(words.empty());
  ASSERT_FALSE(words[0].empty());
  EXPECT_NEAR(words[0][0].xMin, 15 * 72 / 25.4, 2.0);
  EXPECT_NEAR(words[0][0].yMin, 12 * 72 / 25.4, 4.0);

  // A proportional face would break the columns: error 482, the face in use kept.
  auto printer = makeQPrinterPrinter(pdfQPrinter(dir_ / "face.pdf"), "\"test\"");
  EXPECT_EQ(errorOf([&] { printer->setFont("DejaVu Sans", 9); }), 482);
  EXPECT_EQ(errorOf([&] { printer->setFont("Courier New", 0); }), 5);
  printer->printLine("ANCORA");
  printer->finish();
  EXPECT_EQ(linesOf(pdfTextPages(dir_ / "face.pdf").at(0)), std::vector<std::string>{"ANCORA"});
}

TEST_F(GuiPrintersTest, APrinterThatCannotStartTheJobIsError482) {
  const auto missing = dir_ / "no-such-folder" / "job.pdf";
  EXPECT_EQ(errorOf([&] { makeQPrinterPrinter(pdfQPrinter(missing), "\"test\""); }), 482);
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace zr::gui

// The command line's printer: text or PDF chosen by the name given to --print, standard
// output without one, the file made only once the command prints.
#include "printing.h"

#include <gtest/gtest.h>

#include <iostream>

#include "platform/errors.h"
#include "platform/qt/pdfprinter.h"
#include "platform/test_util.h"
#include "qtprinter/pdfread.h"
#include "support/tempdir.h"

namespace zr::cli {
namespace {

using namespace zr::testing;

class CliPrintersTest : public ::testing::Test {
 protected:
  EnvVar display_{"DISPLAY", nullptr};
  EnvVar wayland_{"WAYLAND_DISPLAY", nullptr};
  EnvVar platform_{"QT_QPA_PLATFORM", nullptr};
  TempDir dir_;
};

TEST_F(CliPrintersTest, TextFileOpenedOnFirstUseAndTruncated) {
  const auto file = dir_ / "verifica.txt";
  writeBytes(file, "an older list, longer than the new one\n");
  auto printers = makeCliPrinters(file.string());
  EXPECT_EQ(bytesOf(file), "an older list, longer than the new one\n");  // untouched yet
  platform::Printer& printer = printers->printer();
  EXPECT_EQ(&printers->printer(), &printer);  // one printer for the command
  EXPECT_NE(dynamic_cast<platform::TextPrinter*>(&printer), nullptr);
  printer.printLine("Pagina 1   ");
  printer.newPage();
  printer.printLine("Citt\xE0");
  printers->finish();
  printers->finish();
  EXPECT_EQ(bytesOf(file), "Pagina 1   \n\fCitt\xC3\xA0\n");
}

TEST_F(CliPrintersTest, PdfByItsExtensionInAnyCase) {
  for (const std::string name : {"lista.pdf", "LISTA.PDF", "Lista.Pdf"}) {
    const auto file = dir_ / name;
    auto printers = makeCliPrinters(file.string());
    platform::Printer& printer = printers->printer();
    EXPECT_NE(dynamic_cast<platform::PdfPrinter*>(&printer), nullptr) << name;
    printer.printLine("uno");
    printer.newPage();
    printer.printLine("due");
    printers->finish();
    EXPECT_EQ(pdfPages(file), 2) << name;
    std::filesystem::remove(file);
  }
  // Names that only look close are text.
  for (const std::string name : {"lista.pdf.txt", "listapdf", "lista.pd"}) {
    auto printers = makeCliPrinters((dir_ / name).string());
    EXPECT_NE(dynamic_cast<platform::TextPrinter*>(&printers->printer()), nullptr) << name;
    printers->finish();
    EXPECT_EQ(bytesOf(dir_ / name), "") << name;
  }
}

TEST_F(CliPrintersTest, NothingIsMadeUnlessTheCommandPrints) {
  for (const std::string name : {"never.txt", "never.pdf"}) {
    auto printers = makeCliPrinters((dir_ / name).string());
    printers->finish();
    EXPECT_FALSE(std::filesystem::exists(dir_ / name)) << name;
  }
}

TEST_F(CliPrintersTest, FilesThatCannotBeOpenedAre75NamingThem) {
  for (const std::string name : {"missing/list.txt", "missing/list.pdf"}) {
    const std::string path = (dir_ / name).string();
    auto printers = makeCliPrinters(path);
    const RuntimeError e = errorOf([&] { printers->printer(); });
    EXPECT_EQ(e.number(), 75) << name;
    EXPECT_NE(e.description().find(path), std::string::npos) << e.description();
    EXPECT_EQ(errorOf([&] { printers->finish(); }).number(), 0);
  }
  const RuntimeError folder = errorOf([&] { makeCliPrinters(dir_.str())->printer(); });
  EXPECT_EQ(folder.number(), 75);
}

TEST_F(CliPrintersTest, WithoutAFileTheListIsTextOnStandardOutput) {
  auto printers = makeCliPrinters("");
  platform::Printer& printer = printers->printer();
  ASSERT_NE(dynamic_cast<platform::TextPrinter*>(&printer), nullptr);
  // Standard output refusing the line shows that it is the one written to, printing nothing.
  const auto state = std::cout.rdstate();
  std::cout.setstate(std::ios::badbit);
  const RuntimeError e = errorOf([&] { printer.printLine("x"); });
  std::cout.clear(state);
  EXPECT_EQ(e.number(), 57);
  EXPECT_NE(e.description().find("standard output"), std::string::npos) << e.description();
}

}  // namespace
}  // namespace zr::cli

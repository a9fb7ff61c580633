// Which --print names a build can print to: a build without Qt refuses a PDF up front, naming
// the file, and makes no file; text and standard output stay open to both builds.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "printing.h"
#include "support/tempdir.h"

namespace zr::cli {
namespace {

TEST(PrintChoiceTest, PdfNeedsTheBuildWithQt) {
  for (const char* name : {"lista.pdf", "LISTA.PDF", "C:\\STAMPE\\lista.Pdf"}) {
    const auto why = unprintableReason(name, false);
    ASSERT_TRUE(why.has_value()) << name;
    EXPECT_NE(why->find(name), std::string::npos) << *why;
    EXPECT_NE(why->find("PDF needs the build with Qt"), std::string::npos) << *why;
    EXPECT_FALSE(unprintableReason(name, true).has_value()) << name;
  }
  for (const char* name : {"", "lista.txt", "lista.pdf.txt", "pdf", "lista.pd"}) {
    EXPECT_FALSE(unprintableReason(name, false).has_value()) << name;
    EXPECT_FALSE(unprintableReason(name, true).has_value()) << name;
  }
}

TEST(PrintChoiceTest, ThisBuildPrintsPdfAndSaysSo) {
  // The build that links the Qt printers says it prints PDF, so makeCliPrinters takes a PDF
  // name without refusing it, and touches nothing before the command prints.
  EXPECT_TRUE(kPdfPrinting);
  testing::TempDir dir;
  const auto pdf = dir / "lista.pdf";
  EXPECT_NO_THROW((void)makeCliPrinters(pdf.string()));
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

}  // namespace
}  // namespace zr::cli

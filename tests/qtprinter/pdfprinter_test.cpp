// The PDF printer on real files, read back with poppler's tools: pages broken on request and
// when full, the text and its fixed-pitch face, where the lines fall on A4, the application
// it makes for itself without a display, and the files it cannot write.
#include "platform/qt/pdfprinter.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <fcntl.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <functional>
#include <optional>

#include "platform/errors.h"
#include "platform/test_util.h"
#include "qtprinter/pdfread.h"
#include "support/tempdir.h"

namespace zr::platform {
namespace {

using namespace zr::testing;

// As in a terminal without a display or in CI: the printer must choose the platform itself.
class PdfPrinterTest : public ::testing::Test {
 protected:
  EnvVar display_{"DISPLAY", nullptr};
  EnvVar wayland_{"WAYLAND_DISPLAY", nullptr};
  EnvVar platform_{"QT_QPA_PLATFORM", nullptr};
  TempDir dir_;
};

std::string row(int n) {
  std::string s = std::to_string(n);
  return "R" + std::string(3 - s.size(), '0') + s;
}

// Page geometry in points: A4, 15 mm on the left, 12 mm top and bottom.
constexpr double kPageWidth = 595, kPageHeight = 842;
constexpr double mmToPt(double mm) { return mm * 72 / 25.4; }

TEST_F(PdfPrinterTest, PagesBreakWhenAskedAndWhenFull) {
  const auto pdf = dir_ / "list.pdf";
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  {
    PdfPrinter printer(pdf.string());
    ASSERT_NE(QGuiApplication::instance(), nullptr);
    EXPECT_EQ(QGuiApplication::platformName(), "offscreen");
    printer.newPage();  // before any line: no page
    printer.setFont("Courier New", 9);
    EXPECT_EQ(printer.pages(), 0);
    printer.printLine(std::string(98, '-'));
    printer.printLine("Citt\xE0 \x80 100   ");
    printer.printLine("PAGE ONE");
    printer.newPage();
    printer.newPage();
    printer.endDocument();
    EXPECT_EQ(printer.pages(), 1);  // a break waits for its line
    for (int n = 1; n <= 90; ++n) printer.printLine(row(n));
    EXPECT_EQ(printer.pages(), 3);  // 90 lines do not fit one page
    printer.endDocument();
    printer.printLine("LAST");
    printer.printLine(std::string(120, 'x'));  // longer than the line: cut at the margin
    EXPECT_EQ(printer.pages(), 4);
    printer.finish();
    printer.finish();
    printer.newPage();
    printer.printLine("after the end");
    EXPECT_EQ(printer.pages(), 4);
  }
  EXPECT_EQ(QCoreApplication::instance(), nullptr);  // the printer's own, gone with it

  EXPECT_EQ(pdfPages(pdf), 4);
  const auto text = pdfTextPages(pdf);
  ASSERT_EQ(text.size(), 4u);
  const auto first = linesOf(text[0]);
  ASSERT_EQ(first.size(), 3u) << text[0];
  EXPECT_EQ(first[0], std::string(98, '-'));
  EXPECT_EQ(first[1], "Citt\xC3\xA0 \xE2\x82\xAC 100");
  EXPECT_EQ(first[2], "PAGE ONE");
  // The verification list needs 67 lines a page: 10 of heading, 56 companies, a rule.
  const auto second = linesOf(text[1]), third = linesOf(text[2]);
  EXPECT_GE(second.size(), 67u);
  ASSERT_EQ(second.size() + third.size(), 90u);
  for (std::size_t i = 0; i < 90; ++i) {
    const std::string& got = i < second.size() ? second[i] : third[i - second.size()];
    EXPECT_EQ(got, row(static_cast<int>(i) + 1));
  }
  ASSERT_FALSE(linesOf(text[3]).empty());
  EXPECT_EQ(linesOf(text[3])[0], "LAST");

  // Where the lines fall: at the left margin, one line height apart, from the top margin
  // down; the full page holds every line that fits above the bottom margin, and no more.
  const auto words = pdfWords(pdf);
  ASSERT_EQ(words.size(), 4u);
  const auto& full = words[1];
  ASSERT_EQ(full.size(), second.size());
  const double pitch = full[1].yMin - full[0].yMin;
  EXPECT_NEAR(pitch, 9 * 1.133, 0.3);  // Courier's height: ascent and descent
  EXPECT_NEAR(full[0].yMin, mmToPt(12), 1);
  for (std::size_t i = 0; i < full.size(); ++i) {
    EXPECT_NEAR(full[i].xMin, mmToPt(15), 1) << i;
    EXPECT_NEAR(full[i].yMin, full[0].yMin + pitch * static_cast<double>(i), 0.01) << i;
  }
  const double bottom = kPageHeight - mmToPt(12);
  EXPECT_LE(full.back().yMax, bottom + 0.01);
  EXPECT_GT(full.back().yMax + pitch, bottom);
  EXPECT_EQ(words[0][0].text, std::string(98, '-'));
  EXPECT_LT(words[0][0].xMax, kPageWidth - mmToPt(5));  // 98 columns fit the line

  const auto pages = renderPages(pdf, 100);
  ASSERT_EQ(pages.size(), 4u);
  for (const GreyPage& p : pages) {
    EXPECT_NEAR(p.width, p.px(210), 2);  // A4 portrait
    EXPECT_NEAR(p.height, p.px(297), 2);
    EXPECT_GT(p.dark(), 50);
    EXPECT_EQ(p.darkIn(205, 0, 210, 297), 0);  // nothing in the right margin
    EXPECT_EQ(p.darkIn(0, 0, 210, 11), 0);
    EXPECT_EQ(p.darkIn(0, 0, 14, 297), 0);
  }
  // The rule of 98 columns is drawn whole; the overlong line is cut, not wrapped.
  EXPECT_GT(pages[0].darkIn(14, 11, 18, 16), 0);
  EXPECT_GT(pages[0].darkIn(196, 11, 205, 16), 0);
  EXPECT_GT(pages[3].darkIn(196, 15, 205, 20), 0);
  EXPECT_EQ(pages[3].darkIn(0, 20, 210, 297), 0);
}

TEST_F(PdfPrinterTest, TheFaceIsFixedPitchOrAnError) {
  const auto pdf = dir_ / "fonts.pdf";
  PdfPrinter printer(pdf.string());
  const bool hasCourier = QFontDatabase::families().contains("Courier New", Qt::CaseInsensitive);
  printer.setFont("Courier New", 9);
  EXPECT_EQ(printer.fontFamily(), hasCourier ? "Courier New" : "Liberation Mono");
  EXPECT_TRUE(QFontInfo(QFont(QString::fromStdString(printer.fontFamily()))).fixedPitch());
  printer.printLine("MMMMMMMMMM");
  printer.printLine("iiiiiiiiii");

  printer.setFont("No Such Face Anywhere", 12);
  EXPECT_EQ(printer.fontFamily(), "Liberation Mono");

  std::optional<QString> proportional;
  for (const QString& family : QFontDatabase::families())
    if (!QFontDatabase::isFixedPitch(family) && QFontInfo(QFont(family)).family() == family &&
        !QFontInfo(QFont(family)).fixedPitch())
      proportional = family;
  if (proportional) {
    const RuntimeError e = errorOf([&] { printer.setFont(proportional->toStdString(), 9); });
    EXPECT_EQ(e.number(), 482);
    EXPECT_NE(e.description().find(proportional->toStdString()), std::string::npos)
        << e.description();
    EXPECT_EQ(printer.fontFamily(), "Liberation Mono");  // the face in use is kept
  }
  EXPECT_EQ(errorOf([&] { printer.setFont("Courier New", 0); }).number(), 5);
  printer.printLine("after");
  printer.finish();

  const std::string fonts = pdfFonts(pdf);
  std::string embedded = hasCourier ? "CourierNew" : "LiberationMono";
  EXPECT_NE(fonts.find(embedded), std::string::npos) << fonts;
  // Same columns whatever the letters: the narrow and the wide line end together.
  const GreyPage page = renderPages(pdf, 100)[0];
  auto lastInkColumn = [&](double top, double bottom) {
    for (int x = page.width - 1; x >= 0; --x)
      for (int y = page.px(top); y < page.px(bottom); ++y)
        if (page.pixels[static_cast<std::size_t>(y) * page.width + x] < 128) return x;
    return -1;
  };
  // Line 1 lies between 12 and 15.5 mm, line 2 below it; 9-point lines are 3.6 mm apart.
  const int wide = lastInkColumn(12, 15.5), narrow = lastInkColumn(15.5, 19.1);
  EXPECT_GT(wide, page.px(15 + 10 * 1.9 - 1.5));  // ten 1.9 mm columns
  EXPECT_NEAR(wide, narrow, page.px(1.5));
}

TEST_F(PdfPrinterTest, NothingPrintedIsOneBlankPage) {
  const auto pdf = dir_ / "empty.pdf";
  writeBytes(pdf, std::string(100000, 'x'));  // an older file is replaced
  {
    PdfPrinter printer(pdf.string());
    printer.newPage();
    printer.endDocument();
    EXPECT_EQ(printer.pages(), 0);
    printer.finish();
  }
  EXPECT_EQ(bytesOf(pdf).substr(0, 5), "%PDF-");
  EXPECT_EQ(pdfPages(pdf), 1);
  const auto pages = renderPages(pdf, 30);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].dark(), 0);
}

TEST_F(PdfPrinterTest, ACommandThatFailsKeepsWhatItPrinted) {
  const auto pdf = dir_ / "partial.pdf";
  try {
    PdfPrinter printer(pdf.string());
    printer.printLine("first");  // in the printer's own fixed face, no font having been set
    printer.printLine("and its second line");
    EXPECT_TRUE(QFontInfo(QFont(QString::fromStdString(printer.fontFamily()))).fixedPitch());
    printer.newPage();
    printer.printLine("second");
    throw std::runtime_error("the command failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(pdfPages(pdf), 2);
  const auto text = pdfTextPages(pdf);
  ASSERT_EQ(text.size(), 2u);
  EXPECT_EQ(linesOf(text[0]), (std::vector<std::string>{"first", "and its second line"}));
  EXPECT_EQ(linesOf(text[1]), std::vector<std::string>{"second"});
}

TEST_F(PdfPrinterTest, FilesThatCannotBeWritten) {
  for (const std::string& path : {(dir_ / "no-such-folder" / "x.pdf").string(), dir_.str()}) {
    const RuntimeError e = errorOf([&] { PdfPrinter printer(path); });
    EXPECT_EQ(e.number(), 75) << path;
    EXPECT_NE(e.description().find(path), std::string::npos) << e.description();
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "no-such-folder"));
  if (std::filesystem::exists("/dev/full")) {  // the disk fills while the pages are written
    const RuntimeError e = errorOf([] {
      PdfPrinter printer("/dev/full");
      for (int n = 0; n < 200; ++n) printer.printLine(std::string(98, 'x'));
      printer.finish();
    });
    EXPECT_EQ(e.number(), 57) << e.what();
    EXPECT_NE(e.description().find("/dev/full"), std::string::npos) << e.description();
  }
}

// What the process writes on its stderr while `call` runs.
std::string stderrOf(const std::filesystem::path& file, const std::function<void()>& call) {
  std::fflush(stderr);
  const int saved = ::dup(2);
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ::dup2(fd, 2);
  ::close(fd);
  try {
    call();
  } catch (...) {
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    throw;
  }
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  return bytesOf(file);
}

TEST_F(PdfPrinterTest, QtsChatterStaysOffTheCommandLinesStderr) {
  EnvVar runtime("XDG_RUNTIME_DIR", nullptr);  // as under cron or in a container
  const std::string during = stderrOf(dir_ / "err1", [&] {
    PdfPrinter printer((dir_ / "quiet.pdf").string());
    printer.printLine("quiet");
    printer.finish();
  });
  EXPECT_EQ(during, "");
  const std::string after = stderrOf(dir_ / "err2", [] { qWarning("probe"); });
  EXPECT_NE(after.find("probe"), std::string::npos);  // Qt's own handler is back
}

TEST_F(PdfPrinterTest, TheProcesssLocaleIsLeftAsItWas) {
  // Qt adopts the environment's locale with the first application of a process only, so the
  // check runs in a fresh one.
  if (!std::getenv("ZR_FRESH_PROCESS")) {
    EnvVar fresh("ZR_FRESH_PROCESS", "1");
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string filter = "--gtest_filter=PdfPrinterTest.TheProcesssLocaleIsLeftAsItWas";
    EXPECT_EQ(std::system(("'" + self + "' " + filter + " > /dev/null 2>&1").c_str()), 0);
    return;
  }
  EnvVar locale("LC_ALL", "C.UTF-8");  // what Qt would adopt
  ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
  PdfPrinter printer((dir_ / "locale.pdf").string());
  EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
}

TEST_F(PdfPrinterTest, TheWindowsApplicationIsUsedAndLeftRunning) {
  std::string name = "zorir77024", opt = "-platform", plugin = "offscreen";
  char* argv[] = {name.data(), opt.data(), plugin.data(), nullptr};
  int argc = 3;
  QGuiApplication window(argc, argv);
  {
    PdfPrinter printer((dir_ / "gui.pdf").string());
    printer.printLine("from the window");
    printer.finish();
  }
  EXPECT_EQ(QCoreApplication::instance(), &window);
  EXPECT_EQ(pdfPages(dir_ / "gui.pdf"), 1);
}

}  // namespace
}  // namespace zr::platform

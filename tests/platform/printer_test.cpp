// The text printer: pages as form feeds, CP1252 in and UTF-8 out, a failing stream; and the
// provider of a system without printers.
#include "platform/printer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>
#include <vector>

#include "platform/errors.h"
#include "platform/test_util.h"

namespace zr::platform {
namespace {

using zr::testing::errorOf;

// One printer call: 'L' prints the rest as a line, 'P' is a new page, 'E' ends the document.
void play(Printer& printer, const std::vector<std::string>& calls) {
  for (const std::string& c : calls) {
    if (c[0] == 'L') printer.printLine(std::string_view(c).substr(1));
    if (c[0] == 'P') printer.newPage();
    if (c[0] == 'E') printer.endDocument();
  }
}

TEST(TextPrinterTest, PagesAndLines) {
  struct Case {
    std::vector<std::string> calls;
    std::string out;
    int pages;
  };
  const Case cases[] = {
      {{}, "", 0},
      {{"P", "E", "La"}, "a\n", 1},              // breaks before any line give no page
      {{"La", "Lb  "}, "a\nb  \n", 1},           // trailing blanks kept
      {{"La", "P", "Lb"}, "a\n\fb\n", 2},
      {{"La", "P", "E", "P", "Lb"}, "a\n\fb\n", 2},  // repeated breaks make one
      {{"La", "E"}, "a\n", 1},                   // a break with no line after it
      {{"L", "P", "L"}, "\n\f\n", 2},            // empty lines are lines
      {{"La", "P", "Lb", "E", "Lc", "Ld"}, "a\n\fb\n\fc\nd\n", 3},
      {{"LCitt\xE0 \x80 \x92 \xB0"}, "Citt\xC3\xA0 \xE2\x82\xAC \xE2\x80\x99 \xC2\xB0\n", 1},
      {{"La\r\tb"}, "a\r\tb\n", 1},              // control bytes pass as they are
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    TextPrinter printer(out, "list.txt");
    play(printer, c.calls);
    EXPECT_EQ(printer.pages(), c.pages) << c.out;
    printer.finish();
    EXPECT_EQ(out.str(), c.out);
  }
}

TEST(TextPrinterTest, FontIsKeptAndFinishEndsTheDocument) {
  std::ostringstream out;
  TextPrinter printer(out, "list.txt");
  printer.setFont("Courier New", 9);
  EXPECT_EQ(printer.fontName(), "Courier New");
  EXPECT_EQ(printer.fontSize(), 9);
  EXPECT_EQ(out.str(), "");  // a font prints nothing
  printer.printLine("a");
  printer.finish();
  printer.finish();
  printer.printLine("after");
  printer.newPage();
  printer.printLine("after");
  EXPECT_EQ(out.str(), "a\n");
  EXPECT_EQ(printer.pages(), 1);
}

// Takes the first `room` bytes, then refuses every write, as a full disk does.
class FullDisk : public std::streambuf {
 public:
  explicit FullDisk(std::size_t room) : room_(room) {}
  std::string taken;

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof()) || taken.size() >= room_)
      return traits_type::eof();
    taken += traits_type::to_char_type(c);
    return c;
  }

 private:
  std::size_t room_;
};

TEST(TextPrinterTest, AFailedStreamIsError57NamingIt) {
  FullDisk disk(4);
  std::ostream out(&disk);
  TextPrinter printer(out, "/srv/lists/f24.txt");
  printer.printLine("ab");
  const RuntimeError e = errorOf([&] { printer.printLine("cd"); });
  EXPECT_EQ(e.number(), 57);
  EXPECT_NE(e.description().find("/srv/lists/f24.txt"), std::string::npos) << e.what();
  EXPECT_EQ(disk.taken, "ab\nc");

  std::ostringstream bad;
  TextPrinter failing(bad, "standard output");
  failing.printLine("x");
  bad.setstate(std::ios::badbit);
  const RuntimeError atEnd = errorOf([&] { failing.finish(); });
  EXPECT_EQ(atEnd.number(), 57);
  EXPECT_NE(atEnd.description().find("standard output"), std::string::npos);
  EXPECT_EQ(errorOf([&] { failing.finish(); }).number(), 0);  // once reported, done
}

TEST(NoPrinterTest, EveryUseIs484AndFinishingIsHarmless) {
  const auto provider = makeNoPrinter();
  EXPECT_EQ(errorOf([&] { provider->printer(); }).number(), 484);
  EXPECT_EQ(errorOf([&] { provider->printer(); }).number(), 484);
  EXPECT_EQ(errorOf([&] { provider->finish(); }).number(), 0);
}

}  // namespace
}  // namespace zr::platform

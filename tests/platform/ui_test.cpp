// Text at the user's boundary: the CP1252 tables, the console's messages, questions and
// progress lines.
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "platform/cp1252.h"

namespace zr::platform {
namespace {

TEST(Cp1252Test, EveryByteSurvivesTheRoundTripAlone) {
  std::string bytes;
  std::set<std::string> seen;
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    bytes += one;
    seen.insert(toUtf8(one));
    EXPECT_EQ(fromUtf8(toUtf8(one)), one) << b;
  }
  EXPECT_EQ(seen.size(), 256u);  // no two bytes share a character
  EXPECT_TRUE(isValidUtf8(toUtf8(bytes)));
  EXPECT_EQ(fromUtf8(toUtf8(bytes)), bytes);
}

TEST(Cp1252Test, KnownCharactersAndWhatCp1252CannotHold) {
  const std::pair<std::string, std::string> both[] = {
      {"A z 0 ~", "A z 0 ~"},
      {"\x80\x85\x92\x99", "\xE2\x82\xAC\xE2\x80\xA6\xE2\x80\x99\xE2\x84\xA2"},
      {"\x8A\x9A\x9F", "\xC5\xA0\xC5\xA1\xC5\xB8"},
      {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},  // undefined bytes
      {"Citt\xE0 \xA0\xB0 \xFF", "Citt\xC3\xA0 \xC2\xA0\xC2\xB0 \xC3\xBF"},
  };
  for (const auto& [cp, utf8] : both) {
    EXPECT_EQ(toUtf8(cp), utf8) << cp;
    EXPECT_EQ(fromUtf8(utf8), cp) << utf8;
  }
  const std::pair<std::string, std::string> lossy[] = {
      {"\xC5\x82", "?"},              // l with stroke: not in CP1252
      {"a\xF0\x9F\x98\x80z", "a?z"},  // outside the basic plane
      {"\xC2\x80", "?"},              // U+0080 is not the euro's byte
      {"\xFF", "?"},                  // never valid
      {"x\xC3", "x?"},                // cut short
      {"\xC3(", "?("},                // a lead byte without its continuation
      {"\xC0\xAF", "?"},              // overlong
      {"\xED\xA0\x80", "?"},          // a surrogate
      {"\xE2\x82\xAC\xE2\x82", "\x80?"},
  };
  for (const auto& [utf8, cp] : lossy) EXPECT_EQ(fromUtf8(utf8), cp) << utf8;
  EXPECT_FALSE(isValidUtf8("\xC3("));
  EXPECT_FALSE(isValidUtf8("\xE0\x80\x80"));
}

TEST(ConsoleUiTest, MessagesQuestionsAndProgress) {
  std::ostringstream out, yesOut, quietOut;
  ConsoleUi ui(out, false), yes(yesOut, true), quiet(quietOut, false, false);
  ui.message("Errore 53\r\nFAIOPEN\rCitt\xE0 \x80", "Korvante", Icon::Critical);
  EXPECT_EQ(ui.ask("Continuare?", "T", Buttons::YesNo, Icon::Question, Answer::No), Answer::No);
  ui.progress("Label4", "");
  ui.progress("Label5", "Societ\xE0");
  EXPECT_EQ(out.str(),
            "Korvante: Errore 53\nFAIOPEN\nCitt\xC3\xA0 \xE2\x82\xAC\n"
            "T: Continuare?\n-> No\nLabel5: Societ\xC3\xA0\n");
  EXPECT_EQ(yes.ask("Sovrascrivere?", "T", Buttons::YesNo, Icon::Question, Answer::No),
            Answer::Yes);
  quiet.progress("Label2", "001");
  quiet.message("m", "t", Icon::None);
  EXPECT_EQ(quietOut.str(), "t: m\n");
}

}  // namespace
}  // namespace zr::platform

// Text at the user's boundary: the CP1252 tables, the console's messages, questions and
// progress lines, and the scripted UI that tests drive.
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "platform/cp1252.h"

namespace zr::platform {
namespace {

std::string allBytes() {
  std::string s;
  for (int b = 0; b < 256; ++b) s += static_cast<char>(b);
  return s;
}

TEST(Cp1252Test, EveryByteSurvivesTheRoundTrip) {
  const std::string bytes = allBytes();
  const std::string utf8 = toUtf8(bytes);
  EXPECT_TRUE(isValidUtf8(utf8));
  EXPECT_EQ(fromUtf8(utf8), bytes);
  // Each byte alone too, and no two bytes share a character.
  std::set<std::string> seen;
  for (char b : bytes) {
    std::string one = toUtf8(std::string(1, b));
    EXPECT_EQ(fromUtf8(one), std::string(1, b)) << static_cast<int>(static_cast<unsigned char>(b));
    seen.insert(one);
  }
  EXPECT_EQ(seen.size(), 256u);
}

TEST(Cp1252Test, KnownCharacters) {
  struct Case {
    const char* cp1252;
    const char* utf8;
  };
  const Case cases[] = {
      {"A z 0 ~", "A z 0 ~"},
      {"\x80", "\xE2\x82\xAC"},                                              // euro sign
      {"\x85", "\xE2\x80\xA6"},                                              // ellipsis
      {"\x8A\x9A", "\xC5\xA0\xC5\xA1"},                                      // S and s caron
      {"\x92", "\xE2\x80\x99"},                                              // right single quote
      {"\x99", "\xE2\x84\xA2"},                                              // trade mark
      {"\x9F", "\xC5\xB8"},                                                  // Y diaeresis
      {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},  // undefined bytes
      {"\xA0", "\xC2\xA0"},
      {"Citt\xE0 \xB0 \xFF", "Citt\xC3\xA0 \xC2\xB0 \xC3\xBF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(toUtf8(c.cp1252), c.utf8) << c.cp1252;
    EXPECT_EQ(fromUtf8(c.utf8), c.cp1252) << c.utf8;
  }
}

TEST(Cp1252Test, WhatCp1252CannotHoldBecomesAQuestionMark) {
  struct Case {
    std::string utf8;
    std::string cp1252;
  };
  const Case cases[] = {
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
  for (const Case& c : cases) EXPECT_EQ(fromUtf8(c.utf8), c.cp1252) << c.utf8;
  EXPECT_FALSE(isValidUtf8("\xC3("));
  EXPECT_FALSE(isValidUtf8("\xE0\x80\x80"));
  EXPECT_TRUE(isValidUtf8("Citt\xC3\xA0"));
}

TEST(ConsoleUiTest, MessagesQuestionsAndProgress) {
  std::ostringstream out;
  ConsoleUi ui(out, false);
  ui.message("Errore 53 File not found\r\nFAIOPEN\r\n", "Korvante ZORIR77024", Icon::Critical);
  ui.message("prima\rseconda\nterza", "Titolo", Icon::Information);
  ui.message("Citt\xE0 \x80", "", Icon::None);
  EXPECT_EQ(out.str(),
            "Korvante ZORIR77024: Errore 53 File not found\nFAIOPEN\n\n"
            "Titolo: prima\nseconda\nterza\n"
            "Citt\xC3\xA0 \xE2\x82\xAC\n");

  out.str("");
  EXPECT_EQ(ui.ask("Continuare?", "T", Buttons::YesNo, Icon::Question, Answer::No), Answer::No);
  EXPECT_EQ(ui.ask("Ritentare?", "T", Buttons::YesNo, Icon::Question, Answer::Yes), Answer::Yes);
  EXPECT_EQ(ui.ask("Letto?", "T", Buttons::Ok, Icon::Information, Answer::Ok), Answer::Ok);
  EXPECT_EQ(out.str(), "T: Continuare?\n-> No\nT: Ritentare?\n-> Yes\nT: Letto?\n-> Ok\n");

  std::ostringstream yesOut;
  ConsoleUi yes(yesOut, true);
  EXPECT_EQ(yes.ask("Sovrascrivere?", "T", Buttons::YesNo, Icon::Question, Answer::No),
            Answer::Yes);
  EXPECT_EQ(yesOut.str(), "T: Sovrascrivere?\n-> Yes\n");

  out.str("");
  ui.progress("Label2", "001 DITTA PROVA");
  ui.progress("Label4", "");
  ui.progress("Label5", "Societ\xE0");
  EXPECT_EQ(out.str(), "Label2: 001 DITTA PROVA\nLabel5: Societ\xC3\xA0\n");

  std::ostringstream quietOut;
  ConsoleUi quiet(quietOut, false, false);
  quiet.progress("Label2", "001");
  quiet.message("m", "t", Icon::None);
  EXPECT_EQ(quietOut.str(), "t: m\n");
}

TEST(ScriptedUiTest, RecordsEventsAndAnswersFromTheQueue) {
  ScriptedUi ui;
  ui.answers = {Answer::Yes, Answer::No};
  ui.message("uno", "Korvante", Icon::Information);
  ui.progress("Label2", "001");
  EXPECT_EQ(ui.ask("a", "t", Buttons::YesNo, Icon::Critical, Answer::No), Answer::Yes);
  EXPECT_EQ(ui.ask("b", "t", Buttons::YesNo, Icon::Exclamation, Answer::Yes), Answer::No);
  EXPECT_EQ(ui.ask("c", "t", Buttons::YesNo, Icon::Question, Answer::Yes), Answer::Yes);  // safe
  ui.busy(true);
  EXPECT_TRUE(ui.busy_);

  ASSERT_EQ(ui.events.size(), 5u);
  EXPECT_EQ(ui.events[1].kind, ScriptedUi::Kind::Progress);
  EXPECT_EQ(ui.events[1].title, "Label2");
  EXPECT_EQ(ui.events[1].text, "001");
  auto d = ui.dialogs();
  ASSERT_EQ(d.size(), 4u);
  EXPECT_EQ(d[0].kind, ScriptedUi::Kind::Message);
  EXPECT_EQ(d[0].text, "uno");
  EXPECT_EQ(d[0].icon, Icon::Information);
  EXPECT_EQ(d[1].answer, Answer::Yes);
  EXPECT_EQ(d[1].icon, Icon::Critical);
  EXPECT_EQ(d[2].answer, Answer::No);
  EXPECT_EQ(d[3].answer, Answer::Yes);
  EXPECT_EQ(d[3].buttons, Buttons::YesNo);
  ui.clear();
  EXPECT_TRUE(ui.events.empty());
}

}  // namespace
}  // namespace zr::platform
